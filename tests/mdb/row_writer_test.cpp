#include "row/row_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "file/pager.h"
#include "format/byte_order.h"
#include "format/column.h"
#include "format/table_definition.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "mdb/fixture_paths.h"
#include "row/row_reader.h"
#include "row/table_scan.h"
#include "row/value_encoding.h"

namespace {

using mdb::Binary;
using mdb::Value;

std::string hex(mdb::ByteView bytes) {
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02x ", b);
        out += buf;
    }
    return out;
}

// Access leaves old bytes under null fixed columns and under deleted columns; they are not part
// of the row. Clears every fixed-area byte no live, non-null fixed column covers.
Binary withoutStaleFixedBytes(const mdb::TableDefinition& def, mdb::ByteView row) {
    const mdb::RowReader reader(def, row);
    std::vector<bool> live(row.size(), false);
    for (const mdb::Column& c : def.columns) {
        if (!c.isFixed() || reader.isNull(c)) continue;
        const mdb::ByteView bytes = reader.bytes(c);
        const auto start = static_cast<std::size_t>(bytes.data() - row.data());
        std::fill_n(live.begin() + static_cast<std::ptrdiff_t>(start), bytes.size(), true);
    }
    std::size_t fixedEnd = 2;
    for (const mdb::Column& c : def.columns)
        if (c.isFixed() && c.type != mdb::ColumnType::Boolean)
            fixedEnd = std::max(
                fixedEnd,
                2u + c.fixedOffset + (mdb::fixedSize(c.type) ? mdb::fixedSize(c.type) : c.length));
    Binary out(row.begin(), row.end());
    for (std::size_t i = 2; i < fixedEnd && i < out.size(); ++i)
        if (!live[i]) out[i] = 0;
    return out;
}

// Why a row Access wrote has a shape this writer never produces, or nullptr.
const char* accessOnlyShape(const mdb::TableDefinition& def, mdb::ByteView row) {
    if (mdb::get16le(row, 0) != def.maxColumns) return "written before columns were added";
    const mdb::RowReader reader(def, row);
    const std::size_t maskSize = (def.maxColumns + 7u) / 8u;
    for (std::size_t n = 0; n < def.maxColumns; ++n) {
        const bool live = std::any_of(def.columns.begin(), def.columns.end(),
                                      [n](const mdb::Column& c) { return c.number == n; });
        if (!live && (row[row.size() - maskSize + n / 8] & (1u << (n % 8))) != 0)
            return "holds data of a deleted column";
    }
    for (const mdb::Column& c : def.columns) {
        if (c.isFixed() || reader.isNull(c)) continue;
        mdb::ByteView bytes = reader.bytes(c);
        if (mdb::isLongValue(c.type) && bytes.size() >= mdb::kLongValueHeaderSize)
            bytes = bytes.subspan(mdb::kLongValueHeaderSize);
        const bool compressed = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
        if (compressed && bytes.back() == 0) return "text ends in an empty plain segment";
        if (compressed && !c.compressesUnicode()) return "text compressed against the flag";
    }
    if (mdb::get16le(row, row.size() - maskSize - 4 - 2 * mdb::variableSlotCount(def)) + 2 +
            2 * mdb::variableSlotCount(def) + 2 + maskSize <
        row.size())
        return "slack after the variable data (a row shrunk in place)";
    return nullptr;
}

