// detail_layout.h: the columns of the detail file ("File dei dettagli"), one line per charged
// item, the DettaglioVoci fields they fill, and which records are kept.
//
//   column  field             points removed
//     1     id doc            yes
//     2     (ignored)
//     3     cod utenza        yes
//     4     cod posizione     yes
//     5     accesso utenza    yes
//     6     categoria         no
//     7     des               no
//     8     tipo voce         no
//     9     quantita          yes
//    10     um quantita       yes
//    11     prezzo            yes
//    12     data inizio       yes
//    13     data fine         yes
//    14     tempo             no
//    15     um tempo          no
//    16     imponibile        yes
//
// Points go from text columns too: a date «01.01.2020» is stored as «01012020». "ID" and
// "periodo" are never assigned.
#pragma once

#include "data/field.h"
#include "import/column_layout.h"

namespace importer {

const ColumnLayout& detailLayout();

// A detail record is posted only when it names a category and a unit of quantity: both fields,
// read back as stored (so after the cut to their size), keep some character above 32 once the
// characters of code 32 or less are trimmed from both ends. The category is tested first.
bool acceptsDetail(const data::Field& categoria, const data::Field& umQuantita);

}  // namespace importer
