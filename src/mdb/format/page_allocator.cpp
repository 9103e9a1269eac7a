#include "format/page_allocator.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "format/byte_order.h"
#include "format/usage_map.h"
#include "format/usage_map_row.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::uint8_t kInline = 0, kReference = 1;

std::size_t perMapPage(const Pager& pager) { return pagesPerBitmapPage(pager.pageSize()); }

// A reference pointer names a bitmap page when it is positive (0 and negative numbers: none).
bool hasBitmapPage(std::uint32_t pointer) { return pointer != 0 && (pointer & 0x80000000u) == 0; }

[[noreturn]] void corrupt(const std::string& what) {
    throw Error(Error::Kind::Corrupt, "global usage map: " + what);
}

// The bitmap page `mapPage` of the global map, checked.
PageRef bitmapPage(Pager& pager, PageNumber mapPage) {
    if (mapPage >= pager.pageCount())
        corrupt("bitmap page " + std::to_string(mapPage) + " is past the end of the file");
    PageRef page = pager.page(mapPage);
    if ((*page)[0] != kUsageMapPageType)
        corrupt("page " + std::to_string(mapPage) + " is not a usage bitmap page");
    return page;
}

bool eightZeroBytes(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word == 0;
}

// Calls visit(page) for each set bit of `bits` naming a page below `limit`, first bit = `first`,
// until visit returns true. Returns whether it did.
template <class Visit>
bool forEachSetBit(std::span<const std::uint8_t> bits, std::uint64_t first, PageNumber limit,
                   Visit&& visit) {
    for (std::size_t byte = 0; byte < bits.size(); ++byte) {
        if (first + byte * 8 >= limit) return false;
        // Every allocation searches from the start, and a full map is mostly zero bytes: skip
        // them a word at a time.
        if (byte + 8 <= bits.size() && eightZeroBytes(bits.data() + byte)) {
            byte += 7;
            continue;
        }
        if (bits[byte] == 0) continue;
        for (unsigned bit = 0; bit < 8; ++bit) {
            const std::uint64_t page = first + byte * 8 + bit;
            if (page >= limit) return false;
            if ((bits[byte] & (1u << bit)) != 0 && visit(static_cast<PageNumber>(page)))
                return true;
        }
    }
    return false;
}

// A new bitmap page of the global map for pages j * 32736 (Jet 3: 16352) onwards: the pages
// below `count` (the file before this allocation) used, as nothing said they were free; later
// ones free, as Access marks the pages past the end of its files.
void formatFreshBitmap(PageBytes& page, std::size_t j, PageNumber count, std::size_t pageSize) {
    formatBitmapPage(page, true, pageSize);
    const std::size_t perPage = pagesPerBitmapPage(pageSize);
    const std::uint64_t first = j * perPage;
    const auto bits = bitmapOf(page, pageSize);
    for (std::uint64_t n = first; n < count && n < first + perPage; ++n)
        setBit(bits, n - first, false);
}

}  // namespace

PageAllocator::PageAllocator(Pager& pager)
    : pager_(pager), pageLimit_(pager.pageLimitForTesting().value_or(kMaxJet4Pages)) {}

PageNumber PageAllocator::allocate() {
    if (auto page = reusablePage()) {
        markUsed(*page);
        pager_.reuseFreePage(*page);
        return *page;
    }
    return appendPage();
}

std::optional<PageNumber> PageAllocator::reusablePage() {
    PageRef keep;
    const std::span<const std::uint8_t> row = readMapRow(pager_, kGlobalMap, keep);
    const PageNumber count = pager_.pageCount();
    std::optional<PageNumber> found;
    // A page qualifies when it is marked free and named by no table (pages 0 and 1 never do).
    auto consider = [&](PageNumber page) {
        if (page < 2) return false;
        if (!claimed_) claimed_ = readClaimed_ ? readClaimed_() : std::set<PageNumber>{};
        if (claimed_->contains(page)) return false;
        found = page;
        return true;
    };
    if (row[0] == kInline) {
        forEachSetBit(row.subspan(kInlineBitmapAt), get32le(row, 1), count, consider);
        return found;
    }
    for (std::size_t j = 0; j < referenceSlots(row.size()); ++j) {
        const std::uint64_t first = j * perMapPage(pager_);
        if (first >= count) break;
        const std::uint32_t pointer = get32le(row, 1 + 4 * j);
        // Without a bitmap page nothing says a page of its range is free.
        if (!hasBitmapPage(pointer)) continue;
        PageRef bitmap = bitmapPage(pager_, pointer);
        if (forEachSetBit(bitmapOf(*bitmap, pager_.pageSize()), first, count, consider))
            return found;
    }
    return found;
}

void PageAllocator::markUsed(PageNumber page) {
    // Only called for pages the map itself named free, so the page is in its range.
    std::span<std::uint8_t> row = changeMapRow(pager_, kGlobalMap);
    if (row[0] == kInline) {
        setBit(row.subspan(kInlineBitmapAt), page - get32le(row, 1), false);
        return;
    }
    const std::uint32_t pointer = get32le(row, 1 + 4 * (page / perMapPage(pager_)));
    PageBytes& bitmap = pager_.modify(pointer);
    setBit(bitmapOf(bitmap, pager_.pageSize()), page % perMapPage(pager_), false);
}

