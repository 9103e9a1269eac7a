#include "database/claimed_pages.h"

#include <algorithm>
#include <vector>

#include "database/catalog.h"
#include "format/table_definition.h"
#include "format/usage_map.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr RowPosition kGlobalMapRow{1, 0};

class Claims {
public:
    explicit Claims(Pager& pager) : pager_(pager) {}

    void addTable(PageNumber first) {
        const TableDefinition d = readTableDefinition(pager_, first);
        add(d.pages);
        addMap(d.ownedPagesMap);
        addMap(d.freePagesMap);
        for (const Column& c : d.columns) {
            if (c.longValueOwnedMap) addMap(*c.longValueOwnedMap);
            if (c.longValueFreeMap) addMap(*c.longValueFreeMap);
        }
        for (const PhysicalIndex& index : d.physicalIndexes) {
            addMap(index.usageMap);
            pages_.push_back(index.rootPage);
        }
    }

    std::set<PageNumber> thoseMarkedFree() {
        std::sort(pages_.begin(), pages_.end());
        std::set<PageNumber> out;
        const std::vector<PageNumber> free =
            UsageMap::read(pager_, kGlobalMapRow).pages(pager_, UsageMap::PastEnd::Ignore);
        std::set_intersection(free.begin(), free.end(), pages_.begin(), pages_.end(),
                              std::inserter(out, out.end()));
        return out;
    }

private:
    void add(const std::vector<PageNumber>& pages) {
        pages_.insert(pages_.end(), pages.begin(), pages.end());
    }

    // A null row (page 0) is no map: Access writes that for some system columns.
    void addMap(RowPosition where) {
        if (where.page == 0) return;
        const UsageMap map = UsageMap::read(pager_, where);
        pages_.push_back(where.page);
        for (PageNumber bitmap : map.bitmapPages())
            if (bitmap != 0 && (bitmap & 0x80000000u) == 0) pages_.push_back(bitmap);
        map.forEachPage(pager_, [this](PageNumber p) { pages_.push_back(p); });
    }

    Pager& pager_;
    std::vector<PageNumber> pages_;
};

}  // namespace

std::set<PageNumber> claimedFreePages(Pager& pager) {
    Claims claims(pager);
    for (const CatalogEntry& entry : readCatalog(pager)) {
        if (!entry.isLocalTable()) continue;
        try {
            claims.addTable(entry.tablePage());
        } catch (const Error& e) {
            if (e.kind != Error::Kind::Corrupt) throw;
            throw Error(Error::Kind::Corrupt,
                        "table '" + entry.name + "': " + e.what() +
                            "; the database must be repaired before it can be changed");
        }
    }
    return claims.thoseMarkedFree();
}

}  // namespace mdb
