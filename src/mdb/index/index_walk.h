// index_walk.h: reading a whole index, from its root page down to every leaf entry.
//
// A node's entries point to its children in order, and its child-tail page is the last child;
// the leaves of one index are also chained through their previous/next page numbers. The walk
// follows the tree and checks the chain against it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "file/pager.h"
#include "index/index_page.h"

namespace mdb {

struct IndexContents {
    std::vector<IndexEntry> entries;       // every leaf entry, in index order
    std::vector<std::uint32_t> leafPages;  // in order
    std::vector<std::uint32_t> nodePages;  // depth first, parents before children
    int depth = 0;                         // 1 = the root is a leaf
};

// Walks the index whose root is `rootPage`. Throws Error (Kind::Corrupt) when a page is not an
// index page or is damaged, when a page is reached twice (a cycle or shared child), when the
// tree is deeper than any real index, when leaves sit at different depths, when entries are
// out of order across pages, when a node entry is not the last entry under its child, or when
// the leaves' previous/next chain disagrees with the tree.
IndexContents walkIndex(Pager& pager, PageNumber rootPage);

// The same walk, handing each leaf entry to `each` in index order instead of keeping it (the
// result's entries stay empty), so that an index of any size is read in bounded memory. The
// entries before damage have been handed out when the walk throws.
IndexContents walkIndex(Pager& pager, PageNumber rootPage,
                        const std::function<void(const IndexEntry&)>& each);

}  // namespace mdb
