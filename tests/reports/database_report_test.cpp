// The reports read from a database file through the engine: which tables and columns they need,
// and how its values become the rows the reports show.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "data/user_error.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "reports/column_reader.h"
#include "reports/database_roll_source.h"
#include "reports/report.h"
#include "reports/report_support.h"

using reports::ColumnKind;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

std::string fixture(const char* name) {
    return std::string(BRELVANO_SHARED_DIR "/fixtures/mdb/") + name;
}

bool haveFixtures() { return std::filesystem::is_directory(BRELVANO_SHARED_DIR "/fixtures/mdb"); }

}  // namespace

TEST(DatabaseReport, ADatabaseWithoutTheRollsTablesNamesTheMissingTable) {
    if (!haveFixtures()) GTEST_SKIP() << "no fixtures";
    testing_support::ensureGuiApplication();
    for (const auto kind : {reports::ReportKind::Roll, reports::ReportKind::ItemTotals}) {
        SCOPED_TRACE(reports::reportName(kind));
        EXPECT_THAT(
            [&] { reports::buildReport(kind, fixture("empty.mdb")); },
            ThrowsMessage<data::UserError>(StrEq("La banca dati non contiene la tabella Testate")));
    }
}

TEST(DatabaseReport, AFileThatCannotBeOpenedIsTheEnginesError) {
    testing_support::ensureGuiApplication();
    EXPECT_THROW(reports::buildReport(reports::ReportKind::Roll, "/no/such/ruolo.mdb"), mdb::Error);
}

// testV2003.mdb's Table1: A Text, B Text, C Byte, D Integer, E Long Integer, F Double,
// G DateTime, H Currency, I Yes/No; first row "abcdefg", "hijklmnop", 2, 222, 333333333,
// 444.555, 1974-09-21, 3.5, true.
TEST(ColumnReader, AcceptsTheColumnTypesEachKindIsReadFrom) {
    if (!haveFixtures()) GTEST_SKIP() << "no fixtures";
    const auto db = mdb::Database::open(fixture("testV2003.mdb"), mdb::OpenMode::ReadOnly);
    const mdb::Table& t = db->table("Table1");
    struct Case {
        const char* column;
        ColumnKind kind;
        const char* refusal;  // nullptr: accepted
    };
    const Case cases[] = {
        {"a", ColumnKind::Text, nullptr},  // names ignore case
        {"B", ColumnKind::Text, nullptr},
        {"C", ColumnKind::Integer, nullptr},
        {"D", ColumnKind::Integer, nullptr},
        {"E", ColumnKind::Integer, nullptr},
        {"F", ColumnKind::Number, nullptr},
        {"H", ColumnKind::Number, nullptr},
        {"G", ColumnKind::Date, nullptr},
        {"A", ColumnKind::Integer,
         "La colonna \"A\" della tabella Table1 ha un tipo non adatto (Text)"},
        {"F", ColumnKind::Integer,
         "La colonna \"F\" della tabella Table1 ha un tipo non adatto (Double)"},
        {"E", ColumnKind::Number,
         "La colonna \"E\" della tabella Table1 ha un tipo non adatto (Long Integer)"},
        {"G", ColumnKind::Text,
         "La colonna \"G\" della tabella Table1 ha un tipo non adatto (DateTime)"},
        {"I", ColumnKind::Integer,
         "La colonna \"I\" della tabella Table1 ha un tipo non adatto (Boolean)"},
        {"imponibile", ColumnKind::Number, "La tabella Table1 non ha la colonna \"imponibile\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        if (c.refusal == nullptr) {
            EXPECT_NO_THROW(reports::requireColumn(t, c.column, c.kind));
        } else {
            EXPECT_THAT([&] { reports::requireColumn(t, c.column, c.kind); },
                        ThrowsMessage<data::UserError>(StrEq(c.refusal)));
        }
    }
}

TEST(ColumnReader, ReadsValuesOfEveryAcceptedType) {
    if (!haveFixtures()) GTEST_SKIP() << "no fixtures";
    const auto db = mdb::Database::open(fixture("testV2003.mdb"), mdb::OpenMode::ReadOnly);
    const mdb::Table& t = db->table("Table1");
    auto cursor = t.scan();
    ASSERT_TRUE(cursor.next());
    auto at = [&](const char* name) { return cursor.value(*t.findColumn(name)); };
    EXPECT_EQ(reports::textOf(at("A")), "abcdefg");
    EXPECT_EQ(reports::integerOf(at("C")), 2);
    EXPECT_EQ(reports::integerOf(at("D")), 222);
    EXPECT_EQ(reports::integerOf(at("E")), 333333333);
    EXPECT_EQ(reports::numberOf(at("F")), 444.555);
    EXPECT_EQ(reports::numberOf(at("H")), 3.5);
    EXPECT_EQ(reports::dateOf(at("G")), (reports::Date{1974, 9, 21}));
    // Null reads as nothing, whatever the kind.
    const mdb::Value null;
    EXPECT_EQ(reports::integerOf(null), std::nullopt);
    EXPECT_EQ(reports::numberOf(null), std::nullopt);
    EXPECT_EQ(reports::dateOf(null), std::nullopt);
    EXPECT_EQ(reports::textOf(mdb::Value()), "");
    EXPECT_EQ(reports::numberOf(mdb::Value(mdb::Currency{-12345})), -1.2345);
}
