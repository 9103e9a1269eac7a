// table_scan.h: walking a table's rows in storage order.
//
// The rows of a table are on the data pages its owned-pages map lists (in page order) whose
// owner field names the table's definition; on each page in slot order. Deleted slots are
// skipped; an overflow slot is followed to the row it points at, which keeps the overflow
// slot's position (index entries point there).
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "file/pager.h"
#include "format/data_page.h"
#include "format/table_definition.h"
#include "mdb/row_position.h"

namespace mdb {

// A live row: its position, where its bytes are, and the bytes (kept alive by `page`).
struct LocatedRow {
    RowPosition position;
    RowPosition storedAt;
    PageRef page;
    ByteView bytes;
};

// The row at `position`, following overflow pointers; nullopt when the slot is deleted.
// Throws Error (Corrupt) for a missing row, a pointer chain that loops, or a bad page.
// `page`, when given, is position.page's bytes, which the caller holds already.
std::optional<LocatedRow> locateRow(Pager& pager, RowPosition position, PageRef page = {});

// Calls `each` with the position of every live row of `table`, in the order TableScan meets
// them, with the same checks. Only the pages' slots are read, through one reused buffer: for
// listing a large table's rows without keeping its pages.
void forEachRowPosition(Pager& pager, const TableDefinition& table,
                        const std::function<void(RowPosition)>& each);

class TableScan {
public:
    TableScan(Pager& pager, const TableDefinition& table);
    // Moves to the next live row; false when there are no more.
    bool next();
    const LocatedRow& row() const { return row_; }

private:
    Pager& pager_;
    PageNumber tablePage_;
    std::vector<PageNumber> pages_;
    std::size_t pageIndex_ = 0;
    PageRef page_;
    int slot_ = -1;
    int slots_ = 0;
    LocatedRow row_;
};

}  // namespace mdb
