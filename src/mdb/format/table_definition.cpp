#include "format/table_definition.h"

#include <algorithm>
#include <unordered_set>

#include "format/jet_text.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::size_t kNextPageOffset = 4;
constexpr std::size_t kPageHeaderSize = 8;
constexpr std::size_t kRealIndexHeaderSize = 12;
constexpr std::size_t kColumnBlockSize = 25;
constexpr std::size_t kRealIndexBlockSize = 52;
constexpr std::size_t kLogicalIndexBlockSize = 28;
constexpr std::size_t kIndexColumnSlots = 10;
constexpr std::uint16_t kNoColumn = 0xFFFF;

[[noreturn]] void corrupt(PageNumber first, const std::string& what) {
    throw Error(Error::Kind::Corrupt,
                "table definition at page " + std::to_string(first) + ": " + what);
}

// Walks the definition's fields in order, failing with the definition's page in the message.
class Reader {
public:
    Reader(ByteView bytes, PageNumber first) : bytes_(bytes), first_(first) {}

    void require(std::size_t at, std::size_t length, const char* what) const {
        if (!fitsIn(bytes_.size(), at, length))
            corrupt(first_, std::string(what) + " runs past the end of the definition");
    }
    std::uint8_t u8(std::size_t at, const char* what) const {
        require(at, 1, what);
        return bytes_[at];
    }
    std::uint16_t u16(std::size_t at, const char* what) const {
        require(at, 2, what);
        return get16le(bytes_, at);
    }
    std::uint32_t u32(std::size_t at, const char* what) const {
        require(at, 4, what);
        return get32le(bytes_, at);
    }
    // A name at `at`: 2-byte byte length, then UTF-16LE. Advances `at` past it.
    std::string name(std::size_t& at, const char* what) const {
        const std::size_t length = u16(at, what);
        require(at + 2, length, what);
        std::string text = decodeUtf16(bytes_.subspan(at + 2, length));
        at += 2 + length;
        return text;
    }
    std::size_t size() const { return bytes_.size(); }

private:
    ByteView bytes_;
    PageNumber first_;
};

Column readColumn(const Reader& r, std::size_t at) {
    Column c;
    c.type = static_cast<ColumnType>(r.u8(at, "a column block"));
    c.number = r.u16(at + 5, "a column block");
    c.varIndex = r.u16(at + 7, "a column block");
    c.precision = r.u8(at + 11, "a column block");
    c.scale = r.u8(at + 12, "a column block");
    c.sortOrder = r.u16(at + 11, "a column block");
    c.sortVersion = r.u8(at + 14, "a column block");
    c.flags = r.u8(at + 15, "a column block");
    c.extFlags = r.u8(at + 16, "a column block");
    c.fixedOffset = r.u16(at + 21, "a column block");
    c.length = r.u16(at + 23, "a column block");
    return c;
}

const Column* findColumn(const std::vector<Column>& columns, std::uint16_t number) {
    for (const Column& c : columns)
        if (c.number == number) return &c;
    return nullptr;
}

}  // namespace

bool TableDefinition::hasVariableColumns() const {
    return std::any_of(columns.begin(), columns.end(),
                       [](const Column& c) { return !c.isFixed(); });
}

