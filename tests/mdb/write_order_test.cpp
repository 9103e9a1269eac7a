#include "format/write_order.h"

#include <gtest/gtest.h>

#include "format/byte_order.h"
#include "format/data_page.h"

namespace {

using mdb::PageBytes;
using mdb::PageNumber;

PageBytes page(std::uint8_t type, std::uint32_t owner = 0) {
    PageBytes b{};
    b[0] = type;
    b[1] = 1;
    mdb::put32le(b, 4, owner);
    return b;
}

TEST(WriteOrder, NewRowsShowLastAndDeletedRowsVanishFirst) {
    // The file had 100 pages; the table definition is page 20.
    const PageBytes zero{};
    std::vector<mdb::PageChange> changes;
    auto add = [&](PageNumber n, PageBytes now, std::optional<PageBytes> was) {
        changes.push_back({n, std::make_shared<PageBytes>(now),
                           was ? std::make_shared<PageBytes>(*was) : nullptr});
    };
    add(1, page(0x01, 1), page(0x01, 1));     // global map
    add(6, page(0x01, 0), page(0x01, 0));     // usage map rows
    add(20, page(0x02), page(0x02));          // table definition
    add(30, page(0x01, 20), page(0x01, 20));  // the table's data page
    add(31, page(0x04, 20), page(0x04, 20));  // index leaf
    add(32, page(0x01, mdb::kLongValueOwner), page(0x01, mdb::kLongValueOwner));  // LVAL
    add(33, page(0x05), page(0x05));         // bitmap page of a map
    add(40, zero, page(0x01, 20));           // a data page freed
    add(41, page(0x01, 20), zero);           // a free page taken again
    add(100, page(0x04, 20), std::nullopt);  // appended
    EXPECT_EQ(mdb::orderForWriting(changes, 100, mdb::WriteOrder::RowsAppear),
              (std::vector<PageNumber>{41, 100, 31, 32, 20, 1, 6, 30, 33, 40}));
    EXPECT_EQ(mdb::orderForWriting(changes, 100, mdb::WriteOrder::RowsDisappear),
              (std::vector<PageNumber>{41, 100, 1, 6, 30, 33, 40, 31, 32, 20}));
    // Without the earlier bytes (too many pages to keep), a page is judged by its new bytes.
    for (mdb::PageChange& change : changes) change.before.reset();
    EXPECT_EQ(mdb::orderForWriting(changes, 100, mdb::WriteOrder::RowsAppear),
              (std::vector<PageNumber>{100, 31, 32, 40, 20, 1, 6, 30, 33, 41}));
}

}  // namespace