// Every row Access wrote, read and written again, comes out byte for byte as Access stored it
// (long values kept where they were), except rows of shapes this writer never produces.
TEST(RowWriter, ReencodesAccessRowsByteForByte) {
    REQUIRE_MDB_FIXTURES();
    const char* files[] = {"testV2003.mdb",
                           "test2V2003.mdb",
                           "indexTestV2003.mdb",
                           "V2000_no-password.mdb",
                           "testUnicodeCompV2003.mdb",
                           "fixedTextTestV2003.mdb",
                           "compIndexTestV2003.mdb",
                           "overflowTestV2003.mdb",
                           "testIndexPropertiesV2003.mdb",
                           "delTestV2003.mdb",
                           "testV1997.mdb",
                           "indexTestV1997.mdb",
                           "compIndexTestV1997.mdb",
                           "delTestV1997.mdb",
                           "overflowTestV1997.mdb",
                           "test2V1997.mdb",
                           "testIndexCodesV1997.mdb"};
    int compared = 0;
    std::map<std::string, int> skipped;
    for (const char* file : files) {
        auto db = mdb::Database::open(fixtures::mdb(file).string(), mdb::OpenMode::ReadOnly);
        for (const std::string& name : db->tableNames()) {
            mdb::Table& table = db->table(name);
            const mdb::TableDefinition& def = table.definition();
            mdb::Table::Cursor cursor = table.scan();
            while (cursor.next()) {
                SCOPED_TRACE(std::string(file) + " " + name + " " +
                             mdb::describe(cursor.storedAt()));
                const auto located = mdb::locateRow(db->pager(), cursor.position());
                const mdb::ByteView stored = located->bytes;
                if (const char* why = accessOnlyShape(def, stored)) {
                    ++skipped[why];
                    continue;
                }
                mdb::PreparedRow row = mdb::prepareRow(def, cursor.values(), name);
                const mdb::RowReader original(def, stored);
                for (const auto& e : row.external) {
                    const mdb::ByteView header = original.bytes(def.columns[e.column]);
                    row.setExternalPosition(e.column,
                                            mdb::rowPositionFromPointer(mdb::get32le(header, 4)));
                }
                const Binary ours = mdb::encodeRow(def, row);
                ++compared;
                const Binary access = withoutStaleFixedBytes(def, stored);
                EXPECT_EQ(hex(withoutStaleFixedBytes(def, ours)), hex(access));
            }
        }
    }
    EXPECT_GT(compared, 580);
}

// Access 97 rows of 256 bytes and more: the jump table names the first slot past each multiple
// of 256, and a row whose length asks for a jump its offsets never reach gets 0xFF there.
TEST(RowWriter, WritesJet3JumpTablesAcrossThe256ByteBoundary) {
    mdb::TableDefinition t;
    t.format = &mdb::jet3Format();
    for (std::uint16_t n = 0; n < 3; ++n) {
        mdb::Column c;
        c.name = std::string(1, static_cast<char>('a' + n));
        c.type = mdb::ColumnType::Text;
        c.number = c.varIndex = n;
        c.length = 255;
        c.codePage = n == 1 ? 1253 : 1252;
        t.columns.push_back(c);
    }
    t.variableColumns = 3;
    std::string alphas;
    for (int i = 0; i < 100; ++i) alphas += "\xCE\xB1";  // U+03B1, 0xE1 in Greek 1253
    const std::vector<Value> crossing{std::string(200, 'x'), alphas, std::string("\xC3\xA9")};
    Binary expected{3};
    expected.insert(expected.end(), 200, 'x');
    expected.insert(expected.end(), 100, 0xE1);
    expected.push_back(0xE9);
    // From the end backwards: mask, count, the jump (slot 2 starts at 301), offsets 1, 201,
    // 301, 302 by their low bytes.
    for (std::uint8_t b : {46, 45, 201, 1, 2, 3, 0x07}) expected.push_back(b);
    EXPECT_EQ(hex(mdb::encodeRow(t, mdb::prepareRow(t, crossing, "T"))), hex(expected));

    const std::vector<Value> below{std::string(250, 'y'), std::monostate{}, std::monostate{}};
    Binary dummy{3};
    dummy.insert(dummy.end(), 250, 'y');
    for (std::uint8_t b : {251, 251, 251, 1, 0xFF, 3, 0x01}) dummy.push_back(b);
    EXPECT_EQ(hex(mdb::encodeRow(t, mdb::prepareRow(t, below, "T"))), hex(dummy));
}

// Access 97 text is one byte per character in the column's own code page, its length counted in
// characters; what the code page cannot hold becomes '?', as the provider stores it.
TEST(RowWriter, StoresAccess97TextInTheColumnsCodePage) {
    mdb::Column c;
    c.name = "t";
    c.type = mdb::ColumnType::Text;
    c.length = 4;
    const std::string text = "\xCE\xA9\xE2\x82\xAC\xC3\xA9\xE4\xB8\xAD";  // Ω € é 中
    c.codePage = 1252;
    EXPECT_EQ(hex(mdb::encodeColumnValue(c, text, "T")), hex(Binary{'?', 0x80, 0xE9, '?'}));
    c.codePage = 1253;
    EXPECT_EQ(hex(mdb::encodeColumnValue(c, text, "T")), hex(Binary{0xD9, 0x80, '?', '?'}));
    EXPECT_THROW(mdb::encodeColumnValue(c, text + "x", "T"), mdb::Error);
}

struct Fixture {
    std::unique_ptr<mdb::Database> db;
    mdb::Table* table = nullptr;
    std::vector<Value> row;
    std::size_t column(const char* name) const { return table->findColumn(name).value(); }
};

