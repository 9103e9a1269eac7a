// new_database.h: a new, empty Jet 4 database, made from nothing the way the database engine
// makes one (docs/jet-format.md):
//   page 0       header: code page 1252, the General sort order, a creation date, no password
//   page 1       the global usage map (row 0) and the empty second row every Jet 4 file has
//   pages 2-5    the definitions of MSysObjects, MSysACEs, MSysQueries, MSysRelationships
//   page 6       their usage maps
//   pages 7-13   the root pages of their seven indexes
//   page 14      MSysObjects' rows: the Tables, Databases and Relationships containers, MSysDb,
//                the four system tables
//   page 15      MSysACEs' rows: the rights of the database's accounts on those objects
// The rows go in through the table writer, which keeps the catalogue's indexes, counts and maps
// true. User tables may follow (table_creator.h). The objects Access adds when it first opens a
// file (MSysAccessObjects, the AccessVersion property, its containers) are not written: Access
// adds them itself, and other readers do not need them.
//
// The header's creation date is that of the engine-made database the catalogue was taken from,
// not the time of creation: the engine stores the accounts (SIDs) encrypted with a key that is
// not known and that seems to depend on that date (catalog_template.h), so the date is kept with
// the SIDs it belongs with. The catalogue's objects are dated with the real creation time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "create/table_schema.h"
#include "mdb/create.h"
#include "mdb/value.h"

namespace mdb {

// The bytes of a new database holding the engine's catalogue and then `tables` (created in that
// order), every object dated `created`. Throws Error (Refused) for a schema the table creator
// refuses.
std::vector<std::uint8_t> newDatabase(DateTime created,
                                      const std::vector<TableSchema>& tables = {});

}  // namespace mdb
