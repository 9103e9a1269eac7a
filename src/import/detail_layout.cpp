#include "import/detail_layout.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace importer {
namespace {

// Whether the field's text keeps something once every leading and trailing character of code 32
// or less is trimmed, i.e. whether any character is above 32. The characters 0 to 32 are the
// same in Unicode and in every ANSI code page, and any other character reads as a byte above 32,
// so a text field's stored UTF-16 is looked at directly, without converting it.
bool hasTextBeyondBlanks(const data::Field& field) {
    const auto aboveBlank = [](auto c) { return static_cast<std::uint32_t>(c) > 32; };
    if (const auto* wide = std::get_if<std::u16string>(&field.value()))
        return std::any_of(wide->begin(), wide->end(), aboveBlank);
    const std::string text = field.readText();
    return std::any_of(text.begin(), text.end(),
                       [&](char c) { return aboveBlank(static_cast<unsigned char>(c)); });
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
    return hasTextBeyondBlanks(categoria) && hasTextBeyondBlanks(umQuantita);
}

}  // namespace importer
