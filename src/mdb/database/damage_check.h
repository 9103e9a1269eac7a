// damage_check.h: cheap checks of the structures a write relies on, made before its first change.
//
// A write into a damaged structure spreads the damage (a page a map names past the end of the
// file is later appended for something else, and then belongs to two owners). So before a table
// writer changes anything, it checks what it is about to rely on: the global usage map, the
// table's own maps (every page they name lies in the file; the pages with free space are the
// table's own data pages) and its indexes' root pages. It reads a few pages, not the whole file;
// `brelvano-db verify` is the full check.
#pragma once

#include "file/pager.h"
#include "format/table_definition.h"

namespace mdb {

// Throws Error (Corrupt) saying what is damaged and that the database must be repaired before
// it is changed.
void checkBeforeWriting(Pager& pager, const TableDefinition& table);

}  // namespace mdb
