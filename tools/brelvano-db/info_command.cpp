#include "commands.h"
#include "csv_value.h"
#include "mdb/database.h"

namespace tool {

void printInfo(const std::string& file, std::ostream& out) {
    auto db = mdb::Database::open(file, mdb::OpenMode::ReadOnly);
    const mdb::DatabaseInfo h = db->info();
    out << "Program: Brelvano " BRELVANO_VERSION "\n"
        << "File: " << db->path() << '\n'
        << "Format: " << h.formatName << '\n'
        << "Code page: " << h.codePage << '\n'
        << "Sort order: " << h.sortOrderName << " (locale " << h.sortOrder << ", version "
        << static_cast<int>(h.sortVersion) << ")\n"
        << "Database key: "
        << (h.encoded ? std::string("set (pages are encoded)") : "none (pages stored plain)")
        << '\n'
        << "Created: " << formatDate(h.created, "%Y-%m-%d %H:%M:%S") << '\n'
        << "Page count: " << h.pageCount << '\n'
        << "Tables:\n";
    for (const std::string& name : db->tableNames())
        out << "  " << name << ": " << db->table(name).rowCount() << " rows\n";
}

}  // namespace tool
