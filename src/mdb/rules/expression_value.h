// expression_value.h: the values expressions compute with, as Access's expression service sees
// them: Null, a Yes/No value, a number, a date or a text.
//
// Every number is a double: Byte, Integer, Long and Currency values convert exactly, Decimal
// values keep 15 significant digits. Yes/No is a number where one is needed, True being -1.
// Texts compare without regard to case, character by character (Access compares them in the
// database's sort order; for the letters, digits and blanks that rules compare the two agree).
#pragma once

#include <optional>
#include <string>
#include <variant>

#include "mdb/value.h"

namespace mdb {

using ExprValue = std::variant<std::monostate, bool, double, DateTime, std::string>;

inline bool isNull(const ExprValue& v) { return std::holds_alternative<std::monostate>(v); }

// A row's value as an expression sees it. Throws Error (Unsupported) for binary data and
// replication IDs, which no rule this engine evaluates can use.
ExprValue expressionValue(const Value& value);

// The value as a number: Yes/No as -1 or 0, a date as its linear days (expression_date.h), a
// text when it reads as a number ("12", " 1.5 ", "-3E2"). nullopt for Null and other texts.
std::optional<double> numberOf(const ExprValue& value);

// The value as text: numbers with up to 15 significant digits ("0", "1.5", "1E+20"), Yes/No as
// "True" or "False", dates as dateText() writes them; Null as "".
std::string textOf(const ExprValue& value);

// Whether a value counts as true: Yes/No as it is, a number when not 0, a text when it reads as
// a number that is not 0. nullopt for Null. Throws Error (Unsupported) for other texts and for
// dates, which are neither true nor false.
std::optional<bool> truthOf(const ExprValue& value);

// -1, 0 or 1 as a is less than, equal to or greater than b; nullopt when either is Null.
// Numbers, Yes/No and dates compare as numbers, texts as texts, a text with a number or date as
// that number or date. Throws Error (Unsupported) "Data type mismatch ..." when a text reads as
// neither.
std::optional<int> compareValues(const ExprValue& a, const ExprValue& b);

// Characters of a text as Access counts them (UTF-16 units).
std::size_t textLength(const std::string& utf8);

}  // namespace mdb
