// index_lookup.h: whether an index holds a key, read from its pages without changing anything.
//
// The rules look a parent's key up this way; the index tree (index_tree.h) keeps an index true
// as rows come and go, and has its own search over the pages it holds in memory.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "file/pager.h"
#include "format/table_definition.h"
#include "index/row_key.h"
#include "mdb/value.h"

namespace mdb {

class IndexLookup {
public:
    // Reads definition.physicalIndexes[physicalIndex]. Throws Error (NotFound) when there is no
    // such index, (Unsupported) when whyRowKeyCannotBeBuilt says its keys cannot be built.
    IndexLookup(Pager& pager, const TableDefinition& definition, std::size_t physicalIndex);

    // The key of a row given in the definition's column order, as rowKey() gives it.
    std::optional<IndexKey> keyFor(std::span<const Value> row) const { return keys_(row); }

    // Whether an entry with exactly these key bytes is in the index (any row). Throws Error
    // (Corrupt) when a page on the way is not one of this index's pages or is damaged.
    bool contains(const IndexKey& key) const;

private:
    Pager& pager_;
    const PhysicalIndex& index_;
    PageNumber tablePage_;
    RowKeyBuilder keys_;
};

}  // namespace mdb
