#include "data/query.h"

#include "data/error_text.h"
#include "data/user_error.h"
#include "mdb/delete_statement.h"
#include "mdb/error.h"

namespace data {

void Query::execute() {
    connection_.open();
    try {
        mdb::executeStatement(connection_.database(), statement_);
    } catch (const mdb::Error& e) {
        passOnEngineError(e);
    }
}

}  // namespace data
