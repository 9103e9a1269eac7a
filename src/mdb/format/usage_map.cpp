#include "format/usage_map.h"

#include <string>

#include "format/byte_order.h"
#include "format/data_page.h"
#include "mdb/error.h"

namespace mdb {
namespace {

[[noreturn]] void corrupt(RowPosition where, const std::string& what) {
    throw Error(Error::Kind::Corrupt, "usage map at " + describe(where) + ": " + what);
}

// Visits the pages first + i for each set bit i below `limit`; returns false when a bit was
// set at or past it.
bool collect(ByteView bitmap, std::uint64_t first, PageNumber limit,
             const std::function<void(PageNumber)>& visit) {
    for (std::size_t byte = 0; byte < bitmap.size(); ++byte) {
        if (bitmap[byte] == 0) continue;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((bitmap[byte] & (1u << bit)) == 0) continue;
            const std::uint64_t page = first + byte * 8 + bit;
            if (page >= limit) return false;
            visit(static_cast<PageNumber>(page));
        }
    }
    return true;
}

}  // namespace

UsageMap UsageMap::read(Pager& pager, RowPosition where) {
    if (where.page == 0) corrupt(where, "a usage map cannot live on page 0");
    PageRef page = pager.page(where.page);
    const DataPage data(*page, where.page, formatOfPageSize(pager.pageSize()));
    if (where.row >= data.rowCount()) corrupt(where, "the row does not exist");
    const ByteView row = data.row(where.row);
    if (row.empty()) corrupt(where, "the row is empty");

    UsageMap map;
    map.where_ = where;
    switch (row[0]) {
        case 0:
            if (row.size() < 5) corrupt(where, "an inline map needs at least 5 bytes");
            map.kind_ = Kind::Inline;
            map.start_ = get32le(row, 1);
            map.bitmap_.assign(row.begin() + 5, row.end());
            break;
        case 1:
            map.kind_ = Kind::Reference;
            for (std::size_t at = 1; at + 4 <= row.size(); at += 4)
                map.bitmapPages_.push_back(get32le(row, at));
            break;
        default:
            corrupt(where, "unknown map type " + std::to_string(row[0]));
    }
    return map;
}

std::vector<PageNumber> UsageMap::pages(Pager& pager, PastEnd pastEnd) const {
    std::vector<PageNumber> out;
    forEachPage(
        pager, [&out](PageNumber n) { out.push_back(n); }, pastEnd);
    return out;
}

void UsageMap::forEachPage(Pager& pager, const std::function<void(PageNumber)>& visit,
                           PastEnd pastEnd) const {
    const PageNumber limit = pager.pageCount();
    auto checked = [&](bool inside) {
        if (!inside && pastEnd == PastEnd::Corrupt)
            corrupt(where_,
                    "lists a page past the end of the file (" + std::to_string(limit) + " pages)");
    };
    if (kind_ == Kind::Inline) {
        checked(collect(bitmap_, start_, limit, visit));
        return;
    }
    const std::size_t pageSize = pager.pageSize();
    const std::size_t perMapPage = formatOfPageSize(pageSize).pagesPerMapPage();
    for (std::size_t j = 0; j < bitmapPages_.size(); ++j) {
        const std::uint64_t first = j * perMapPage;
        const PageNumber mapPage = bitmapPages_[j];
        // Zero (or a negative number) means no bitmap page has been needed yet.
        if (mapPage == 0 || (mapPage & 0x80000000u) != 0) continue;
        if (first >= limit && pastEnd == PastEnd::Ignore) break;
        if (mapPage >= limit)
            corrupt(where_, "bitmap page " + std::to_string(mapPage) + " is past the end of file");
        PageRef bytes = pager.page(mapPage);
        if ((*bytes)[0] != kUsageMapPageType)
            corrupt(where_, "page " + std::to_string(mapPage) + " is not a usage bitmap page");
        checked(collect(ByteView(*bytes).subspan(4, pageSize - 4), first, limit, visit));
    }
}

}  // namespace mdb
