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

// An input file with data lines of which none holds a ";" (`path` as typed).
inline std::string noSemicolonLines(const std::string& path) {
    return "Il file " + path + " non contiene righe separate da punto e virgola";
}

// The connection layer's own errors, worded like the database provider's (English).
inline const std::string kBadConnectionString =
    "Format of the initialization string does not conform to the OLE DB specification";
inline const std::string kProviderNotFound =
    "Provider cannot be found. It may not be properly installed";

// An exception that carries no text at all reached the error display.
inline const std::string kUnknownError = "Unknown error";

}  // namespace msg
