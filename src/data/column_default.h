// column_default.h: the value a column takes when a new row leaves it out: its DefaultValue.
//
// Access keeps the default as an expression text in the column's properties ("0", "\"Roma\"",
// "=Date()"). The expressions a table designer writes are understood: a number (with "." for
// decimals, optional sign), a text in double or single quotes, Yes/No/True/False/On/Off, Null,
// Date(), Now() and Time(); the leading "=" is optional and names ignore case. Anything else
// (a function call or calculation this program cannot evaluate) gives no value, and the column
// stays null.
#pragma once

#include <optional>

#include "mdb/column.h"
#include "mdb/value.h"

namespace data {

// The column's default, converted as the column stores it, or nullopt when it has none, when
// the expression is not understood, or when its value does not suit the column's type. `now` is
// the local date and time (for Date(), Now() and Time()).
std::optional<mdb::Value> columnDefault(const mdb::Column& column, mdb::DateTime now);

// The local date and time now, as days since 30 December 1899.
mdb::DateTime localNow();

}  // namespace data
