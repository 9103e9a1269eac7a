// table_schema.h: the table definition Access would write for a schema (mdb/schema.h).
//
// The definition follows Access's table designer:
//   - columns numbered in the given order; each fixed-size column at the next offset of the
//     row's fixed area (Yes/No takes none: it lives in the null mask), each variable one in the
//     next slot of the variable offset table; a fixed column records how many variable columns
//     come before it;
//   - flags 0x03 for fixed and 0x02 for variable columns, 0x04 added for an autonumber Long,
//     extra flag 0x01 for Unicode compression; sort order 1033 (General) on every column;
//   - one physical index per index, in the given order, flags 0x80 | 0x01 unique | 0x08
//     required | 0x02 ignore nulls (a primary key is 0x89); logical indexes numbered in the
//     same order and listed by name (as they are stored), cascade bytes 04 04 as Access
//     leaves them.
// Access 97 (Jet 3) differs where its format does: Text lengths count bytes, one per character;
// text columns record the database's code page and compress nothing (compressedUnicode is
// ignored); index flags lack 0x80 (a primary key is 0x09); no autonumber flag; names are
// refused when the code page cannot hold them.
// Usage maps, root pages and long-value maps are left for the table creator to assign.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/table_definition.h"
#include "mdb/schema.h"

namespace mdb {

// Checks the schema and returns the definition of a new, empty user table ('N') with no
// pages. Throws Error (Refused) naming the problem: a name Access would not accept (empty,
// longer than 64 characters, starting with a blank, holding a control character or one of
// . ! ` [ ]), two columns or indexes of the same name (ignoring case), a size out of range, an
// autonumber that is not a Long, compression on a type that is not text, an index on a column
// that does not exist or on a Memo or OLE column, more than one primary key, no columns.
// `format` and `codePage` are the database's (the code page matters to Access 97 only).
TableDefinition tableDefinitionFor(const TableSchema& schema,
                                   const JetFormat& format = jet4Format(),
                                   std::uint16_t codePage = 0);

// Throws Error (Refused) when `name` is not a name Access accepts for a table, column or index;
// `what` names it in the message ("table", "column", "index").
void checkObjectName(const std::string& name, const std::string& what);

}  // namespace mdb
