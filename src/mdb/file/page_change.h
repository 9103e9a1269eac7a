// page_change.h: a page an operation changed, and how the pager is told the order in which to
// write an operation's changed pages (it does not read page contents itself: the format layer
// that knows page types decides, format/write_order.h).
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "file/page_file.h"

namespace mdb {

// Whether the operation makes rows appear (an insert) or disappear (a delete).
enum class WriteOrder { RowsAppear, RowsDisappear };

// A page an operation changed: its new bytes, and its bytes before the operation where known.
struct PageChange {
    PageNumber number = 0;
    std::shared_ptr<PageBytes> bytes;
    std::shared_ptr<PageBytes> before;
    // A page free at the last commit, taken again: nothing referred to it before, whatever it
    // held.
    bool wasFree = false;
};

// The changed pages' numbers in the order to write them.
using PageOrdering = std::vector<PageNumber> (*)(std::span<const PageChange> changes,
                                                 PageNumber pagesBefore, WriteOrder order);

// By page number: the order of a pager that was told no other.
std::vector<PageNumber> inPageNumberOrder(std::span<const PageChange> changes,
                                          PageNumber pagesBefore, WriteOrder order);

}  // namespace mdb
