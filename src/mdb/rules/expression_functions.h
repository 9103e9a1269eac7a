// expression_functions.h: the functions defaults and validation rules may call.
//
//   Date()  Now()  Time()            today at midnight, now, the time of day now
//   Len(x)                           characters of x as text
//   Trim(x)  LTrim(x)  RTrim(x)      x without leading and/or trailing blanks
//   Left(x, n)  Right(x, n)  Mid(x, start[, n])
//   Year(d)  Month(d)  Day(d)        parts of a date
//   IsNull(x)                        True when x is Null
// As in Access, a Null argument gives Null (IsNull excepted).
#pragma once

#include <span>
#include <string_view>

#include "rules/expression_value.h"

namespace mdb {

struct ExprFunction {
    const char* name;
    std::size_t minArguments;
    std::size_t maxArguments;
    // Throws Error (Unsupported) for an argument of the wrong kind or out of range.
    ExprValue (*call)(std::span<const ExprValue> arguments, DateTime now);
};

// The function of that name, ignoring case; nullptr when this engine has none.
const ExprFunction* findFunction(std::string_view name);

}  // namespace mdb
