// text_key.h: the index key of a text value in the General (legacy) sort order (Jet 4 sort
// order 1033, version 0).
//
// A key is built from the value's first 255 UTF-16 code units, trailing blanks dropped. It has
// up to four sections, each code unit contributing to some of them (general_legacy_codes.h):
//   inline codes                  one code per character that sorts (case-insensitive)
//   01                            end of the inline section
//   [extra codes]                 per character up to the last one with an extra code: its
//                                 code, or 02 as a placeholder (accents and case come here)
//   [01 01 [flag bytes FF 02 80 FF 80 [FF]] [01 unprintable codes]]
//                                 two-bit flags packed three to a byte under 0x80; and for
//                                 each unprintable character: BE16(0x8000 | 7 + 4 * position),
//                                 06, its code
//   00                            end of the key
// So "admin" is 4A 4F 60 59 62 01 00, and "-1" is 38 01 01 01 01 80 07 06 82 00 (the hyphen
// is unprintable). A descending column stores the same bytes with a 00 added, all inverted,
// and then a plain 00.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace mdb {

// The longest text an index looks at, in UTF-16 code units; the rest does not sort.
inline constexpr std::size_t kMaxIndexedTextLength = 255;

// Appends the key of a non-null text value: the bytes that follow the column's flag byte.
void appendGeneralLegacyTextKey(std::vector<std::uint8_t>& key, std::u16string_view text,
                                bool ascending);

}  // namespace mdb
