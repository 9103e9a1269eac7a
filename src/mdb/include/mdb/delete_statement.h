// delete_statement.h: the one SQL statement the program sends to the database as text.
//
// Only one form is understood: "delete from <table>" (keywords and table name in any case, the
// name bare or in square brackets, blanks and line breaks around it and a final ";" ignored; a
// line break is CR LF or LF). It empties the table (Table::removeAll) as one operation.
#pragma once

#include <cstdint>
#include <string_view>

#include "mdb/database.h"

namespace mdb {

// Runs the statement; returns the number of rows it affected. Throws Error (Unsupported) with
// "Statement not supported: ..." for any other text, (NotFound) for an unknown table, and
// whatever the write throws.
std::uint32_t executeStatement(Database& database, std::string_view text);

}  // namespace mdb
