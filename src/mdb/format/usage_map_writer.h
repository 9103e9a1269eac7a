// usage_map_writer.h: changing the usage map stored in a row (layouts in usage_map.h).
//
// An inline map covers the pages from its start page over as many bits as its row holds. A page
// outside that range is handled as Jackcess does: the start moves (kept a multiple of 8) when
// every page already in the map still fits, and otherwise the map is promoted to a reference
// map in the same row (a row is never grown on its page), whose bitmap pages are taken from the
// allocator as they are needed. The usual 69-byte row then names 17 bitmap pages, enough for a
// 2 GB file; a page a shorter row cannot name is refused (Error Unsupported).
//
// These maps are "set bit = page in the set" (a table's owned and free-space pages, an index's
// pages, a long-value column's pages). The global map, where a set bit means free, is kept by
// PageAllocator.
#pragma once

#include <cstdint>
#include <vector>

#include "file/pager.h"
#include "format/page_allocator.h"
#include "mdb/row_position.h"

namespace mdb {

class UsageMapWriter {
public:
    UsageMapWriter(Pager& pager, PageAllocator& allocator);

    // Puts `page` in the map stored at `map` (nothing changes when it is there already).
    // Throws Error (Corrupt) when the map row is damaged, (Refused) when a bitmap page is
    // needed and the file is full.
    void add(RowPosition map, PageNumber page);
    // Takes `page` out of the map (nothing changes when it is not there).
    void remove(RowPosition map, PageNumber page);
    // Empties the map. A reference map keeps its bitmap pages, zeroed, for later use.
    void clear(RowPosition map);

private:
    // Puts `pages` in the reference map whose row is to read `row` (the stored row, or the
    // promoted one replacing an inline row), taking bitmap pages as needed.
    void addToReference(RowPosition map, const std::vector<std::uint8_t>& row,
                        const std::vector<PageNumber>& pages);

    Pager& pager_;
    PageAllocator& allocator_;
};

}  // namespace mdb
