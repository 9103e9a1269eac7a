// messages.h: every text of the program's own that a user can read, exactly as shown.
//
// Change a text and its test together. Texts of the platform layers (the database engine's
// errors, the standard dialogs' "OK", "&Yes", "&No", "Confirm") are English and live with them.
#pragma once

#include <string>

namespace msg {

// The window's caption.
inline const std::string kWindowCaption = "Brelvano";

// Fixed texts of the window's labels and buttons.
inline const std::string kHeaderFileLabel = "File delle testate";
inline const std::string kDetailFileLabel = "File dei dettagli";
inline const std::string kDatabaseFileLabel = "File ACCESS";
inline const std::string kTextFilesLabel = "File testo";
inline const std::string kDatabaseLabel = "Banca Dati Access";
inline const std::string kNotConnected = "NON CONNESSO";
inline const std::string kFound = "TROVATO";
inline const std::string kNotFound = "NON TROVATO";
inline const std::string kNoActivity = "-";
inline const std::string kConnectButton = "Connetti !!!";
inline const std::string kImportButton = "Importa";
inline const std::string kPrintDetailButton = "Stampa Detaglio Ruolo ";  // trailing blank kept
inline const std::string kPrintSummaryButton = "Stampa Riepilogo Ruolo";
inline const std::string kCloseButton = "Fine";

// File selection: the filters as "display|pattern|display|pattern" and the cancel message.
inline const std::string kTextFileFilter = "File csv|*.csv|Tutti i files|*.*";
inline const std::string kDatabaseFileFilter = "File Acces|*.mdb|Tutti i files|*.*";
inline const std::string kOperationAborted = "Operazione abortita";

// "Importa" when no Connetti ever found the database file, so there is no data module.
inline const std::string kNoDatabaseConnected =
    "Nessuna banca dati connessa: il file della banca dati non esiste. Riavviare il programma "
    "indicando un file .mdb esistente";

// "Importa" when the database box no longer names the file Connetti connected to (a browse
// button changed it afterwards).
inline const std::string kNotTheConnectedDatabase =
    "La banca dati indicata non è quella connessa: riavviare il programma per usare il nuovo "
    "file";

// The import run: its question, its activity line and its final message.
inline const std::string kDeleteExistingData = "Le tabelle contengono dei dati, li elimino? ";
inline const std::string kDeletingHeaders = "Cancellazione testate";
inline const std::string kImportingHeaders = "Inserimento dati nella tabella testate";
inline const std::string kImportingDetails = "Inserimento dati nella tabella Dettaglio Voci";
inline const std::string kImportDone = "Operazione terminata";

// An input file whose first data line holds no ";" (`path` as typed).
inline std::string noSemicolonLines(const std::string& path) {
    return "Il file " + path + " non contiene righe separate da punto e virgola";
}

// An input file's line longer than the reader takes (4 MB); `line` counts from 1.
inline std::string lineTooLong(const std::string& path, long long line) {
    return "La riga " + std::to_string(line) + " del file " + path +
           " supera la lunghezza massima di 4 MB";
}

// An input file with nothing after its title row: empty, a title row alone, no line feed.
inline std::string noDataLines(const std::string& path) {
    return "Il file " + path + " non contiene righe di dati";
}

// An import run stopped by a failed write of the database file: the failure (the engine's
// text), the table being filled, then what each table holds (the texts below).
inline std::string importStoppedByWriteFailure(const std::string& failure,
                                               const std::string& filling,
                                               const std::string& headers,
                                               const std::string& details) {
    return failure + ". L'importazione si è interrotta durante l'inserimento nella tabella " +
           filling + ": " + headers + "; " + details;
}
inline std::string tableIsEmpty(const std::string& table) {
    return "la tabella " + table + " è vuota";
}
inline std::string tableHoldsRowsUpTo(const std::string& table, const std::string& path,
                                      long long line) {
    return "la tabella " + table + " contiene le righe del file " + path + " fino alla riga " +
           std::to_string(line);
}
inline std::string tableHoldsRows(const std::string& table, const std::string& path,
                                  unsigned long long rows) {
    return "la tabella " + table + " contiene " + std::to_string(rows) + " righe del file " + path;
}
inline std::string tableHoldsPreviousData(const std::string& table) {
    return "la tabella " + table + " contiene ancora i dati di prima";
}

// The connection layer's own errors, worded like the database provider's (English).
inline const std::string kBadConnectionString =
    "Format of the initialization string does not conform to the OLE DB specification";
inline const std::string kProviderNotFound =
    "Provider cannot be found. It may not be properly installed";

// An exception that carries no text at all reached the error display.
inline const std::string kUnknownError = "Unknown error";

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

inline std::string cannotPrintTo(const std::string& target) {
    return "Impossibile stampare su " + target;
}

}  // namespace msg
