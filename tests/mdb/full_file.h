// full_file.h: a database with no room left inside, for tests of its largest size.
#pragma once

#include "database/claimed_pages.h"
#include "file/pager.h"
#include "format/page_allocator.h"

namespace full_file {

// Takes the pages the global usage map marks free and no table names, so that a new page can
// only come from past the end of the file: with a page limit, as if the file were full.
inline void takeFreePages(mdb::Pager& pager) {
    pager.beginWrite();
    mdb::PageAllocator allocator(pager);
    allocator.setClaimedPages([&pager] { return mdb::claimedFreePages(pager); });
    for (mdb::PageNumber count = pager.pageCount(); allocator.allocate() < count;) {
    }
    pager.commit();
}

}  // namespace full_file
