#include "create/new_table_pages.h"

#include "format/data_page.h"
#include "format/data_page_writer.h"
#include "format/table_definition_writer.h"
#include "index/index_page.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::uint32_t kMapPageOwner = 0;
constexpr std::size_t kJet3MapRowSize = 133;  // as Access 97 writes them: 1024 pages

using Row = std::vector<std::uint8_t>;

// Map pages being filled: the current one, and another from the allocator when it is full.
class MapPages {
public:
    MapPages(Pager& pager, PageAllocator& allocator, const JetFormat& format)
        : pager_(pager),
          allocator_(allocator),
          format_(format),
          rowsPerPage_((format.pageSize - format.dataFirstSlotOffset) /
                       (newMapRowSize(format) + 2)) {
        next();
    }

    const JetFormat& format() const { return format_; }

    // Places the rows on one page, together; returns where each went.
    std::vector<RowPosition> place(const std::vector<Row>& rows) {
        if (rows_ + rows.size() > rowsPerPage_) next();
        std::vector<RowPosition> where;
        for (const Row& row : rows) {
            DataPageWriter writer(pager_.modify(page_), page_, format_);
            const std::optional<std::uint8_t> n = writer.insert(row);
            if (!n) throw Error(Error::Kind::Corrupt, "a new usage-map page is full too early");
            where.push_back({page_, *n});
            ++rows_;
        }
        return where;
    }

private:
    void next() {
        page_ = allocator_.allocate();
        DataPageWriter::initialize(pager_.modify(page_), kMapPageOwner, format_);
        rows_ = 0;
    }

    Pager& pager_;
    PageAllocator& allocator_;
    const JetFormat& format_;
    std::size_t rowsPerPage_;
    PageNumber page_ = 0;
    std::size_t rows_ = 0;
};

void placeMaps(TableDefinition& t, MapPages& maps) {
    const JetFormat& f = maps.format();
    const Row empty = newInlineMapRow(std::nullopt, f);
    const std::vector<RowPosition> table = maps.place({empty, empty});
    t.ownedPagesMap = table[0];
    t.freePagesMap = table[1];
    for (Column& c : t.columns) {  // in number order
        if (!isLongValue(c.type)) continue;
        const std::vector<RowPosition> lv = maps.place({empty, empty});
        c.longValueOwnedMap = lv[0];
        c.longValueFreeMap = lv[1];
    }
    for (PhysicalIndex& index : t.physicalIndexes)
        index.usageMap = maps.place({newInlineMapRow(index.rootPage, f)})[0];
}

void writeEmptyLeaf(Pager& pager, PageNumber root, PageNumber tdefPage, const JetFormat& format) {
    IndexPage leaf;
    leaf.format = &format;
    leaf.kind = IndexPage::Kind::Leaf;
    leaf.tdefPage = tdefPage;
    if (!leaf.encode(pager.modify(root)))
        throw Error(Error::Kind::Corrupt, "an empty index leaf does not fit its page");
}

}  // namespace

std::size_t newMapRowSize(const JetFormat& format) {
    return format.eightBitText ? kJet3MapRowSize : kNewMapRowSize;
}

std::vector<std::uint8_t> newInlineMapRow(std::optional<PageNumber> page, const JetFormat& format) {
    const std::size_t size = newMapRowSize(format);
    Row row(size, 0);
    if (!page) return row;
    const auto inlinePages = static_cast<PageNumber>((size - 5) * 8);
    const PageNumber start = *page < inlinePages ? 0 : *page - *page % 8;
    put32le(row, 1, start);
    const PageNumber bit = *page - start;
    row[5 + bit / 8] = static_cast<std::uint8_t>(1u << (bit % 8));
    return row;
}

std::size_t newTablePagesAtMost(const TableDefinition& table, std::uint16_t codePage) {
    const JetFormat& format = *table.format;
    const std::size_t definitionPages =
        tableDefinitionPageCount(encodeTableDefinition(table, codePage).size(), format);
    std::size_t mapRows = 2 + table.physicalIndexes.size();
    for (const Column& c : table.columns)
        if (isLongValue(c.type)) mapRows += 2;
    const std::size_t rowsPerPage =
        (format.pageSize - format.dataFirstSlotOffset) / (newMapRowSize(format) + 2);
    // A map page may be started for the table's rows alone, hence the one more.
    const std::size_t mapPages = mapRows / rowsPerPage + 1 + 1;
    // A new data page each for MSysObjects and MSysACEs, and one for long properties.
    constexpr std::size_t kCatalogPages = 3;
    return definitionPages + mapPages + table.physicalIndexes.size() + kCatalogPages;
}

std::vector<TableDefinition> writeNewTables(Pager& pager, PageAllocator& allocator,
                                            std::vector<TableDefinition> tables) {
    const JetFormat& format = formatOfPageSize(pager.pageSize());
    for (TableDefinition& t : tables) {
        t.format = &format;
        const std::size_t length = encodeTableDefinition(t, pager.codePage()).size();
        t.pages.clear();
        for (std::size_t i = 0; i < tableDefinitionPageCount(length, format); ++i)
            t.pages.push_back(allocator.allocate());
        t.page = t.pages.front();
    }
    MapPages maps(pager, allocator, format);
    for (TableDefinition& t : tables)
        for (PhysicalIndex& index : t.physicalIndexes) index.rootPage = allocator.allocate();

    for (TableDefinition& t : tables) {
        placeMaps(t, maps);
        for (const PhysicalIndex& index : t.physicalIndexes)
            writeEmptyLeaf(pager, index.rootPage, t.page, format);
        const std::vector<std::uint8_t> joined = encodeTableDefinition(t, pager.codePage());
        t.length = static_cast<std::uint32_t>(joined.size());
        writeTableDefinition(pager, t, t.pages);
    }
    return tables;
}

}  // namespace mdb
