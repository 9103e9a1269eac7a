// row_encoder_parts.h: what a RowEncoder holds and what it makes (mdb/row_encoder.h), shared by
// the encoder and the table writer that inserts its rows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "format/table_definition.h"
#include "index/row_key.h"
#include "mdb/row_encoder.h"
#include "row/row_writer.h"

namespace mdb {

struct RowEncoder::Layout : std::enable_shared_from_this<RowEncoder::Layout> {
    explicit Layout(const TableDefinition& table);
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    // Whether rows encoded here are rows of `table` as it is now: the same row and key layout.
    bool fits(const TableDefinition& table) const;

    TableDefinition definition;  // a copy: the table's own one changes on the writer's thread
    RowLayout rows;              // of `definition`
    // False when no row is encoded: an autonumber that is not a Long (a Replication ID is
    // drawn at random), an index whose keys cannot be built or that joins an autonumber to
    // other columns.
    bool usable = true;
    std::vector<std::size_t> autoNumbers;  // the autonumber columns, by index
    std::vector<bool> keyColumns;          // by column index: some index holds it
    std::vector<RowKeyBuilder> keys;       // per physical index
    // Per physical index: its key is the autonumber's, built at the insert from the values.
    std::vector<bool> keyIsAutoNumber;
};

struct RowEncoder::Buffers {
    PreparedRow prepared;
    std::vector<Value> stored;  // the key columns' values as stored
};

struct EncodedRow::Parts {
    // Writes the autonumber into the row's bytes, its null-mask bit too. `layout` is the
    // encoder's that made them.
    void setAutoNumber(const RowEncoder::Layout& layout, std::int32_t number);

    // The layout that encoded the row, or null. Not shared ownership: counting it row by row
    // on two threads would cost more than the encoding saves (the encoder outlives its rows).
    const RowEncoder::Layout* madeBy = nullptr;
    Binary bytes;                               // the row as stored, but its autonumbers
    std::vector<std::optional<IndexKey>> keys;  // per physical index, but the autonumber's
};

}  // namespace mdb
