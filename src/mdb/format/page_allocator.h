// page_allocator.h: taking pages for new data, index and bitmap pages, and giving them back.
//
// The database's global usage map (page 1 row 0, see usage_map.h) records which pages are free:
// there a SET bit means free. Access sets the bits of pages past the end of the file and writes
// reference maps without bitmap pages (testRefGlobalV2000), so this engine reads the map the
// careful way: a page is free only when a bit says so; a page outside an inline map's range, or
// in a reference range without a bitmap page, counts as used. (Jackcess counts those free; it
// never reuses pages, so for it the difference does not matter.)
//
// allocate() prefers a page inside the file: one marked free in the global map and named by no
// table (setClaimedPages()), as Access itself reuses them. release() only marks the page free; its
// bytes stay as they were, as Access leaves them, so emptying a table writes its maps and not its
// pages. The pager copies such a page for the journal only while its freeing is not committed
// (file/freed_pages.h). Without a free page it appends a zeroed page at the end of the file.
// Either way the page's bit is cleared, promoting an inline map to a reference map when the new
// page lies outside its range (pages it named free stay free, every other page of the file is used)
// and adding a bitmap page to a reference map that lacks one for the new page's range; the page
// comes back dirty and zero-filled. The inline start never moves: moving it would leave used pages
// outside the range, where Jackcess would take them for free ones.
//
// Jet 4 files end at 2 GB; an allocation that would pass it is refused (Error Refused) before
// anything changes. Every change goes through the pager, so the caller must be inside
// Pager::beginWrite()...commit().
//
// The allocator keeps no state that another allocator over the same pager could contradict, so
// the table and index writers may share one or hold their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>

#include "file/pager.h"

namespace mdb {

// 2 GB of 4096-byte pages: the most a Jet 4 file may hold.
constexpr PageNumber kMaxJet4Pages = 0x80000000u / kPageSize;

class PageAllocator {
public:
    explicit PageAllocator(Pager& pager);

    // A zero-filled page marked used in the global map, already dirty in the pager. Throws
    // Error (Refused) when the file would grow past kMaxJet4Pages (or the test limit below),
    // (Corrupt) when the global map is damaged.
    PageNumber allocate();

    // Marks page n free in the global map, leaving its bytes. The caller has already removed it
    // from every other usage map. REQUIRES: 1 < n < pageCount() (pages 0 and 1 are never freed).
    void release(PageNumber n);

    // Pages to pass over although the map marks them free, because some table still names them
    // (database/claimed_pages.h). `read` is called once, when a free page is first considered:
    // most operations take none. Throws what `read` throws.
    void setClaimedPages(std::function<std::set<PageNumber>()> read) {
        readClaimed_ = std::move(read);
    }

    // Throws Error (Refused), as allocate() would, unless `pages` more pages fit after the
    // file's last page (pages free inside the file are not counted).
    void requireRoomAtEnd(std::size_t pages) const { requireRoom(pager_.pageCount(), pages); }

    // Test seam: pretend the largest file holds `pages` pages instead of kMaxJet4Pages.
    void setPageLimitForTesting(PageNumber pages) { pageLimit_ = pages; }

private:
    std::optional<PageNumber> reusablePage();
    void markUsed(PageNumber page);
    PageNumber appendPage();
    // Throws Error (Refused) unless `pages` more pages fit after the first `count`.
    void requireRoom(PageNumber count, std::size_t pages) const;

    Pager& pager_;
    PageNumber pageLimit_ = kMaxJet4Pages;
    std::function<std::set<PageNumber>()> readClaimed_;
    std::optional<std::set<PageNumber>> claimed_;  // once read
};

}  // namespace mdb