TableDefinition parseTableDefinition(ByteView bytes, PageNumber first) {
    const Reader r(bytes, first);
    TableDefinition t;
    t.page = first;
    t.length = r.u32(8, "the header");
    t.rowCount = r.u32(16, "the header");
    t.autoNumber = r.u32(20, "the header");
    t.autoNumberFlag = r.u8(24, "the header");
    t.tableType = r.u8(40, "the header");
    t.maxColumns = r.u16(41, "the header");
    t.variableColumns = r.u16(43, "the header");
    const std::size_t columnCount = r.u16(45, "the header");
    const std::uint32_t logicalCount = r.u32(47, "the header");
    const std::uint32_t realCount = r.u32(51, "the header");
    t.ownedPagesMap = rowPositionFromPointer(r.u32(55, "the header"));
    t.freePagesMap = rowPositionFromPointer(r.u32(59, "the header"));

    // Counts are checked against the bytes there are before anything is sized by them.
    std::size_t at = 63;
    if (realCount > r.size() / kRealIndexHeaderSize || logicalCount > r.size() / 28)
        corrupt(first, "index counts are larger than the definition");
    r.require(at, realCount * kRealIndexHeaderSize, "the index headers");
    std::vector<std::uint32_t> uniqueCounts;
    for (std::uint32_t i = 0; i < realCount; ++i, at += kRealIndexHeaderSize)
        uniqueCounts.push_back(r.u32(at + 4, "the index headers"));

    r.require(at, columnCount * kColumnBlockSize, "the column blocks");
    for (std::size_t i = 0; i < columnCount; ++i, at += kColumnBlockSize)
        t.columns.push_back(readColumn(r, at));
    for (Column& c : t.columns) c.name = r.name(at, "a column name");
    const bool inNumberOrder =
        std::is_sorted(t.columns.begin(), t.columns.end(),
                       [](const Column& a, const Column& b) { return a.number < b.number; });
    if (!inNumberOrder) t.blockOrder = TableDefinition::BlockOrder::ByName;

    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const Column& a, const Column& b) { return a.number < b.number; });
    for (std::size_t i = 1; i < t.columns.size(); ++i)
        if (t.columns[i].number == t.columns[i - 1].number)
            corrupt(first, "two columns have number " + std::to_string(t.columns[i].number));

    for (std::uint32_t i = 0; i < realCount; ++i, at += kRealIndexBlockSize) {
        r.require(at, kRealIndexBlockSize, "an index block");
        PhysicalIndex index;
        index.number = static_cast<int>(i);
        index.uniqueEntryCount = uniqueCounts[i];
        for (std::size_t k = 0; k < kIndexColumnSlots; ++k) {
            const std::uint16_t number = r.u16(at + 4 + 3 * k, "an index block");
            if (number == kNoColumn) continue;
            if (findColumn(t.columns, number) == nullptr)
                corrupt(first, "index " + std::to_string(i) + " names column " +
                                   std::to_string(number) + ", which does not exist");
            index.columns.push_back({number, (r.u8(at + 6 + 3 * k, "an index block") & 1) != 0});
        }
        index.usageMap = rowPositionFromPointer(r.u32(at + 34, "an index block"));
        index.rootPage = r.u32(at + 38, "an index block");
        index.flags = r.u8(at + 46, "an index block");
        t.physicalIndexes.push_back(std::move(index));
    }

    for (std::uint32_t i = 0; i < logicalCount; ++i, at += kLogicalIndexBlockSize) {
        r.require(at, kLogicalIndexBlockSize, "a logical index block");
        Index index;
        index.number = static_cast<int>(r.u32(at + 4, "a logical index block"));
        const std::uint32_t physical = r.u32(at + 8, "a logical index block");
        if (physical >= realCount)
            corrupt(first, "logical index " + std::to_string(i) + " uses physical index " +
                               std::to_string(physical) + ", which does not exist");
        index.physicalIndex = static_cast<int>(physical);
        index.relatedTableType = r.u8(at + 12, "a logical index block");
        index.relatedIndex = static_cast<std::int32_t>(r.u32(at + 13, "a logical index block"));
        index.relatedTablePage = r.u32(at + 17, "a logical index block");
        index.cascadeUpdates = r.u8(at + 21, "a logical index block");
        index.cascadeDeletes = r.u8(at + 22, "a logical index block");
        index.kind = static_cast<Index::Kind>(r.u8(at + 23, "a logical index block"));
        t.indexes.push_back(std::move(index));
    }
    for (Index& index : t.indexes) index.name = r.name(at, "an index name");

    // Long-value maps: older files may end the definition without the closing 0xFFFF.
    while (fitsIn(r.size(), at, 2)) {
        const std::uint16_t number = r.u16(at, "a long-value map");
        if (number == kNoColumn) break;
        const RowPosition owned = rowPositionFromPointer(r.u32(at + 2, "a long-value map"));
        const RowPosition free = rowPositionFromPointer(r.u32(at + 6, "a long-value map"));
        at += 10;
        for (Column& c : t.columns) {
            if (c.number != number) continue;
            c.longValueOwnedMap = owned;
            c.longValueFreeMap = free;
        }
    }
    return t;
}

TableDefinition readTableDefinition(Pager& pager, PageNumber first) {
    std::vector<std::uint8_t> joined;
    std::vector<PageNumber> chain;
    std::unordered_set<PageNumber> seen;
    for (PageNumber n = first; n != 0;) {
        if (!seen.insert(n).second)
            corrupt(first, "the page chain loops back to page " + std::to_string(n));
        if (n >= pager.pageCount())
            corrupt(first, "page " + std::to_string(n) + " is past the end of the file");
        PageRef page = pager.page(n);
        if ((*page)[0] != kTableDefinitionPageType)
            corrupt(first, "page " + std::to_string(n) + " is not a table definition page");
        const auto from = chain.empty() ? page->begin() : page->begin() + kPageHeaderSize;
        joined.insert(joined.end(), from, page->end());
        chain.push_back(n);
        n = get32le(*page, kNextPageOffset);
    }
    TableDefinition t = parseTableDefinition(joined, first);
    t.pages = std::move(chain);
    return t;
}

}  // namespace mdb
