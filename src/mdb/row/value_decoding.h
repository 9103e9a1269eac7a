// value_decoding.h: a stored value read back from a row's bytes, as a Value (mdb/value.h).
#pragma once

#include "format/byte_order.h"
#include "format/column.h"
#include "mdb/value.h"

namespace mdb {

// Decodes the bytes a row holds for a non-null value of `column` (not Boolean, Memo or OLE,
// which the row reader handles). Throws Error (Corrupt) when there are too few bytes.
Value decodeValue(const Column& column, ByteView bytes);

}  // namespace mdb
