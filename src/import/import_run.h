// import_run.h: the "Importa" command: empty the tables Testate and DettaglioVoci and refill them
// from the header file and the detail file.
//
// The run, in order:
//   1. both text paths must name existing files (the detail path is tested only when the header
//      path passes), else the host shows "NON TROVATO" and the run stops;
//      there must be a data module whose database is the one the database path names;
//   2. the reader is bound to the header file;
//   3. both datasets are closed and reopened (which connects, refreshes the counts and drops a
//      record an earlier failed run left appended);
//      both files are read through once without writing anything (input_check.h), so that a
//      file the import cannot read, or one that cannot be a roll, stops the run before anything
//      is deleted;
//   4. if either table holds rows, the host asks "Le tabelle contengono dei dati, li elimino? ";
//      Yes runs "delete from testate" and deletes any Testate row still there one by one,
//      anything else stops the run after step 5 without a message;
//   5. the activity line is cleared and the bar goes back to 0;
//   6. header pass: the title row is skipped, every further line becomes one Testate record
//      (a line whose text is empty makes none);
//   7. detail pass: "delete from DettaglioVoci", the title row is skipped, every further line
//      becomes a candidate DettaglioVoci record, posted or dropped by acceptsDetail;
//   8. "Operazione terminata".
// Errors end the run where they happen; what was deleted and posted before stays. The database
// is held against other writers from the first deletion to the run's end and made durable then.
// A write of the database file that fails during the passes (a full disk) loses the rows the
// engine had not yet written; the run then ends with the engine's failure followed by what the
// tables hold: the table being filled, and up to which line of which file each table's rows are
// stored (or that DettaglioVoci still holds its previous rows).
//
// Progress: for each file the bar's maximum is its size / 128 / 200 (one unit per 25,600 bytes);
// the position grows by 1 before and 1 after each line's record, never beyond the maximum, and is
// not reset between the two passes.
#pragma once

#include <cstdint>
#include <string>

#include "data/dataModule.h"
#include "import/import_host.h"

namespace importer {

// The three path boxes' texts, as typed.
struct ImportRequest {
    std::string headerPath;
    std::string detailPath;
    std::string databasePath;
};

enum class ImportOutcome {
    Completed,      // "Operazione terminata" was told
    FilesNotFound,  // step 1 stopped the run
    NotConfirmed,   // the tables held data and the answer was not Yes
};

// Runs the import on `dm` (null when no Connetti found the database file). Throws the error that
// ended the run (data::UserError with the text the user sees, before the final point).
ImportOutcome runImport(const ImportRequest& request, data::TDM* dm, ImportHost& host);

// The bar's maximum for a file of `bytes` bytes.
int progressMaximumFor(std::int64_t bytes);

}  // namespace importer
