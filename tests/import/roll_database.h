// roll_database.h: a new database with the roll's two tables, input files written as the
// exporting system writes them, and the tables' rows read back by an independent reader.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/roll_tables.h"
#include "mdb/database.h"

namespace testing_support {

// Writes a file: the title row, then `lines`, each ended by CR LF.
inline std::string writeRollFile(const std::filesystem::path& path,
                                 const std::vector<std::string>& lines,
                                 const std::string& title = "COLONNA 1;COLONNA 2") {
    std::ofstream out(path, std::ios::binary);
    out << title << "\r\n";
    for (const std::string& line : lines) out << line << "\r\n";
    return path.string();
}

inline std::string newRollDatabase(const std::filesystem::path& path) {
    data::createRollDatabase(path.string());
    return path.string();
}

// Every row of `table` in the order of its first column, the autonumber "ID" of the roll
// tables: the order of insertion. (Storage order is not: a new row may fill room on an earlier
// page.)
inline std::vector<std::vector<mdb::Value>> tableRows(const std::string& path, const char* table) {
    auto db = mdb::Database::open(path, mdb::OpenMode::ReadOnly);
    std::vector<std::vector<mdb::Value>> rows;
    mdb::Table::Cursor cursor = db->table(table).scan();
    while (cursor.next()) rows.push_back(cursor.values());
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        const auto* x = std::get_if<std::int32_t>(&a.front());
        const auto* y = std::get_if<std::int32_t>(&b.front());
        return x && y && *x < *y;
    });
    return rows;
}

// The value of `column` in `row` of `table` (columns by name).
inline mdb::Value cell(const std::string& path, const char* table, std::size_t row,
                       const char* column) {
    auto db = mdb::Database::open(path, mdb::OpenMode::ReadOnly);
    const mdb::Table& t = db->table(table);
    const std::size_t index = t.findColumn(column).value();
    return tableRows(path, table).at(row).at(index);
}

}  // namespace testing_support
