// value_decoding.h: a stored value read back from a row's bytes, as a Value (mdb/value.h).
#pragma once

#include "format/byte_order.h"
#include "format/column.h"
#include "mdb/value.h"

namespace mdb {

// Decodes the bytes a row holds for a non-null value of `column` (not Boolean, Memo or OLE,
// which the row reader handles). Throws Error (Corrupt) when there are too few bytes.
Value decodeValue(const Column& column, ByteView bytes);
// A Text or Memo column's stored text to UTF-8: 8-bit in the column's code page (Access 97)
// or Jet 4's UTF-16 (jet_text.h).
std::string decodeColumnText(const Column& column, ByteView bytes);

}  // namespace mdb
