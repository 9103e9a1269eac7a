// usage_map_row.h: the bytes of a usage map row and of bitmap pages, for the code that changes
// them (PageAllocator for the global map, UsageMapWriter for every other map). Layouts in
// usage_map.h.
#pragma once

#include <cstdint>
#include <span>

#include "file/pager.h"
#include "mdb/row_position.h"

namespace mdb {

constexpr std::size_t kInlineBitmapAt = 5;  // type byte + start page
constexpr std::size_t kBitmapPageDataAt = 4;

// The map row at `where`, on its page made dirty, ready to change in place. Throws Error
// (Corrupt) when the page is not a data page, the row is missing or shorter than 5 bytes, or
// its type is neither inline nor reference.
std::span<std::uint8_t> changeMapRow(Pager& pager, RowPosition where);

// The same row, read only (no page is made dirty).
std::span<const std::uint8_t> readMapRow(Pager& pager, RowPosition where, PageRef& keep);

// How many reference pointers a row of this length holds, and how many pages an inline bitmap
// of this row length covers.
inline std::size_t referenceSlots(std::size_t rowLength) { return (rowLength - 1) / 4; }
inline std::size_t inlinePages(std::size_t rowLength) { return (rowLength - kInlineBitmapAt) * 8; }

// Turns `page` into an empty bitmap page (05 01 00 00, then every bit `set` or clear) of the
// pager's page size; the rest of the buffer stays zero.
void formatBitmapPage(PageBytes& page, bool set, std::size_t pageSize = kPageSize);

// The bitmap of a bitmap page of `pageSize`-byte pages, and how many pages it covers.
inline std::span<std::uint8_t> bitmapOf(PageBytes& page, std::size_t pageSize) {
    return std::span<std::uint8_t>(page).subspan(kBitmapPageDataAt, pageSize - kBitmapPageDataAt);
}
inline std::span<const std::uint8_t> bitmapOf(const PageBytes& page, std::size_t pageSize) {
    return std::span<const std::uint8_t>(page).subspan(kBitmapPageDataAt,
                                                       pageSize - kBitmapPageDataAt);
}
inline std::size_t pagesPerBitmapPage(std::size_t pageSize) {
    return (pageSize - kBitmapPageDataAt) * 8;
}

inline bool testBit(std::span<const std::uint8_t> bitmap, std::size_t bit) {
    return (bitmap[bit / 8] & (1u << (bit % 8))) != 0;
}
inline void setBit(std::span<std::uint8_t> bitmap, std::size_t bit, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
    bitmap[bit / 8] =
        static_cast<std::uint8_t>(on ? (bitmap[bit / 8] | mask) : (bitmap[bit / 8] & ~mask));
}

}  // namespace mdb