PageNumber PageAllocator::appendPage() {
    PageRef keep;
    const std::span<const std::uint8_t> stored = readMapRow(pager_, kGlobalMap, keep);
    // A copy: changing page 1 below may change the bytes `stored` shows.
    const std::vector<std::uint8_t> row(stored.begin(), stored.end());
    const PageNumber count = pager_.pageCount();
    const bool isInline = row[0] == kInline;
    const std::size_t slots = referenceSlots(row.size());

    // The inline case that needs nothing more: the new page lies in the map's range.
    if (isInline) {
        const std::uint32_t start = get32le(row, 1);
        if (count >= start && count - start < inlinePages(row.size())) {
            requireRoom(count, 1);
            const PageNumber page = pager_.allocate();
            std::span<std::uint8_t> changed = changeMapRow(pager_, kGlobalMap);
            setBit(changed.subspan(kInlineBitmapAt), page - start, false);
            return page;
        }
    }

    // Otherwise a reference map, the inline one promoted first: plan which bitmap pages are
    // missing for the new page and for the bitmap pages themselves, which come after it.
    std::vector<std::uint32_t> pointers(slots, 0);
    if (!isInline)
        for (std::size_t j = 0; j < slots; ++j) pointers[j] = get32le(row, 1 + 4 * j);
    // Promotion also needs bitmap pages for the pages already in the file.
    std::vector<bool> needed(slots, false);
    auto need = [&](PageNumber page) {
        const std::size_t j = page / perMapPage(pager_);
        if (j >= slots)
            throw Error(Error::Kind::Unsupported, "Cannot add a page to '" + pager_.fileName() +
                                                      "': its global usage map cannot name page " +
                                                      std::to_string(page));
        if (!hasBitmapPage(pointers[j])) needed[j] = true;
    };
    if (isInline)
        for (std::size_t first = 0; first < count; first += perMapPage(pager_))
            need(static_cast<PageNumber>(first));
    PageNumber next = count;
    need(next++);  // the page asked for
    std::size_t bitmapPages = 0;
    for (bool grew = true; grew;) {
        grew = false;
        const auto want = static_cast<std::size_t>(std::count(needed.begin(), needed.end(), true));
        while (bitmapPages < want) {
            need(next++);
            ++bitmapPages;
            grew = true;
        }
    }
    requireRoom(count, 1 + bitmapPages);

    // Now change things: the page, then the bitmap pages, every one of them used.
    const PageNumber page = pager_.allocate();
    std::vector<PageNumber> fresh{page};
    for (std::size_t j = 0; j < slots; ++j) {
        if (!needed[j]) continue;
        const PageNumber mapPage = pager_.allocate();
        formatFreshBitmap(pager_.modify(mapPage), j, count, pager_.pageSize());
        pointers[j] = mapPage;
        fresh.push_back(mapPage);
    }
    std::span<std::uint8_t> changed = changeMapRow(pager_, kGlobalMap);
    changed[0] = kReference;
    std::fill(changed.begin() + 1, changed.end(), std::uint8_t{0});
    for (std::size_t j = 0; j < slots; ++j) put32le(changed, 1 + 4 * j, pointers[j]);

    auto mark = [&](PageNumber n, bool free) {
        PageBytes& bitmap = pager_.modify(pointers[n / perMapPage(pager_)]);
        setBit(bitmapOf(bitmap, pager_.pageSize()), n % perMapPage(pager_), free);
    };
    // The pages the inline map named free stay free.
    if (isInline) {
        const std::uint32_t start = get32le(row, 1);
        const auto bits = std::span(row).subspan(kInlineBitmapAt);
        for (std::size_t bit = 0; bit < bits.size() * 8 && start + bit < count; ++bit)
            if (testBit(bits, bit)) mark(static_cast<PageNumber>(start + bit), true);
    }
    for (PageNumber used : fresh) mark(used, false);
    return page;
}

void PageAllocator::requireRoom(PageNumber count, std::size_t pages) const {
    if (static_cast<std::uint64_t>(count) + pages > pageLimit_) {
        const bool jet3 = pager_.pageSize() == kJet3PageSize;
        throw Error(Error::Kind::Refused,
                    "Cannot add a page to '" + pager_.fileName() +
                        "': the database would grow past " +
                        (jet3 ? "1 GB, the largest an Access 97" : "2 GB, the largest an Access") +
                        " database can be");
    }
}

void PageAllocator::release(PageNumber n) {
    if (n < 2 || n >= pager_.pageCount())
        throw Error(Error::Kind::Corrupt,
                    "cannot free page " + std::to_string(n) + " of '" + pager_.fileName() + "'");
    PageRef keep;
    const std::span<const std::uint8_t> row = readMapRow(pager_, kGlobalMap, keep);
    std::optional<PageNumber> bitmap;  // the bitmap page holding n's bit, reference maps
    if (row[0] == kReference) {
        const std::size_t j = n / perMapPage(pager_);
        const std::uint32_t pointer = j < referenceSlots(row.size()) ? get32le(row, 1 + 4 * j) : 0;
        if (hasBitmapPage(pointer)) {
            bitmapPage(pager_, pointer);  // checks it before anything changes
            bitmap = pointer;
        }
    }
    // The page itself is not touched: until the next commit its bytes are still the last
    // commit's, and afterwards they are no one's.
    pager_.noteFreed(n);
    // Its owner has just let go of it (the caller removed it from the owner's map).
    if (claimed_) claimed_->erase(n);
    // A page the map cannot name (outside an inline range, or in a range without a bitmap page)
    // stays used, unowned: recording it would take a page.
    if (row[0] == kInline) {
        const std::uint32_t start = get32le(row, 1);
        if (n < start || n - start >= inlinePages(row.size())) return;
        setBit(changeMapRow(pager_, kGlobalMap).subspan(kInlineBitmapAt), n - start, true);
        return;
    }
    if (!bitmap) return;
    PageBytes& map = pager_.modify(*bitmap);
    setBit(bitmapOf(map, pager_.pageSize()), n % perMapPage(pager_), true);
}

}  // namespace mdb
