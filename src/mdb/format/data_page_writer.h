// data_page_writer.h: changing the rows of a data page (layout in data_page.h) in place.
//
// Row numbers are what index entries and row pointers hold, so a row keeps its number for as
// long as it lives; its bytes may move within the page. Rows stay packed in slot order from the
// page end down (row i ends where row i-1 starts), which is how every reader finds a row's end.
//
// A deleted row keeps its slot, flagged 0xC000 as Access writes it, and loses its bytes at
// once: the rows after it move up and its slot points, with zero length, at where it ended.
// Its number is free for a later row, and trailing free slots are dropped (all but slot 0). A slot
// flagged deleted that still holds bytes is left alone unless it is also flagged 0x4000 (a row
// another writer deleted in place): with the deleted flag alone it may be the target of an
// overflow pointer, whose row lives on.
//
// The free-space field (bytes 2-3) always says how many bytes a new row, with its slot, may
// take once freed bytes are gathered: 4096 - 14 - 2 * slots - the bytes rows keep (Jet 3:
// 2048 - 10 - ..., its row count at 8 and slots from 10).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "file/page_file.h"
#include "format/byte_order.h"
#include "format/jet_format.h"

namespace mdb {

// Row numbers are one byte; Access and Jackcess stop at 255 rows on a page.
constexpr std::size_t kMaxRowsPerPage = 255;
// The most a row may take on an empty page: the page less its header and the row's slot.
constexpr std::size_t kMaxRowOnPage = kPageSize - 14 - 2;
inline std::size_t maxRowOnPage(const JetFormat& format) {
    return format.pageSize - format.dataFirstSlotOffset - 2;
}

class DataPageWriter {
public:
    // Throws Error (Corrupt) naming the page when its type, slots or row extents are damaged.
    DataPageWriter(PageBytes& page, PageNumber number, const JetFormat& format = jet4Format());

    // Writes the header of an empty data page owned by `owner` (a table definition's page, or
    // kLongValueOwner) over zeros.
    static void initialize(PageBytes& page, std::uint32_t owner,
                           const JetFormat& format = jet4Format());

    // Whether a row of `size` bytes can be added (by reusing a free slot or adding one, after
    // gathering freed bytes if need be).
    bool fits(std::size_t size) const;
    // Free bytes once freed bytes are gathered, less a slot when one must be added.
    std::size_t room() const;
    // Adds the row; returns its number, or nullopt when it does not fit.
    std::optional<std::uint8_t> insert(ByteView row);
    // Deletes a live row (0x8000 and 0x4000 are set, its bytes go). Throws Error (Corrupt) when
    // the row does not exist or is already deleted.
    void remove(std::uint8_t row);
    // Deletes the row an overflow pointer pointed at (a slot flagged deleted alone, still
    // holding the row's bytes), once that pointer is gone.
    void removeOverflowTarget(std::uint8_t row);
    // Whether no slot holds a live row or bytes that may still be needed.
    bool empty() const;

private:
    struct Slot {
        std::uint16_t flags;
        std::size_t start, end;
    };
    bool reusable(const Slot& s) const;
    std::size_t room(std::size_t kept, bool hasFreeSlot) const;
    std::size_t keptBytes() const;
    std::optional<std::size_t> freeSlot() const;
    // Rewrites the row area from the slots, dropping freed bytes and trailing free slots;
    // `extra` (if any) becomes the bytes of slot `extraSlot`.
    void repack(std::optional<std::size_t> extraSlot, ByteView extra);
    void writeHeader();
    std::size_t slotAt(std::size_t slot) const { return firstSlot_ + 2 * slot; }

    PageBytes& page_;
    std::size_t pageSize_;
    std::size_t countAt_;
    std::size_t firstSlot_;
    PageNumber number_;
    std::vector<Slot> slots_;
};

}  // namespace mdb
