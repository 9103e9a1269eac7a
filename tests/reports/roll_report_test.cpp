// "1_Ruolo" rendered to PDF and read back: what each document shows, in which order, on which
// pages, under which header.
#include "reports/roll_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/user_error.h"
#include "reports/report_support.h"

using reports::Amount;
using reports::DocumentRow;
using reports::ItemRow;
using testing::HasSubstr;
using testing::Not;
using testing_support::MemorySource;
using testing_support::render;

namespace {

std::unique_ptr<reports::Report> rollOf(MemorySource& source) {
    testing_support::ensureGuiApplication();
    return reports::buildReport(reports::ReportKind::Roll, source,
                                testing_support::heading("1_Ruolo"));
}

DocumentRow rossi() {
    DocumentRow d;
    d.idDoc = 7;
    d.number = 123;
    d.date = reports::Date{2024, 3, 5};
    d.taxpayer = "ROSSI MARIO";
    d.residence = "VIA ROMA 1 - 00100 ROMA";
    d.birthPlace = "NICOLÒ";
    d.birthProvince = "RM";
    d.birthDate = "01/02/1960";
    d.taxCode = "RSSMRA60B01H501X";
    d.amount(Amount::Tariff) = 1234.5;
    d.amount(Amount::ProvincialSurcharge) = 61.73;
    d.amount(Amount::Vat) = 0;  // zero is not null: shown
    d.totalDue = 1296.23;
    return d;
}

ItemRow line(std::int32_t id, const char* category, const char* description, const char* type,
             std::optional<double> taxable) {
    ItemRow i;
    i.idDoc = id;
    i.category = category;
    i.description = description;
    i.type = type;
    i.quantity = "120";
    i.unit = "mq";
    i.price = "1,50";
    i.start = "01/01/2024";
    i.end = "31/12/2024";
    i.taxable = taxable;
    return i;
}

// Positions of `needles` in `text`, which must all be there and in this order.
void expectInOrder(const std::string& text, const std::vector<std::string>& needles) {
    std::size_t at = 0;
    for (const std::string& n : needles) {
        const std::size_t found = text.find(n, at);
        ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << n;
        at = found + n.size();
    }
}

}  // namespace

TEST(RollReport, ShowsADocumentsDataAmountsAndLines) {
    MemorySource source;
    DocumentRow other;
    other.idDoc = 9;
    other.taxpayer = "BIANCHI ANNA";
    other.vatNumber = "01234567890";
    other.amount(Amount::Interest) = 3.2;
    source.documents = {other, rossi()};
    source.items = {line(9, "Acqua", "Consumo annuo", "Variabile", 10),
                    line(7, "Rifiuti", "Parte fissa", "Fissa", 180),
                    line(7, "Rifiuti", "Parte variabile", "Variabile", 1054.5)};
    const auto pdf = render(*rollOf(source));
    ASSERT_EQ(pdf.pdfPages, 1);
    EXPECT_EQ(pdf.printedPages, 1);
    const std::string& t = pdf.text;

    // Header, title and counts.
    EXPECT_THAT(t, HasSubstr("ruolo.mdb - 1_Ruolo"));
    EXPECT_THAT(pdf.page(1).substr(0, pdf.page(1).find('\n')),
                testing::MatchesRegex("ruolo.mdb - 1_Ruolo +05/03/2024 +Pagina 1"));
    EXPECT_THAT(t, HasSubstr("Documenti: 2"));
    EXPECT_THAT(t, HasSubstr("Voci di dettaglio: 3"));
    // Document 7 comes first, then its two lines, then document 9 and its line.
    expectInOrder(
        t, {"Documento n. 123 del 05/03/2024 (id doc 7)", "ROSSI MARIO", "VIA ROMA 1 - 00100 ROMA",
            "NICOLÒ (RM) 01/02/1960", "RSSMRA60B01H501X", "Parte fissa", "Parte variabile",
            "Documento (id doc 9)", "BIANCHI ANNA", "01234567890", "Consumo annuo"});
    EXPECT_THAT(t, HasSubstr("Addizionale provinciale"));
    EXPECT_THAT(t, HasSubstr("61,73"));
    EXPECT_THAT(t, HasSubstr("1.234,50"));
    EXPECT_THAT(t, HasSubstr("Totale importo dovuto: 1.296,23"));
    EXPECT_THAT(t, HasSubstr("Totale importo dovuto: -"));  // document 9 has none
    EXPECT_THAT(t, HasSubstr("IVA"));
    EXPECT_THAT(t, HasSubstr("Interessi"));  // document 9's
    // Null amounts are left out.
    EXPECT_THAT(t, Not(HasSubstr("Sanzioni")));
    EXPECT_THAT(t, Not(HasSubstr("Arrotondamento")));
    // A detail line: category, description, type, quantity with unit, price, period, amount.
    EXPECT_THAT(t, HasSubstr("120 mq"));
    EXPECT_THAT(t, HasSubstr("1,50"));
    EXPECT_THAT(t, HasSubstr("31/12/2024"));
    EXPECT_THAT(t, HasSubstr("1.054,50"));
}

