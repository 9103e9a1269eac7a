// A field's value as the engine receives it: every kind, UTF-16 texts that are not plain ASCII,
// and a value stored over an earlier one, as a dataset does from row to row.
#include "data/column_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ColumnValue, EveryKindBecomesTheEnginesValue) {
    EXPECT_EQ(data::columnValueOf(std::monostate{}), mdb::Value(std::monostate{}));
    EXPECT_EQ(data::columnValueOf(std::int32_t{-7}), mdb::Value(std::int32_t{-7}));
    EXPECT_EQ(data::columnValueOf(2.5), mdb::Value(2.5));
    EXPECT_EQ(data::columnValueOf(data::DateTime{45000.25}), mdb::Value(mdb::DateTime{45000.25}));
    EXPECT_EQ(data::columnValueOf(std::u16string(u"Citt\u00e0 \u20ac")),
              mdb::Value(std::string("Citt\xc3\xa0 \xe2\x82\xac")));
}

TEST(ColumnValue, SurrogatesBecomeOneCharacterOrTheReplacementCharacter) {
    EXPECT_EQ(data::utf8Of(u"a\U0001F600b"),
              "a\xf0\x9f\x98\x80"
              "b");
    EXPECT_EQ(data::utf8Of(std::u16string(1, char16_t{0xD800}) + u"x"), "\xef\xbf\xbdx");
    EXPECT_EQ(data::utf8Of(u"x" + std::u16string(1, char16_t{0xDC00})), "x\xef\xbf\xbd");
}

TEST(ColumnValue, AValueStoredOverAnotherLeavesNothingOfIt) {
    // A row's values are reused: each must read exactly as a fresh conversion would.
    const std::vector<data::FieldValue> sequence = {
        std::u16string(u"Via Roma 12 - Bologna"),
        std::u16string(u"Cant\u00f9"),
        std::u16string(u""),
        std::int32_t{4},
        std::u16string(u"mq"),
        std::monostate{},
        std::u16string(u"una descrizione molto pi\u00f9 lunga della precedente"),
        1.25};
    mdb::Value reused = std::string("testo rimasto da una riga precedente, piuttosto lungo");
    for (const data::FieldValue& value : sequence) {
        data::storeColumnValue(value, reused);
        EXPECT_EQ(reused, data::columnValueOf(value));
    }
}

}  // namespace
