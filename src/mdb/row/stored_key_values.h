// stored_key_values.h: the values of a prepared row's key columns as a reader will read them
// back, which is what index keys must be built from (a text cut or converted on the way in is
// keyed as stored).
#pragma once

#include <vector>

#include "format/table_definition.h"
#include "mdb/value.h"
#include "row/row_writer.h"

namespace mdb {

// Fills `out` with one value per column of `def`: the stored value of each column marked in
// `keyColumns` (by column index). The others are left as they are: null in a vector only ever
// filled here.
void storedKeyValues(const TableDefinition& def, const PreparedRow& row,
                     const std::vector<bool>& keyColumns, std::vector<Value>& out);

}  // namespace mdb
