// column_reader.h: reading the roll's columns from engine rows, by name and kind.
//
// A column is found by name (ignoring case) and must be of a type the wanted kind can be read
// from, as the data module's fields accept them: integers from Byte, Integer and Long Integer
// columns, numbers from Single, Double, Currency and Decimal columns, dates from Date/Time
// columns, texts from Text and Memo columns. Plain C++, no Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "mdb/table.h"
#include "mdb/value.h"
#include "reports/roll_rows.h"

namespace reports {

enum class ColumnKind { Integer, Number, Date, Text };

// The position of column `name` in `table`. Throws data::UserError naming the table and column
// when there is no such column or its type does not hold a `kind`.
std::size_t requireColumn(const mdb::Table& table, const std::string& name, ColumnKind kind);

// Each reads a value of a column requireColumn accepted for its kind; null (or anything else)
// reads as nothing.
std::optional<std::int32_t> integerOf(const mdb::Value& v);
std::optional<double> numberOf(const mdb::Value& v);
std::optional<Date> dateOf(const mdb::Value& v);
std::string textOf(mdb::Value&& v);

}  // namespace reports
