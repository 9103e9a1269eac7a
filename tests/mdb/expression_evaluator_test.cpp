// Defaults and validation rules as Access users write them, parsed and evaluated on one row.
#include "rules/expression_evaluator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mdb/error.h"
#include "rules/expression_date.h"

namespace {

using mdb::ExpressionUse;
using mdb::Value;
constexpr ExpressionUse kColumn = ExpressionUse::ColumnRule;
constexpr ExpressionUse kTable = ExpressionUse::TableRule;
constexpr ExpressionUse kDefault = ExpressionUse::DefaultValue;

// The row the expressions see: n Double, t Text, d DateTime, b Yes/No, "id doc", lo, hi Long.
enum Col : std::size_t { N, T, D, B, IdDoc, Lo, Hi };
const std::vector<std::string> kColumns = {"n", "t", "d", "b", "id doc", "lo", "hi"};

struct RowValues {
    Value n = {}, t = {}, d = {}, b = false, idDoc = {}, lo = {}, hi = {};
};

mdb::DateTime date(int y, int m, int d, int seconds = 0) {
    return *mdb::makeDate(y, m, d, seconds);
}
const mdb::DateTime kNow = date(2024, 1, 1, 13 * 3600 + 14 * 60 + 15);

std::string describe(const mdb::ExprValue& v) {
    if (mdb::isNull(v)) return "Null";
    if (const auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
    if (const auto* d = std::get_if<double>(&v)) return "n:" + mdb::textOf(*d);
    if (const auto* t = std::get_if<mdb::DateTime>(&v)) return "d:" + mdb::dateText(*t);
    return "t:" + std::get<std::string>(v);
}

mdb::ExprValue run(const std::string& text, ExpressionUse use, std::size_t self,
                   const RowValues& r) {
    mdb::ExpressionScope scope;
    if (use != kDefault) scope.columns = kColumns;
    scope.self = self;
    const mdb::ExprNode e = mdb::parseExpression(text, use, scope);
    const std::vector<Value> row = {r.n, r.t, r.d, r.b, r.idDoc, r.lo, r.hi};
    return mdb::evaluate(e, {row, kNow});
}

struct Case {
    const char* text;
    ExpressionUse use;
    std::size_t self;
    RowValues row;
    const char* expected;
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(describe(run(c.text, c.use, c.self, c.row)), c.expected);
    }
}

Value text(const char* s) { return std::string(s); }

TEST(Expression, ColumnRulesWithTheirLeftSideLeftOut) {
    check({
        {"> 0", kColumn, N, {.n = 5.0}, "True"},
        {"> 0", kColumn, N, {.n = 0.0}, "False"},
        {"> 0", kColumn, N, {}, "Null"},  // Null passes a rule in Access
        {">=0 And <100", kColumn, N, {.n = 100.0}, "False"},
        {">=0 And <100", kColumn, N, {.n = 50.0}, "True"},
        {"=0 Or >10", kColumn, N, {.n = 5.0}, "False"},
        {"Between 1 And 10", kColumn, N, {.n = 10.0}, "True"},
        {"Between 1 And 10", kColumn, N, {.n = 10.5}, "False"},
        {"Between 1 And 10", kColumn, N, {}, "Null"},
        {"Between 10 And 1", kColumn, N, {.n = 5.0}, "True"},  // Jet takes either order
        {"Not Between 1 And 10", kColumn, N, {.n = 11.0}, "True"},
        {"Between -5 And -1", kColumn, N, {.n = -3.0}, "True"},
        {"In (1, 2, 3)", kColumn, N, {.n = 2.0}, "True"},
        {"In (1, 2, 3)", kColumn, N, {.n = 4.0}, "False"},
        {"Not In (1,2)", kColumn, N, {.n = 4.0}, "True"},
        {"Not In (1,2)", kColumn, N, {.n = 1.0}, "False"},
        {"In (1, Null)", kColumn, N, {.n = 4.0}, "Null"},
        {"In (1, Null)", kColumn, N, {.n = 1.0}, "True"},
        {"Like 'A*'", kColumn, T, {.t = text("abc")}, "True"},
        {"Like \"A*\"", kColumn, T, {.t = text("bcd")}, "False"},
        {"Like 'A*'", kColumn, T, {}, "Null"},
        {"Not Like \"A*\"", kColumn, T, {.t = text("bcd")}, "True"},
        {"Is Not Null", kColumn, T, {}, "False"},
        {"Is Not Null", kColumn, T, {.t = text("")}, "True"},
        {"Is Null", kColumn, T, {}, "True"},
        {"<> ''", kColumn, T, {.t = text("")}, "False"},
        {"<> ''", kColumn, T, {.t = text("x")}, "True"},
        {"<> \"\"", kColumn, T, {}, "Null"},
        {"Not Null", kColumn, T, {}, "False"},  // Access reads it as Is Not Null
        {"Not Null", kColumn, T, {.t = text("x")}, "True"},
        {"'M' Or 'F'", kColumn, T, {.t = text("m")}, "True"},  // bare values compare
        {"'M' Or 'F'", kColumn, T, {.t = text("x")}, "False"},
        {"=\"abc\"", kColumn, T, {.t = text("ABC")}, "True"},  // text ignores case
        {"Len([t]) > 3", kColumn, T, {.t = text("abcd")}, "True"},
        {"Len(Trim([t]))>0", kColumn, T, {.t = text("   ")}, "False"},
        {"Is Not Null And <> ''", kColumn, T, {.t = text("")}, "False"},
        {"> 0", kColumn, IdDoc, {.idDoc = std::int32_t{7}}, "True"},
        {">= #1/1/2020#", kColumn, D, {.d = date(2019, 12, 31)}, "False"},
        {"<= Date()", kColumn, D, {.d = date(2024, 1, 1, 60)}, "False"},  // today after midnight
        {"<= Now()", kColumn, D, {.d = date(2024, 1, 1, 60)}, "True"},
    });
}

TEST(Expression, TableRulesCompareColumnsOfTheRow) {
    check({
        {"[lo] <= [hi]", kTable, 0, {.lo = std::int32_t{1}, .hi = std::int32_t{2}}, "True"},
        {"[lo] <= [hi]", kTable, 0, {.lo = std::int32_t{3}, .hi = std::int32_t{2}}, "False"},
        {"[lo] <= [hi]", kTable, 0, {.hi = std::int32_t{2}}, "Null"},
        {"lo < hi", kTable, 0, {.lo = std::int32_t{1}, .hi = std::int32_t{2}}, "True"},  // bare
        {"[N] Between [lo] And [hi]",
         kTable,
         0,
         {.n = 5.0, .lo = std::int32_t{1}, .hi = std::int32_t{9}},
         "True"},
        {"[id doc] > 0 Or [t] Is Not Null", kTable, 0, {.idDoc = std::int32_t{0}}, "False"},
        {"[id doc] > 0 Or [t] Is Not Null", kTable, 0, {.t = text("")}, "True"},
        {"Not ([n] > 5)", kTable, 0, {.n = 6.0}, "False"},
        {"[b] = True", kTable, 0, {.b = true}, "True"},
        {"[b] = -1", kTable, 0, {.b = true}, "True"},  // True is -1
        {"[b]", kTable, 0, {.b = false}, "False"},
        {"[d] >= #1/1/2020#", kTable, 0, {.d = date(2020, 6, 1)}, "True"},
        {"[d] > Date()", kTable, 0, {.d = date(2023, 12, 31)}, "False"},
        {"[d] - #1/1/2020# = 31", kTable, 0, {.d = date(2020, 2, 1)}, "True"},
        {"[d] > #1/1/1800#", kTable, 0, {.d = date(1899, 12, 29, 18 * 3600)}, "True"},
        {"[n] * 2 + 1 = 7", kTable, 0, {.n = 3.0}, "True"},
        {"-[n] < 0", kTable, 0, {.n = 3.0}, "True"},
        {"[n] / 2 = 1.5", kTable, 0, {.n = 3.0}, "True"},
        {"[n] + 1", kTable, 0, {}, "Null"},
        {"[t] & 'x' = 'abx'", kTable, 0, {.t = text("ab")}, "True"},
        {"[t] & 'x'", kTable, 0, {}, "t:x"},  // & treats Null as ""
        {"[t] + 'x'", kTable, 0, {.t = text("a")}, "t:ax"},
        {"[t] > 5", kTable, 0, {.t = text("10")}, "True"},  // a number in a text
        {"[t] = #1/2/2020#", kTable, 0, {.t = text("2020-01-02")}, "True"},
        {"Null And False", kTable, 0, {}, "False"},
        {"Null And True", kTable, 0, {}, "Null"},
        {"Null Or True", kTable, 0, {}, "True"},
        {"Null Or False", kTable, 0, {}, "Null"},
        {"Not Null", kTable, 0, {}, "Null"},  // only a column's rule reads it as Is Not Null
        {"5 And 2", kTable, 0, {}, "n:0"},    // And of numbers is bitwise
        {"5 Or 2", kTable, 0, {}, "n:7"},
        {"Not 0", kTable, 0, {}, "n:-1"},
        {"1 = 1 And (2 < 1 Or 3 > 2)", kTable, 0, {}, "True"},
        {"Year([d]) = 2020 And Month([d]) = 6 And Day([d]) = 1",
         kTable,
         0,
         {.d = date(2020, 6, 1)},
         "True"},
        {"IsNull([t])", kTable, 0, {}, "True"},
        {"Left([t], 2) & Right([t], 1) & Mid([t], 2, 1) & Mid([t], 3)",
         kTable,
         0,
         {.t = text("abcd")},
         "t:abdbcd"},
        {"Len([t])", kTable, 0, {.t = text("città")}, "n:5"},  // characters, not bytes
        {"LTrim(' a ') & RTrim(' b ') & '|'", kTable, 0, {}, "t:a  b|"},
    });
}

TEST(Expression, DefaultValues) {
    check({
        {"0", kDefault, 0, {}, "n:0"},
        {"=0", kDefault, 0, {}, "n:0"},
        {"\"x\"", kDefault, 0, {}, "t:x"},
        {"'it''s'", kDefault, 0, {}, "t:it's"},
        {"\"say \"\"hi\"\"\"", kDefault, 0, {}, "t:say \"hi\""},
        {"Yes", kDefault, 0, {}, "True"},
        {"No", kDefault, 0, {}, "False"},
        {"false", kDefault, 0, {}, "False"},
        {"Null", kDefault, 0, {}, "Null"},
        {"Date()", kDefault, 0, {}, "d:1/1/2024"},
        {"Now()", kDefault, 0, {}, "d:1/1/2024 13:14:15"},
        {"Time()", kDefault, 0, {}, "d:13:14:15"},
        {"=Date()+30", kDefault, 0, {}, "d:1/31/2024"},
        {"-1.5", kDefault, 0, {}, "n:-1.5"},
        {"1E3", kDefault, 0, {}, "n:1000"},
        {".5", kDefault, 0, {}, "n:0.5"},
        {"#2/3/2021#", kDefault, 0, {}, "d:2/3/2021"},
    });
}

TEST(Expression, FormsBeyondTheLanguageAreRefusedWhileParsing) {
    struct Bad {
        const char* text;
        ExpressionUse use;
    };
    const Bad cases[] = {
        {"[Forms]![Main]![x]", kTable},
        {"DLookUp(\"a\",\"b\")", kTable},
        {"5 Mod 2 = 1", kTable},
        {"2 ^ 3 = 8", kTable},
        {"[n] \\ 2 = 1", kTable},
        {"1 Xor 0", kTable},
        {"[nosuch] > 0", kTable},
        {"[T].[n] > 0", kTable},
        {"> 0", kTable},  // only a column's rule may leave out its left side
        {"> 0 And", kColumn},
        {"Between 1", kColumn},
        {"In 1, 2", kColumn},
        {"Is 5", kColumn},
        {"'abc", kColumn},
        {"#13/45/2020#", kColumn},
        {"[n", kTable},
        {"[n] @ 2", kTable},
        {"", kColumn},
        {"   ", kDefault},
        {"Len(1, 2)", kTable},
        {"Date(1)", kDefault},
        {"[n]", kDefault},  // a default cannot read the row
        {"n", kDefault},
        {"1 2", kDefault},
        {"12abc", kDefault},
        {"Not", kTable},
        {"(1", kTable},
    };
    mdb::ExpressionScope scope{kColumns, N};
    for (const Bad& b : cases) {
        SCOPED_TRACE(b.text);
        try {
            (void)mdb::parseExpression(b.text, b.use, scope);
            ADD_FAILURE() << "parsed";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Unsupported) << e.what();
        }
    }
}

