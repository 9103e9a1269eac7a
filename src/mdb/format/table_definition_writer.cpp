#include "format/table_definition_writer.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "format/code_page_text.h"
#include "format/jet_text.h"
#include "format/name_compare.h"

namespace mdb {
namespace {

constexpr std::size_t kHeaderSize = 63;
constexpr std::size_t kPageHeaderSize = 8;
constexpr std::size_t kColumnBlockSize = 25;
constexpr std::size_t kRealIndexBlockSize = 52;
constexpr std::size_t kLogicalIndexBlockSize = 28;
constexpr std::size_t kIndexColumnSlots = 10;
// Constants Access writes at the head of table, column and logical index blocks (1625) and of
// physical index blocks (1923); their meaning is unknown.
constexpr std::uint32_t kBlockMagic = 1625;
constexpr std::uint32_t kRealIndexMagic = 1923;

// Appends little-endian fields to a growing buffer, and names in the format's form.
class Out {
public:
    Out(const JetFormat& format, std::uint16_t codePage) : format_(format), codePage_(codePage) {}
    // The database's code page, which Access 97 also notes in every column block.
    std::uint16_t codePage() const { return codePage_; }
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void name(const std::string& utf8) {
        if (format_.eightBitText) return name8(utf8);
        const std::vector<std::uint8_t> text = encodeUtf16(utf8);
        if (text.size() > 0xFFFF) throw std::invalid_argument("name too long: " + utf8);
        u16(static_cast<std::uint16_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
    }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    // Access 97's names: a one-byte length, then one byte per character in the code page.
    void name8(const std::string& utf8) {
        std::vector<std::uint8_t> text;
        (void)appendCodePageText(text, utf8, codePage_);
        if (text.size() > 0xFF) throw std::invalid_argument("name too long: " + utf8);
        u8(static_cast<std::uint8_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
    }

    const JetFormat& format_;
    std::uint16_t codePage_;
    std::vector<std::uint8_t> bytes_;
};

bool nameBefore(const std::string& a, const std::string& b) { return foldCase(a) < foldCase(b); }

// The order blocks are stored in: see the header comment.
std::vector<const Column*> columnOrder(const TableDefinition& t, bool byName) {
    std::vector<const Column*> order;
    for (const Column& c : t.columns) order.push_back(&c);
    if (byName)
        std::stable_sort(order.begin(), order.end(), [](const Column* a, const Column* b) {
            return nameBefore(a->name, b->name);
        });
    else
        std::stable_sort(order.begin(), order.end(),
                         [](const Column* a, const Column* b) { return a->number < b->number; });
    return order;
}

// Where the two formats' headers agree: from the table type to the table's usage maps.
void writeTableShape(Out& out, const TableDefinition& t) {
    out.u8(t.tableType);
    out.u16(t.maxColumns);
    out.u16(t.variableColumns);
    out.u16(static_cast<std::uint16_t>(t.columns.size()));
    out.u32(static_cast<std::uint32_t>(t.indexes.size()));
    out.u32(static_cast<std::uint32_t>(t.physicalIndexes.size()));
    out.u32(pointerFromRowPosition(t.ownedPagesMap));
    out.u32(pointerFromRowPosition(t.freePagesMap));
}

void writeHeader(Out& out, const TableDefinition& t) {
    out.u8(kTableDefinitionPageType);
    out.u8(0x01);
    out.u16(0);  // free space: set per page
    out.u32(0);  // next page: set per page
    out.u32(0);  // length: set when the buffer is complete
    out.u32(kBlockMagic);
    out.u32(t.rowCount);
    out.u32(t.autoNumber);
    out.u8(t.autoNumberFlag);
    out.zeros(15);
    writeTableShape(out, t);
}

void writeColumnBlock(Out& out, const Column& c, bool repeatNumber) {
    out.u8(static_cast<std::uint8_t>(c.type));
    out.u32(kBlockMagic);
    out.u16(c.number);
    out.u16(c.varIndex);
    out.u16(repeatNumber ? c.number : 0);
    if (c.type == ColumnType::Numeric) {
        out.u8(c.precision);
        out.u8(c.scale);
    } else {
        out.u16(c.sortOrder);
    }
    out.u8(0);
    out.u8(c.sortVersion);
    out.u8(c.flags);
    out.u8(c.extFlags);
    out.zeros(4);
    out.u16(c.fixedOffset);
    out.u16(c.length);
}

// Both formats list an index's columns in ten slots: number and direction, unused ones -1.
void writeIndexColumnSlots(Out& out, const PhysicalIndex& index) {
    if (index.columns.size() > kIndexColumnSlots)
        throw std::invalid_argument("an index has more than 10 columns");
    for (std::size_t k = 0; k < kIndexColumnSlots; ++k) {
        if (k < index.columns.size()) {
            out.u16(index.columns[k].columnNumber);
            out.u8(index.columns[k].ascending ? 1 : 0);
        } else {
            out.u16(0xFFFF);
            out.u8(0);
        }
    }
}

void writeRealIndexBlock(Out& out, const PhysicalIndex& index) {
    out.u32(kRealIndexMagic);
    writeIndexColumnSlots(out, index);
    out.u32(pointerFromRowPosition(index.usageMap));
    out.u32(index.rootPage);
    out.zeros(4);
    out.u8(index.flags);
    out.zeros(5);
}

void writeLogicalIndexBlock(Out& out, const Index& index) {
    out.u32(kBlockMagic);
    out.u32(static_cast<std::uint32_t>(index.number));
    out.u32(static_cast<std::uint32_t>(index.physicalIndex));
    out.u8(index.relatedTableType);
    out.u32(static_cast<std::uint32_t>(index.relatedIndex));
    out.u32(index.relatedTablePage);
    out.u8(index.cascadeUpdates);
    out.u8(index.cascadeDeletes);
    out.u8(static_cast<std::uint8_t>(index.kind));
    out.zeros(4);
}

// Access 97 (Jet 3) keeps the same parts in narrower blocks (table_definition.h). What it
// writes where the reader keeps nothing: "VC" at bytes 2-3 of every definition page, 1 at bytes
// 7-8 of every column block, and the database's code page in every column block, text or not.
constexpr std::uint8_t kJet3Signature[2] = {'V', 'C'};
constexpr std::uint16_t kJet3ColumnMarker = 1;

void writeJet3Header(Out& out, const TableDefinition& t) {
    out.u8(kTableDefinitionPageType);
    out.u8(0x01);
    out.u8(kJet3Signature[0]);
    out.u8(kJet3Signature[1]);
    out.u32(0);  // next page: set per page
    out.u32(0);  // length: set when the buffer is complete
    out.u32(t.rowCount);
    out.u32(t.autoNumber);
    writeTableShape(out, t);
}

void writeJet3ColumnBlock(Out& out, const Column& c, bool repeatNumber) {
    out.u8(static_cast<std::uint8_t>(c.type));
    out.u16(c.number);
    out.u16(c.varIndex);
    out.u16(repeatNumber ? c.number : 0);
    out.u16(kJet3ColumnMarker);
    out.u16(c.sortOrder);
    out.u16(c.codePage != 0 ? c.codePage : out.codePage());
    out.u8(c.flags);
    out.u16(c.fixedOffset);
    out.u16(c.length);
}

void writeJet3RealIndexBlock(Out& out, const PhysicalIndex& index) {
    writeIndexColumnSlots(out, index);
    out.u32(pointerFromRowPosition(index.usageMap));
    out.u32(index.rootPage);
    out.u8(index.flags);
}

void writeJet3LogicalIndexBlock(Out& out, const Index& index) {
    out.u32(static_cast<std::uint32_t>(index.number));
    out.u32(static_cast<std::uint32_t>(index.physicalIndex));
    out.u8(index.relatedTableType);
    out.u32(static_cast<std::uint32_t>(index.relatedIndex));
    out.u32(index.relatedTablePage);
    out.u8(index.cascadeUpdates);
    out.u8(index.cascadeDeletes);
    out.u8(static_cast<std::uint8_t>(index.kind));
}

std::vector<const PhysicalIndex*> physicalInNumberOrder(const TableDefinition& t) {
    std::vector<const PhysicalIndex*> physical;
    for (const PhysicalIndex& index : t.physicalIndexes) physical.push_back(&index);
    std::stable_sort(
        physical.begin(), physical.end(),
        [](const PhysicalIndex* a, const PhysicalIndex* b) { return a->number < b->number; });
    return physical;
}

std::vector<const Index*> logicalInNameOrder(const TableDefinition& t) {
    std::vector<const Index*> logical;
    for (const Index& index : t.indexes) logical.push_back(&index);
    std::stable_sort(logical.begin(), logical.end(),
                     [](const Index* a, const Index* b) { return nameBefore(a->name, b->name); });
    return logical;
}

void writeLongValueMaps(Out& out, const std::vector<const Column*>& columns) {
    for (const Column* c : columns) {
        if (!c->longValueOwnedMap || !c->longValueFreeMap) continue;
        out.u16(c->number);
        out.u32(pointerFromRowPosition(*c->longValueOwnedMap));
        out.u32(pointerFromRowPosition(*c->longValueFreeMap));
    }
    out.u16(0xFFFF);
}

std::vector<std::uint8_t> finish(Out& out) {
    std::vector<std::uint8_t>& bytes = out.bytes();
    put32le(bytes, 8, static_cast<std::uint32_t>(bytes.size()));
    return std::move(bytes);
}

// The blocks each format lays out its own way; the order of the parts is the same in both.
struct Blocks {
    void (*header)(Out&, const TableDefinition&);
    void (*column)(Out&, const Column&, bool repeatNumber);
    void (*realIndex)(Out&, const PhysicalIndex&);
    void (*logicalIndex)(Out&, const Index&);
    std::size_t indexCountPadding;  // after each physical index's unique-entry count
};
constexpr Blocks kJet4Blocks{writeHeader, writeColumnBlock, writeRealIndexBlock,
                             writeLogicalIndexBlock, 4};
constexpr Blocks kJet3Blocks{writeJet3Header, writeJet3ColumnBlock, writeJet3RealIndexBlock,
                             writeJet3LogicalIndexBlock, 0};

}  // namespace

std::vector<std::uint8_t> encodeTableDefinition(const TableDefinition& t, std::uint16_t codePage) {
    const Blocks& blocks = t.format->eightBitText ? kJet3Blocks : kJet4Blocks;
    const bool byName = t.blockOrder == TableDefinition::BlockOrder::ByName;
    Out out(*t.format, codePage);
    blocks.header(out, t);
    for (const PhysicalIndex& index : t.physicalIndexes) {
        out.u32(0);
        out.u32(index.uniqueEntryCount);
        out.zeros(blocks.indexCountPadding);
    }
    const std::vector<const Column*> columns = columnOrder(t, byName);
    for (const Column* c : columns) blocks.column(out, *c, !byName);
    for (const Column* c : columns) out.name(c->name);
    for (const PhysicalIndex* index : physicalInNumberOrder(t)) blocks.realIndex(out, *index);
    const std::vector<const Index*> logical = logicalInNameOrder(t);
    for (const Index* index : logical) blocks.logicalIndex(out, *index);
    for (const Index* index : logical) out.name(index->name);
    writeLongValueMaps(out, columns);
    return finish(out);
}

std::size_t tableDefinitionPageCount(std::size_t length, const JetFormat& format) {
    const std::size_t pageSize = format.pageSize;
    if (length <= pageSize) return 1;
    const std::size_t perPage = pageSize - kPageHeaderSize;
    return 1 + (length - pageSize + perPage - 1) / perPage;
}

std::vector<PageBytes> tableDefinitionPages(ByteView joined, std::span<const PageNumber> chain,
                                            const JetFormat& format) {
    if (chain.size() != tableDefinitionPageCount(joined.size(), format))
        throw std::invalid_argument("table definition chain of the wrong length");
    const std::size_t pageSize = format.pageSize;
    std::vector<PageBytes> pages(chain.size());
    std::size_t from = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        PageBytes& page = pages[i];
        page.fill(0);
        const std::size_t start = i == 0 ? 0 : kPageHeaderSize;
        const std::size_t n = std::min(pageSize - start, joined.size() - from);
        std::copy_n(joined.begin() + static_cast<std::ptrdiff_t>(from), n,
                    page.begin() + static_cast<std::ptrdiff_t>(start));
        from += n;
        page[0] = kTableDefinitionPageType;
        page[1] = 0x01;
        if (format.eightBitText) {
            page[2] = kJet3Signature[0];
            page[3] = kJet3Signature[1];
        } else {
            const std::size_t used = start + n;
            const std::size_t free =
                used + kPageHeaderSize >= pageSize ? 0 : pageSize - kPageHeaderSize - used;
            put16le(page, 2, static_cast<std::uint16_t>(free));
        }
        put32le(page, 4, i + 1 < chain.size() ? chain[i + 1] : 0);
    }
    return pages;
}

void writeTableDefinition(Pager& pager, const TableDefinition& definition,
                          std::span<const PageNumber> chain) {
    const std::vector<std::uint8_t> joined = encodeTableDefinition(definition, pager.codePage());
    const std::vector<PageBytes> pages = tableDefinitionPages(joined, chain, *definition.format);
    for (std::size_t i = 0; i < pages.size(); ++i) pager.modify(chain[i]) = pages[i];
}

}  // namespace mdb
