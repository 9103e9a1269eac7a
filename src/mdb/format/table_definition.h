// table_definition.h: a table definition (TDEF), the page chain that describes one table.
// The layout below is Jet 4's; Jet 3 keeps the order with other offsets and sizes, which
// jet_format.h holds (JetFormat::tdef..., column..., index...):
//   Jet 3: 12 rows, 16 autonumber (no flag), 20 table type, 21 max columns, 23 variable
//   columns, 25 columns, 27 logical indexes, 31 physical indexes, 35 and 39 the usage maps,
//   43 the index headers of 8 bytes (4 unknown, 4 unique entry count); column blocks of 18
//   bytes: 0 type, 1 number, 3 variable slot, 9 sort order, 11 code page (text) or precision
//   and scale, 13 flags, 14 fixed offset, 16 length (characters for Text); names: 1-byte
//   length + 8-bit text in the database's code page; physical index blocks of 39 bytes: 0 the
//   10 column slots, 30 usage map, 34 root page, 38 flags; logical index blocks of 20 bytes
//   (the Jet 4 block without its first 4 bytes).
//
// TDEF pages have type 0x02; bytes 4-7 name the next page of the definition (0 = last). The
// definition is the first page whole followed by bytes 8.. of each further page.
//   OFFSET  SIZE  DESCRIPTION (offsets into that joined buffer)
//      8     4    length of the definition
//     16     4    number of rows
//     20     4    autonumber: the last value handed out
//     24     1    autonumber flag (1)
//     40     1    table type: 'N' user table, 'S' system table
//     41     2    highest column count a row may carry (includes deleted columns)
//     43     2    number of variable-length columns
//     45     2    number of columns
//     47     4    number of logical indexes
//     51     4    number of physical ("real") indexes
//     55     4    row pointer of the owned-pages usage map
//     59     4    row pointer of the free-space-pages usage map
//     63   12*r   per physical index: 4 unknown, 4 unique entry count, 4 unknown
//   then   25*c   per column:  0 type, 5 column number (2), 7 variable-offset slot (2),
//                 11 precision / sort order (2), 12 scale, 14 sort order version, 15 flags,
//                 16 extra flags, 21 fixed offset (2), 23 length (2)
//   then          column names: 2-byte byte length + UTF-16LE
//   then   52*r   per physical index: 4 unknown, 10 x (column number 2 (0xFFFF unused),
//                 order 1 (1 ascending)), usage map pointer 4, root page 4, 4 unknown,
//                 flags 1 (0x01 unique, 0x02 ignore nulls, 0x08 required), 5 unknown
//   then   28*l   per logical index: 4 unknown, number 4, physical index 4, related table type
//                 1, related index 4, related table page 4, cascade updates 1, cascade
//                 deletes 1, kind 1 (1 primary key, 2 foreign key), 4 unknown
//   then          logical index names, as column names
//   then          per Memo/OLE column: column number 2, owned map 4, free map 4; ends 0xFFFF
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file/pager.h"
#include "format/byte_order.h"
#include "format/column.h"
#include "format/format_constants.h"
#include "format/jet_format.h"

namespace mdb {

struct TableDefinition {
    // How the definition orders its column blocks and long-value maps. Access's table designer
    // writes them in column-number order; the database engine (its own catalogue, tables made
    // through DDL) sorts them by name, ignoring case. Logical indexes are sorted by name in both.
    // Read as ByName only when the stored blocks are not in number order.
    enum class BlockOrder : std::uint8_t { ByNumber, ByName };

    const JetFormat* format = &jet4Format();
    PageNumber page = 0;            // first TDEF page (the table's id in the catalogue)
    std::vector<PageNumber> pages;  // the whole chain, first page first
    std::uint32_t length = 0;
    std::uint32_t rowCount = 0;
    std::uint32_t autoNumber = 0;  // last value handed out
    std::uint8_t autoNumberFlag = 0;
    std::uint8_t tableType = 0;  // 'N' or 'S'
    std::uint16_t maxColumns = 0;
    std::uint16_t variableColumns = 0;
    RowPosition ownedPagesMap;
    RowPosition freePagesMap;
    BlockOrder blockOrder = BlockOrder::ByNumber;
    std::vector<Column> columns;  // in column-number order
    std::vector<PhysicalIndex> physicalIndexes;
    std::vector<Index> indexes;

    bool hasVariableColumns() const;
};

// Reads the definition whose chain starts at `first`. Throws Error (Corrupt) naming the page
// for a page of the wrong type, a chain that loops, or fields that run past the definition.
TableDefinition readTableDefinition(Pager& pager, PageNumber first);

// Parses a joined definition buffer (see above); `first` is only used in messages. Names of an
// 8-bit format are read in `codePage`.
TableDefinition parseTableDefinition(ByteView bytes, PageNumber first,
                                     const JetFormat& format = jet4Format(),
                                     std::uint16_t codePage = 0);

}  // namespace mdb
