#include "database/damage_check.h"

#include <algorithm>
#include <string>

#include "format/byte_order.h"
#include "format/data_page.h"
#include "format/usage_map.h"
#include "index/index_page.h"
#include "mdb/error.h"

namespace mdb {
namespace {

[[noreturn]] void damaged(const std::string& what) {
    throw Error(Error::Kind::Corrupt,
                what + "; the database must be repaired before it can be changed");
}

// The pages of a map, each checked to lie in the file.
std::vector<PageNumber> mapPages(Pager& pager, RowPosition where, const std::string& what) {
    if (where.page == 0) return {};  // no map (Access writes that for some system columns)
    try {
        return UsageMap::read(pager, where).pages(pager, UsageMap::PastEnd::Corrupt);
    } catch (const Error& e) {
        if (e.kind != Error::Kind::Corrupt) throw;
        damaged(what + ": " + e.what());
    }
}

void checkIndexRoot(Pager& pager, const TableDefinition& table, const PhysicalIndex& index) {
    const std::string what = "index " + std::to_string(index.number) + ": its root page " +
                             std::to_string(index.rootPage);
    if (index.rootPage >= pager.pageCount()) damaged(what + " is past the end of the file");
    const PageRef root = pager.page(index.rootPage);
    const std::uint8_t type = (*root)[0];
    if (type != static_cast<std::uint8_t>(IndexPage::Kind::Node) &&
        type != static_cast<std::uint8_t>(IndexPage::Kind::Leaf))
        damaged(what + " is not an index page");
    if (get32le(*root, IndexPage::kTdefAt) != table.page)
        damaged(what + " belongs to another table");
}

}  // namespace

void checkBeforeWriting(Pager& pager, const TableDefinition& table) {
    try {
        UsageMap::read(pager, {1, 0}).pages(pager, UsageMap::PastEnd::Ignore);
    } catch (const Error& e) {
        if (e.kind != Error::Kind::Corrupt) throw;
        damaged(std::string("global usage map: ") + e.what());
    }
    const std::vector<PageNumber> owned = mapPages(pager, table.ownedPagesMap, "owned-pages map");
    // Rows are placed on the pages the free-space map names: each must be one of the table's
    // own data pages.
    for (PageNumber p : mapPages(pager, table.freePagesMap, "free-space map")) {
        const PageRef page = pager.page(p);
        if (!std::binary_search(owned.begin(), owned.end(), p) || (*page)[0] != kDataPageType ||
            get32le(*page, 4) != table.page)
            damaged("free-space map: page " + std::to_string(p) +
                    " is not one of the table's data pages");
    }
    for (const Column& c : table.columns) {
        if (c.longValueOwnedMap)
            mapPages(pager, *c.longValueOwnedMap, "long-value map of column '" + c.name + "'");
        if (c.longValueFreeMap)
            mapPages(pager, *c.longValueFreeMap, "long-value free map of column '" + c.name + "'");
    }
    for (const PhysicalIndex& index : table.physicalIndexes) {
        mapPages(pager, index.usageMap, "usage map of index " + std::to_string(index.number));
        checkIndexRoot(pager, table, index);
    }
}

}  // namespace mdb
