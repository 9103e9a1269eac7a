// row_key.h: the index key of a table row, from the row's values as the reader gives them.
//
// A physical index names its key columns by column number (table_definition.h); the key
// builder (index_key.h) takes one KeyValue per key column. This unit maps a row's Values onto
// those: integers of every width, Currency (ten-thousandths) and Yes/No as they are, Single,
// Double and DateTime (days) as doubles, text as UTF-16, GUIDs and binary bytes as stored.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/table_definition.h"
#include "index/index_key.h"
#include "mdb/value.h"

namespace mdb {

// The bytes of a leaf entry without its row pointer (index_key.h), and how many of its key
// columns were null.
struct IndexKey {
    std::vector<std::uint8_t> bytes;
    int nullColumns = 0;
    bool allNull = false;  // every key column null (Yes/No columns are never null)
    friend bool operator==(const IndexKey& a, const IndexKey& b) { return a.bytes == b.bytes; }
};

// The key columns of `index`, in key order. Throws Error (Corrupt) when the index names a
// column the table does not have.
std::vector<KeyColumn> keyColumns(const TableDefinition& definition, const PhysicalIndex& index);

// Why the key of `index` cannot be built (a missing column, a column kind or text sort order
// the key builder cannot encode), or nullopt.
std::optional<std::string> whyRowKeyCannotBeBuilt(const TableDefinition& definition,
                                                  const PhysicalIndex& index);

// Builds the keys of one index for many rows (the column lookups done once).
class RowKeyBuilder {
public:
    // Throws Error (Corrupt) when the index names a column the table does not have.
    RowKeyBuilder(const TableDefinition& definition, const PhysicalIndex& index);
    // As rowKey below.
    std::optional<IndexKey> operator()(std::span<const Value> row) const;
    const std::vector<KeyColumn>& columns() const { return columns_; }

private:
    std::vector<KeyColumn> columns_;
    std::vector<std::size_t> positions_;  // of the key columns in the row
    bool ignoresNulls_ = false;
};

// The key of a row whose values are given in the definition's column order; nullopt when the
// index holds no entry for it (it ignores nulls and every key column is null). REQUIRES:
// whyRowKeyCannotBeBuilt is nullopt. Throws Error (Refused) when a value does not fit its
// column (a text where a Long belongs, a Byte out of range) or a column is missing from `row`.
std::optional<IndexKey> rowKey(const TableDefinition& definition, const PhysicalIndex& index,
                               std::span<const Value> row);

}  // namespace mdb
