// row_placer.h: choosing the data page a new row goes to, for a table or a long-value column.
//
// Both keep two usage maps: the pages they own and, of those, the pages with free space. A row
// goes to the page of the free-space map with the least room that still takes it (space freed
// by deletions is used before the file grows, and big gaps stay for big rows), else to a new
// page from the allocator, which joins both maps. A page that could not take another row like
// the one it just took leaves the free-space map; a page where a row is deleted joins it again.
//
// The placer remembers the room of the free-space pages it has read. That memory is only good
// while the file does not change behind it: the table writer builds a new placer whenever the
// pager says its cached pages were dropped (Pager::generation()).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "file/pager.h"
#include "format/byte_order.h"
#include "format/page_allocator.h"
#include "format/usage_map_writer.h"
#include "mdb/row_position.h"

namespace mdb {

class RowPlacer {
public:
    struct Maps {
        RowPosition owned;
        RowPosition freeSpace;
    };
    // `owner` is what the pages' owner field holds (the table definition's page, or
    // kLongValueOwner); `smallestRow` the fewest bytes any row of the owner takes.
    RowPlacer(Pager& pager, PageAllocator& allocator, UsageMapWriter& maps, Maps where,
              std::uint32_t owner, std::size_t smallestRow);

    // Stores the row on a page with room and returns where. REQUIRES: row.size() <=
    // kMaxRowOnPage. Throws Error (Corrupt) for a damaged page or map, (Refused) when the file
    // is full.
    RowPosition place(ByteView row);
    // Deletes the live row at `at`, on one of the owner's pages.
    void remove(RowPosition at);
    // Deletes the row an overflow pointer pointed at, once the pointer is gone.
    void removeOverflowTarget(RowPosition at);

    // Releases every page of the owner to the allocator and empties both maps. Lets the pager
    // write early between pages (Pager::writeEarlyIfLarge).
    void releaseAll();

private:
    void loadFreePages();
    bool ownsDataPage(PageNumber n);
    bool isOwnedDataPage(PageNumber n, const PageBytes& page) const;
    // Records page n's room after a change (leaving the free-space map when it is too small).
    void noteRoom(PageNumber n, std::size_t room);
    std::optional<RowPosition> tryPage(PageNumber n, ByteView row);

    Pager& pager_;
    PageAllocator& allocator_;
    UsageMapWriter& maps_;
    Maps where_;
    std::uint32_t owner_;
    std::size_t smallestRow_;
    // The free-space map's pages and their room, read on first use; byRoom_ orders them.
    bool loaded_ = false;
    std::map<PageNumber, std::size_t> roomOf_;
    std::set<std::pair<std::size_t, PageNumber>> byRoom_;
};

}  // namespace mdb
