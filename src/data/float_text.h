// float_text.h: reading and writing a float field's text.
//
// The accepted form: blanks (character 32 only), one optional sign, integer digits, then the
// regional decimal separator and fraction digits; at least one digit or the separator must follow
// the sign, so a lone separator reads as 0. Then an optional exponent ("E" or "e", an optional
// sign, digits; reading stops once the exponent reaches 500) and trailing blanks. The thousands
// separator is never accepted.
//
// The value is computed in x87 extended precision (64-bit mantissa), digit by digit and then scaled
// by a power of ten, and rounded to double once at the end.
#pragma once

#include <string>
#include <string_view>

namespace data {

struct FloatReading {
    enum class Status {
        Ok,
        Invalid,   // not a number, or beyond the extended range
        Overflow,  // inside the extended range but beyond the double range
    };
    Status status = Status::Invalid;
    double value = 0.0;  // meaningful only when status is Ok
};

FloatReading parseFloat(std::string_view text, char decimalSeparator);

// The shortest text of at most 15 significant digits, in fixed notation unless the decimal
// exponent is below -4 or at least 15 (then "1,5E20", "1E-5"), with the given separator.
std::string formatFloat(double value, char decimalSeparator);

}  // namespace data
