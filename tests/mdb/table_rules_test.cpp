// The rules a table's design puts on its rows, on databases made with the engine: for each, a
// row that passes, a row refused with the provider's exact message, and verify and mdb-export
// showing nothing of the refused rows.
#include "rules/table_rules.h"

#include <gtest/gtest.h>

#include "database/table_writer.h"
#include "mdb/delete_statement.h"
#include "rules/database_rules.h"
#include "rules/expression_date.h"
#include "rules_check.h"

namespace {

using mdb::ColumnType;
using mdb::Value;
using rules_check::refusal;

// Column properties with every field optional, for designated initializers.
struct Props {
    std::optional<bool> required = {};
    std::optional<bool> allowZeroLength = {};
    std::optional<std::string> defaultValue = {};
    std::optional<std::string> validationRule = {};
    std::optional<std::string> validationText = {};
};

mdb::ColumnSchema column(std::string name, ColumnType type, const Props& p = {},
                         std::uint16_t size = 0) {
    mdb::ColumnSchema c;
    c.name = std::move(name);
    c.type = type;
    c.size = size != 0 ? size : (type == ColumnType::Text ? 255 : 0);
    c.properties.required = p.required;
    c.properties.allowZeroLength = p.allowZeroLength;
    c.properties.defaultValue = p.defaultValue;
    c.properties.validationRule = p.validationRule;
    c.properties.validationText = p.validationText;
    return c;
}

// A header table as the office's database might have it, with a rule on most columns.
mdb::TableSchema testate() {
    mdb::ColumnSchema id = column("ID", ColumnType::Long);
    id.autoNumber = true;
    mdb::TableSchema t;
    t.name = "Testate";
    t.columns = {
        id,
        column("contribuente", ColumnType::Text, {.required = true, .allowZeroLength = false}),
        column("iva", ColumnType::Double, {.defaultValue = "0"}),
        column(
            "imponibile", ColumnType::Double,
            {.validationRule = ">= 0", .validationText = "L'imponibile non può essere negativo"}),
        column("codice fiscale", ColumnType::Text,
               {.validationRule = "Is Null Or Len([codice fiscale]) = 16"}),
        column("data doc", ColumnType::DateTime, {.defaultValue = "=Date()"}),
        column("num doc", ColumnType::Long, {.validationRule = "Between 1 And 999999"}),
        column("stato", ColumnType::Text,
               {.defaultValue = "\"A\"", .validationRule = "In ('A','S')"}, 1),
        column("da", ColumnType::Long),
        column("a", ColumnType::Long),
    };
    return t;
}

// A row of Testate: the columns given are assigned, the others are not.
struct Post {
    std::map<std::string, Value> assigned;
};

mdb::RowPosition post(mdb::Database& db, const Post& p) {
    mdb::Table& table = db.table("Testate");
    std::vector<Value> values(table.columns().size());
    std::vector<bool> assigned(values.size(), false);
    for (const auto& [name, value] : p.assigned) {
        const std::size_t i = table.findColumn(name).value();
        values[i] = value;
        assigned[i] = true;
    }
    return db.writer("Testate").insert(values, assigned);
}

TEST(TableRules, EachRuleLetsAGoodRowInAndRefusesABadOneWithTheProvidersMessage) {
    rules_check::NewDatabase file({testate()});
    rules_check::setTableProperties(file.path(), "Testate",
                                    {{"ValidationRule", "[da] <= [a] Or [da] Is Null"}});
    struct Case {
        const char* label;
        Post row;
        const char* refused;  // "" when the row passes
    };
    const Value name = std::string("Rossi");
    const Case cases[] = {
        {"ok minimal", {{{"contribuente", name}}}, ""},
        {"Required refuses Null",
         {{{"contribuente", Value{}}}},
         "The field 'Testate.contribuente' cannot contain a Null value because the Required "
         "property for this field is set to True. Enter a value in this field"},
        {"Required refuses a column never assigned",
         {{{"iva", 1.0}}},
         "The field 'Testate.contribuente' cannot contain a Null value because the Required "
         "property for this field is set to True. Enter a value in this field"},
        {"AllowZeroLength No refuses \"\"",
         {{{"contribuente", std::string()}}},
         "Field 'Testate.contribuente' cannot be a zero-length string"},
        {"a blank is not a zero-length string", {{{"contribuente", std::string(" ")}}}, ""},
        {"ValidationText is the message",
         {{{"contribuente", name}, {"imponibile", -0.01}}},
         "L'imponibile non può essere negativo"},
        {"the rule's boundary passes", {{{"contribuente", name}, {"imponibile", 0.0}}}, ""},
        {"Null passes a rule", {{{"contribuente", name}, {"imponibile", Value{}}}}, ""},
        {"a rule with functions, no ValidationText",
         {{{"contribuente", name}, {"codice fiscale", std::string("RSSMRA80A01")}}},
         "One or more values are prohibited by the validation rule 'Is Null Or Len([codice "
         "fiscale]) = 16' set for 'Testate.codice fiscale'. Enter a value that the expression "
         "for this field can accept"},
        {"16 characters pass",
         {{{"contribuente", name}, {"codice fiscale", std::string("RSSMRA80A01H501U")}}},
         ""},
        {"Between refuses 0",
         {{{"contribuente", name}, {"num doc", std::int32_t{0}}}},
         "One or more values are prohibited by the validation rule 'Between 1 And 999999' set "
         "for 'Testate.num doc'. Enter a value that the expression for this field can accept"},
        {"In refuses what is not listed",
         {{{"contribuente", name}, {"stato", std::string("X")}}},
         "One or more values are prohibited by the validation rule 'In ('A','S')' set for "
         "'Testate.stato'. Enter a value that the expression for this field can accept"},
        {"In ignores case", {{{"contribuente", name}, {"stato", std::string("s")}}}, ""},
        {"the table's rule compares two columns",
         {{{"contribuente", name}, {"da", std::int32_t{5}}, {"a", std::int32_t{4}}}},
         "One or more values are prohibited by the validation rule '[da] <= [a] Or [da] Is "
         "Null' set for 'Testate'. Enter a value that the expression for this field can accept"},
        {"the table's rule passes",
         {{{"contribuente", name}, {"da", std::int32_t{4}}, {"a", std::int32_t{5}}}},
         ""},
    };
    std::size_t stored = 0;
    {
        auto db = file.open();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            EXPECT_EQ(refusal([&] { post(*db, c.row); }), c.refused);
            if (std::string(c.refused).empty()) ++stored;
        }
        EXPECT_EQ(db->table("Testate").rowCount(), stored);
    }
    rules_check::expectVerified(file.path());
    if (!write_check::haveMdbtools()) return;
    // mdbtools reads the table's own rule where Access keeps it.
    const std::optional<std::string> props =
        write_check::run("mdb-prop " + write_check::shellQuote(file.path()) + " Testate");
    ASSERT_TRUE(props);
    EXPECT_NE(props->find("ValidationRule: [da] <= [a] Or [da] Is Null"), std::string::npos)
        << *props;
    // Every stored row is a passing one: the refused rows' values appear nowhere.
    const std::vector<std::string> imponibile =
        rules_check::mdbExportColumn(file.path(), "Testate", "imponibile");
    EXPECT_EQ(imponibile.size(), stored);
    for (const std::string& v : imponibile) EXPECT_TRUE(v.empty() || v == "0") << v;
    for (const char* col : {"stato", "num doc", "codice fiscale", "contribuente"}) {
        for (const std::string& v : rules_check::mdbExportColumn(file.path(), "Testate", col)) {
            SCOPED_TRACE(col);
            EXPECT_NE(v, "X");
            EXPECT_NE(v, "RSSMRA80A01");
            EXPECT_NE(v, "");  // contribuente was never stored empty; stato always has its default
        }
        if (std::string(col) == "stato") break;
    }
}

