// integer_text.h: reading a 32-bit integer field's text.
//
// The accepted form: blanks (character 32 only), one optional sign directly followed by the
// number, then either decimal digits in the 32-bit range, or a hexadecimal prefix ("$", "x",
// "X", "0x" or "0X") and one to eight hexadecimal digits whose value wraps into the signed range
// («$FFFFFFFF» is -1), the sign applying to the result. Nothing may follow the last digit.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace data {

// nullopt when the text is not a valid integer. The empty text is not valid here; fields treat
// it as null before calling this.
std::optional<std::int32_t> parseInteger(std::string_view text);

}  // namespace data
