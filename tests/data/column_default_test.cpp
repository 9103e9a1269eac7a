#include "data/column_default.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using mdb::ColumnType;
using mdb::Value;

mdb::Column column(ColumnType type, std::optional<std::string> defaultValue) {
    mdb::Column c;
    c.name = "c";
    c.type = type;
    c.properties.defaultValue = std::move(defaultValue);
    return c;
}

TEST(ColumnDefault, EvaluatesTheExpressionsATableDesignerWrites) {
    const mdb::DateTime now{45000.75};  // an afternoon
    struct Case {
        const char* label;
        ColumnType type;
        std::optional<std::string> expression;
        std::optional<Value> value;
    };
    const Case cases[] = {
        {"none", ColumnType::Long, std::nullopt, std::nullopt},
        {"zero", ColumnType::Long, "0", Value(std::int32_t{0})},
        {"with =", ColumnType::Double, "=12", Value(std::int32_t{12})},
        {"decimal", ColumnType::Double, "-1.5", Value(-1.5)},
        {"plus", ColumnType::Currency, "+3", Value(std::int32_t{3})},
        {"number into text", ColumnType::Text, "0", Value(std::string("0"))},
        {"quoted", ColumnType::Text, "\"Roma\"", Value(std::string("Roma"))},
        {"single quotes, doubled inside", ColumnType::Memo, "'l''aria'",
         Value(std::string("l'aria"))},
        {"quoted into a number", ColumnType::Long, "\"12\"", std::nullopt},
        {"yes", ColumnType::Boolean, "Yes", Value(true)},
        {"false", ColumnType::Boolean, "false", Value(false)},
        {"true into a number", ColumnType::Integer, "True", Value(std::int32_t{-1})},
        {"null", ColumnType::Long, "Null", std::nullopt},
        {"now", ColumnType::DateTime, "=Now()", Value(now)},
        {"date", ColumnType::DateTime, "date()", Value(mdb::DateTime{45000})},
        {"time", ColumnType::DateTime, "Time()", Value(mdb::DateTime{0.75})},
        {"unknown function", ColumnType::Guid, "GenGUID()", std::nullopt},
        {"calculation", ColumnType::Long, "1+1", std::nullopt},
        {"text into a date", ColumnType::DateTime, "\"x\"", std::nullopt},
        {"blank", ColumnType::Long, "  ", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(data::columnDefault(column(c.type, c.expression), now), c.value);
    }
}

TEST(ColumnDefault, LocalNowIsAfter2020) {
    const double days = data::localNow().days;
    EXPECT_GT(days, 43831);   // 1 January 2020
    EXPECT_LT(days, 100000);  // not centuries off
}

}  // namespace
