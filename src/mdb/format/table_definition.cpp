#include "format/table_definition.h"

#include <algorithm>
#include <unordered_set>

#include "format/code_page_text.h"
#include "format/jet_text.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::size_t kNextPageOffset = 4;
constexpr std::size_t kPageHeaderSize = 8;
constexpr std::size_t kIndexColumnSlots = 10;
constexpr std::uint16_t kNoColumn = 0xFFFF;

[[noreturn]] void corrupt(PageNumber first, const std::string& what) {
    throw Error(Error::Kind::Corrupt,
                "table definition at page " + std::to_string(first) + ": " + what);
}

// Walks the definition's fields in order, failing with the definition's page in the message.
class Reader {
public:
    Reader(ByteView bytes, PageNumber first, const JetFormat& format, std::uint16_t codePage)
        : bytes_(bytes), first_(first), format_(format), codePage_(codePage) {}

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
    // A name at `at`: its byte length (1 or 2 bytes), then UTF-16LE or 8-bit text. Advances
    // `at` past it.
    std::string name(std::size_t& at, const char* what) const {
        const std::size_t lengthSize = format_.nameLengthSize;
        const std::size_t length = lengthSize == 1 ? u8(at, what) : u16(at, what);
        require(at + lengthSize, length, what);
        const ByteView stored = bytes_.subspan(at + lengthSize, length);
        std::string text =
            format_.eightBitText ? decodeCodePageText(stored, codePage_) : decodeUtf16(stored);
        at += lengthSize + length;
        return text;
    }
    std::size_t size() const { return bytes_.size(); }

private:
    ByteView bytes_;
    PageNumber first_;
    const JetFormat& format_;
    std::uint16_t codePage_;
};

bool isText(ColumnType type) { return type == ColumnType::Text || type == ColumnType::Memo; }

