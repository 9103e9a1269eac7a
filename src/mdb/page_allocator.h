// page_allocator.h: taking pages for new data, index and bitmap pages, and giving them back.
//
// The database's global usage map (page 1 row 0, see usage_map.h) records which pages are free:
// there a SET bit means free, and pages outside an inline map's range count as free. A page is
// used when its bit is clear.
//
// allocate() prefers a page this engine released earlier: one marked free in the global map
// AND entirely zero (release() zero-fills). Access marks some pages free and leaves their old
// bytes; those are never reused, so a file Access made keeps every byte it may still rely on.
// Without such a page it appends a zeroed page at the end of the file. Either way the page's
// bit is cleared, moving the inline map's start or promoting it to a reference map when the
// new page lies outside its range, and the page comes back dirty and zero-filled.
//
// Jet 4 files end at 2 GB; an allocation that would pass it is refused (Error Refused) before
// anything changes. Every change goes through the pager, so the caller must be inside
// Pager::beginWrite()...commit().
//
// The allocator keeps no state that another allocator over the same pager could contradict (it
// only remembers, as a hint, pages it found marked free but not zero), so the table and index
// writers may share one or hold their own.
#pragma once

#include <cstdint>
#include <set>

#include "mdb/pager.h"

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

    // Zero-fills page n and marks it free in the global map. The caller has already removed it
    // from every other usage map. REQUIRES: 1 < n < pageCount() (pages 0 and 1 are never freed).
    void release(PageNumber n);

    // Test seam: pretend the largest file holds `pages` pages instead of kMaxJet4Pages.
    void setPageLimitForTesting(PageNumber pages) { pageLimit_ = pages; }

private:
    Pager& pager_;
    PageNumber pageLimit_ = kMaxJet4Pages;
    std::set<PageNumber> markedFreeButNotZero_;  // hint: skipped by later searches
};

}  // namespace mdb
