// connect_database.h: the Connetti command's work on the database, after the status display.
#pragma once

#include <string>

#include "data/data_modules.h"

namespace data {

// When `databasePath` names an existing file (file_exists.h): creates a new data module in
// `modules` (which makes it DM), closes its connection, sets the connection string for the path
// and opens it. Returns the new module, or null (and does nothing) when the path names no file.
// A failed open throws UserError with the module stored as DM and its connection closed.
TDM* connectDatabase(DataModules& modules, const std::string& databasePath);

}  // namespace data
