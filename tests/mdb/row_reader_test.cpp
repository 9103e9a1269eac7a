#include "row/row_reader.h"

#include <gtest/gtest.h>

#include "format/jet_format.h"
#include "format/table_definition.h"
#include "mdb/error.h"
#include "page_builder.h"

namespace {

using build::Bytes;
using mdb::ColumnType;

// A table definition with the given columns, parsed back the way the engine reads one.
mdb::TableDefinition definition(const std::vector<build::ColumnSpec>& columns) {
    return mdb::parseTableDefinition(build::tableDefinition(0, columns, 0, 0), 2);
}

Bytes le32(std::int32_t v) {
    Bytes b;
    build::append32(b, static_cast<std::uint32_t>(v));
    return b;
}

TEST(RowReader, ReadsNullMaskBitsAcrossManyColumns) {
    // 30 Yes/No columns (numbers 0-29) and 40 Long columns (30-69): a 9-byte null mask.
    std::vector<build::ColumnSpec> columns;
    for (std::uint16_t n = 0; n < 30; ++n)
        columns.push_back({"b" + std::to_string(n), ColumnType::Boolean, n, 0, 0, 0, 0x03});
    for (std::uint16_t n = 30; n < 70; ++n)
        columns.push_back(build::fixedColumn("l" + std::to_string(n), ColumnType::Long, n,
                                             static_cast<std::uint16_t>(4 * (n - 30))));
    const mdb::TableDefinition t = definition(columns);
    ASSERT_FALSE(t.hasVariableColumns());

    build::RowSpec layout;
    layout.columnCount = 70;
    layout.hasVariableTable = false;
    for (std::int32_t n = 30; n < 70; ++n) {
        const Bytes v = le32(n * 1000 - 50000);
        layout.fixedArea.insert(layout.fixedArea.end(), v.begin(), v.end());
    }
    layout.notNull = {0, 7, 8, 29, 30, 38, 39, 40, 63, 64, 69};  // byte edges on purpose
    const Bytes bytes = build::row(layout);
    const mdb::RowReader row(t, bytes);
    auto pager = build::pagerOver({});

    for (const mdb::Column& c : t.columns) {
        SCOPED_TRACE(c.name);
        const bool set = std::find(layout.notNull.begin(), layout.notNull.end(), c.number) !=
                         layout.notNull.end();
        const mdb::Value v = row.value(c, *pager);
        if (c.type == ColumnType::Boolean) {
            EXPECT_EQ(std::get<bool>(v), set);
        } else if (set) {
            EXPECT_EQ(std::get<std::int32_t>(v), c.number * 1000 - 50000);
        } else {
            EXPECT_TRUE(mdb::isNull(v));
        }
    }
}

TEST(RowReader, ColumnsAddedAfterTheRowWasWrittenReadAsNull) {
    const mdb::TableDefinition t = definition({
        build::fixedColumn("a", ColumnType::Long, 0, 0),
        build::variableColumn("t", ColumnType::Text, 1, 0),
        build::fixedColumn("late", ColumnType::Long, 9, 4),
        build::variableColumn("lateText", ColumnType::Text, 10, 1),
        {"lateFlag", ColumnType::Boolean, 11, 0, 0, 0, 0x03},
    });
    build::RowSpec layout;
    layout.columnCount = 2;  // written when the table had columns 0 and 1 only
    layout.fixedArea = le32(7);
    layout.variable = {{'x', 0}};
    layout.notNull = {0, 1};
    const Bytes bytes = build::row(layout);
    const mdb::RowReader row(t, bytes);
    auto pager = build::pagerOver({});
    EXPECT_EQ(std::get<std::int32_t>(row.value(t.columns[0], *pager)), 7);
    EXPECT_EQ(std::get<std::string>(row.value(t.columns[1], *pager)), "x");
    EXPECT_TRUE(mdb::isNull(row.value(t.columns[2], *pager)));
    EXPECT_TRUE(mdb::isNull(row.value(t.columns[3], *pager)));
    EXPECT_FALSE(std::get<bool>(row.value(t.columns[4], *pager)));
}

TEST(RowReader, ReadsVariableColumnsAroundADeletedColumnsSlot) {
    // Slot 1 belonged to a column that has since been deleted; its (empty) slot stays.
    const mdb::TableDefinition t = definition({
        build::variableColumn("first", ColumnType::Text, 0, 0),
        build::variableColumn("third", ColumnType::Text, 2, 2),
        build::variableColumn("empty", ColumnType::Text, 3, 3),
        build::variableColumn("missing", ColumnType::Text, 4, 4),
        build::variableColumn("blob", ColumnType::Binary, 5, 5),
    });
    build::RowSpec layout;
    layout.columnCount = 6;
    layout.variable = {{0xFF, 0xFE, 'a', 'b'}, {}, {'Z', 0}, {}, {}, {1, 2, 3}};
    layout.notNull = {0, 2, 3, 5};
    const Bytes bytes = build::row(layout);
    const mdb::RowReader row(t, bytes);
    auto pager = build::pagerOver({});
    EXPECT_EQ(std::get<std::string>(row.value(t.columns[0], *pager)), "ab");
    EXPECT_EQ(std::get<std::string>(row.value(t.columns[1], *pager)), "Z");
    EXPECT_EQ(std::get<std::string>(row.value(t.columns[2], *pager)), "");  // zero length, not null
    EXPECT_TRUE(mdb::isNull(row.value(t.columns[3], *pager)));
    EXPECT_EQ(std::get<mdb::Binary>(row.value(t.columns[4], *pager)), (mdb::Binary{1, 2, 3}));
}

TEST(RowReader, DecodesEveryFixedType) {
    const mdb::TableDefinition t = definition({
        build::fixedColumn("byte", ColumnType::Byte, 0, 0),
        build::fixedColumn("int", ColumnType::Integer, 1, 1),
        build::fixedColumn("cur", ColumnType::Currency, 2, 3),
        build::fixedColumn("single", ColumnType::Single, 3, 11),
        build::fixedColumn("double", ColumnType::Double, 4, 15),
        build::fixedColumn("date", ColumnType::DateTime, 5, 23),
        build::fixedColumn("guid", ColumnType::Guid, 6, 31),
        build::fixedColumn("num", ColumnType::Numeric, 7, 47),
    });
    Bytes fixed(64, 0);
    fixed[0] = 200;
    build::put16(fixed, 1, static_cast<std::uint16_t>(-2));
    const std::int64_t cents = -123456789;  // -12345.6789
    for (int i = 0; i < 8; ++i)
        fixed[3 + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(cents) >> (8 * i));
    build::put32(fixed, 11, std::bit_cast<std::uint32_t>(1.5f));
    const auto d = std::bit_cast<std::uint64_t>(444.555);
    const auto date = std::bit_cast<std::uint64_t>(27293.0 + 0.5);  // 1974-09-21 12:00
    for (int i = 0; i < 8; ++i) {
        fixed[15 + i] = static_cast<std::uint8_t>(d >> (8 * i));
        fixed[23 + i] = static_cast<std::uint8_t>(date >> (8 * i));
    }
    for (int i = 0; i < 16; ++i) fixed[31 + i] = static_cast<std::uint8_t>(i);
    fixed[47] = 0x80;                    // negative
    build::put32(fixed, 48 + 12, 1250);  // least significant word last: -12.50 at scale 2
    build::RowSpec layout;
    layout.columnCount = 8;
    layout.fixedArea = fixed;
    layout.hasVariableTable = false;
    layout.notNull = {0, 1, 2, 3, 4, 5, 6, 7};
    mdb::TableDefinition scaled = t;
    scaled.columns[7].scale = 2;
    const Bytes bytes = build::row(layout);
    const mdb::RowReader row(scaled, bytes);
    auto pager = build::pagerOver({});
    auto value = [&](std::size_t i) { return row.value(scaled.columns[i], *pager); };
    EXPECT_EQ(std::get<std::uint8_t>(value(0)), 200);
    EXPECT_EQ(std::get<std::int16_t>(value(1)), -2);
    EXPECT_EQ(std::get<mdb::Currency>(value(2)).units, cents);
    EXPECT_EQ(std::get<float>(value(3)), 1.5f);
    EXPECT_EQ(std::get<double>(value(4)), 444.555);
    EXPECT_EQ(mdb::toCivilTime(std::get<mdb::DateTime>(value(5))),
              (mdb::CivilTime{1974, 9, 21, 12, 0, 0}));
    EXPECT_EQ(std::get<mdb::Guid>(value(6)).toString(), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
    EXPECT_EQ(std::get<mdb::Decimal>(value(7)).toString(), "-12.50");
}

TEST(RowReader, DamagedFramesAndExtentsAreCorrupt) {
    const mdb::TableDefinition t = definition({
        build::fixedColumn("a", ColumnType::Long, 0, 0),
        build::variableColumn("t", ColumnType::Text, 1, 0),
    });
    build::RowSpec layout;
    layout.columnCount = 2;
    layout.fixedArea = le32(1);
    layout.variable = {{'x', 0}};
    layout.notNull = {0, 1};
    const Bytes good = build::row(layout);
    auto pager = build::pagerOver({});

    struct Case {
        const char* label;
        Bytes bytes;
        const char* column;  // nullptr: the frame itself is refused
    };
    Bytes backwards = good;  // variable data that ends before it starts
    build::put16(backwards, backwards.size() - 1 - 4 - 2, 200);
    Bytes manyColumns = good;  // a null mask larger than the row
    build::put16(manyColumns, 0, 4000);
    Bytes manyVariables = good;  // more variable slots than bytes
    build::put16(manyVariables, manyVariables.size() - 1 - 2, 900);
    build::RowSpec shortFixed = layout;  // one byte where a Long needs four
    shortFixed.fixedArea = {1};
    shortFixed.variable = {};
    const Case cases[] = {
        {"one byte", {0x01}, nullptr},
        {"mask past the row", manyColumns, nullptr},
        {"offset table past the row", manyVariables, nullptr},
        {"variable value ends before it starts", backwards, "t"},
        {"fixed value past the row", build::row(shortFixed), "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            const mdb::RowReader row(t, c.bytes);
            ASSERT_NE(c.column, nullptr) << "frame accepted";
            for (const mdb::Column& col : t.columns) (void)row.value(col, *pager);
            ADD_FAILURE() << "no error";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Corrupt);
            if (c.column != nullptr) {
                EXPECT_NE(std::string(e.what()).find(std::string("'") + c.column + "'"),
                          std::string::npos)
                    << e.what();
            }
        }
    }
}

// Access 97 rows: one-byte offsets past 256 bytes through the jump table, including the unused
// last jump, and 8-bit text in each column's own code page.
TEST(RowReader, ReadsJet3RowsAcrossThe256ByteBoundaryInTheirCodePages) {
    mdb::TableDefinition t;
    t.format = &mdb::jet3Format();
    auto text = [](const char* name, std::uint16_t number, std::uint16_t codePage) {
        mdb::Column c;
        c.name = name;
        c.type = ColumnType::Text;
        c.number = number;
        c.varIndex = number;
        c.codePage = codePage;
        return c;
    };
    t.columns = {text("a", 0, 1252), text("b", 1, 1253), text("c", 2, 1252)};
    auto pager = build::pagerOver({});

    // a: 200 'x' at 1; b: 100 x 0xE1 at 201, crossing 256; c: 0xE9 at 301; data ends at 302.
    // Then last-to-first: the end (302 & 0xFF), c, b, a; one jump (slot 2 is the first at 256
    // or more); the count; the null mask.
    Bytes row{3};
    row.insert(row.end(), 200, 'x');
    row.insert(row.end(), 100, 0xE1);
    row.push_back(0xE9);
    for (std::uint8_t b : {46, 45, 201, 1, 2, 3, 0x07}) row.push_back(b);
    ASSERT_EQ(row.size(), 309u);
    const mdb::RowReader reader(t, row);
    EXPECT_EQ(std::get<std::string>(reader.value(t.columns[0], *pager)), std::string(200, 'x'));
    std::string alphas;
    for (int i = 0; i < 100; ++i) alphas += "\xCE\xB1";  // U+03B1 in Greek 1253
    EXPECT_EQ(std::get<std::string>(reader.value(t.columns[1], *pager)), alphas);
    EXPECT_EQ(std::get<std::string>(reader.value(t.columns[2], *pager)), "\xC3\xA9");  // é

    // 252 bytes in column a: the row is 258 bytes long, so it has a jump byte, but its offset
    // table starts below 256 and the jump (0xFF) is not used.
    Bytes short1{1};
    short1.insert(short1.end(), 252, 'y');
    for (std::uint8_t b : {253, 1, 0xFF, 1, 0x01}) short1.push_back(b);
    ASSERT_EQ(short1.size(), 258u);
    const mdb::RowReader dummy(t, short1);
    EXPECT_EQ(std::get<std::string>(dummy.value(t.columns[0], *pager)), std::string(252, 'y'));
    EXPECT_TRUE(mdb::isNull(dummy.value(t.columns[1], *pager)));

    // A count that leaves no room for its offsets is damage, not a read past the row.
    Bytes damaged{1, 'z', 3, 1, 200, 0x01};
    EXPECT_THROW(mdb::RowReader(t, damaged), mdb::Error);
}

}  // namespace
