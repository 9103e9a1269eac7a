#include "commands.h"
#include "mdb/database.h"

namespace tool {

void listTables(const std::string& file, std::ostream& out) {
    auto db = mdb::Database::open(file, mdb::OpenMode::ReadOnly);
    for (const std::string& name : db->tableNames()) out << name << '\n';
}

}  // namespace tool