TEST(RollReport, ALongRollRunsOverPagesAndPartsInOrder) {
    MemorySource source;
    // More documents than one step of the layout takes, stored in reverse order.
    constexpr int kDocuments = 1100;
    for (int id = kDocuments; id >= 1; --id) {
        DocumentRow d;
        d.idDoc = id;
        d.number = id;
        d.taxpayer = "CONTRIBUENTE " + std::to_string(id);
        d.totalDue = id * 10.0;
        source.documents.push_back(d);
        for (int k = 1; k <= 3; ++k)
            source.items.push_back(
                line(id, "Rifiuti",
                     ("Voce " + std::to_string(id) + "." + std::to_string(k)).c_str(), "Fissa", k));
    }
    const auto pdf = render(*rollOf(source));
    EXPECT_GT(pdf.pdfPages, 20);
    EXPECT_EQ(pdf.printedPages, pdf.pdfPages);
    std::vector<std::string> order;
    for (int id = 1; id <= kDocuments; ++id) {
        order.push_back("(id doc " + std::to_string(id) + ")");
        order.push_back("Voce " + std::to_string(id) + ".3");
    }
    expectInOrder(pdf.text, order);
    EXPECT_THAT(pdf.text, HasSubstr("Totale importo dovuto: 4.500,00"));
    // Read in steps as it is laid out, the roll prints the same.
    const auto opened =
        reports::openReport(reports::ReportKind::Roll, std::make_unique<MemorySource>(source),
                            testing_support::heading("1_Ruolo"));
    EXPECT_EQ(render(*opened).text, pdf.text);
    // Page numbers run on across the parts, one header per page.
    for (int page : {1, pdf.pdfPages / 2, pdf.pdfPages}) {
        SCOPED_TRACE(page);
        EXPECT_THAT(pdf.page(page), HasSubstr("Pagina " + std::to_string(page) + "\n"));
    }
}

TEST(RollReport, ADocumentWithManyLinesGoesOnOverTheNextPages) {
    MemorySource source;
    source.documents = {rossi()};
    std::vector<std::string> order;
    for (int k = 1; k <= 300; ++k) {
        const std::string name = "Riga " + std::to_string(k) + " ";
        source.items.push_back(line(7, "Rifiuti", name.c_str(), "Fissa", k));
        order.push_back(name);
    }
    const auto pdf = render(*rollOf(source));
    EXPECT_GT(pdf.pdfPages, 2);
    expectInOrder(pdf.text, order);
    EXPECT_THAT(pdf.page(pdf.pdfPages), HasSubstr("300,00"));
}

TEST(RollReport, TextsTooWideForTheirColumnAreCutShort) {
    MemorySource source;
    source.documents = {rossi()};
    const std::string longDescription =
        "Tariffa per la gestione dei rifiuti urbani e assimilati, quota variabile, anno 2024";
    source.items = {line(7, "Rifiuti", longDescription.c_str(), "Variabile", 1)};
    const auto pdf = render(*rollOf(source));
    EXPECT_THAT(pdf.text, Not(HasSubstr(longDescription)));
    EXPECT_THAT(pdf.text, testing::ContainsRegex("Tariffa per la gestione[^\n]*… +Variabile"));
}

TEST(RollReport, AnEmptyRollSaysItHoldsNoDocuments) {
    MemorySource source;
    source.items = {line(1, "Rifiuti", "senza documento", "Fissa", 1)};
    const auto pdf = render(*rollOf(source));
    EXPECT_EQ(pdf.pdfPages, 1);
    EXPECT_THAT(pdf.text, HasSubstr("Il ruolo non contiene documenti."));
    EXPECT_THAT(pdf.text, Not(HasSubstr("senza documento")));
    EXPECT_THAT(pdf.text, HasSubstr("Pagina 1"));
}

TEST(RollReport, TextsThatLookLikeMarkupOrPlaceholdersAreShownAsTyped) {
    MemorySource source;
    DocumentRow d = rossi();
    d.taxpayer = "A <b>& C</b> %1 SNC";
    source.documents = {d};
    const auto pdf = render(*rollOf(source));
    EXPECT_THAT(pdf.text, HasSubstr("A <b>& C</b> %1 SNC"));
}

TEST(RollReport, ANameTooLongForOneLineWrapsAtSpacesWithNothingLost) {
    MemorySource source;
    DocumentRow d = rossi();
    std::string name;
    for (int k = 1; k <= 40; ++k) name += "PAROLA" + std::to_string(k) + " ";
    d.taxpayer = name;
    source.documents = {d};
    const auto pdf = render(*rollOf(source));
    const std::size_t first = pdf.text.find("Contribuente: PAROLA1 ");
    ASSERT_NE(first, std::string::npos);
    const std::string firstLine = pdf.text.substr(first, pdf.text.find('\n', first) - first);
    EXPECT_THAT(firstLine, Not(HasSubstr("PAROLA40")));
    std::vector<std::string> words;
    for (int k = 1; k <= 40; ++k) words.push_back("PAROLA" + std::to_string(k));
    expectInOrder(pdf.text.substr(first), words);
    expectInOrder(pdf.text, {"PAROLA40", "Residenza: VIA ROMA 1"});
}

TEST(RollReport, APdfThatCannotBeCreatedIsRefusedWithItsName) {
    MemorySource source;
    source.documents = {rossi()};
    try {
        reports::writePdf(*rollOf(source), QStringLiteral("/no/such/folder/ruolo.pdf"));
        FAIL() << "no error";
    } catch (const data::UserError& e) {
        EXPECT_STREQ(e.what(), "Impossibile stampare su /no/such/folder/ruolo.pdf");
    }
}
