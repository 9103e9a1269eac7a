#include "row/long_value.h"

#include <algorithm>
#include <set>

#include "format/data_page.h"
#include "mdb/error.h"

namespace mdb {
namespace {

[[noreturn]] void corrupt(const std::string& what) {
    throw Error(Error::Kind::Corrupt, "long value: " + what);
}

ByteView rowAt(Pager& pager, RowPosition where, PageRef& holder) {
    if (where.page == 0 || where.page >= pager.pageCount())
        corrupt(describe(where) + " is outside the file");
    holder = pager.page(where.page);
    const DataPage page(*holder, where.page, formatOfPageSize(pager.pageSize()));
    if (where.row >= page.rowCount()) corrupt(describe(where) + " does not exist");
    return page.row(where.row);
}

}  // namespace

Binary readLongValue(Pager& pager, ByteView field) {
    if (field.size() < kLongValueHeaderSize)
        corrupt("the header has " + std::to_string(field.size()) + " bytes instead of 12");
    const std::size_t length = get24le(field, 0);
    const std::uint8_t type = field[3];
    const RowPosition first = rowPositionFromPointer(get32le(field, 4));

    // Values shorter than their stated length are returned as far as they go, as Access and
    // the other readers do; data past the stated length is not part of the value.
    if (type == kLongValueInline) {
        const ByteView data = field.subspan(kLongValueHeaderSize);
        return Binary(data.begin(),
                      data.begin() + static_cast<std::ptrdiff_t>(std::min(length, data.size())));
    }
    PageRef holder;
    if (type == kLongValueSingleRow) {
        const ByteView data = rowAt(pager, first, holder);
        return Binary(data.begin(),
                      data.begin() + static_cast<std::ptrdiff_t>(std::min(length, data.size())));
    }
    if (type != kLongValueChain)
        corrupt("unknown storage type 0x" + std::to_string(type) + " at " + describe(first));

    Binary out;
    std::set<RowPosition> seen;
    RowPosition at = first;
    while (out.size() < length) {
        if (!seen.insert(at).second) corrupt("the chain loops back to " + describe(at));
        const ByteView row = rowAt(pager, at, holder);
        if (row.size() < 4) corrupt(describe(at) + " is too short for a chain link");
        const std::size_t take = std::min(row.size() - 4, length - out.size());
        out.insert(out.end(), row.begin() + 4, row.begin() + 4 + static_cast<std::ptrdiff_t>(take));
        const std::uint32_t next = get32le(row, 0);
        if (out.size() < length && next == 0)
            corrupt("the chain ends after " + std::to_string(out.size()) + " of " +
                    std::to_string(length) + " bytes");
        at = rowPositionFromPointer(next);
    }
    return out;
}

}  // namespace mdb
