// table_creator.h: creating a table in an existing database.
//
// What a new table takes, as Access makes one:
//   1. its pages (new_table_pages.h): definition, usage maps, an empty root leaf per index;
//   2. a row in MSysObjects: Id = the definition's page, ParentId = the Tables container, Name,
//      Type 1, DateCreate = DateUpdate = the creation time, Flags 0, Owner = the owner of MSysDb
//      (the database's owner), LvProp = the columns' properties (property_map_writer.h) or null;
//   3. a row in MSysACEs for each account holding rights on the Tables container: ObjectId =
//      the table's id, that account's SID, every right (kFullAccess), not inheritable. In an
//      Access 97 file, as Access 97 writes them: one per inheritable entry of the container but
//      the creator's (rights F00FE), with that entry's rights.
// In an Access 97 (Jet 3) file the definition, its pages and the property maps take that
// format (2 KB pages, 133-byte map rows, names and properties in the database's code page).
// The catalogue rows go in through the table writer, so that MSysObjects' and MSysACEs' indexes,
// row counts and maps stay true.
//
// Everything that can refuse the table is checked before anything changes: the schema, and that
// no table or query of that name exists (names compare without regard to case). The work holds
// the database's write lock throughout (a batch of its own, or the caller's batch when one is
// open); the pages are written in one operation and each catalogue row in one more.
#pragma once

#include <string>
#include <vector>

#include "create/table_schema.h"
#include "file/pager.h"
#include "mdb/create.h"
#include "mdb/value.h"

namespace mdb {

// Creates the table in the database open on `pager`, dated `created`. Throws Error (Refused)
// for a schema tableDefinitionFor refuses or a name that is taken, (Locked) when another
// program is writing the database, (Corrupt) when its catalogue is damaged. An open Database
// on the same pager does not list the new table until it is opened again.
void createTable(Pager& pager, const TableSchema& schema, DateTime created);
// Creates the tables in order, all or none when the file has no room: every schema, every name
// and the room for all of them are checked before the first table is made.
void createTables(Pager& pager, const std::vector<TableSchema>& schemas, DateTime created);

// The current local time, as Access dates its objects.
DateTime currentDateTime();

}  // namespace mdb
