// expression_parser.h: defaults and validation rules, from text to a tree.
//
// The language is the part of Access's expressions that defaults and validation rules use,
// from the loosest binding to the tightest:
//   a Or b            a And b           Not a
//   a = b  a <> b  a < b  a > b  a <= b  a >= b
//   a [Not] Like "A*"   a [Not] Between x And y   a [Not] In (x, y, ...)   a Is [Not] Null
//   a & b (text)      a + b  a - b      a * b  a / b      -a
//   literals (expression_lexer.h, True False Yes No On Off Null), names, f(...), (a)
// A column's rule may leave out its left side, which is then the column: "> 0",
// "Between 1 And 10", "Like 'A*'", "Is Not Null", "<> ''", "> 0 And < 100", "Not In (1, 2)".
// There a bare value stands for a comparison with it ("'M' Or 'F'", "Not Null"). A default may
// start with "=".
// Everything else (other operators, functions expression_functions.h lacks, names that are not
// the table's columns, references to forms or other tables) is refused while parsing, so a
// rule is either understood whole or not at all.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/expression_functions.h"
#include "rules/expression_value.h"

namespace mdb {

struct ExprNode {
    enum class Kind {
        Literal,     // value
        Column,      // column, name
        Call,        // function, operands = arguments
        Negate,      // -operands[0]
        Not,         // Not operands[0]
        And,         // operands[0] And operands[1]
        Or,          // operands[0] Or operands[1]
        Arithmetic,  // operands[0] op operands[1], op Add, Subtract, Multiply, Divide
        Concat,      // operands[0] & operands[1]
        Compare,     // operands[0] op operands[1], op Equal ... GreaterOrEqual
        Like,        // operands[0] [Not] Like operands[1]
        Between,     // operands[0] [Not] Between operands[1] And operands[2]
        In,          // operands[0] [Not] In (operands[1], ...)
        IsNull,      // operands[0] Is [Not] Null
    };
    enum class Op {
        Equal,
        NotEqual,
        Less,
        Greater,
        LessOrEqual,
        GreaterOrEqual,
        Add,
        Subtract,
        Multiply,
        Divide
    };

    Kind kind = Kind::Literal;
    Op op = Op::Equal;
    bool negated = false;  // Not Like, Not Between, Not In, Is Not Null
    ExprValue value;
    std::size_t column = 0;  // index into ExpressionScope::columns
    std::string name;        // a column's or function's name as written
    const ExprFunction* function = nullptr;
    std::vector<ExprNode> operands;
};

enum class ExpressionUse { DefaultValue, ColumnRule, TableRule };

struct ExpressionScope {
    std::vector<std::string> columns;  // the names an expression may use, in row order
    std::size_t self = 0;              // ColumnRule: the column the rule belongs to
};

// Throws Error (Unsupported) saying what was not understood and where.
ExprNode parseExpression(std::string_view text, ExpressionUse use, const ExpressionScope& scope);

}  // namespace mdb
