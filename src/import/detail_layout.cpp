#include "import/detail_layout.h"

#include <algorithm>
#include <string>

namespace importer {
namespace {

// Whether the text keeps something once every leading and trailing character of code 32 or
// less is trimmed, i.e. whether any character is above 32.
bool hasTextBeyondBlanks(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) > 32; });
}

}  // namespace

const ColumnLayout& detailLayout() {
    using data::TDM;
    static const ColumnLayout layout(16, {
                                             {1, &TDM::TDettaglioVociiddoc, true},
                                             {3, &TDM::TDettaglioVocicodutenza, true},
                                             {4, &TDM::TDettaglioVocicodposizione, true},
                                             {5, &TDM::TDettaglioVociaccessoutenza, true},
                                             {6, &TDM::TDettaglioVocicategoria, false},
                                             {7, &TDM::TDettaglioVocides, false},
                                             {8, &TDM::TDettaglioVocitipovoce, false},
                                             {9, &TDM::TDettaglioVociquantita, true},
                                             {10, &TDM::TDettaglioVociumquantita, true},
                                             {11, &TDM::TDettaglioVociprezzo, true},
                                             {12, &TDM::TDettaglioVocidatainizio, true},
                                             {13, &TDM::TDettaglioVocidatafine, true},
                                             {14, &TDM::TDettaglioVocitempo, false},
                                             {15, &TDM::TDettaglioVociumtempo, false},
                                             {16, &TDM::TDettaglioVociimponibile, true},
                                         });
    return layout;
}

bool acceptsDetail(const data::Field& categoria, const data::Field& umQuantita) {
    if (!hasTextBeyondBlanks(categoria.readText())) return false;
    return hasTextBeyondBlanks(umQuantita.readText());
}

}  // namespace importer
