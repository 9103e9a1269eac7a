// Both reports rendered from a real database: a new file with the roll's two tables, filled
// through the engine's writer, read back through the engine and printed to PDF.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "data/roll_tables.h"
#include "mdb/database.h"
#include "mdb/table.h"
#include "reports/report.h"
#include "reports/report_support.h"

using testing::HasSubstr;
using testing::Not;

namespace {

// A value for each named column of `table`, null for the rest.
std::vector<mdb::Value> rowOf(const mdb::Table& table,
                              const std::vector<std::pair<std::string, mdb::Value>>& named) {
    std::vector<mdb::Value> values(table.columns().size());
    for (const auto& [name, value] : named) values.at(*table.findColumn(name)) = value;
    return values;
}

void addDocument(mdb::Database& db, int idDoc, const std::string& taxpayer, double total) {
    mdb::Table& testate = db.table("Testate");
    db.table("Testate").insert(rowOf(testate, {{"id doc", std::int32_t{idDoc}},
                                               {"num doc", std::int32_t{1000 + idDoc}},
                                               {"data doc", mdb::DateTime{45000.0}},
                                               {"contribuente", taxpayer},
                                               {"codice fiscale", std::string("RSSMRA80A01H501U")},
                                               {"totale importo dovuto", total}}));
}

void addLine(mdb::Database& db, int idDoc, const std::string& category, const std::string& type,
             double taxable) {
    mdb::Table& detail = db.table("DettaglioVoci");
    db.table("DettaglioVoci")
        .insert(rowOf(detail, {{"id doc", std::int32_t{idDoc}},
                               {"categoria", category},
                               {"des", std::string("Tariffa annuale")},
                               {"tipo voce", type},
                               {"quantita", std::string("120")},
                               {"um quantita", std::string("mq")},
                               {"imponibile", taxable}}));
}

class FilledDatabaseReport : public testing::Test {
protected:
    void SetUp() override {
        testing_support::ensureGuiApplication();
        path_ = dir_.filePath(QStringLiteral("ruolo.mdb")).toStdString();
        data::createRollDatabase(path_);
    }
    std::string path_;
    QTemporaryDir dir_;
};

TEST_F(FilledDatabaseReport, TheRollShowsEachDocumentWithItsOwnLines) {
    {
        auto db = mdb::Database::open(path_, mdb::OpenMode::ReadWrite);
        // Inserted out of order: the report sorts by "id doc".
        addDocument(*db, 2, "Bianchi Jos\xC3\xA9", 250.5);
        addDocument(*db, 1, "Rossi Nicol\xC3\xB2", 1234.5);
        addLine(*db, 1, "Abitazioni private", "Quota fissa", 1000.25);
        addLine(*db, 2, "Negozi e botteghe", "Quota variabile", 200.0);
        addLine(*db, 1, "Abitazioni private", "Quota variabile", 234.25);
    }
    const auto pdf =
        testing_support::render(*reports::buildReport(reports::ReportKind::Roll, path_));
    ASSERT_GE(pdf.pdfPages, 1);
    const std::string& text = pdf.text;
    const auto rossi = text.find("Rossi Nicol\xC3\xB2");
    const auto bianchi = text.find("Bianchi Jos\xC3\xA9");
    ASSERT_NE(rossi, std::string::npos);
    ASSERT_NE(bianchi, std::string::npos);
    EXPECT_LT(rossi, bianchi);  // "id doc" 1 before 2
    EXPECT_THAT(text, HasSubstr("1.234,50"));
    EXPECT_THAT(text, HasSubstr("1.000,25"));
    // Document 1's two lines stand before document 2 begins; its shop line after it.
    const auto shop = text.find("Negozi e botteghe");
    EXPECT_GT(shop, bianchi);
    EXPECT_LT(text.find("234,25"), bianchi);
    // As the window's preview reads it, a step at a time by where the rows are: the same.
    EXPECT_EQ(testing_support::render(*reports::openReport(reports::ReportKind::Roll, path_)).text,
              text);
}

TEST_F(FilledDatabaseReport, TheTotalsAddUpEachCategoryAndItemType) {
    {
        auto db = mdb::Database::open(path_, mdb::OpenMode::ReadWrite);
        addDocument(*db, 1, "Rossi", 10.0);
        addLine(*db, 1, "Abitazioni private", "Quota fissa", 100.10);
        addLine(*db, 1, "Abitazioni private", "Quota fissa", 200.20);
        addLine(*db, 1, "Negozi e botteghe", "Quota fissa", 0.5);
    }
    const auto pdf =
        testing_support::render(*reports::buildReport(reports::ReportKind::ItemTotals, path_));
    EXPECT_THAT(pdf.text, HasSubstr("300,30"));  // the two household lines
    EXPECT_THAT(pdf.text, HasSubstr("300,80"));  // the grand total
    EXPECT_GE(pdf.images, 1);                    // the bar chart
}

TEST_F(FilledDatabaseReport, EmptyTablesGiveAReportThatSaysSo) {
    const auto pdf =
        testing_support::render(*reports::buildReport(reports::ReportKind::Roll, path_));
    EXPECT_THAT(pdf.text, HasSubstr("Il ruolo non contiene documenti."));
    EXPECT_THAT(pdf.text, Not(HasSubstr("Pagina 2")));
}

}  // namespace