TEST(Expression, ParseErrorsSayWhatAndWhere) {
    mdb::ExpressionScope scope{kColumns, N};
    auto message = [&](const char* text, ExpressionUse use) {
        try {
            (void)mdb::parseExpression(text, use, scope);
        } catch (const mdb::Error& e) {
            return std::string(e.what());
        }
        return std::string("parsed");
    };
    EXPECT_EQ(message("DLookUp(1)", kTable), "the function DLookUp is not supported (character 1)");
    EXPECT_EQ(message("[x] > 0", kTable), "the table has no field named x");
    EXPECT_EQ(message("> 0 And", kColumn), "a value expected before 'the end'");
    EXPECT_EQ(message("'abc", kColumn), "a text without its closing quote at character 1");
    EXPECT_EQ(message("[n] Mod 2", kTable), "the operator Mod is not supported (character 5)");
}

TEST(Expression, ValuesOfTheWrongKindFailWhenEvaluated) {
    const struct {
        const char* text;
        RowValues row;
    } cases[] = {
        {"[t] > 5", {.t = text("abc")}},      // a text that is no number
        {"[n] / 0 = 1", {.n = 1.0}},          // division by zero
        {"[t] Like '[a'", {.t = text("a")}},  // an unclosed set
        {"[d] And True", {.d = date(2020, 1, 1)}},
        {"Left([t], -1) = ''", {.t = text("a")}},
        {"Year([t]) = 1", {.t = text("abc")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_THROW(run(c.text, kTable, 0, c.row), mdb::Error);
    }
}

}  // namespace
