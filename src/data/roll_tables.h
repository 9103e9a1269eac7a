// roll_tables.h: the two tables the program fills, Testate and DettaglioVoci, as a database needs
// them: the columns of the data module's datasets (dataModule.h), with the types, sizes and
// indexes Access gives such a table:
//   - "ID", an autonumber Long Integer and the primary key (index "PrimaryKey");
//   - integer fields as Long Integer, float fields as Double, date-time fields as Date/Time;
//   - wide text fields as Text of their size, with Unicode compression, AllowZeroLength yes and
//     Required no (Access's defaults for a new text column);
//   - a plain (non-unique) index on "id doc" in both tables and on "num doc" in Testate, named
//     after the column, as Access's AutoIndex adds them to columns whose names start with "id"
//     or "num".
// This is the one description of them: the tools (brelvano-db create --roll), the tests and the
// demo all make their databases from it.
#pragma once

#include <string>
#include <vector>

#include "mdb/schema.h"

namespace data {

mdb::TableSchema testateTable();
mdb::TableSchema dettaglioVociTable();
// Both, Testate first.
std::vector<mdb::TableSchema> rollTables();

// Creates a new database at `path` holding both tables, empty. Never writes over a file: throws
// mdb::Error (Refused) when `path` exists.
void createRollDatabase(const std::string& path);

// Adds both tables, empty, to the existing database at `path` (Access 97 or 2000-2003). Throws
// mdb::Error (Refused: "Table 'Testate' already exists") before anything changes when the
// database has either table already.
void addRollTables(const std::string& path);

}  // namespace data
