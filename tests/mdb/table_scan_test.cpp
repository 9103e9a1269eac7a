#include "row/table_scan.h"

#include <gtest/gtest.h>

#include "format/table_definition.h"
#include "mdb/error.h"
#include "page_builder.h"
#include "row/row_reader.h"

namespace {

using build::Bytes;
using mdb::ColumnType;
using mdb::RowPosition;

constexpr mdb::PageNumber kTdef = 2;

Bytes rowWithId(std::int32_t id) {
    build::RowSpec layout;
    layout.columnCount = 1;
    build::append32(layout.fixedArea, static_cast<std::uint32_t>(id));
    layout.hasVariableTable = false;
    layout.notNull = {0};
    return build::row(layout);
}

// Page 1: usage maps; 2: the table; 3 and 4: its data pages; 5: another table's page that the
// map also lists. Page 3 holds a live row, a deleted slot, an overflow pointer to page 4 row 0
// (marked deleted there, as Access marks moved rows) and another live row.
std::vector<mdb::PageBytes> tablePages(std::uint32_t overflowTarget) {
    const Bytes ownedMap = build::inlineMap(0, {3, 4, 5});
    const Bytes freeMap = build::inlineMap(0, {});
    const Bytes tdef = build::tableDefinition(4, {build::fixedColumn("id", ColumnType::Long, 0, 0)},
                                              build::pointer(1, 0), build::pointer(1, 1));
    Bytes overflowPointer;
    build::append32(overflowPointer, overflowTarget);
    return {
        mdb::PageBytes{},
        build::dataPage(0, {{ownedMap}, {freeMap}}),
        build::tdefPages(tdef, {0})[0],
        build::dataPage(kTdef, {{rowWithId(1)},
                                {{}, mdb::kRowDeleted | mdb::kRowOverflow},
                                {overflowPointer, mdb::kRowOverflow},
                                {rowWithId(3)}}),
        build::dataPage(kTdef, {{rowWithId(2), mdb::kRowDeleted}, {rowWithId(4)}}),
        build::dataPage(99, {{rowWithId(99)}}),
    };
}

TEST(TableScan, SkipsDeletedSlotsAndFollowsOverflowRowsInSlotOrder) {
    auto pager = build::pagerOver(tablePages(build::pointer(4, 0)));
    const mdb::TableDefinition t = mdb::readTableDefinition(*pager, kTdef);
    mdb::TableScan scan(*pager, t);
    struct Seen {
        std::int32_t id;
        RowPosition position, storedAt;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    while (scan.next()) {
        const mdb::RowReader row(t, scan.row().bytes);
        seen.push_back({std::get<std::int32_t>(row.value(t.columns[0], *pager)),
                        scan.row().position, scan.row().storedAt});
    }
    const std::vector<Seen> expected = {
        {1, {3, 0}, {3, 0}},
        {2, {3, 2}, {4, 0}},  // found at its slot, read where the pointer leads
        {3, {3, 3}, {3, 3}},
        {4, {4, 1}, {4, 1}},
    };
    EXPECT_EQ(seen, expected);
}

TEST(TableScan, LocatesRowsByPosition) {
    auto pager = build::pagerOver(tablePages(build::pointer(4, 0)));
    EXPECT_FALSE(mdb::locateRow(*pager, {3, 1}));  // deleted
    EXPECT_FALSE(mdb::locateRow(*pager, {4, 0}));  // only reachable through its pointer
    const auto moved = mdb::locateRow(*pager, {3, 2});
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->storedAt, (RowPosition{4, 0}));
    EXPECT_EQ(moved->bytes.size(), rowWithId(2).size());
}

TEST(TableScan, OverflowPointersThatLoopOrLeaveTheFileAreCorrupt) {
    struct Case {
        const char* label;
        std::uint32_t target;
        const char* message;
    };
    const Case cases[] = {
        {"points at itself", build::pointer(3, 2), "loop"},
        {"points past the end", build::pointer(40, 0), "outside the file"},
        {"points at a missing row", build::pointer(4, 9), "does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto pager = build::pagerOver(tablePages(c.target));
        try {
            (void)mdb::locateRow(*pager, {3, 2});
            ADD_FAILURE() << "no error";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Corrupt);
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(DataPage, RowsWithImpossibleExtentsAreCorruptAndNameThePage) {
    mdb::PageBytes page = build::dataPage(kTdef, {{rowWithId(1)}, {rowWithId(2)}});
    mdb::put16le(page, 16, 0x0FFE);  // row 1 now starts after row 0 does: it would run backwards
    const mdb::DataPage data(page, 7);
    EXPECT_NO_THROW((void)data.row(0));
    try {
        (void)data.row(1);
        ADD_FAILURE() << "no error";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("data page 7: row 1 has an invalid extent", 0), 0u)
            << e.what();
    }
    mdb::put16le(page, 12, 3000);  // more slots than the page can hold
    EXPECT_THROW(mdb::DataPage(page, 7), mdb::Error);
}

}  // namespace
