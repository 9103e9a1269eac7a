// window_texts.h: the fixed texts of the window's labels, buttons and file boxes, exactly as
// shown (namespace msg, beside the program's other texts in data/messages.h).
#pragma once

#include <string>

namespace msg {

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

}  // namespace msg
