// column.h: what the engine needs to know about a column type beyond the public schema.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mdb/schema.h"

namespace mdb {

// Bytes a fixed-size type takes in a row (0 for Boolean, Text, Binary, Memo, OLE and unknown).
std::size_t fixedSize(ColumnType type);
inline bool isLongValue(ColumnType t) { return t == ColumnType::Memo || t == ColumnType::Ole; }

}  // namespace mdb
