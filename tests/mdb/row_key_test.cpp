#include "index/row_key.h"

#include <gtest/gtest.h>

#include "format/table_definition.h"
#include "mdb/error.h"

namespace {

// Columns 3 (Text "name") and 7 (Long "id"), stored out of number order on purpose: keys must
// follow the index's columns, not the definition's.
mdb::TableDefinition twoColumns() {
    mdb::TableDefinition d;
    mdb::Column id;
    id.name = "id";
    id.type = mdb::ColumnType::Long;
    id.number = 7;
    mdb::Column name;
    name.name = "name";
    name.type = mdb::ColumnType::Text;
    name.number = 3;
    name.sortOrder = 1033;
    d.columns = {id, name};
    return d;
}

mdb::PhysicalIndex nameThenId(std::uint8_t flags) {
    mdb::PhysicalIndex index;
    index.columns = {{3, true}, {7, false}};
    index.flags = flags;
    return index;
}

TEST(RowKey, FollowsTheIndexColumnsAndCountsNulls) {
    const mdb::TableDefinition d = twoColumns();
    const std::vector<mdb::Value> row = {std::int32_t{2}, std::string("a")};
    const auto key = mdb::rowKey(d, nameThenId(0), row);
    ASSERT_TRUE(key);
    // "a" ascending, then 2 descending.
    EXPECT_EQ(key->bytes,
              (std::vector<std::uint8_t>{0x7F, 0x4A, 0x01, 0x00, 0x80, 0x7F, 0xFF, 0xFF, 0xFD}));
    EXPECT_EQ(key->nullColumns, 0);
    EXPECT_FALSE(key->allNull);

    const std::vector<mdb::Value> halfNull = {std::monostate{}, std::string("a")};
    EXPECT_EQ(mdb::rowKey(d, nameThenId(0x02), halfNull)->nullColumns, 1);

    const std::vector<mdb::Value> nulls = {std::monostate{}, std::monostate{}};
    const auto kept = mdb::rowKey(d, nameThenId(0), nulls);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->allNull);
    EXPECT_EQ(kept->bytes, (std::vector<std::uint8_t>{0x00, 0xFF}));
    EXPECT_EQ(mdb::rowKey(d, nameThenId(0x02), nulls), std::nullopt) << "ignore nulls";
}

TEST(RowKey, RefusesValuesThatDoNotFitAndColumnsThatAreMissing) {
    const mdb::TableDefinition d = twoColumns();
    const std::vector<mdb::Value> textForLong = {std::string("x"), std::string("a")};
    EXPECT_THROW(mdb::rowKey(d, nameThenId(0), textForLong), mdb::Error);
    const std::vector<mdb::Value> tooShort = {std::int32_t{1}};
    EXPECT_THROW(mdb::rowKey(d, nameThenId(0), tooShort), mdb::Error);

    mdb::PhysicalIndex ghost;
    ghost.columns = {{9, true}};
    EXPECT_NE(mdb::whyRowKeyCannotBeBuilt(d, ghost), std::nullopt);
    EXPECT_EQ(mdb::whyRowKeyCannotBeBuilt(d, nameThenId(0)), std::nullopt);
    mdb::TableDefinition italian = d;
    italian.columns[1].sortOrder = 1040;
    EXPECT_NE(mdb::whyRowKeyCannotBeBuilt(italian, nameThenId(0)), std::nullopt);
}

}  // namespace
