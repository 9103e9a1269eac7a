// engine_writes.h: the database engine's writes the data module uses, in one place.
//
// Interim: the engine's writer is being built on another branch; until it is merged these
// refuse with an engine error, so everything that reads works and every write says it cannot.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mdb/database.h"
#include "mdb/row_position.h"
#include "mdb/value.h"

namespace data {

mdb::RowPosition insertRow(mdb::Database& db, const std::string& table,
                           std::vector<mdb::Value> values);
void deleteRow(mdb::Database& db, const std::string& table, mdb::RowPosition position);
void executeSql(mdb::Database& db, std::string_view statement);
void beginWriteBatch(mdb::Database& db);
void endWriteBatch(mdb::Database& db);

}  // namespace data