Fixture open(const char* file, const char* table) {
    Fixture f;
    f.db = mdb::Database::open(fixtures::mdb(file).string(), mdb::OpenMode::ReadOnly);
    f.table = &f.db->table(table);
    f.row.resize(f.table->columns().size());
    return f;
}

std::vector<Value> readBack(Fixture& f, const mdb::PreparedRow& row) {
    const Binary bytes = mdb::encodeRow(f.table->definition(), row);
    EXPECT_EQ(bytes.size(), row.size);
    const mdb::RowReader reader(f.table->definition(), bytes);
    std::vector<Value> out;
    for (const mdb::Column& c : f.table->columns()) out.push_back(reader.value(c, f.db->pager()));
    return out;
}

TEST(RowWriter, EveryBasicTypeReadsBackAsWritten) {
    REQUIRE_MDB_FIXTURES();
    Fixture f = open("testV2003.mdb", "Table1");
    const std::vector<Value> values = {
        std::string("àèìòù €"),  std::string("Ωmega"),   std::uint8_t{255},
        std::int16_t{-32768},    std::int32_t{-7},       -0.125,
        mdb::DateTime{45000.75}, mdb::Currency{-123456}, true};
    const std::vector<Value> back =
        readBack(f, mdb::prepareRow(f.table->definition(), values, "Table1"));
    EXPECT_EQ(back, values);

    const std::vector<Value> nulls(values.size());
    std::vector<Value> expected(values.size());
    expected.back() = false;  // a Yes/No column is never null
    EXPECT_EQ(readBack(f, mdb::prepareRow(f.table->definition(), nulls, "Table1")), expected);
}

TEST(RowWriter, ConvertsNumberKindsWithoutLoss) {
    REQUIRE_MDB_FIXTURES();
    Fixture f = open("testV2003.mdb", "Table1");
    f.row[f.column("C")] = std::int32_t{200};  // Byte
    f.row[f.column("D")] = 12.0;               // Integer from a whole double
    f.row[f.column("E")] = std::int16_t{-5};   // Long
    f.row[f.column("F")] = std::int32_t{3};    // Double
    f.row[f.column("G")] = 2.5;                // DateTime from days
    f.row[f.column("H")] = 1.23456;            // Currency, rounded to ten-thousandths
    const std::vector<Value> back =
        readBack(f, mdb::prepareRow(f.table->definition(), f.row, "Table1"));
    EXPECT_EQ(back[f.column("C")], Value(std::uint8_t{200}));
    EXPECT_EQ(back[f.column("D")], Value(std::int16_t{12}));
    EXPECT_EQ(back[f.column("E")], Value(std::int32_t{-5}));
    EXPECT_EQ(back[f.column("F")], Value(3.0));
    EXPECT_EQ(back[f.column("G")], Value(mdb::DateTime{2.5}));
    EXPECT_EQ(back[f.column("H")], Value(mdb::Currency{12346}));
}

TEST(RowWriter, RefusesValuesThatDoNotFitWithProviderLikeMessages) {
    REQUIRE_MDB_FIXTURES();
    struct Case {
        const char* column;
        Value value;
        const char* message;
    };
    const Case cases[] = {
        {"C", std::int32_t{256},
         "Numeric field overflow: the value does not fit field "
         "'Table1.C' (Byte)"},
        {"D", std::int32_t{40000},
         "Numeric field overflow: the value does not fit field "
         "'Table1.D' (Integer)"},
        {"E", 1.5,
         "Numeric field overflow: the value does not fit field 'Table1.E' "
         "(Long Integer)"},
        {"E", std::string("12"),
         "Data type mismatch: field 'Table1.E' (Long Integer) cannot "
         "hold text"},
        {"A", 3.0, "Data type mismatch: field 'Table1.A' (Text) cannot hold a number"},
        {"I", std::string("yes"),
         "Data type mismatch: field 'Table1.I' (Boolean) needs Yes "
         "or No"},
        {"A", std::string(51, 'x'),
         "The field 'Table1.A' is too small to accept the amount "
         "of data you attempted to add. Try inserting or pasting "
         "less data"},
    };
    Fixture f = open("testV2003.mdb", "Table1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<Value> row(f.row.size());
        row[f.column(c.column)] = c.value;
        EXPECT_THAT([&] { mdb::prepareRow(f.table->definition(), row, "Table1"); },
                    testing::ThrowsMessage<mdb::Error>(testing::StrEq(c.message)));
    }
}

