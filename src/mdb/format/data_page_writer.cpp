#include "format/data_page_writer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "format/data_page.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::uint16_t kDeletedFlags = kRowDeleted | kRowOverflow;

[[noreturn]] void corrupt(PageNumber page, const std::string& what) {
    throw Error(Error::Kind::Corrupt, "data page " + std::to_string(page) + ": " + what);
}

}  // namespace

DataPageWriter::DataPageWriter(PageBytes& page, PageNumber number, const JetFormat& format)
    : page_(page),
      pageSize_(format.pageSize),
      countAt_(format.dataRowCountOffset),
      firstSlot_(format.dataFirstSlotOffset),
      number_(number) {
    if (page[0] != kDataPageType)
        corrupt(number, "expected a data page, found page type " + std::to_string(page[0]));
    const std::size_t count = get16le(page, countAt_);
    if (count > 256 || slotAt(count) > pageSize_)
        corrupt(number, std::to_string(count) + " row slots do not fit on the page");
    slots_.reserve(count + 1);
    slots_.resize(count);  // filled by index: a writer is made for every row placed
    std::size_t end = pageSize_;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t raw = get16le(page, slotAt(i));
        const std::size_t start = raw & kRowOffsetMask;
        if (start < slotAt(count) || start > end)
            corrupt(number, "row " + std::to_string(i) + " has an invalid extent (" +
                                std::to_string(start) + " to " + std::to_string(end) + ")");
        slots_[i] = {static_cast<std::uint16_t>(raw & ~kRowOffsetMask), start, end};
        end = start;
    }
}

void DataPageWriter::initialize(PageBytes& page, std::uint32_t owner, const JetFormat& format) {
    std::fill(page.begin(), page.end(), std::uint8_t{0});
    page[0] = kDataPageType;
    page[1] = 0x01;
    put16le(page, 2, static_cast<std::uint16_t>(format.pageSize - format.dataFirstSlotOffset));
    put32le(page, 4, owner);
}

bool DataPageWriter::reusable(const Slot& s) const {
    if ((s.flags & kRowDeleted) == 0) return false;
    return (s.flags & kRowOverflow) != 0 || s.start == s.end;
}

std::size_t DataPageWriter::keptBytes() const {
    std::size_t kept = 0;
    for (const Slot& s : slots_)
        if (!reusable(s)) kept += s.end - s.start;
    return kept;
}

std::optional<std::size_t> DataPageWriter::freeSlot() const {
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (reusable(slots_[i])) return i;
    return std::nullopt;
}

std::size_t DataPageWriter::room(std::size_t kept, bool hasFreeSlot) const {
    const std::size_t free = pageSize_ - slotAt(slots_.size()) - kept;
    if (hasFreeSlot) return free;
    if (slots_.size() >= kMaxRowsPerPage || free < 2) return 0;
    return free - 2;
}

std::size_t DataPageWriter::room() const { return room(keptBytes(), freeSlot().has_value()); }

bool DataPageWriter::fits(std::size_t size) const { return size > 0 && size <= room(); }

bool DataPageWriter::empty() const {
    return std::all_of(slots_.begin(), slots_.end(), [this](const Slot& s) { return reusable(s); });
}

void DataPageWriter::writeHeader() {
    put16le(page_, countAt_, static_cast<std::uint16_t>(slots_.size()));
    for (std::size_t i = 0; i < slots_.size(); ++i)
        put16le(page_, slotAt(i), static_cast<std::uint16_t>(slots_[i].flags | slots_[i].start));
    put16le(page_, 2, static_cast<std::uint16_t>(pageSize_ - slotAt(slots_.size()) - keptBytes()));
}

void DataPageWriter::repack(std::optional<std::size_t> extraSlot, ByteView extra) {
    PageBytes copy = page_;
    if (extraSlot && *extraSlot == slots_.size()) slots_.push_back({0, 0, 0});
    // Free slots at the end need not exist at all, but one slot stays: mdbtools reads row 0 of
    // a page without checking that it has any (and prints a record of nulls).
    while (slots_.size() > 1 && reusable(slots_.back()) && slots_.size() - 1 != extraSlot)
        slots_.pop_back();
    std::size_t end = pageSize_;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& s = slots_[i];
        ByteView bytes;
        if (extraSlot && i == *extraSlot) {
            s.flags = 0;
            bytes = extra;
        } else if (!reusable(s)) {
            bytes = ByteView(copy).subspan(s.start, s.end - s.start);
        }
        s.end = end;
        s.start = end - bytes.size();
        if (!bytes.empty()) std::memcpy(page_.data() + s.start, bytes.data(), bytes.size());
        end = s.start;
    }
    // Old bytes below the rows are cleared: a deleted row's data does not linger in the file.
    const std::size_t area = slotAt(slots_.size());
    std::fill(page_.begin() + static_cast<std::ptrdiff_t>(std::min(area, end)),
              page_.begin() + static_cast<std::ptrdiff_t>(end), std::uint8_t{0});
    std::fill(page_.begin() + static_cast<std::ptrdiff_t>(slotAt(0)),
              page_.begin() + static_cast<std::ptrdiff_t>(area), std::uint8_t{0});
    writeHeader();
}

std::optional<std::uint8_t> DataPageWriter::insert(ByteView row) {
    // As fits(), with the slots looked through once.
    const std::optional<std::size_t> reuse = freeSlot();
    const std::size_t kept = keptBytes();
    if (row.empty() || row.size() > room(kept, reuse.has_value())) return std::nullopt;
    const std::size_t lowest = slots_.empty() ? pageSize_ : slots_.back().start;
    if (!reuse && lowest >= slotAt(slots_.size() + 1) + row.size()) {
        // The common case: a new last slot, its bytes below the lowest row.
        const std::size_t start = lowest - row.size();
        std::memcpy(page_.data() + start, row.data(), row.size());
        slots_.push_back({0, start, lowest});
        put16le(page_, countAt_, static_cast<std::uint16_t>(slots_.size()));
        put16le(page_, slotAt(slots_.size() - 1), static_cast<std::uint16_t>(start));
        put16le(page_, 2,
                static_cast<std::uint16_t>(pageSize_ - slotAt(slots_.size()) - kept - row.size()));
        return static_cast<std::uint8_t>(slots_.size() - 1);
    }
    const std::size_t slot = reuse.value_or(slots_.size());
    repack(slot, row);
    return static_cast<std::uint8_t>(slot);
}

void DataPageWriter::remove(std::uint8_t row) {
    if (row >= slots_.size() || (slots_[row].flags & kRowDeleted) != 0)
        corrupt(number_, "row " + std::to_string(row) + " is not a live row");
    slots_[row].flags = kDeletedFlags;
    repack(std::nullopt, {});
}

void DataPageWriter::removeOverflowTarget(std::uint8_t row) {
    if (row >= slots_.size() || slots_[row].flags != kRowDeleted)
        corrupt(number_, "row " + std::to_string(row) + " is not the target of an overflow row");
    slots_[row].flags = kDeletedFlags;
    repack(std::nullopt, {});
}

}  // namespace mdb
