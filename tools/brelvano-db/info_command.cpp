#include "commands.h"
#include "csv_value.h"
#include "mdb/database/database.h"

namespace tool {

void printInfo(const std::string& file, std::ostream& out) {
    auto db = mdb::Database::open(file, mdb::OpenMode::ReadOnly);
    const mdb::DatabaseHeader& h = db->header();
    out << "File: " << db->path() << '\n'
        << "Format: Jet 4 (Access 2000-2003)\n"
        << "Code page: " << h.codePage << '\n'
        << "Sort order: " << mdb::sortOrderName(h.sortOrder, h.sortVersion) << " (locale "
        << h.sortOrder << ", version " << static_cast<int>(h.sortVersion) << ")\n"
        << "Database key: "
        << (h.databaseKey == 0 ? std::string("none (pages stored plain)")
                               : "set (pages are encoded)")
        << '\n'
        << "Created: " << formatDate(mdb::DateTime{h.creationDate}, "%Y-%m-%d %H:%M:%S") << '\n'
        << "Page count: " << db->pageCount() << '\n'
        << "Tables:\n";
    for (const std::string& name : db->tableNames())
        out << "  " << name << ": " << db->table(name).rowCount() << " rows\n";
}

}  // namespace tool