TEST(RowWriter, TextLengthCountsUtf16UnitsUpToTheColumnSize) {
    REQUIRE_MDB_FIXTURES();
    Fixture f = open("testV2003.mdb", "Table1");  // A is Text(50)
    const std::size_t a = f.column("A");
    struct Case {
        std::string text;
        bool fits;
    };
    std::string astral;  // U+1F600 takes two UTF-16 units
    for (int i = 0; i < 25; ++i) astral += "\xF0\x9F\x98\x80";
    const Case cases[] = {
        {std::string(50, 'x'), true},
        {std::string(51, 'x'), false},
        {[] {
             std::string s;
             for (int i = 0; i < 50; ++i) s += "\xC3\xA8";
             return s;
         }(),
         true},
        {astral, true},
        {astral + "x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        f.row[a] = c.text;
        if (c.fits) {
            EXPECT_EQ(readBack(f, mdb::prepareRow(f.table->definition(), f.row, "Table1"))[a],
                      Value(c.text));
        } else {
            EXPECT_THROW(mdb::prepareRow(f.table->definition(), f.row, "Table1"), mdb::Error);
        }
    }
}

TEST(RowWriter, CompressesTextOnlyWhereItSavesSpaceAndTheColumnAllows) {
    REQUIRE_MDB_FIXTURES();
    Fixture f = open("testV2003.mdb", "Table1");  // A compresses, B does not
    const mdb::Column& a = f.table->columns()[f.column("A")];
    const mdb::Column& b = f.table->columns()[f.column("B")];
    struct Case {
        const mdb::Column* column;
        std::string text;
        Binary stored;
    };
    const Case cases[] = {
        {&a, "abc", {0xFF, 0xFE, 'a', 'b', 'c'}},
        {&a, "ab", {'a', 0, 'b', 0}},                              // FF FE would cost more
        {&a, "\xC3\xA8t\xC3\xA9", {0xFF, 0xFE, 0xE8, 't', 0xE9}},  // Latin-1 compresses
        {&a, "\xCE\xA9mega", {0xA9, 0x03, 'm', 0, 'e', 0, 'g', 0, 'a', 0}},  // Greek does not
        {&b, "abc", {'a', 0, 'b', 0, 'c', 0}},  // column without the flag
        {&a, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(mdb::encodeColumnValue(*c.column, c.text, "T"), c.stored);
    }
}

TEST(RowWriter, LongValuesStayInlineUpTo64BytesAndMoveOutWhenTheRowIsFull) {
    REQUIRE_MDB_FIXTURES();
    Fixture f = open("test2V2003.mdb", "MSP_PROJECTS");  // Memo columns without compression
    const std::size_t memo = f.column("PROJ_PROP_AUTHOR");
    const std::size_t ole = f.column("RESERVED_BINARY_DATA");
    const mdb::TableDefinition& def = f.table->definition();

    f.row[memo] = std::string(33, 'a');  // 66 bytes: stored out
    f.row[ole] = Binary(64, 7);          // 64 bytes: inline
    mdb::PreparedRow row = mdb::prepareRow(def, f.row, "MSP_PROJECTS");
    ASSERT_EQ(row.external.size(), 1u);
    EXPECT_EQ(row.external[0].column, memo);
    EXPECT_EQ((*row.field(memo))[3], mdb::kLongValueSingleRow);
    EXPECT_EQ((*row.field(ole))[3], mdb::kLongValueInline);
    f.row[memo] = std::string(32, 'a');
    const std::vector<Value> back = readBack(f, mdb::prepareRow(def, f.row, "MSP_PROJECTS"));
    EXPECT_EQ(back[memo], Value(std::string(32, 'a')));
    EXPECT_EQ(back[ole], Value(Binary(64, 7)));

    f.row[ole] = Binary(mdb::kMaxLongValueRowSize + 1, 1);  // longer than one row: a chain
    row = mdb::prepareRow(def, f.row, "MSP_PROJECTS");
    EXPECT_EQ((*row.field(ole))[3], mdb::kLongValueChain);
    EXPECT_EQ(mdb::get24le(*row.field(ole), 0), mdb::kMaxLongValueRowSize + 1);
}

// A table of 15 Text(255) columns and 3 Memo columns, as a definition only.
mdb::TableDefinition wideTable() {
    mdb::TableDefinition def;
    for (std::uint16_t n = 0; n < 18; ++n) {
        mdb::Column c;
        c.name = "c" + std::to_string(n);
        c.number = n;
        c.varIndex = n;
        c.type = n < 15 ? mdb::ColumnType::Text : mdb::ColumnType::Memo;
        c.length = n < 15 ? 510 : 0;
        def.columns.push_back(c);
    }
    def.maxColumns = 18;
    def.variableColumns = 18;
    return def;
}

TEST(RowWriter, MovesInlineLongValuesOutWhenTheRowIsFull) {
    const mdb::TableDefinition def = wideTable();
    std::vector<Value> row(18);
    for (std::size_t i = 0; i < 15; ++i) row[i] = std::string(125, 'z');      // 250 bytes each
    for (std::size_t i = 15; i < 18; ++i) row[i] = std::string(i + 15, 'm');  // 60, 62, 64 bytes
    EXPECT_TRUE(mdb::prepareRow(def, row, "T").external.empty());             // 4017 bytes

    struct Case {
        std::size_t firstText;              // characters in column 0
        std::vector<std::size_t> movedOut;  // columns, longest first
    };
    const Case cases[] = {{175, {17}}, {200, {17, 16}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstText);
        row[0] = std::string(c.firstText, 'z');
        const mdb::PreparedRow full = mdb::prepareRow(def, row, "T");
        EXPECT_LE(full.size, mdb::kMaxRowSize);
        std::vector<std::size_t> moved;
        for (const auto& e : full.external) moved.push_back(e.column);
        EXPECT_EQ(moved, c.movedOut);
    }
    row[0] = std::string(255, 'z');  // even with every memo out the row is too large
    EXPECT_THROW(mdb::prepareRow(def, row, "T"), mdb::Error);
}

// The writer prepares and encodes every row into the same buffers: what a row left there (long
// values moved out, a refusal half-way) must not show in the next one.
TEST(RowWriter, ARowPreparedInReusedBuffersEncodesAsAFreshOne) {
    const mdb::TableDefinition def = wideTable();
    const mdb::RowLayout layout(def);
    auto filled = [](std::size_t firstText, std::size_t memo) {
        std::vector<Value> row(18);
        for (std::size_t i = 0; i < 15; ++i) row[i] = std::string(125, 'z');
        row[0] = std::string(firstText, 'y');
        for (std::size_t i = 15; i < 18; ++i) row[i] = std::string(memo + i, 'm');
        return row;
    };
    std::vector<Value> sparse(18);
    sparse[3] = std::string("\xCE\xA9 abc");
    sparse[16] = std::string(10, 'q');
    const std::vector<Value> rows[] = {filled(200, 15), sparse, filled(255, 15) /* too large */,
                                       filled(10, 100), sparse, filled(175, 15)};
    mdb::PreparedRow reused;
    Binary out;
    for (std::size_t n = 0; n < std::size(rows); ++n) {
        SCOPED_TRACE(n);
        mdb::PreparedRow fresh;
        try {
            fresh = mdb::prepareRow(def, rows[n], "T");
        } catch (const mdb::Error&) {
            EXPECT_THROW(mdb::prepareRow(layout, rows[n], "T", reused), mdb::Error);
            continue;
        }
        mdb::prepareRow(layout, rows[n], "T", reused);
        ASSERT_EQ(reused.external.size(), fresh.external.size());
        for (std::size_t k = 0; k < fresh.external.size(); ++k) {
            EXPECT_EQ(reused.external[k].data, fresh.external[k].data);
            const mdb::RowPosition at{100 + static_cast<mdb::PageNumber>(k), 3};
            fresh.setExternalPosition(fresh.external[k].column, at);
            reused.setExternalPosition(reused.external[k].column, at);
        }
        EXPECT_EQ(reused.size, fresh.size);
        mdb::encodeRow(layout, reused, out);
        EXPECT_EQ(hex(out), hex(mdb::encodeRow(def, fresh)));
        EXPECT_EQ(out.size(), fresh.size);
    }
}

TEST(RowWriter, RefusesARowTooLargeForAPage) {
    REQUIRE_MDB_FIXTURES();
    Fixture f = open("testV2003.mdb", "Table2");  // 89 Text(50) columns
    for (std::size_t i = 0; i < f.row.size(); ++i) f.row[i] = std::string("\xCE\xA9") + "123";
    EXPECT_NO_THROW(mdb::prepareRow(f.table->definition(), f.row, "Table2"));
    for (std::size_t i = 0; i < f.row.size(); ++i) f.row[i] = std::string(25, 'x') + "\xCE\xA9";
    EXPECT_THAT([&] { mdb::prepareRow(f.table->definition(), f.row, "Table2"); },
                testing::ThrowsMessage<mdb::Error>(testing::StrEq("Record is too large")));
}

}  // namespace
