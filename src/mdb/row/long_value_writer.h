// long_value_writer.h: storing Memo and OLE values on long-value pages, and deleting them.
//
// The row holds a 12-byte header (long_value.h); the data goes on data pages whose owner field
// reads "LVAL", kept in the column's own two usage maps (owned pages, pages with free space).
// A value that fits one row (JetFormat::maxLongValueRowSize: a page less its header and one slot)
// is one row (header type 0x40); a longer one is a chain of rows, each starting with the pointer of
// the next (0 in the last) and carrying up to 4072 bytes of the value (type 0x00).
#pragma once

#include "format/column.h"
#include "row/row_placer.h"

namespace mdb {

class LongValueWriter {
public:
    // REQUIRES: column.longValueOwnedMap and longValueFreeMap are set.
    LongValueWriter(Pager& pager, PageAllocator& allocator, UsageMapWriter& maps,
                    const Column& column);

    // Stores the value's bytes; returns the first row holding them.
    RowPosition store(ByteView data);
    // Deletes the rows holding the value whose header (and inline data) is `field`; nothing
    // for a value kept in the row. Throws Error (Corrupt) for a damaged header or chain.
    void remove(ByteView field);
    // Releases every long-value page of the column and empties its maps.
    void removeAll();

private:
    Pager& pager_;
    RowPlacer placer_;
};

}  // namespace mdb
