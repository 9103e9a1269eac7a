#include "commands.h"
#include "csv_value.h"
#include "mdb/database.h"

namespace tool {

void exportTable(const std::string& file, const std::string& tableName,
                 const ExportOptions& options, std::ostream& out) {
    auto db = mdb::Database::open(file, mdb::OpenMode::ReadOnly);
    mdb::Table& table = db->table(tableName);
    const auto& columns = table.columns();
    for (std::size_t i = 0; i < columns.size(); ++i) out << (i ? "," : "") << columns[i].name;
    out << '\n';
    mdb::Table::Cursor cursor = table.scan();
    while (cursor.next()) {
        const std::vector<mdb::Value> values = cursor.values();
        for (std::size_t i = 0; i < values.size(); ++i)
            out << (i ? "," : "") << csvValue(values[i], options);
        out << '\n';
    }
}

}  // namespace tool