TEST(TableRules, ColumnsNeverAssignedGetTheirDefaultsAndAnAssignedNullStaysNull) {
    rules_check::NewDatabase file({testate()});
    {
        auto db = file.open();
        const mdb::DateTime today = *mdb::makeDate(2024, 3, 15);
        db->rules().setClockForTesting([&] { return mdb::DateTime{today.days + 0.5}; });
        post(*db, {{{"contribuente", std::string("default")}}});
        post(*db, {{{"contribuente", std::string("assigned null")},
                    {"iva", Value{}},
                    {"data doc", Value{}},
                    {"stato", Value{}}}});
    }
    auto db = mdb::Database::open(file.path(), mdb::OpenMode::ReadOnly);
    mdb::Table& t = db->table("Testate");
    std::map<std::string, std::vector<Value>> byName;
    for (mdb::Table::Cursor c = t.scan(); c.next();)
        byName[std::get<std::string>(c.value(*t.findColumn("contribuente")))] = c.values();
    const std::vector<Value>& d = byName.at("default");
    EXPECT_EQ(d[*t.findColumn("iva")], Value(0.0));  // Access's "0" on a Number column
    EXPECT_EQ(d[*t.findColumn("data doc")], Value(*mdb::makeDate(2024, 3, 15)));  // Date()
    EXPECT_EQ(d[*t.findColumn("stato")], Value(std::string("A")));
    EXPECT_EQ(d[*t.findColumn("num doc")], Value());  // no default: Null
    const std::vector<Value>& n = byName.at("assigned null");
    EXPECT_EQ(n[*t.findColumn("iva")], Value());
    EXPECT_EQ(n[*t.findColumn("data doc")], Value());
    EXPECT_EQ(n[*t.findColumn("stato")], Value());  // In ('A','S') is Null for Null: it passes
    rules_check::expectVerified(file.path());
    if (write_check::haveMdbtools()) {
        EXPECT_EQ(rules_check::mdbExportColumn(file.path(), "Testate", "iva"),
                  (std::vector<std::string>{"0", ""}));
    }
}