Column readColumn(const Reader& r, std::size_t at, const JetFormat& f) {
    const char* what = "a column block";
    Column c;
    c.type = static_cast<ColumnType>(r.u8(at, what));
    c.number = r.u16(at + f.columnNumberOffset, what);
    c.varIndex = r.u16(at + f.columnVarIndexOffset, what);
    c.precision = r.u8(at + f.columnPrecisionOffset, what);
    c.scale = r.u8(at + f.columnPrecisionOffset + 1, what);
    c.sortOrder = r.u16(at + f.columnSortOrderOffset, what);
    if (f.hasSortVersion) c.sortVersion = r.u8(at + f.columnSortOrderOffset + 3, what);
    c.flags = r.u8(at + f.columnFlagsOffset, what);
    if (f.columnExtFlagsOffset != 0) c.extFlags = r.u8(at + f.columnExtFlagsOffset, what);
    c.fixedOffset = r.u16(at + f.columnFixedOffsetOffset, what);
    c.length = r.u16(at + f.columnLengthOffset, what);
    if (f.eightBitText && isText(c.type)) c.codePage = r.u16(at + f.columnCodePageOffset, what);
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

TableDefinition parseTableDefinition(ByteView bytes, PageNumber first, const JetFormat& format,
                                     std::uint16_t codePage) {
    const JetFormat& f = format;
    const Reader r(bytes, first, f, codePage);
    TableDefinition t;
    t.format = &f;
    t.page = first;
    t.length = r.u32(8, "the header");
    t.rowCount = r.u32(f.tdefRowCountOffset, "the header");
    t.autoNumber = r.u32(f.tdefAutoNumberOffset, "the header");
    if (f.tdefAutoNumberFlagOffset != 0)
        t.autoNumberFlag = r.u8(f.tdefAutoNumberFlagOffset, "the header");
    // The fields after the table type are the same in both formats, one after the other.
    const std::size_t type = f.tdefTableTypeOffset;
    t.tableType = r.u8(type, "the header");
    t.maxColumns = r.u16(type + 1, "the header");
    t.variableColumns = r.u16(type + 3, "the header");
    const std::size_t columnCount = r.u16(type + 5, "the header");
    const std::uint32_t logicalCount = r.u32(type + 7, "the header");
    const std::uint32_t realCount = r.u32(type + 11, "the header");
    t.ownedPagesMap = rowPositionFromPointer(r.u32(type + 15, "the header"));
    t.freePagesMap = rowPositionFromPointer(r.u32(type + 19, "the header"));

    // Counts are checked against the bytes there are before anything is sized by them.
    std::size_t at = f.tdefIndexHeaderOffset;
    if (realCount > r.size() / f.tdefIndexHeaderSize ||
        logicalCount > r.size() / f.tdefLogicalIndexBlockSize)
        corrupt(first, "index counts are larger than the definition");
    r.require(at, realCount * f.tdefIndexHeaderSize, "the index headers");
    std::vector<std::uint32_t> uniqueCounts;
    for (std::uint32_t i = 0; i < realCount; ++i, at += f.tdefIndexHeaderSize)
        uniqueCounts.push_back(r.u32(at + 4, "the index headers"));

    r.require(at, columnCount * f.tdefColumnBlockSize, "the column blocks");
    for (std::size_t i = 0; i < columnCount; ++i, at += f.tdefColumnBlockSize)
        t.columns.push_back(readColumn(r, at, f));
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

    for (std::uint32_t i = 0; i < realCount; ++i, at += f.tdefIndexBlockSize) {
        r.require(at, f.tdefIndexBlockSize, "an index block");
        PhysicalIndex index;
        index.number = static_cast<int>(i);
        index.uniqueEntryCount = uniqueCounts[i];
        for (std::size_t k = 0; k < kIndexColumnSlots; ++k) {
            const std::size_t slot = at + f.indexColumnsOffset + 3 * k;
            const std::uint16_t number = r.u16(slot, "an index block");
            if (number == kNoColumn) continue;
            if (findColumn(t.columns, number) == nullptr)
                corrupt(first, "index " + std::to_string(i) + " names column " +
                                   std::to_string(number) + ", which does not exist");
            index.columns.push_back({number, (r.u8(slot + 2, "an index block") & 1) != 0});
        }
        index.usageMap =
            rowPositionFromPointer(r.u32(at + f.indexUsageMapOffset, "an index block"));
        index.rootPage = r.u32(at + f.indexRootOffset, "an index block");
        index.flags = r.u8(at + f.indexFlagsOffset, "an index block");
        t.physicalIndexes.push_back(std::move(index));
    }

    for (std::uint32_t i = 0; i < logicalCount; ++i, at += f.tdefLogicalIndexBlockSize) {
        r.require(at, f.tdefLogicalIndexBlockSize, "a logical index block");
        // Offsets from `block` are the same in both formats.
        const std::size_t block = at + f.logicalIndexFieldsOffset - 4;
        Index index;
        index.number = static_cast<int>(r.u32(block + 4, "a logical index block"));
        const std::uint32_t physical = r.u32(block + 8, "a logical index block");
        if (physical >= realCount)
            corrupt(first, "logical index " + std::to_string(i) + " uses physical index " +
                               std::to_string(physical) + ", which does not exist");
        index.physicalIndex = static_cast<int>(physical);
        index.relatedTableType = r.u8(block + 12, "a logical index block");
        index.relatedIndex = static_cast<std::int32_t>(r.u32(block + 13, "a logical index block"));
        index.relatedTablePage = r.u32(block + 17, "a logical index block");
        index.cascadeUpdates = r.u8(block + 21, "a logical index block");
        index.cascadeDeletes = r.u8(block + 22, "a logical index block");
        index.kind = static_cast<Index::Kind>(r.u8(block + 23, "a logical index block"));
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
        const auto end = page->begin() + static_cast<std::ptrdiff_t>(pager.pageSize());
        joined.insert(joined.end(), from, end);
        chain.push_back(n);
        n = get32le(*page, kNextPageOffset);
    }
    TableDefinition t =
        parseTableDefinition(joined, first, formatOfPageSize(pager.pageSize()), pager.codePage());
    t.pages = std::move(chain);
    return t;
}

}  // namespace mdb
