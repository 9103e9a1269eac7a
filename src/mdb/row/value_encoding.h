// value_encoding.h: a typed value as the bytes a row stores for its column (the reverse of
// decodeValue in value_decoding.h).
//
// Kinds convert where no information is lost: any integer kind into Byte, Integer, Long,
// Currency, Single, Double, Numeric; Single and Currency into Double; a Double into an integer
// column only when it is whole, into Currency rounded to ten-thousandths, into DateTime as days;
// Text only from text, binary kinds only from Binary. Text and Memo values are stored as
// jet_text.h describes: compressed when the column has the compression flag, the text has 3 to
// 1024 characters and every character is in U+0001..U+00FF (as Jackcess writes it: one segment,
// which never holds a 00 byte that would end it), otherwise plain UTF-16. Access 97 columns (with
// a code page) store one byte per character in that code page ("?" for what it cannot hold).
#pragma once

#include <string>
#include <string_view>

#include "format/column.h"
#include "mdb/value.h"

namespace mdb {

// Texts of more characters than this are stored uncompressed.
constexpr std::size_t kMaxCompressedTextLength = 1024;
// The longest long value (Memo or OLE) the 3-byte length of its header can describe.
constexpr std::size_t kMaxLongValueBytes = 0xFFFFFF;

// The bytes of a non-null value of `column` (not Boolean, which lives in the null mask). A Memo
// or OLE column gets the value's own bytes, which the row writer then places. A fixed-length
// Text column is padded with blanks, a fixed-length Binary column with zeros. Throws Error
// (Refused) with a provider-like message naming the field ("table.column") when the value is of
// the wrong kind, out of the column's range, or longer than the column allows; REQUIRES a
// non-null value (std::invalid_argument otherwise).
Binary encodeColumnValue(const Column& column, const Value& value, std::string_view table);
// The same, appended to `out` (a row's buffer, reused from row to row). On a refusal `out` may
// hold part of the value.
void appendColumnValue(Binary& out, const Column& column, const Value& value,
                       std::string_view table);

// The message for a text or binary value longer than its column allows.
std::string tooLongMessage(std::string_view table, std::string_view column);

}  // namespace mdb