TEST(TableRules, DefaultsTakeTheColumnsKind) {
    mdb::TableSchema t;
    t.name = "T";
    t.columns = {
        column("long from two and a half", ColumnType::Long,
               {.defaultValue = "2.5"}),  // halves to even
        column("text from 0", ColumnType::Text, {.defaultValue = "0"}),
        column("yes", ColumnType::Boolean, {.defaultValue = "Yes"}),
        column("date text", ColumnType::DateTime, {.defaultValue = "#1/31/2020#"}),
        column("money", ColumnType::Currency, {.defaultValue = "1.2345"}),
        column("quoted", ColumnType::Memo, {.defaultValue = "'it''s'"}),
    };
    rules_check::NewDatabase file({t});
    {
        auto db = file.open();
        std::vector<Value> row(t.columns.size());
        db->writer("T").insert(row, std::vector<bool>(row.size(), false));
    }
    auto db = mdb::Database::open(file.path(), mdb::OpenMode::ReadOnly);
    mdb::Table::Cursor c = db->table("T").scan();
    ASSERT_TRUE(c.next());
    EXPECT_EQ(c.value(0), Value(std::int32_t{2}));
    EXPECT_EQ(c.value(1), Value(std::string("0")));
    EXPECT_EQ(c.value(2), Value(true));
    EXPECT_EQ(c.value(3), Value(*mdb::makeDate(2020, 1, 31)));
    EXPECT_EQ(c.value(4), Value(mdb::Currency{12345}));
    EXPECT_EQ(c.value(5), Value(std::string("it's")));
}

TEST(TableRules, AnExpressionBeyondTheEngineRefusesEveryWriteToTheTableBeforeAnythingChanges) {
    mdb::TableSchema t;
    t.name = "T";
    t.columns = {column("n", ColumnType::Long, {.validationRule = "> DLookUp(\"x\", \"y\")"}),
                 column("m", ColumnType::Long)};
    mdb::TableSchema other;
    other.name = "U";
    other.columns = {column("n", ColumnType::Long, {.defaultValue = "[m] + 1"}),
                     column("m", ColumnType::Long)};
    rules_check::NewDatabase file({t, other});
    {
        // Rows put there before the rule (the rule is what the engine cannot read, not the rows).
        auto db = file.open();
        db->writer("T").setGuard(nullptr);
        db->writer("T").insert({std::int32_t{1}, std::int32_t{1}});
    }
    const std::string refusedT =
        "Cannot change table 'T': the validation rule '> DLookUp(\"x\", \"y\")' set for 'T.n' "
        "is an expression this program cannot evaluate (the function DLookUp is not supported "
        "(character 3))";
    auto db = file.open();
    mdb::Table& table = db->table("T");
    EXPECT_EQ(refusal([&] { db->writer("T").insert({std::int32_t{5}, Value{}}); }), refusedT);
    EXPECT_EQ(refusal([&] { db->writer("T").remove(table.rowPositions().front()); }), refusedT);
    EXPECT_EQ(refusal([&] { mdb::executeStatement(*db, "delete from T"); }), refusedT);
    EXPECT_EQ(refusal([&] {
                  db->writer("U").insert({Value{}, Value{}}, {false, true});
              }),
              "Cannot change table 'U': the default value '[m] + 1' set for 'U.n' is an "
              "expression this program cannot evaluate (a default value cannot use the name m)");
    db.reset();
    EXPECT_EQ(write_check::readRows(file.path(), "T").size(), 1u);
    EXPECT_EQ(write_check::readRows(file.path(), "U").size(), 0u);
    rules_check::expectVerified(file.path());
}

TEST(TableRules, ARuleThatCannotBeAppliedToTheRowRefusesItNamingTheRule) {
    mdb::TableSchema t;
    t.name = "T";
    t.columns = {column("code", ColumnType::Text, {.validationRule = "> 10"})};
    rules_check::NewDatabase file({t});
    auto db = file.open();
    EXPECT_EQ(refusal([&] { db->writer("T").insert({std::string("20")}); }), "");
    EXPECT_EQ(refusal([&] { db->writer("T").insert({std::string("abc")}); }),
              "The validation rule '> 10' set for 'T.code' cannot be applied to this row: Data "
              "type mismatch: cannot compare 'abc' with '10'");
    EXPECT_EQ(db->table("T").rowCount(), 1u);
}

}  // namespace
