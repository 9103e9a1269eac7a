#include "index/index_key.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

namespace {

using Bytes = std::vector<std::uint8_t>;
using ct = mdb::ColumnType;

Bytes key1(mdb::ColumnType type, bool ascending, const mdb::KeyValue& v) {
    const mdb::KeyColumn col{"c", type, ascending, {}};
    return mdb::buildIndexKey(std::span(&col, 1), std::span(&v, 1));
}

TEST(IndexKey, EncodesNumbersAtTheEdges) {
    struct Case {
        const char* what;
        mdb::ColumnType type;
        mdb::KeyValue value;
        Bytes ascending;
    };
    const double tiny = std::numeric_limits<double>::denorm_min();
    const Case cases[] = {
        {"long min", ct::Long, std::int64_t{INT32_MIN}, {0x7F, 0x00, 0x00, 0x00, 0x00}},
        {"long -1", ct::Long, std::int64_t{-1}, {0x7F, 0x7F, 0xFF, 0xFF, 0xFF}},
        {"long 0", ct::Long, std::int64_t{0}, {0x7F, 0x80, 0x00, 0x00, 0x00}},
        {"long max", ct::Long, std::int64_t{INT32_MAX}, {0x7F, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"integer -2", ct::Integer, std::int64_t{-2}, {0x7F, 0x7F, 0xFE}},
        {"integer 256", ct::Integer, std::int64_t{256}, {0x7F, 0x81, 0x00}},
        {"byte 0", ct::Byte, std::int64_t{0}, {0x7F, 0x00}},
        {"byte 255", ct::Byte, std::int64_t{255}, {0x7F, 0xFF}},
        {"currency 1.0000",
         ct::Currency,
         std::int64_t{10000},
         {0x7F, 0x80, 0, 0, 0, 0, 0, 0x27, 0x10}},
        {"double 1", ct::Double, 1.0, {0x7F, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}},
        {"double -1", ct::Double, -1.0, {0x7F, 0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"double +0", ct::Double, 0.0, {0x7F, 0x80, 0, 0, 0, 0, 0, 0, 0}},
        {"double smallest", ct::Double, tiny, {0x7F, 0x80, 0, 0, 0, 0, 0, 0, 1}},
        {"single 1", ct::Single, 1.0, {0x7F, 0xBF, 0x80, 0x00, 0x00}},
        {"single -2", ct::Single, -2.0, {0x7F, 0x3F, 0xFF, 0xFF, 0xFF}},
        // 2000-01-01 is day 36526 since 1899-12-30.
        {"date", ct::DateTime, 36526.0, {0x7F, 0xC0, 0xE1, 0xD5, 0xC0, 0, 0, 0, 0}},
        {"yes", ct::Boolean, true, {0x7F, 0x00}},
        {"no", ct::Boolean, false, {0x7F, 0xFF}},
        {"yes/no null is no", ct::Boolean, std::monostate{}, {0x7F, 0xFF}},
        {"long null", ct::Long, std::monostate{}, {0x00}},
        {"text null", ct::Text, std::monostate{}, {0x00}},
        {"text", ct::Text, std::u16string(u"a"), {0x7F, 0x4A, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(key1(c.type, true, c.value), c.ascending);
    }
}

TEST(IndexKey, DescendingInvertsValuesAndUsesItsOwnFlags) {
    EXPECT_EQ(key1(ct::Long, false, std::int64_t{-1}), (Bytes{0x80, 0x80, 0x00, 0x00, 0x00}));
    EXPECT_EQ(key1(ct::Long, false, std::monostate{}), (Bytes{0xFF}));
    EXPECT_EQ(key1(ct::Double, false, -1.0), (Bytes{0x80, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(key1(ct::Byte, false, std::int64_t{1}), (Bytes{0x80, 0xFE}));
    EXPECT_EQ(key1(ct::Boolean, false, true), (Bytes{0x80, 0xFF}));
    EXPECT_EQ(key1(ct::Text, false, std::u16string(u"a")), (Bytes{0x80, 0xB5, 0xFE, 0xFF, 0x00}));
}

TEST(IndexKey, GuidIsWrittenInTextOrderInTwoGroups) {
    // {00112233-4455-6677-8899-AABBCCDDEEFF} as the row stores it.
    const mdb::Guid stored = {{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA,
                               0xBB, 0xCC, 0xDD, 0xEE, 0xFF}};
    EXPECT_EQ(key1(ct::Guid, true, stored),
              (Bytes{0x7F, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x09, 0x88, 0x99, 0xAA,
                     0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x08}));
    EXPECT_EQ(key1(ct::Guid, false, stored),
              (Bytes{0x80, 0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88, 0x09, 0x77, 0x66, 0x55,
                     0x44, 0x33, 0x22, 0x11, 0x00, 0xF7}));
}

TEST(IndexKey, BinaryIsWrittenInGroupsOfEight) {
    struct Case {
        const char* what;
        Bytes value, ascending, descending;
    };
    const Case cases[] = {
        {"empty", {}, {0x7F}, {0x80}},
        {"3 bytes",
         {1, 2, 3},
         {0x7F, 1, 2, 3, 0, 0, 0, 0, 0, 3},
         {0x80, 0xFE, 0xFD, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFC}},
        {"8 bytes",
         Bytes(8, 0x10),
         {0x7F, 16, 16, 16, 16, 16, 16, 16, 16, 8},
         {0x80, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xF7}},
        {"9 bytes",
         Bytes(9, 0x10),
         {0x7F, 16, 16, 16, 16, 16, 16, 16, 16, 9, 16, 0, 0, 0, 0, 0, 0, 0, 1},
         {0x80, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 9, 0xEF, 0xFF, 0xFF, 0xFF, 0xFF,
          0xFF, 0xFF, 0xFF, 0xFE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(key1(ct::Binary, true, c.value), c.ascending);
        EXPECT_EQ(key1(ct::Binary, false, c.value), c.descending);
    }
}

TEST(IndexKey, IgnoreNullsIndexSkipsOnlyAllNullKeys) {
    const mdb::KeyColumn cols[] = {{"a", ct::Text, true, {}}, {"b", ct::Long, true, {}}};
    const mdb::KeyValue allNull[] = {std::monostate{}, std::monostate{}};
    const mdb::KeyValue oneNull[] = {std::monostate{}, std::int64_t{3}};
    EXPECT_FALSE(mdb::indexHasEntryFor(true, cols, allNull));
    EXPECT_TRUE(mdb::indexHasEntryFor(true, cols, oneNull));
    EXPECT_TRUE(mdb::indexHasEntryFor(false, cols, allNull));
    const mdb::KeyColumn yesNo[] = {{"y", ct::Boolean, true, {}}};
    const mdb::KeyValue none[] = {std::monostate{}};
    EXPECT_TRUE(mdb::indexHasEntryFor(true, yesNo, none)) << "Yes/No is never null";
}

// Whatever the values, sorting keys bytewise must give the values' order (reversed when
// descending), nulls first in ascending order and last in descending order.
template <typename T>
void expectKeysSortLikeValues(mdb::ColumnType type, std::vector<T> values) {
    std::sort(values.begin(), values.end());
    for (bool ascending : {true, false}) {
        SCOPED_TRACE(ascending ? "ascending" : "descending");
        for (std::size_t i = 1; i < values.size(); ++i) {
            const Bytes a = key1(type, ascending, values[i - 1]);
            const Bytes b = key1(type, ascending, values[i]);
            if (values[i - 1] == values[i])
                EXPECT_EQ(a, b);
            else if (ascending)
                EXPECT_LT(a, b) << "values " << values[i - 1] << " and " << values[i];
            else
                EXPECT_GT(a, b) << "values " << values[i - 1] << " and " << values[i];
        }
        const Bytes null = key1(type, ascending, std::monostate{});
        const Bytes smallest = key1(type, ascending, values.front());
        if (ascending)
            EXPECT_LT(null, smallest);
        else
            EXPECT_GT(null, smallest);
    }
}

TEST(IndexKey, IntegerKeysSortLikeTheirValues) {
    std::vector<std::int64_t> longs;
    for (int shift = 0; shift < 31; ++shift)
        for (std::int64_t v : {std::int64_t{1} << shift, (std::int64_t{1} << shift) - 1})
            longs.insert(longs.end(), {v, -v, v + 1, -v - 1});
    longs.push_back(INT32_MIN);
    longs.push_back(INT32_MAX);
    expectKeysSortLikeValues(ct::Long, longs);
    expectKeysSortLikeValues(ct::Integer,
                             std::vector<std::int64_t>{-32768, -256, -1, 0, 1, 255, 256, 32767});
    expectKeysSortLikeValues(ct::Byte, std::vector<std::int64_t>{0, 1, 127, 128, 254, 255});
    expectKeysSortLikeValues(
        ct::Currency, std::vector<std::int64_t>{INT64_MIN, -10000, -1, 0, 1, 10000, INT64_MAX});
}

TEST(IndexKey, FloatingKeysSortLikeTheirValues) {
    std::vector<double> values = {-std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::max(),
                                  -1e300,
                                  -1.5,
                                  -1.0,
                                  -std::numeric_limits<double>::denorm_min(),
                                  0.0,
                                  std::numeric_limits<double>::denorm_min(),
                                  1.0,
                                  1.5,
                                  1e300,
                                  std::numeric_limits<double>::infinity()};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> any(-1e6, 1e6);
    for (int i = 0; i < 200; ++i) values.push_back(any(random));
    expectKeysSortLikeValues(ct::Double, values);
    expectKeysSortLikeValues(ct::DateTime, values);
    std::vector<double> singles;
    for (double v : values) {
        // -0 and +0 are equal numbers whose keys differ (-0 sorts first).
        const float f = static_cast<float>(v);
        if (f != 0 || !std::signbit(f)) singles.push_back(f);
    }
    expectKeysSortLikeValues(ct::Single, singles);
}

TEST(IndexKey, MultiColumnKeysConcatenateColumnsInIndexOrder) {
    const mdb::KeyColumn cols[] = {{"name", ct::Text, true, {}}, {"id", ct::Long, false, {}}};
    const mdb::KeyValue values[] = {std::u16string(u"a"), std::int64_t{2}};
    EXPECT_EQ(mdb::buildIndexKey(cols, values),
              (Bytes{0x7F, 0x4A, 0x01, 0x00, 0x80, 0x7F, 0xFF, 0xFF, 0xFD}));
    const mdb::KeyValue nulls[] = {std::monostate{}, std::monostate{}};
    EXPECT_EQ(mdb::buildIndexKey(cols, nulls), (Bytes{0x00, 0xFF}));
}

TEST(IndexKey, RefusesValuesThatDoNotFitTheirColumn) {
    struct Case {
        const char* what;
        mdb::ColumnType type;
        mdb::KeyValue value;
    };
    const Case cases[] = {
        {"byte 256", ct::Byte, std::int64_t{256}},
        {"byte -1", ct::Byte, std::int64_t{-1}},
        {"integer 32768", ct::Integer, std::int64_t{32768}},
        {"long 2^31", ct::Long, std::int64_t{1} << 31},
        {"text in a long", ct::Long, std::u16string(u"1")},
        {"number in a text", ct::Text, std::int64_t{1}},
        {"bool in a long", ct::Long, true},
        {"double in a long", ct::Long, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(key1(c.type, true, c.value), std::invalid_argument);
    }
}

TEST(IndexKey, SaysWhyAnIndexCannotBeMaintained) {
    using testing::HasSubstr;
    const mdb::KeyColumn fine[] = {{"a", ct::Text, true, {1033, 0}}, {"b", ct::Guid, false, {}}};
    EXPECT_EQ(mdb::whyIndexCannotBeMaintained(fine), std::nullopt);
    const mdb::KeyColumn otherOrder[] = {{"Nome", ct::Text, true, {1040, 0}}};
    EXPECT_THAT(mdb::whyIndexCannotBeMaintained(otherOrder).value_or(""),
                HasSubstr("column 'Nome' uses the text sort order 1040 version 0"));
    const mdb::KeyColumn newGeneral[] = {{"Nome", ct::Text, true, {1033, 1}}};
    EXPECT_NE(mdb::whyIndexCannotBeMaintained(newGeneral), std::nullopt);
    const mdb::KeyColumn ole[] = {{"Foto", ct::Ole, true, {}}};
    EXPECT_THAT(mdb::whyIndexCannotBeMaintained(ole).value_or(""),
                HasSubstr("column 'Foto' has a type (code 11)"));
    const mdb::KeyColumn numeric[] = {{"Importo", ct::Numeric, true, {}}};
    EXPECT_THAT(mdb::whyIndexCannotBeMaintained(numeric).value_or(""),
                HasSubstr("column 'Importo' has a type (code 16)"));
    EXPECT_NE(mdb::whyIndexCannotBeMaintained({}), std::nullopt);
}

TEST(IndexKey, RowPointerIsBigEndianPageThenRow) {
    Bytes out;
    mdb::appendRowPointer(out, {0x012345, 7});
    EXPECT_EQ(out, (Bytes{0x01, 0x23, 0x45, 0x07}));
    EXPECT_THROW(mdb::appendRowPointer(out, {1u << 24, 0}), std::invalid_argument);
}

}  // namespace
