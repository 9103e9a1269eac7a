// column_value.h: a field's stored value as the value the database engine writes to a column.
//
// The engine takes text as UTF-8 (mdb/jet_text.h) and converts numbers to the column's own type
// where nothing is lost (an integer into a 16-bit column when it fits, a float into Currency or
// Decimal); a value it cannot take is refused when the row is written.
#pragma once

#include <string>
#include <string_view>

#include "data/field.h"
#include "mdb/value.h"

namespace data {

mdb::Value columnValueOf(const FieldValue& value);
// The same into `out`, reusing the text it holds as the buffer for a text: a dataset posting many
// rows then converts its texts without allocating.
void storeColumnValue(const FieldValue& value, mdb::Value& out);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string utf8Of(std::u16string_view text);
void utf8Into(std::u16string_view text, std::string& out);  // replaces out's text

}  // namespace data
