// data_page.h: a view of one data page (4096 bytes in Jet 4, 2048 in Jet 3; little-endian).
// Jet 3 has no unused field: its row count is at 8 and its slots start at 10 (jet_format.h).
//   OFFSET  SIZE  DESCRIPTION
//      0     1    page type, 0x01
//      1     1    0x01
//      2     2    free bytes on the page
//      4     4    page number of the owning table definition ("LVAL" on long-value pages)
//      8     4    unused, written as 0
//     12     2    number of row slots (n)
//     14    2*n   row slots, one per row
// Rows are packed from the end of the page downwards: row i runs from its slot's offset to the
// offset of row i-1 (the page end for row 0). The low 13 bits of a slot are the offset; 0x8000
// marks the row deleted and 0x4000 an overflow pointer (the row only holds the 4-byte pointer
// of the real row, which lives elsewhere marked deleted so that scans skip it). A deleted row
// keeps its slot, often with zero length.
#pragma once

#include <cstdint>

#include "file/page_file.h"
#include "format/byte_order.h"
#include "format/format_constants.h"
#include "format/jet_format.h"

namespace mdb {

constexpr std::uint16_t kRowDeleted = 0x8000;
constexpr std::uint16_t kRowOverflow = 0x4000;
constexpr std::uint16_t kRowOffsetMask = 0x1FFF;
constexpr std::size_t kDataPageHeaderSize = 14;

class DataPage {
public:
    // Throws Error (Corrupt) naming the page if byte 0 is not 0x01 or the slots run off the page.
    // `bytes` may be longer than the format's page (a page buffer); the rest is not looked at.
    DataPage(ByteView bytes, PageNumber number, const JetFormat& format = jet4Format());

    PageNumber number() const { return number_; }
    std::uint32_t owner() const { return get32le(bytes_, 4); }
    std::uint16_t freeSpace() const { return get16le(bytes_, 2); }
    int rowCount() const { return rows_; }

    bool isDeleted(int row) const { return (slot(row) & kRowDeleted) != 0; }
    bool isOverflow(int row) const { return (slot(row) & kRowOverflow) != 0; }
    // The row's bytes, flags ignored. Throws Error (Corrupt) if it lies outside the row area.
    ByteView row(int row) const;

private:
    std::uint16_t slot(int row) const;

    ByteView bytes_;
    PageNumber number_;
    std::size_t firstSlot_;
    int rows_;
};

}  // namespace mdb
