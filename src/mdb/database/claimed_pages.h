// claimed_pages.h: pages the global usage map marks free although some table still names them.
//
// A free page is not always an unused one: Access leaves pages marked free that a table's map
// still lists, and a write cut short (or damage) can leave a map naming a page released since.
// Handing such a page to a second owner would make it serve two uses at once. So a table
// writer gives its page allocator this set, read once per write session from the catalogue's
// tables (their definitions, their usage maps' rows and bitmap pages, the pages those maps
// name, their index roots), and the allocator passes over those pages.
#pragma once

#include <set>

#include "file/pager.h"

namespace mdb {

// Throws Error (Corrupt) when a definition or a map cannot be read, or a map names a page past
// the end of the file: then no one can tell which pages are claimed.
std::set<PageNumber> claimedFreePages(Pager& pager);

}  // namespace mdb
