#include "row/table_scan.h"

#include <algorithm>
#include <set>
#include <span>

#include "format/usage_map.h"
#include "mdb/error.h"

namespace mdb {

namespace {

// Access moves a row at most a few times and keeps the pointer in its original slot up to
// date, so a real chain is one or two pointers long. The bound keeps a crafted file, whose every
// slot starts a long chain, from making a scan quadratic.
constexpr int kMaxOverflowHops = 16;

}  // namespace

std::optional<LocatedRow> locateRow(Pager& pager, RowPosition position, PageRef firstPage) {
    std::set<RowPosition> seen;  // the chain's positions, once it is one (most rows never are)
    RowPosition at = position;
    for (int hops = 0;; ++hops) {
        const bool first = hops == 0;
        if (!first && !seen.insert(at).second)
            throw Error(Error::Kind::Corrupt,
                        "the overflow pointers of " + describe(position) + " loop");
        if (hops > kMaxOverflowHops)
            throw Error(Error::Kind::Corrupt, "the overflow pointers of " + describe(position) +
                                                  " go on for more than " +
                                                  std::to_string(kMaxOverflowHops) + " rows");
        if (at.page == 0 || at.page >= pager.pageCount())
            throw Error(Error::Kind::Corrupt,
                        describe(position) + " points outside the file, at " + describe(at));
        PageRef page = first && firstPage ? std::move(firstPage) : pager.page(at.page);
        const DataPage data(*page, at.page, formatOfPageSize(pager.pageSize()));
        if (at.row >= data.rowCount())
            throw Error(Error::Kind::Corrupt, describe(at) + " does not exist");
        // Only the first slot's deleted flag counts: rows reached through an overflow pointer
        // are always marked deleted, so that scans do not meet them twice.
        if (first && data.isDeleted(at.row)) return std::nullopt;
        const ByteView bytes = data.row(at.row);
        if (!data.isOverflow(at.row)) return LocatedRow{position, at, std::move(page), bytes};
        if (bytes.size() < 4)
            throw Error(Error::Kind::Corrupt, "the overflow pointer at " + describe(at) + " has " +
                                                  std::to_string(bytes.size()) + " bytes");
        if (first) seen.insert(at);
        at = rowPositionFromPointer(get32le(bytes, 0));
    }
}

namespace {

// Owned maps also list pages a table no longer uses; only its data pages hold rows. Row numbers
// are one byte in row pointers: a page cannot address more than 256 rows.
std::optional<DataPage> rowsPage(Pager& pager, PageNumber n, const PageBytes& bytes,
                                 PageNumber tablePage) {
    if (bytes[0] != kDataPageType || get32le(bytes, 4) != tablePage) return std::nullopt;
    DataPage data(bytes, n, formatOfPageSize(pager.pageSize()));
    if (data.rowCount() > 256)
        throw Error(Error::Kind::Corrupt, "data page " + std::to_string(n) + " has " +
                                              std::to_string(data.rowCount()) + " rows");
    return data;
}

}  // namespace

void forEachRowPosition(Pager& pager, const TableDefinition& table,
                        const std::function<void(RowPosition)>& each) {
    const std::vector<PageNumber> pages = UsageMap::read(pager, table.ownedPagesMap).pages(pager);
    // A page past the end of the file ends the walk there with page()'s error, as in a scan.
    const auto end = std::find_if(pages.begin(), pages.end(),
                                  [&](PageNumber n) { return n >= pager.pageCount(); });
    pager.lookThrough(std::span(pages.begin(), end), [&](PageNumber n, const PageBytes& bytes) {
        const std::optional<DataPage> data = rowsPage(pager, n, bytes, table.page);
        if (!data) return;
        for (int slot = 0; slot < data->rowCount(); ++slot) {
            const RowPosition position{n, static_cast<std::uint8_t>(slot)};
            if (data->isDeleted(slot)) continue;
            if (!data->isOverflow(slot)) {
                each(position);
            } else if (locateRow(pager, position)) {  // the chain is checked as a scan does
                each(position);
            }
        }
    });
    if (end != pages.end()) pager.page(*end);
}

TableScan::TableScan(Pager& pager, const TableDefinition& table)
    : pager_(pager),
      tablePage_(table.page),
      pages_(UsageMap::read(pager, table.ownedPagesMap).pages(pager)) {}

bool TableScan::next() {
    for (;;) {
        while (page_ && ++slot_ < slots_) {
            const RowPosition position{pages_[pageIndex_ - 1], static_cast<std::uint8_t>(slot_)};
            if (std::optional<LocatedRow> found = locateRow(pager_, position, page_)) {
                row_ = std::move(*found);
                return true;
            }
        }
        page_.reset();
        if (pageIndex_ >= pages_.size()) return false;
        pager_.readAheadWhileGoing(pages_, pageIndex_);
        const PageNumber n = pages_[pageIndex_++];
        PageRef bytes = pager_.page(n);
        const std::optional<DataPage> data = rowsPage(pager_, n, *bytes, tablePage_);
        if (!data) continue;
        slots_ = data->rowCount();
        slot_ = -1;
        page_ = std::move(bytes);
    }
}

}  // namespace mdb
