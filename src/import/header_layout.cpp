#include "import/header_layout.h"

namespace importer {

const ColumnLayout& headerLayout() {
    using data::TDM;
    static const ColumnLayout layout(56, {
                                             {1, &TDM::TTestateiddoc, false},
                                             {2, &TDM::TTestatenumdoc, false},
                                             {3, &TDM::TTestatedatadoc, false},
                                             {17, &TDM::TTestatecontribuente, false},
                                             {18, &TDM::TTestateresidenza, false},
                                             {21, &TDM::TTestatedatanascita, false},
                                             {22, &TDM::TTestateluogonascita, false},
                                             {23, &TDM::TTestateprovnascita, false},
                                             {24, &TDM::TTestatecodicefiscale, false},
                                             {25, &TDM::TTestatepartitaiva, false},
                                             {44, &TDM::TTestatetassa_tariffa, true},
                                             {45, &TDM::TTestateaddprov, true},
                                             {46, &TDM::TTestateadderario, true},
                                             {47, &TDM::TTestateaddexeca, true},
                                             {48, &TDM::TTestateinteressi, true},
                                             {49, &TDM::TTestatesanzioni, true},
                                             {50, &TDM::TTestateaddebiti_accrediti, true},
                                             {51, &TDM::TTestatespesespedizione, true},
                                             {52, &TDM::TTestateserviziindivisibili, true},
                                             {53, &TDM::TTestatealtrevoci, true},
                                             {54, &TDM::TTestatetotaleimporto, true},
                                             {55, &TDM::TTestatearrotondamento, true},
                                             {56, &TDM::TTestatetotaleimportodovuto, true},
                                         });
    return layout;
}

}  // namespace importer
