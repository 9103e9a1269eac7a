// expression_evaluator.h: the value of a parsed expression for one row.
//
// Null behaves as in Access: it passes through arithmetic, comparisons, Like and Between
// (Null > 0 is Null, not False); Is Null is never Null; And and Or follow three-valued logic
// (Null And False is False, Null Or True is True); In is Null when nothing matched and the
// value or an item is Null. A validation rule whose value is Null lets the row pass.
#pragma once

#include <span>

#include "mdb/value.h"
#include "rules/expression_parser.h"

namespace mdb {

struct EvaluationInput {
    std::span<const Value> row;  // one value per column of the expression's scope
    DateTime now;                // what Date(), Now() and Time() read
};

// Throws Error (Unsupported) when a value is of a kind the operation cannot use (comparing a
// text that is not a number with a number, the date of a text, ...) or a division by zero.
ExprValue evaluate(const ExprNode& expression, const EvaluationInput& input);

}  // namespace mdb
