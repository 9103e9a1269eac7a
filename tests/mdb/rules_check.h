// rules_check.h: databases made with the engine for tests of the database's own rules, and what
// an independent reader (mdbtools) and the engine's verify see in them afterwards.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "create/new_database.h"
#include "data/scratch_dir.h"
#include "database/table_writer.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "mdb/verify.h"
#include "row/property_map.h"
#include "row/property_map_writer.h"
#include "write_check.h"

namespace rules_check {

// A new database file holding `tables`, in its own temporary folder.
class NewDatabase {
public:
    explicit NewDatabase(const std::vector<mdb::TableSchema>& tables) : path_(dir_ / "rules.mdb") {
        mdb::createDatabase(path_, tables);
    }
    const std::string& path() const { return path_; }
    const testing_support::ScratchDir& dir() const { return dir_; }
    std::unique_ptr<mdb::Database> open() const {
        return mdb::Database::open(path_, mdb::OpenMode::ReadWrite);
    }

private:
    testing_support::ScratchDir dir_;
    std::string path_;
};

// Gives the table its own properties (ValidationRule, ValidationText), which a table schema
// cannot carry: its catalogue row is deleted and written again, with the new LvProp, through
// the table writer. Open the database afresh to see them.
inline void setTableProperties(const std::string& path, const std::string& table,
                               const std::map<std::string, std::string>& properties) {
    auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
    mdb::Table& catalogue = db->table("MSysObjects");
    const std::size_t name = *catalogue.findColumn("Name");
    const std::size_t type = *catalogue.findColumn("Type");
    const std::size_t lvProp = *catalogue.findColumn("LvProp");
    for (mdb::Table::Cursor c = catalogue.scan(); c.next();) {
        std::vector<mdb::Value> row = c.values();
        if (std::get<std::string>(row[name]) != table || std::get<std::int16_t>(row[type]) != 1)
            continue;
        std::vector<mdb::PropertyMap> maps;
        if (const auto* blob = std::get_if<mdb::Binary>(&row[lvProp]))
            maps = mdb::parsePropertyMaps(*blob);
        auto own = std::find_if(maps.begin(), maps.end(), [](auto& m) { return m.target.empty(); });
        if (own == maps.end()) own = maps.insert(maps.begin(), mdb::PropertyMap{});
        for (const auto& [key, text] : properties)
            own->properties.push_back({key, mdb::ColumnType::Memo, true, text});
        row[lvProp] = mdb::encodePropertyMaps(maps);
        mdb::TableWriter& writer = db->writer("MSysObjects");
        writer.remove(c.position());
        writer.insert(row);
        return;
    }
    FAIL() << "no catalogue row for " << table;
}

// The records mdb-export reads (the first is the header), or nothing when mdbtools is missing.
inline std::vector<write_check::Record> mdbExport(const std::string& path,
                                                  const std::string& table) {
    if (!write_check::haveMdbtools()) return {};
    const std::optional<std::string> out = write_check::run(
        "mdb-export " + write_check::shellQuote(path) + " " + write_check::shellQuote(table));
    EXPECT_TRUE(out) << "mdb-export failed on " << table;
    return out ? write_check::parseCsv(*out) : std::vector<write_check::Record>{};
}

// The values of one column in mdb-export's records (header excluded), in storage order.
inline std::vector<std::string> mdbExportColumn(const std::string& path, const std::string& table,
                                                const std::string& column) {
    const std::vector<write_check::Record> records = mdbExport(path, table);
    std::vector<std::string> out;
    if (records.empty()) return out;
    const auto at = std::find(records[0].begin(), records[0].end(), column);
    EXPECT_NE(at, records[0].end()) << column;
    if (at == records[0].end()) return out;
    const auto i = static_cast<std::size_t>(at - records[0].begin());
    for (std::size_t r = 1; r < records.size(); ++r) out.push_back(records[r].at(i));
    return out;
}

inline void expectVerified(const std::string& path) {
    EXPECT_EQ(mdb::verifyFile(path), std::vector<std::string>{});
}

// The message of the error `work` throws, or "" when it throws none.
template <class Work>
std::string refusal(Work&& work) {
    try {
        work();
    } catch (const mdb::Error& e) {
        return e.what();
    }
    return "";
}

}  // namespace rules_check
