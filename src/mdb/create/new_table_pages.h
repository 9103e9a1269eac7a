// new_table_pages.h: the pages a new, empty table starts with.
//
// A table is its definition (TDEF chain), its usage maps and one root page per physical index;
// it owns no data page until its first row. The pages are taken from the allocator in the order
// the database engine takes them when it makes its own catalogue: every table's
// definition pages, then the usage-map page, then every root page. Jackcess does the same for
// one table (definition, map page, roots).
//
// The usage-map page is a data page owned by no table (owner field 0) holding 69-byte map rows,
// per table in this order (as the engine and Access place them):
//   owned pages, free-space pages      inline, start 0, empty
//   per Memo/OLE column, by number     its owned and free-space maps, inline, empty, on the
//                                      same page
//   per physical index, by number      inline, holding the index's root page
// A table with more maps than a page holds continues on another page taken from the allocator.
// Each root page is an empty index leaf.
#pragma once

#include <vector>

#include "file/pager.h"
#include "format/page_allocator.h"
#include "format/table_definition.h"

namespace mdb {

// The length of the map rows written: type, start page and a 64-byte bitmap (512 pages); in
// an Access 97 file a 128-byte bitmap (1024 pages), as Access 97 writes them.
constexpr std::size_t kNewMapRowSize = 69;
std::size_t newMapRowSize(const JetFormat& format);

// Writes the pages of new, empty tables and returns their definitions with the pages, map
// pointers and root pages filled in (row counts, autonumbers and unique counts are written as
// the definitions give them). Several tables share map pages, as the engine's catalogue does.
// The pages and definitions take the pager's format (its page size) and code page.
// REQUIRES: pager.writing(). Throws Error (Refused) when the file is full.
std::vector<TableDefinition> writeNewTables(Pager& pager, PageAllocator& allocator,
                                            std::vector<TableDefinition> tables);

// At most how many pages making `table` takes: its own pages (definition, map pages, roots) and
// room for its catalogue and permission rows.
std::size_t newTablePagesAtMost(const TableDefinition& table, std::uint16_t codePage);

// An inline map row: start page and bitmap, holding `page` when given. The start is 0 for pages
// the bitmap reaches from 0 (as Access and the engine write it), else `page` rounded down to a
// multiple of 8.
std::vector<std::uint8_t> newInlineMapRow(std::optional<PageNumber> page = std::nullopt,
                                          const JetFormat& format = jet4Format());

}  // namespace mdb
