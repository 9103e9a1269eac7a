// row_writer.h: a row of values as Jet 4 or Jet 3 stores it (the layouts are in row_reader.h).
//
// Writing a row takes two steps, so that everything that can refuse it is checked before
// anything changes in the file:
//   prepareRow   encodes and checks every value and sizes the row; Memo and OLE values of more
//                than 64 bytes (or that would make the row too large) are set aside to be
//                stored on long-value pages;
//   encodeRow    once the caller has stored those and set their pointers, lays out the bytes.
// The row carries the table's highest column count, every fixed column at its fixed offset
// (full width even when null), the variable columns' data in slot order, the offset of every
// variable slot (nulls and deleted columns get an empty extent) and the null mask. A Jet 3 row
// counts its columns in one byte and its offsets in one byte each; a row of 256 bytes or more
// adds a jump table saying at which slots the offsets pass each multiple of 256.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "format/byte_order.h"
#include "format/table_definition.h"
#include "mdb/row_position.h"
#include "mdb/value.h"
#include "row/long_value.h"

namespace mdb {

// The largest row a data page takes (as Access and Jackcess limit it).
constexpr std::size_t kMaxRowSize = 4060;
// Memo and OLE values up to this many bytes stay in the row, after their header.
constexpr std::size_t kMaxInlineLongValue = 64;

struct PreparedRow {
    // Where a column's bytes lie in `data`. Absent for null (and a Yes/No "No"); empty for a
    // Yes/No "Yes"; the 12-byte header, and inline data, for Memo and OLE.
    struct Field {
        bool present = false;
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    std::vector<Field> fields;  // per column of the definition, in its order
    Binary data;                // the fields' bytes, one after another
    // Long values to store elsewhere; their headers wait for the first row's position.
    struct External {
        std::size_t column;  // index into fields
        Binary data;
    };
    std::vector<External> external;
    std::size_t size = 0;  // bytes of the encoded row

    // The bytes of `column`'s field, or nullopt for null.
    std::optional<ByteView> field(std::size_t column) const;
    // Points the header of `column`'s long value at the first row holding its data.
    void setExternalPosition(std::size_t column, RowPosition first);
};

// What every row of a table shares, worked out once from its definition: the writer keeps one
// per definition rather than working it out for each row. REQUIRES: the definition outlives
// the layout and keeps its columns.
class RowLayout {
public:
    explicit RowLayout(const TableDefinition& table);

    const TableDefinition& table() const { return table_; }
    std::size_t columnCount() const { return columnCount_; }  // the row's column count field
    std::size_t countSize() const { return countSize_; }      // its bytes: 1 (Jet 3) or 2
    std::size_t fixedAreaSize() const { return fixedAreaSize_; }
    std::size_t maskSize() const { return (columnCount_ + 7) / 8; }
    std::size_t variableSlots() const { return variableSlots_; }
    // Column indexes of the variable columns, in slot order.
    const std::vector<std::size_t>& variableColumns() const { return variableColumns_; }
    // The size of a row whose variable columns are all null.
    std::size_t emptyRowSize() const { return emptyRowSize_; }
    // The size of a row whose variable columns hold `variableBytes` bytes in all.
    std::size_t rowSize(std::size_t variableBytes) const;
    // Jet 3: entries of the jump table of a row of `size` bytes, jumps included (0 for Jet 4).
    std::size_t jumpCount(std::size_t size) const;
    // The largest row a data page takes.
    std::size_t maxRowSize() const { return table_.format->maxRowSize; }

private:
    const TableDefinition& table_;
    std::size_t countSize_ = 2;
    std::size_t columnCount_ = 0;
    std::size_t fixedAreaSize_ = 0;
    std::size_t variableSlots_ = 0;
    std::vector<std::size_t> variableColumns_;
    std::size_t emptyRowSize_ = 0;
};

// Checks and encodes one value per column of `table` (definition order; std::monostate is
// null). Throws Error (Refused) with a provider-like message naming "tableName.column" for a
// value that does not fit its column, and "Record is too large" when the row cannot fit a page.
PreparedRow prepareRow(const TableDefinition& table, std::span<const Value> values,
                       std::string_view tableName);
// The same into `row`, whose buffers are reused (what it held before is dropped).
void prepareRow(const RowLayout& layout, std::span<const Value> values, std::string_view tableName,
                PreparedRow& row);

// The row's bytes. REQUIRES: every external value's position set.
Binary encodeRow(const TableDefinition& table, const PreparedRow& row);
// The same into `out`, whose buffer is reused.
void encodeRow(const RowLayout& layout, const PreparedRow& row, Binary& out);

// The fewest bytes a row of `table` takes (every value null).
std::size_t smallestRowSize(const TableDefinition& table);

// How many variable slots a row of `table` carries: one per variable column, deleted ones
// included (the definition's count, or more when a column's slot says so).
std::size_t variableSlotCount(const TableDefinition& table);

}  // namespace mdb
