#include "row/long_value_writer.h"

#include <set>
#include <vector>

#include "format/data_page.h"
#include "mdb/error.h"
#include "row/long_value.h"

namespace mdb {
namespace {

constexpr std::size_t kChainLinkSize = 4;
// Long values too short to stay in the row can still be forced out of a full row.
constexpr std::size_t kSmallestLongValueRow = 16;

RowPlacer::Maps mapsOf(const Column& column) {
    if (!column.longValueOwnedMap || !column.longValueFreeMap)
        throw Error(Error::Kind::Unsupported,
                    "column '" + column.name + "' has no long-value page maps");
    return {*column.longValueOwnedMap, *column.longValueFreeMap};
}

[[noreturn]] void corrupt(const std::string& what) {
    throw Error(Error::Kind::Corrupt, "long value: " + what);
}

}  // namespace

LongValueWriter::LongValueWriter(Pager& pager, PageAllocator& allocator, UsageMapWriter& maps,
                                 const Column& column)
    : pager_(pager),
      placer_(pager, allocator, maps, mapsOf(column), kLongValueOwner, kSmallestLongValueRow) {}

RowPosition LongValueWriter::store(ByteView data) {
    const std::size_t largestRow = formatOfPageSize(pager_.pageSize()).maxLongValueRowSize;
    if (data.size() <= largestRow) return placer_.place(data);
    const std::size_t chainChunk = largestRow - kChainLinkSize;
    // The chain is written from its end, so that each row knows where the next one went.
    const std::size_t chunks = (data.size() + chainChunk - 1) / chainChunk;
    std::uint32_t next = 0;
    std::vector<std::uint8_t> row;
    for (std::size_t k = chunks; k-- > 0;) {
        const ByteView chunk = data.subspan(k * chainChunk);
        row.assign(kChainLinkSize, 0);
        put32le(row, 0, next);
        row.insert(row.end(), chunk.begin(),
                   chunk.begin() + static_cast<std::ptrdiff_t>(std::min(chunk.size(), chainChunk)));
        next = pointerFromRowPosition(placer_.place(row));
    }
    return rowPositionFromPointer(next);
}

void LongValueWriter::remove(ByteView field) {
    if (field.size() < kLongValueHeaderSize)
        corrupt("the header has " + std::to_string(field.size()) + " bytes instead of 12");
    const std::uint8_t type = field[3];
    if (type == kLongValueInline) return;
    const RowPosition first = rowPositionFromPointer(get32le(field, 4));
    if (type == kLongValueSingleRow) {
        placer_.remove(first);
        return;
    }
    if (type != kLongValueChain) corrupt("unknown storage type " + std::to_string(type));
    std::set<RowPosition> seen;
    for (RowPosition at = first;;) {
        if (!seen.insert(at).second) corrupt("the chain loops back to " + describe(at));
        if (at.page == 0 || at.page >= pager_.pageCount())
            corrupt(describe(at) + " is outside the file");
        std::uint32_t next = 0;
        {
            PageRef page = pager_.page(at.page);
            const DataPage data(*page, at.page, formatOfPageSize(pager_.pageSize()));
            if (at.row >= data.rowCount()) corrupt(describe(at) + " does not exist");
            const ByteView row = data.row(at.row);
            if (row.size() < kChainLinkSize) corrupt(describe(at) + " is too short for a link");
            next = get32le(row, 0);
        }
        placer_.remove(at);
        if (next == 0) return;
        at = rowPositionFromPointer(next);
    }
}

void LongValueWriter::removeAll() { placer_.releaseAll(); }

}  // namespace mdb
