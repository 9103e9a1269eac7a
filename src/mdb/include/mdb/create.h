// create.h: making a new database file, and adding a table to one, as Access would.
#pragma once

#include <string>
#include <vector>

#include "mdb/schema.h"

namespace mdb {

// Writes a new database to `path`, dated now. Never writes over anything: throws Error (Refused)
// when `path` exists (a file, a folder or a link), (Io) when the file cannot be written, in which
// case nothing is left at `path`.
void createDatabase(const std::string& path, const std::vector<TableSchema>& tables = {});

// Creates `schema`'s table in the database file at `path`, dated now, and closes the file.
// Everything that can refuse the table is checked before anything changes: throws Error
// (Refused) for a schema Access would not accept or a name that is taken, (Locked) when another
// program is writing the database, (Corrupt) when its catalogue is damaged.
void createTable(const std::string& path, const TableSchema& schema);

// Creates the tables in the database file at `path`, in order, as createTable does. Every
// schema and name is checked before the first table is made: a refusal of any of them changes
// nothing.
void createTables(const std::string& path, const std::vector<TableSchema>& schemas);

}  // namespace mdb
