// row_reader.h: one row of a table cut into its column values.
//   OFFSET          SIZE  DESCRIPTION
//      0             2    number of columns the row was written with (c)
//      2                  fixed area: each fixed column at 2 + its fixed offset, full width
//                         even when null
//                         variable area: the variable columns' data
//   end-m-4-2v...         variable offset table, stored last-to-first: the offset (from the
//                         row start) of variable slot k is at end - m - 4 - 2k, and the entry
//                         after the last slot is the end of the variable data
//   end-m-2          2    number of variable slots (v), only when the table has variable
//                         columns
//   end-m            m    null mask, m = (c + 7) / 8: bit n (least significant first) set means
//                         column number n is not null; Yes/No values are these bits
// A column whose number is c or more was added after the row was written: it is null.
//
// Jet 3 (jet_format.h) stores the column count, the variable count and each variable offset in
// one byte. Offsets of rows longer than 256 bytes add 256 for each jump passed: before the
// variable count come (size - 1) / 256 jump bytes, stored last-to-first as the offsets are, jump
// j naming the first variable slot (the end entry counts as one) at or after 256 * (j + 1);
// when the offset table itself ends below the last 256-byte boundary, the last jump is unused
// (often 0xFF).
//   end-m-1-J-1-k   1    offset of variable slot k (J jump bytes before the count)
//   end-m-1-J..     J    jump table
//   end-m-1         1    number of variable slots (v)
#pragma once

#include <vector>

#include "file/pager.h"
#include "format/byte_order.h"
#include "format/table_definition.h"
#include "mdb/value.h"

namespace mdb {

class RowReader {
public:
    // Checks the row's frame (column count, null mask, offset table). Throws Error (Corrupt).
    RowReader(const TableDefinition& table, ByteView row);

    bool isNull(const Column& column) const;
    // The bytes the row holds for a non-null column (a Memo/OLE column's 12-byte header and any
    // inline data); empty for null columns and Yes/No. Throws Error (Corrupt) when out of range.
    ByteView bytes(const Column& column) const;
    // The typed value; Memo and OLE values are read through `pager`.
    Value value(const Column& column, Pager& pager) const;

private:
    void readJet4Offsets(ByteView row, std::size_t maskSize);
    void readJet3Offsets(ByteView row, std::size_t maskSize);

    ByteView row_;
    std::size_t fixedStart_ = 2;  // the column count's size
    std::size_t columnCount_ = 0;
    ByteView nullMask_;
    std::vector<std::uint16_t> varOffsets_;  // slot k runs from [k] to [k + 1]
    std::size_t varTableStart_ = 0;          // where the offset table begins
};

}  // namespace mdb
