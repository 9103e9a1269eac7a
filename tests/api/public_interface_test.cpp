// The engine used as the rest of the program uses it: through its public headers alone (this
// test program is not given the engine's private include folder, so it cannot build otherwise).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "data/scratch_dir.h"
#include "mdb/create.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "mdb/schema.h"
#include "mdb/value.h"
#include "mdb/verify.h"

namespace {

std::vector<std::vector<mdb::Value>> rowsOf(const mdb::Table& table) {
    std::vector<std::vector<mdb::Value>> rows;
    mdb::Table::Cursor cursor = table.scan();
    while (cursor.next()) rows.push_back(cursor.values());
    return rows;
}

TEST(PublicInterface, OpensScansInsertsByNameAndDeletesAll) {
    testing_support::ScratchDir dir;
    const std::string path = dir / "people.mdb";
    mdb::TableSchema people{
        "People",
        {mdb::columnSchema("Id", mdb::ColumnType::Long),
         mdb::columnSchema("Name", mdb::ColumnType::Text, 40)},
        {mdb::indexSchema("PrimaryKey", {"Id"}, mdb::IndexSchema::Kind::PrimaryKey)}};
    people.columns[1].properties.defaultValue = "\"nobody\"";
    mdb::createDatabase(path, {people});

    {
        auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
        ASSERT_EQ(db->tableNames(), std::vector<std::string>{"People"});
        mdb::Table& table = db->table("people");
        table.insertByName({{"name", std::string("Ada")}, {"ID", std::int32_t{2}}});
        table.insertByName({{"Id", std::int32_t{1}}});  // Name takes its default
        EXPECT_THROW(table.insertByName({{"Id", std::int32_t{1}}}), mdb::Error);  // key taken
        EXPECT_THROW(table.insertByName({{"Age", std::int32_t{3}}}), mdb::Error);
        EXPECT_EQ(table.rowCount(), 2u);
    }

    auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
    mdb::Table& table = db->table("People");
    const std::vector<std::vector<mdb::Value>> expected{
        {mdb::Value{std::int32_t{2}}, mdb::Value{std::string("Ada")}},
        {mdb::Value{std::int32_t{1}}, mdb::Value{std::string("nobody")}}};
    EXPECT_EQ(rowsOf(table), expected);
    EXPECT_EQ(table.removeAll(), 2u);
    EXPECT_TRUE(rowsOf(table).empty());
    EXPECT_EQ(mdb::verifyDatabase(*db), std::vector<std::string>{});
}

}  // namespace
