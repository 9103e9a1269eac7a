// "2_QTotaleVoci" rendered to PDF and read back: the groups, the grand total, the chart.
#include "reports/item_totals_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "reports/report_support.h"

using testing::HasSubstr;
using testing::MatchesRegex;
using testing_support::MemorySource;
using testing_support::render;

namespace {

std::unique_ptr<reports::Report> totalsOf(MemorySource& source) {
    testing_support::ensureGuiApplication();
    return reports::buildReport(reports::ReportKind::ItemTotals, source,
                                testing_support::heading("2_QTotaleVoci"));
}

reports::ItemRow item(const std::string& category, const std::string& type, double taxable) {
    reports::ItemRow i;
    i.idDoc = 1;
    i.category = category;
    i.type = type;
    i.taxable = taxable;
    return i;
}

// The line of the layout text that holds `needle`.
std::string lineWith(const std::string& text, const std::string& needle) {
    const std::size_t at = text.find(needle);
    if (at == std::string::npos) return {};
    const std::size_t start = text.rfind('\n', at) + 1;
    return text.substr(start, text.find('\n', at) - start);
}

}  // namespace

TEST(ItemTotalsReport, ShowsEachGroupTheGrandTotalAndAChart) {
    MemorySource source;
    source.items = {item("Rifiuti", "Fissa", 1000), item("Rifiuti", "Fissa", 234.5),
                    item("Rifiuti", "Variabile", -20), item("Acqua", "Consumo", 0.25)};
    const auto pdf = render(*totalsOf(source));
    ASSERT_EQ(pdf.pdfPages, 1);
    EXPECT_THAT(pdf.text, HasSubstr("ruolo.mdb - 2_QTotaleVoci"));
    EXPECT_THAT(pdf.text, HasSubstr("Totale voci per categoria e tipo voce"));
    EXPECT_THAT(lineWith(pdf.text, "Acqua"), MatchesRegex(".*Acqua +Consumo +1 +0,25 *"));
    EXPECT_THAT(lineWith(pdf.text, "Fissa"), MatchesRegex(".*Rifiuti +Fissa +2 +1.234,50 *"));
    EXPECT_THAT(lineWith(pdf.text, "Variabile"), MatchesRegex(".*Rifiuti +Variabile +1 +-20,00 *"));
    EXPECT_THAT(lineWith(pdf.text, "Totale generale"),
                MatchesRegex(".*Totale generale +4 +1.214,75 *"));
    // Groups in order of category, then type.
    EXPECT_LT(pdf.text.find("Acqua"), pdf.text.find("Rifiuti"));
    EXPECT_THAT(pdf.text, HasSubstr("Imponibile per categoria e tipo voce"));
    EXPECT_EQ(pdf.images, 1);
}

TEST(ItemTotalsReport, ManyGroupsSplitTheChartOverSeveralImages) {
    MemorySource source;
    for (int g = 0; g < 120; ++g)
        source.items.push_back(item("Categoria " + std::to_string(1000 + g), "Tipo", g * 3.0));
    const auto pdf = render(*totalsOf(source));
    EXPECT_GT(pdf.pdfPages, 2);
    EXPECT_EQ(pdf.printedPages, pdf.pdfPages);
    EXPECT_GE(pdf.images, 3);  // about 40 bars fit on a page
    EXPECT_THAT(lineWith(pdf.text, "Totale generale"),
                MatchesRegex(".*Totale generale +120 +21.420,00 *"));
    EXPECT_THAT(pdf.text, HasSubstr("Categoria 1119"));
}

TEST(ItemTotalsReport, TextsThatLookLikeMarkupOrPlaceholdersAreShownAsTyped) {
    MemorySource source;
    source.items = {item("A <b>& C</b>", "%1 %2", 1)};
    const auto pdf = render(*totalsOf(source));
    EXPECT_THAT(lineWith(pdf.text, "A <b>"), MatchesRegex(".*A <b>& C</b> +%1 %2 +1 +1,00 *"));
}

TEST(ItemTotalsReport, NoLinesSaysThereIsNothingToSum) {
    MemorySource source;
    reports::DocumentRow d;
    d.idDoc = 1;
    source.documents = {d};
    const auto pdf = render(*totalsOf(source));
    EXPECT_EQ(pdf.pdfPages, 1);
    EXPECT_THAT(pdf.text,
                HasSubstr("Il ruolo non contiene voci di dettaglio: non ci sono documenti "
                          "da riepilogare."));
    EXPECT_EQ(pdf.images, 0);
}
