// row_position.h: where a row lives, as index entries and row pointers name it.
//
// On disk a row pointer is 4 bytes: the row (slot) number in the low byte and the page number
// in the upper three (little-endian, so: row, page low, page mid, page high).
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace mdb {

using PageNumber = std::uint32_t;

struct RowPosition {
    PageNumber page = 0;
    std::uint8_t row = 0;
    auto operator<=>(const RowPosition&) const = default;
};

inline RowPosition rowPositionFromPointer(std::uint32_t pointer) {
    return {pointer >> 8, static_cast<std::uint8_t>(pointer & 0xFF)};
}

inline std::uint32_t pointerFromRowPosition(RowPosition p) { return (p.page << 8) | p.row; }

inline std::string describe(RowPosition p) {
    return "page " + std::to_string(p.page) + " row " + std::to_string(p.row);
}

}  // namespace mdb
