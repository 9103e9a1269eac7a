// messages.h: the program's own texts that a user can read, exactly as shown, for the import,
// the connection and the error display. The window's labels are in ui/window_texts.h, the
// reports' headings in reports/report_texts.h.
//
// Change a text and its test together. Texts of the platform layers (the database engine's
// errors, the standard dialogs' "OK", "&Yes", "&No", "Confirm") are English and live with them.
#pragma once

#include <string>

namespace msg {

// The window's caption.
inline const std::string kWindowCaption = "Brelvano";

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

}  // namespace msg
