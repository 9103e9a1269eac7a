// report_texts.h: the reports' names, titles, headings and messages, exactly as shown
// (namespace msg, beside the program's other texts in data/messages.h).
#pragma once

#include <string>

namespace msg {

// The two reports, shown under the names the office's database stores its reports under.
inline const std::string kRollReportName = "1_Ruolo";
inline const std::string kItemTotalsReportName = "2_QTotaleVoci";
inline const std::string kRollTitle = "Ruolo: documenti e voci di dettaglio";
inline const std::string kItemTotalsTitle = "Totale voci per categoria e tipo voce";
inline const std::string kPageNumber = "Pagina ";  // followed by the number
inline const std::string kRollEmpty = "Il ruolo non contiene documenti.";
inline const std::string kItemTotalsEmpty =
    "Il ruolo non contiene voci di dettaglio: non ci sono documenti da riepilogare.";
inline const std::string kDocumentCount = "Documenti: ";
inline const std::string kItemCount = "Voci di dettaglio: ";
inline const std::string kDocument = "Documento";
inline const std::string kDocumentNumber = "n. ";
inline const std::string kDocumentDate = "del ";
inline const std::string kDocumentId = "id doc ";
inline const std::string kTaxpayer = "Contribuente";
inline const std::string kResidence = "Residenza";
inline const std::string kBirth = "Nascita";
inline const std::string kTaxCode = "Codice fiscale";
inline const std::string kVatNumber = "Partita IVA";
inline const std::string kTotalDue = "Totale importo dovuto";
inline const std::string kNoItems = "Nessuna voce di dettaglio.";
// The roll's amount columns, in the table's order.
inline const std::string kAmountProvincialSurcharge = "Addizionale provinciale";
inline const std::string kAmountTariff = "Tassa/tariffa";
inline const std::string kAmountTreasurySurcharge = "Addizionale erariale";
inline const std::string kAmountExEcaSurcharge = "Addizionale ex ECA";
inline const std::string kAmountInterest = "Interessi";
inline const std::string kAmountPenalties = "Sanzioni";
inline const std::string kAmountDebitsCredits = "Addebiti/accrediti";
inline const std::string kAmountIndivisibleServices = "Servizi indivisibili";
inline const std::string kAmountPostage = "Spese di spedizione";
inline const std::string kAmountOther = "Altre voci";
inline const std::string kAmountRounding = "Arrotondamento";
inline const std::string kAmountTotal = "Totale importo";
inline const std::string kAmountVatTaxable = "Imponibile soggetto IVA";
inline const std::string kAmountVat = "IVA";
// Column headings of the detail lines and of the totals.
inline const std::string kCategory = "Categoria";
inline const std::string kDescription = "Descrizione";
inline const std::string kItemType = "Tipo voce";
inline const std::string kQuantity = "Quantità";
inline const std::string kPrice = "Prezzo";
inline const std::string kPeriodStart = "Dal";
inline const std::string kPeriodEnd = "Al";
inline const std::string kTaxable = "Imponibile";
inline const std::string kLineCount = "Voci";
inline const std::string kGrandTotal = "Totale generale";
inline const std::string kChartTitle = "Imponibile per categoria e tipo voce";

// A report over a database that lacks what the report reads.
inline std::string missingTable(const std::string& table) {
    return "La banca dati non contiene la tabella " + table;
}
inline std::string missingColumn(const std::string& table, const std::string& column) {
    return "La tabella " + table + " non ha la colonna \"" + column + "\"";
}
inline std::string unsuitableColumn(const std::string& table, const std::string& column,
                                    const std::string& type) {
    return "La colonna \"" + column + "\" della tabella " + table + " ha un tipo non adatto (" +
           type + ")";
}

// A row read first for its "id doc" and gone when read again for the rest.
inline std::string tableChangedWhileRead(const std::string& table) {
    return "La tabella " + table + " è stata modificata durante la lettura";
}

inline std::string cannotPrintTo(const std::string& target) {
    return "Impossibile stampare su " + target;
}

}  // namespace msg
