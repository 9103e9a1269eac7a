// general_legacy_codes.h: what each UTF-16 code unit contributes to a text index key in the
// General (legacy) sort order, the one Jet 4 databases record as sort order 1033, version 0.
//
// The table is the project's data file sort_order/general_legacy.keys (made by
// sort_order/make_table.py from the published per-character tables), compiled into the library
// and expanded into one entry per code unit on first use.
#pragma once

#include <array>
#include <cstdint>

namespace mdb {

struct CharCode {
    enum class Kind : std::uint8_t {
        Ignored,        // adds nothing to the key (most control and combining characters)
        Simple,         // inline bytes only: letters and digits without accents, most symbols
        International,  // inline bytes plus an "extra" code (accents, case of non-Latin
                        // scripts); surrogates are of this kind, with computed inline bytes
        Unprintable,    // no inline bytes; a position-coded code in the key's last section
        ExtraModifier,  // no inline bytes; adds `modifier` to the last extra code
        Flagged,        // like International (extra may be empty) plus a two-bit flag
    };
    Kind kind = Kind::Ignored;
    std::uint8_t inlineLength = 0;
    std::array<std::uint8_t, 4> inlineBytes{};
    std::uint8_t extraLength = 0;  // International/Flagged: extra code; Unprintable: its code
    std::array<std::uint8_t, 4> extra{};
    std::uint8_t modifier = 0;  // ExtraModifier
    std::uint8_t flag = 0;      // Flagged: 2 or 3
};

// The code of one UTF-16 code unit. Thread-safe; the first call builds the table.
const CharCode& generalLegacyCode(char16_t unit);

}  // namespace mdb
