// row_writer.h: a row of values as Jet 4 stores it (the layout is in row_reader.h).
//
// Writing a row takes two steps, so that everything that can refuse it is checked before
// anything changes in the file:
//   prepareRow   encodes and checks every value and sizes the row; Memo and OLE values of more
//                than 64 bytes (or that would make the row too large) are set aside to be
//                stored on long-value pages;
//   encodeRow    once the caller has stored those and set their pointers, lays out the bytes.
// The row carries the table's highest column count, every fixed column at its fixed offset
// (full width even when null), the variable columns' data in slot order, the offset of every
// variable slot (nulls and deleted columns get an empty extent) and the null mask.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "mdb/long_value.h"
#include "mdb/row_position.h"
#include "mdb/table_definition.h"
#include "mdb/value.h"

namespace mdb {

// The largest row a data page takes (as Access and Jackcess limit it).
constexpr std::size_t kMaxRowSize = 4060;
// Memo and OLE values up to this many bytes stay in the row, after their header.
constexpr std::size_t kMaxInlineLongValue = 64;

struct PreparedRow {
    // Per column of the definition, in its order: nullopt for null (and a Yes/No "No"), else
    // the bytes the row holds (empty for a Yes/No "Yes"; the 12-byte header, and inline data,
    // for Memo and OLE).
    std::vector<std::optional<Binary>> fields;
    // Long values to store elsewhere; their headers wait for the first row's position.
    struct External {
        std::size_t column;  // index into fields
        Binary data;
    };
    std::vector<External> external;
    std::size_t size = 0;  // bytes of the encoded row

    // Points the header of `column`'s long value at the first row holding its data.
    void setExternalPosition(std::size_t column, RowPosition first);
};

// Checks and encodes one value per column of `table` (definition order; std::monostate is
// null). Throws Error (Refused) with a provider-like message naming "tableName.column" for a
// value that does not fit its column, and "Record is too large" when the row cannot fit a page.
PreparedRow prepareRow(const TableDefinition& table, std::span<const Value> values,
                       std::string_view tableName);

// The row's bytes. REQUIRES: every external value's position set.
Binary encodeRow(const TableDefinition& table, const PreparedRow& row);

// The fewest bytes a row of `table` takes (every value null).
std::size_t smallestRowSize(const TableDefinition& table);

// How many variable slots a row of `table` carries: one per variable column, deleted ones
// included (the definition's count, or more when a column's slot says so).
std::size_t variableSlotCount(const TableDefinition& table);

}  // namespace mdb
