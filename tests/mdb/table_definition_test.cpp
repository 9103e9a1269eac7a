#include "format/table_definition.h"

#include <gtest/gtest.h>

#include "file/pager.h"
#include "mdb/error.h"
#include "page_builder.h"

namespace {

using build::Bytes;

std::vector<build::ColumnSpec> manyTextColumns(int count) {
    std::vector<build::ColumnSpec> columns;
    for (int i = 0; i < count; ++i)
        columns.push_back(build::variableColumn("column" + std::to_string(i), mdb::ColumnType::Text,
                                                static_cast<std::uint16_t>(i),
                                                static_cast<std::uint16_t>(i), 100));
    return columns;
}

// The definition on page 2 continues on page 5 (pages 3 and 4 are unrelated zeros).
std::vector<mdb::PageBytes> twoPageDefinition(const Bytes& joined, mdb::PageNumber after5) {
    const std::vector<mdb::PageBytes> chain = build::tdefPages(joined, {5, after5});
    return {mdb::PageBytes{}, mdb::PageBytes{}, chain[0],
            mdb::PageBytes{}, mdb::PageBytes{}, chain[1]};
}

std::string errorOf(mdb::Pager& pager, mdb::PageNumber first) {
    try {
        (void)mdb::readTableDefinition(pager, first);
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Corrupt);
        return e.what();
    }
    return "no error";
}

TEST(TableDefinition, JoinsContinuationPages) {
    const Bytes joined = build::tableDefinition(12, manyTextColumns(150), build::pointer(1, 0),
                                                build::pointer(1, 1));
    ASSERT_GT(joined.size(), mdb::kPageSize);  // the names spill onto the second page
    auto pager = build::pagerOver(twoPageDefinition(joined, 0));
    const mdb::TableDefinition t = mdb::readTableDefinition(*pager, 2);
    EXPECT_EQ(t.pages, (std::vector<mdb::PageNumber>{2, 5}));
    EXPECT_EQ(t.rowCount, 12u);
    ASSERT_EQ(t.columns.size(), 150u);
    EXPECT_EQ(t.columns[0].name, "column0");
    EXPECT_EQ(t.columns[149].name, "column149");
    EXPECT_EQ(t.columns[149].varIndex, 149);
    EXPECT_EQ(t.ownedPagesMap, (mdb::RowPosition{1, 0}));
    EXPECT_EQ(t.freePagesMap, (mdb::RowPosition{1, 1}));
}

TEST(TableDefinition, ChainsThatLoopOrLeaveTheDefinitionAreCorrupt) {
    const Bytes joined = build::tableDefinition(0, manyTextColumns(150), 0, 0);
    auto looping = build::pagerOver(twoPageDefinition(joined, 2));
    EXPECT_EQ(errorOf(*looping, 2),
              "table definition at page 2: the page chain loops back to page 2");

    auto intoData = build::pagerOver(twoPageDefinition(joined, 1));
    EXPECT_EQ(errorOf(*intoData, 2),
              "table definition at page 2: page 1 is not a table definition page");

    auto pastEnd = build::pagerOver(twoPageDefinition(joined, 60));
    EXPECT_EQ(errorOf(*pastEnd, 2),
              "table definition at page 2: page 60 is past the end of the file");

    // The first page alone: the column names the second page held are missing.
    std::vector<mdb::PageBytes> firstOnly = twoPageDefinition(joined, 0);
    mdb::put32le(firstOnly[2], 4, 0);
    auto truncated = build::pagerOver(firstOnly);
    EXPECT_EQ(errorOf(*truncated, 2),
              "table definition at page 2: a column name runs past the end of the definition");
}

TEST(TableDefinition, IndexesMustNameExistingColumnsAndPhysicalIndexes) {
    Bytes joined = build::tableDefinition(0, manyTextColumns(2), 0, 0);
    joined.resize(joined.size() - 2);  // drop the long-value list's end marker
    // One physical index on column 1 (ascending) and one logical index using it.
    build::put32(joined, 47, 1);
    build::put32(joined, 51, 1);
    joined.insert(joined.begin() + 63, 12, 0);
    Bytes index(52, 0);
    for (int k = 0; k < 10; ++k) build::put16(index, 4 + 3 * static_cast<std::size_t>(k), 0xFFFF);
    build::put16(index, 4, 1);
    index[6] = 1;
    build::put32(index, 38, 77);
    index[46] = 0x89;
    Bytes logical(28, 0);
    logical[23] = 1;
    const Bytes name = mdb::encodeUtf16("PrimaryKey");
    Bytes tail = index;
    tail.insert(tail.end(), logical.begin(), logical.end());
    build::append16(tail, static_cast<std::uint16_t>(name.size()));
    tail.insert(tail.end(), name.begin(), name.end());
    build::append16(tail, 0xFFFF);
    Bytes good = joined;
    good.insert(good.end(), tail.begin(), tail.end());
    const mdb::TableDefinition t = mdb::parseTableDefinition(good, 9);
    ASSERT_EQ(t.physicalIndexes.size(), 1u);
    EXPECT_EQ(t.physicalIndexes[0].columns.size(), 1u);
    EXPECT_EQ(t.physicalIndexes[0].columns[0].columnNumber, 1);
    EXPECT_TRUE(t.physicalIndexes[0].columns[0].ascending);
    EXPECT_EQ(t.physicalIndexes[0].rootPage, 77u);
    EXPECT_TRUE(t.physicalIndexes[0].isUnique() && t.physicalIndexes[0].isRequired());
    ASSERT_EQ(t.indexes.size(), 1u);
    EXPECT_EQ(t.indexes[0].name, "PrimaryKey");
    EXPECT_EQ(t.indexes[0].kind, mdb::Index::Kind::PrimaryKey);

    Bytes badColumn = good;
    build::put16(badColumn, joined.size() + 4, 7);
    EXPECT_THROW(mdb::parseTableDefinition(badColumn, 9), mdb::Error);
    Bytes badPhysical = good;
    build::put32(badPhysical, joined.size() + 52 + 8, 3);
    EXPECT_THROW(mdb::parseTableDefinition(badPhysical, 9), mdb::Error);
}

}  // namespace
