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

struct RowEncoder::Layout {
    explicit Layout(const TableDefinition& table);
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    // Whether rows encoded here are rows of `table` as it is now: the same row and key layout.
    bool fits(const TableDefinition& table) const;

    TableDefinition definition;  // a copy: the table's own one changes on the writer's thread
    RowLayout rows;              // of `definition`
    // False when no row is encoded: an autonumber that is not a Long (a Replication ID is
    // drawn at random), an index whose keys cannot be built.
    bool usable = true;
    std::vector<std::size_t> autoNumbers;  // the autonumber columns, by index
    std::vector<bool> keyColumns;          // by column index: some index holds it
    std::vector<RowKeyBuilder> keys;       // per physical index
    std::vector<bool> keyTakesAutoNumber;  // per physical index: built at the insert
};

struct EncodedRow::Parts {
    // Writes the autonumber into the row's bytes (its null-mask bit too) and its key values.
    // `layout` is the encoder's that made them.
    void setAutoNumber(const RowEncoder::Layout& layout, std::int32_t number);

    std::shared_ptr<const RowEncoder::Layout> madeBy;  // null: not encoded
    PreparedRow prepared;                              // encode()'s own buffers
    Binary bytes;                                      // the row as stored, but for its autonumbers
    std::vector<Value> stored;  // its key columns' values as stored, autonumbers null
    std::vector<std::optional<IndexKey>> keys;  // per physical index; unset where one takes an
                                                // autonumber
};

}  // namespace mdb
