#include "create/new_table_pages.h"

#include "format/data_page.h"
#include "format/data_page_writer.h"
#include "format/table_definition_writer.h"
#include "index/index_page.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::size_t kInlineMapPages = (kNewMapRowSize - 5) * 8;
constexpr std::uint32_t kMapPageOwner = 0;
// Rows of kNewMapRowSize bytes (and their 2-byte slots) a data page holds: 57.
constexpr std::size_t kMapRowsPerPage = (kPageSize - kDataPageHeaderSize) / (kNewMapRowSize + 2);

using Row = std::vector<std::uint8_t>;

// Map pages being filled: the current one, and another from the allocator when it is full.
class MapPages {
public:
    MapPages(Pager& pager, PageAllocator& allocator) : pager_(pager), allocator_(allocator) {
        next();
    }

    // Places the rows on one page, together; returns where each went.
    std::vector<RowPosition> place(const std::vector<Row>& rows) {
        if (rows_ + rows.size() > kMapRowsPerPage) next();
        std::vector<RowPosition> where;
        for (const Row& row : rows) {
            DataPageWriter writer(pager_.modify(page_), page_);
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
        DataPageWriter::initialize(pager_.modify(page_), kMapPageOwner);
        rows_ = 0;
    }

    Pager& pager_;
    PageAllocator& allocator_;
    PageNumber page_ = 0;
    std::size_t rows_ = 0;
};

void placeMaps(TableDefinition& t, MapPages& maps) {
    const std::vector<RowPosition> table = maps.place({newInlineMapRow(), newInlineMapRow()});
    t.ownedPagesMap = table[0];
    t.freePagesMap = table[1];
    for (Column& c : t.columns) {  // in number order
        if (!isLongValue(c.type)) continue;
        const std::vector<RowPosition> lv = maps.place({newInlineMapRow(), newInlineMapRow()});
        c.longValueOwnedMap = lv[0];
        c.longValueFreeMap = lv[1];
    }
    for (PhysicalIndex& index : t.physicalIndexes)
        index.usageMap = maps.place({newInlineMapRow(index.rootPage)})[0];
}

void writeEmptyLeaf(Pager& pager, PageNumber root, PageNumber tdefPage) {
    IndexPage leaf;
    leaf.kind = IndexPage::Kind::Leaf;
    leaf.tdefPage = tdefPage;
    if (!leaf.encode(pager.modify(root)))
        throw Error(Error::Kind::Corrupt, "an empty index leaf does not fit its page");
}

}  // namespace

std::vector<std::uint8_t> newInlineMapRow(std::optional<PageNumber> page) {
    Row row(kNewMapRowSize, 0);
    if (!page) return row;
    const PageNumber start = *page < kInlineMapPages ? 0 : *page - *page % 8;
    put32le(row, 1, start);
    const PageNumber bit = *page - start;
    row[5 + bit / 8] = static_cast<std::uint8_t>(1u << (bit % 8));
    return row;
}

std::vector<TableDefinition> writeNewTables(Pager& pager, PageAllocator& allocator,
                                            std::vector<TableDefinition> tables) {
    for (TableDefinition& t : tables) {
        const std::size_t length = encodeTableDefinition(t).size();
        t.pages.clear();
        for (std::size_t i = 0; i < tableDefinitionPageCount(length); ++i)
            t.pages.push_back(allocator.allocate());
        t.page = t.pages.front();
    }
    MapPages maps(pager, allocator);
    for (TableDefinition& t : tables)
        for (PhysicalIndex& index : t.physicalIndexes) index.rootPage = allocator.allocate();

    for (TableDefinition& t : tables) {
        placeMaps(t, maps);
        for (const PhysicalIndex& index : t.physicalIndexes)
            writeEmptyLeaf(pager, index.rootPage, t.page);
        const std::vector<std::uint8_t> joined = encodeTableDefinition(t);
        t.length = static_cast<std::uint32_t>(joined.size());
        writeTableDefinition(pager, t, t.pages);
    }
    return tables;
}

}  // namespace mdb
