#include "format/usage_map_row.h"

#include <algorithm>
#include <string>

#include "format/data_page.h"
#include "format/usage_map.h"
#include "mdb/error.h"

namespace mdb {
namespace {

[[noreturn]] void corrupt(RowPosition where, const std::string& what) {
    throw Error(Error::Kind::Corrupt, "usage map at " + describe(where) + ": " + what);
}

// Where the row lies on its page: offset and length, checked.
std::pair<std::size_t, std::size_t> locate(const PageBytes& bytes, RowPosition where,
                                           const JetFormat& format) {
    const DataPage page(bytes, where.page, format);
    if (where.row >= page.rowCount()) corrupt(where, "the row does not exist");
    const ByteView row = page.row(where.row);
    if (row.size() < kInlineBitmapAt) corrupt(where, "the row is shorter than 5 bytes");
    if (row[0] != 0 && row[0] != 1) corrupt(where, "unknown map type " + std::to_string(row[0]));
    return {static_cast<std::size_t>(row.data() - bytes.data()), row.size()};
}

}  // namespace

std::span<std::uint8_t> changeMapRow(Pager& pager, RowPosition where) {
    if (where.page == 0) corrupt(where, "a usage map cannot live on page 0");
    // Check before modify(), so that a damaged map leaves no page dirty.
    PageRef before = pager.page(where.page);
    const auto [offset, length] = locate(*before, where, formatOfPageSize(pager.pageSize()));
    PageBytes& bytes = pager.modify(where.page);
    return std::span<std::uint8_t>(bytes).subspan(offset, length);
}

std::span<const std::uint8_t> readMapRow(Pager& pager, RowPosition where, PageRef& keep) {
    if (where.page == 0) corrupt(where, "a usage map cannot live on page 0");
    keep = pager.page(where.page);
    const auto [offset, length] = locate(*keep, where, formatOfPageSize(pager.pageSize()));
    return std::span<const std::uint8_t>(*keep).subspan(offset, length);
}

void formatBitmapPage(PageBytes& page, bool set, std::size_t pageSize) {
    std::fill(page.begin(), page.end(), std::uint8_t{0});
    std::fill_n(page.begin(), pageSize, static_cast<std::uint8_t>(set ? 0xFF : 0x00));
    page[0] = kUsageMapPageType;
    page[1] = 0x01;
    page[2] = 0x00;
    page[3] = 0x00;
}

}  // namespace mdb
