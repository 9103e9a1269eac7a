#include "format/data_page.h"

#include <string>

#include "mdb/error.h"

namespace mdb {
namespace {

[[noreturn]] void corrupt(PageNumber page, const std::string& what) {
    throw Error(Error::Kind::Corrupt, "data page " + std::to_string(page) + ": " + what);
}

}  // namespace

DataPage::DataPage(ByteView bytes, PageNumber number, const JetFormat& format)
    : number_(number), firstSlot_(format.dataFirstSlotOffset) {
    if (bytes.size() < format.pageSize) corrupt(number, "not a whole page");
    bytes_ = bytes.first(format.pageSize);
    if (bytes_[0] != kDataPageType)
        corrupt(number, "expected a data page, found page type " + std::to_string(bytes_[0]));
    rows_ = get16le(bytes_, format.dataRowCountOffset);
    if (!fitsIn(bytes_.size(), firstSlot_, 2 * static_cast<std::size_t>(rows_)))
        corrupt(number, std::to_string(rows_) + " row slots do not fit on the page");
}

std::uint16_t DataPage::slot(int row) const {
    if (row < 0 || row >= rows_)
        corrupt(number_, "row " + std::to_string(row) + " does not exist (the page has " +
                             std::to_string(rows_) + " rows)");
    return get16le(bytes_, firstSlot_ + 2 * static_cast<std::size_t>(row));
}

ByteView DataPage::row(int row) const {
    const std::size_t start = slot(row) & kRowOffsetMask;
    // The top flag bits are masked off: without the mask a deleted row's offset reads as
    // 32768 or more and walks off the page.
    const std::size_t end = row == 0 ? bytes_.size() : (slot(row - 1) & kRowOffsetMask);
    const std::size_t rowArea = firstSlot_ + 2 * static_cast<std::size_t>(rows_);
    if (start < rowArea || start > end || end > bytes_.size())
        corrupt(number_, "row " + std::to_string(row) + " has an invalid extent (" +
                             std::to_string(start) + " to " + std::to_string(end) + ")");
    return bytes_.subspan(start, end - start);
}

}  // namespace mdb
