// header_layout.h: the columns of the header file ("File delle testate"), one line per tax
// document, and the Testate fields they fill.
//
//   column  field                    points removed
//     1     id doc                   no
//     2     num doc                  no
//     3     data doc                 no
//   4-16    (ignored)
//    17     contribuente             no
//    18     residenza                no
//  19-20    (ignored)
//    21     data nascita             no
//    22     luogo nascita            no
//    23     prov nascita             no
//    24     codice fiscale           no
//    25     partita iva              no
//  26-43    (ignored)
//    44     tassa_tariffa            yes
//    45     add prov                 yes
//    46     add erario               yes
//    47     add ex eca               yes
//    48     interessi                yes
//    49     sanzioni                 yes
//    50     addebiti_accrediti       yes
//    51     spese spedizione         yes
//    52     servizi indivisibili     yes
//    53     altre voci               yes
//    54     totale importo           yes
//    55     arrotondamento           yes
//    56     totale importo dovuto    yes
//
// The file's order differs from the table's in five places (2/3, 23/24, 44/45, 51/52, 54/55);
// the map above follows the file. "ID", "imponibile soggetto iva", "codice catastale" and "iva"
// are never assigned. Every line is one record: there is no acceptance test.
#pragma once

#include "import/column_layout.h"

namespace importer {

const ColumnLayout& headerLayout();

}  // namespace importer
