#include "row/row_placer.h"

#include <vector>

#include "format/data_page.h"
#include "format/data_page_writer.h"
#include "format/jet_format.h"
#include "format/usage_map.h"
#include "mdb/error.h"

namespace mdb {
namespace {

// Pages tried before a new page is taken, when pages whose header promised room turn out not
// to have it (a page another writer left with a stale free-space field).
constexpr int kMaxPagesTried = 8;

}  // namespace

RowPlacer::RowPlacer(Pager& pager, PageAllocator& allocator, UsageMapWriter& maps, Maps where,
                     std::uint32_t owner, std::size_t smallestRow)
    : pager_(pager),
      allocator_(allocator),
      maps_(maps),
      where_(where),
      owner_(owner),
      smallestRow_(smallestRow) {}

bool RowPlacer::ownsDataPage(PageNumber n) {
    if (n == 0 || n >= pager_.pageCount()) return false;
    return isOwnedDataPage(n, *pager_.page(n));
}

bool RowPlacer::isOwnedDataPage(PageNumber n, const PageBytes& page) const {
    return n != 0 && page[0] == kDataPageType && get32le(page, 4) == owner_;
}

void RowPlacer::loadFreePages() {
    if (loaded_) return;
    loaded_ = true;
    UsageMap::read(pager_, where_.freeSpace).forEachPage(pager_, [this](PageNumber n) {
        // What the header says: good enough to choose; the page itself has the last word.
        const std::size_t room = ownsDataPage(n) ? get16le(*pager_.page(n), 2) : 0;
        roomOf_[n] = room;
        byRoom_.insert({room, n});
    });
}

void RowPlacer::noteRoom(PageNumber n, std::size_t room) {
    loadFreePages();
    auto it = roomOf_.find(n);
    if (it != roomOf_.end()) {
        // The page's entry moves to its new place in byRoom_ (no allocation, as at every insert).
        auto entry = byRoom_.extract({it->second, n});
        if (room < smallestRow_) {
            roomOf_.erase(it);
            maps_.remove(where_.freeSpace, n);
            return;
        }
        it->second = room;
        if (entry.empty()) {
            byRoom_.insert({room, n});
        } else {
            entry.value().first = room;
            byRoom_.insert(std::move(entry));
        }
        return;
    }
    if (room < smallestRow_) return;
    roomOf_[n] = room;
    byRoom_.insert({room, n});
    maps_.add(where_.freeSpace, n);
}

std::optional<RowPosition> RowPlacer::tryPage(PageNumber n, ByteView row) {
    if (!ownsDataPage(n)) {
        // Not a page of ours (the map is stale): it has no business in our free-space map.
        noteRoom(n, 0);
        return std::nullopt;
    }
    DataPageWriter page(pager_.modify(n), n, formatOfPageSize(pager_.pageSize()));
    std::optional<std::uint8_t> slot = page.insert(row);
    // A page that could not take another row like this one counts as full, as Jackcess counts
    // it: rows of a table are much alike, and the map then lists only pages worth trying.
    const std::size_t room = page.room();
    noteRoom(n, room < row.size() + 2 ? 0 : room);
    if (!slot) return std::nullopt;
    return RowPosition{n, *slot};
}

RowPosition RowPlacer::place(ByteView row) {
    loadFreePages();
    // The page with the least room that the header says fits the row and its slot.
    for (int tried = 0; tried < kMaxPagesTried; ++tried) {
        auto it = byRoom_.lower_bound({row.size() + 2, 0});
        if (it == byRoom_.end()) break;
        if (auto at = tryPage(it->second, row)) return *at;
    }
    const PageNumber n = allocator_.allocate();
    DataPageWriter::initialize(pager_.modify(n), owner_, formatOfPageSize(pager_.pageSize()));
    maps_.add(where_.owned, n);
    if (auto at = tryPage(n, row)) return *at;
    throw Error(Error::Kind::Refused, "Record is too large");
}

void RowPlacer::remove(RowPosition at) {
    if (!ownsDataPage(at.page))
        throw Error(Error::Kind::Corrupt, describe(at) + " is not on a data page of its owner");
    DataPageWriter page(pager_.modify(at.page), at.page, formatOfPageSize(pager_.pageSize()));
    page.remove(at.row);
    noteRoom(at.page, page.room());
}

void RowPlacer::removeOverflowTarget(RowPosition at) {
    if (!ownsDataPage(at.page))
        throw Error(Error::Kind::Corrupt, describe(at) + " is not on a data page of its owner");
    DataPageWriter page(pager_.modify(at.page), at.page, formatOfPageSize(pager_.pageSize()));
    page.removeOverflowTarget(at.row);
    noteRoom(at.page, page.room());
}

void RowPlacer::releaseAll() {
    const std::vector<PageNumber> pages = UsageMap::read(pager_, where_.owned).pages(pager_);
    // Each page is looked at to see that it is the table's before it is freed; only its header
    // matters, so the pages are not kept.
    std::vector<PageNumber> owned;
    pager_.lookThrough(pages, [&](PageNumber n, const PageBytes& page) {
        if (isOwnedDataPage(n, page)) owned.push_back(n);
    });
    for (PageNumber n : owned) {
        allocator_.release(n);
        pager_.writeEarlyIfLarge();  // a no-op unless the caller allowed it
    }
    maps_.clear(where_.owned);
    maps_.clear(where_.freeSpace);
    loaded_ = true;
    roomOf_.clear();
    byRoom_.clear();
}

}  // namespace mdb
