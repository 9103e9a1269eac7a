#include "format/usage_map_writer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "format/byte_order.h"
#include "format/usage_map.h"
#include "format/usage_map_row.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::uint8_t kInline = 0, kReference = 1;

bool hasBitmapPage(std::uint32_t pointer) { return pointer != 0 && (pointer & 0x80000000u) == 0; }

std::vector<std::uint8_t> copyRow(Pager& pager, RowPosition map) {
    PageRef keep;
    const std::span<const std::uint8_t> row = readMapRow(pager, map, keep);
    return {row.begin(), row.end()};
}

std::uint32_t pointerAt(std::span<const std::uint8_t> row, std::size_t j) {
    return get32le(row, 1 + 4 * j);
}

[[noreturn]] void cannotHold(RowPosition map, PageNumber page) {
    throw Error(Error::Kind::Unsupported,
                "usage map at " + describe(map) + " cannot name page " + std::to_string(page));
}

// The pages an inline map row names.
std::vector<PageNumber> inlinePagesOf(std::span<const std::uint8_t> row) {
    std::vector<PageNumber> out;
    const std::uint32_t start = get32le(row, 1);
    const auto bits = row.subspan(kInlineBitmapAt);
    for (std::size_t bit = 0; bit < bits.size() * 8; ++bit)
        if (testBit(bits, bit)) out.push_back(static_cast<PageNumber>(start + bit));
    return out;
}

}  // namespace

UsageMapWriter::UsageMapWriter(Pager& pager, PageAllocator& allocator)
    : pager_(pager), allocator_(allocator) {}

void UsageMapWriter::add(RowPosition map, PageNumber page) {
    const std::vector<std::uint8_t> row = copyRow(pager_, map);
    if (row[0] == kReference) {
        addToReference(map, row, {page});
        return;
    }
    const std::uint32_t start = get32le(row, 1);
    const std::size_t span = inlinePages(row.size());
    if (page >= start && page - start < span) {
        if (testBit(std::span(row).subspan(kInlineBitmapAt), page - start)) return;
        setBit(changeMapRow(pager_, map).subspan(kInlineBitmapAt), page - start, true);
        return;
    }
    // Outside the range: move the start (a multiple of 8) if every page still fits, as Access
    // does, else promote the map to a reference map.
    std::vector<PageNumber> pages = inlinePagesOf(row);
    pages.push_back(page);
    const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
    const PageNumber newStart = *low & ~PageNumber{7};
    if (*high - newStart < span) {
        std::span<std::uint8_t> changed = changeMapRow(pager_, map);
        put32le(changed, 1, newStart);
        std::fill(changed.begin() + kInlineBitmapAt, changed.end(), std::uint8_t{0});
        for (PageNumber p : pages) setBit(changed.subspan(kInlineBitmapAt), p - newStart, true);
        return;
    }
    std::vector<std::uint8_t> promoted(row.size(), 0);
    promoted[0] = kReference;
    addToReference(map, promoted, pages);
}

void UsageMapWriter::addToReference(RowPosition map, const std::vector<std::uint8_t>& row,
                                    const std::vector<PageNumber>& pages) {
    const std::size_t slots = referenceSlots(row.size());
    std::vector<std::uint32_t> pointers(slots);
    for (std::size_t j = 0; j < slots; ++j) pointers[j] = pointerAt(row, j);
    // Check every page before anything changes.
    const std::size_t pageSize = pager_.pageSize();
    const std::size_t perMapPage = pagesPerBitmapPage(pageSize);
    for (PageNumber p : pages)
        if (p / perMapPage >= slots) cannotHold(map, p);
    bool rowChanged = row != copyRow(pager_, map);  // a promotion rewrites the row
    for (PageNumber p : pages) {
        const std::size_t j = p / perMapPage;
        if (hasBitmapPage(pointers[j])) continue;
        const PageNumber mapPage = allocator_.allocate();
        formatBitmapPage(pager_.modify(mapPage), false, pageSize);
        pointers[j] = mapPage;
        rowChanged = true;
    }
    if (rowChanged) {
        std::span<std::uint8_t> changed = changeMapRow(pager_, map);
        std::copy(row.begin(), row.end(), changed.begin());
        for (std::size_t j = 0; j < slots; ++j) put32le(changed, 1 + 4 * j, pointers[j]);
    }
    for (PageNumber p : pages) {
        const PageNumber mapPage = pointers[p / perMapPage];
        if (mapPage >= pager_.pageCount() || (*pager_.page(mapPage))[0] != kUsageMapPageType)
            throw Error(Error::Kind::Corrupt, "usage map at " + describe(map) + ": page " +
                                                  std::to_string(mapPage) +
                                                  " is not a usage bitmap page");
        const std::size_t bit = p % perMapPage;
        if (testBit(bitmapOf(*pager_.page(mapPage), pageSize), bit)) continue;
        setBit(bitmapOf(pager_.modify(mapPage), pageSize), bit, true);
    }
}

void UsageMapWriter::remove(RowPosition map, PageNumber page) {
    const std::vector<std::uint8_t> row = copyRow(pager_, map);
    if (row[0] == kInline) {
        const std::uint32_t start = get32le(row, 1);
        if (page < start || page - start >= inlinePages(row.size())) return;
        if (!testBit(std::span(row).subspan(kInlineBitmapAt), page - start)) return;
        setBit(changeMapRow(pager_, map).subspan(kInlineBitmapAt), page - start, false);
        return;
    }
    const std::size_t pageSize = pager_.pageSize();
    const std::size_t perMapPage = pagesPerBitmapPage(pageSize);
    const std::size_t j = page / perMapPage;
    if (j >= referenceSlots(row.size())) return;
    const std::uint32_t mapPage = pointerAt(row, j);
    if (!hasBitmapPage(mapPage)) return;
    UsageMap::read(pager_, map)
        .pages(pager_, UsageMap::PastEnd::Ignore);  // checks the bitmap pages
    if (!testBit(bitmapOf(*pager_.page(mapPage), pageSize), page % perMapPage)) return;
    setBit(bitmapOf(pager_.modify(mapPage), pageSize), page % perMapPage, false);
}

void UsageMapWriter::clear(RowPosition map) {
    const std::vector<std::uint8_t> row = copyRow(pager_, map);
    if (row[0] == kInline) {
        if (std::all_of(row.begin() + kInlineBitmapAt, row.end(), [](auto b) { return b == 0; }))
            return;
        std::span<std::uint8_t> changed = changeMapRow(pager_, map);
        std::fill(changed.begin() + kInlineBitmapAt, changed.end(), std::uint8_t{0});
        return;
    }
    UsageMap::read(pager_, map)
        .pages(pager_, UsageMap::PastEnd::Ignore);  // checks the bitmap pages
    for (std::size_t j = 0; j < referenceSlots(row.size()); ++j) {
        const std::uint32_t mapPage = pointerAt(row, j);
        if (!hasBitmapPage(mapPage)) continue;
        const auto data = bitmapOf(*pager_.page(mapPage), pager_.pageSize());
        if (std::all_of(data.begin(), data.end(), [](auto b) { return b == 0; })) continue;
        auto changed = bitmapOf(pager_.modify(mapPage), pager_.pageSize());
        std::fill(changed.begin(), changed.end(), std::uint8_t{0});
    }
}

}  // namespace mdb
