#include "data/engine_writes.h"

#include "mdb/error.h"

namespace data {
namespace {

[[noreturn]] void notYet() {
    throw mdb::Error(mdb::Error::Kind::Unsupported, "Writing is not available in this build");
}

}  // namespace

mdb::RowPosition insertRow(mdb::Database&, const std::string&, std::vector<mdb::Value>) {
    notYet();
}
void deleteRow(mdb::Database&, const std::string&, mdb::RowPosition) { notYet(); }
void executeSql(mdb::Database&, std::string_view) { notYet(); }
void beginWriteBatch(mdb::Database&) {}
void endWriteBatch(mdb::Database&) {}

}  // namespace data
