// long_value.h: Memo and OLE values, which a row holds as a 12-byte header.
//   OFFSET  SIZE  DESCRIPTION
//      0     3    length of the value in bytes
//      3     1    where the data is: 0x80 in this row, right after the header;
//                 0x40 in one row elsewhere (the whole row is the value);
//                 0x00 in a chain of rows, each starting with the 4-byte pointer of the next
//      4     4    row pointer of the (first) row holding the data (types 0x40 and 0x00)
//      8     4    unused, 0
// Rows holding long values live on data pages whose owner field reads "LVAL".
#pragma once

#include "file/pager.h"
#include "format/byte_order.h"
#include "mdb/value.h"

namespace mdb {

constexpr std::size_t kLongValueHeaderSize = 12;
constexpr std::uint8_t kLongValueInline = 0x80;
constexpr std::uint8_t kLongValueSingleRow = 0x40;
constexpr std::uint8_t kLongValueChain = 0x00;
// The most one long-value row holds: a data page less its header and one row slot.
constexpr std::size_t kMaxLongValueRowSize = 4076;

// The bytes of the long value whose header (and, when inline, data) is `field`. Throws Error
// (Corrupt) naming the row for a short header, an unknown type, a missing or looping chain.
Binary readLongValue(Pager& pager, ByteView field);

}  // namespace mdb
