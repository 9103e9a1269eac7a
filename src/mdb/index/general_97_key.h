// general_97_key.h: the index key of a text value in the General sort order of Access 97
// (Jet 3) files.
//
// Each character has a code (sort_order/general_97_table.inc, made by make_table_97.py from the
// published tables): simple and significant characters add inline bytes; international ones
// (accented letters) add inline bytes and a one-nibble extra code; a few characters above 255
// take the code of a character below (the Windows 1252 place of the same character), all
// others above 255 add nothing. The key is
//   inline bytes of every character
//   00                                    when no character has an extra code, else
//   nibbles 0, then per international character: one 2 for each significant character
//   since the previous extra code, its extra code; then 0, padded with 0 to whole bytes
// of the value's first 255 characters, trailing blanks dropped. A descending column inverts
// all of it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace mdb {

// Appends the key of a non-null text value: the bytes that follow the column's flag byte.
void appendGeneral97TextKey(std::vector<std::uint8_t>& key, std::u16string_view text,
                            bool ascending);

}  // namespace mdb
