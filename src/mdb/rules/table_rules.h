// table_rules.h: the rules a table's design puts on each new row, as the catalogue records them
// (MSysObjects.LvProp, property_map.h):
//   DefaultValue      a column the caller never assigned gets the value of this expression
//                     (Access's designer puts "0" on every Number column it creates); not for
//                     autonumber columns, which the writer fills;
//   Required          the column may not be Null;
//   AllowZeroLength   when No, a Text or Memo column may not hold "";
//   ValidationRule    of a column (the rule may leave out its left side: "> 0") or of the table
//                     (target "": may compare columns: "[from] <= [to]"); the row is refused
//                     when the rule is False, and passes when it is True or Null, as in Access;
//   ValidationText    the message of a refusal by the rule beside it.
// Absent properties set no rule. Every expression is parsed once, up front; one this engine
// cannot evaluate (expression_parser.h) makes every write to the table refused, naming it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mdb/table.h"
#include "rules/expression_parser.h"

namespace mdb {

class TableRules {
public:
    explicit TableRules(const Table& table);

    // Why no row of the table can be written, or nullopt.
    const std::optional<std::string>& whyUnusable() const { return unusable_; }

    // Gives each column not assigned its default, then checks the row. Throws Error (Refused)
    // with the provider's message for the first rule the row breaks, or with whyUnusable().
    // `clock` gives what Date(), Now() and Time() read; it is read at most once, and only when
    // an expression is evaluated. REQUIRES: one value and one assigned flag per column.
    void apply(std::vector<Value>& values, const std::vector<bool>& assigned,
               const std::function<DateTime()>& clock) const;

private:
    struct Rule {
        std::string text;
        ExprNode expression;
        std::optional<std::string> message;  // ValidationText
    };
    struct ColumnRules {
        std::optional<Rule> defaultValue;
        bool required = false;
        bool zeroLengthRefused = false;
        std::optional<Rule> validation;
    };

    std::optional<Rule> parse(const std::string& what, const std::optional<std::string>& text,
                              ExpressionUse use, std::size_t self, const std::string& target);
    const std::string& field(std::size_t column) const { return fields_[column]; }
    Value defaultFor(std::size_t column, DateTime now) const;
    void check(const Rule& rule, const std::string& target, const std::vector<Value>& values,
               DateTime now) const;

    std::string table_;
    std::vector<Column> columns_;
    std::vector<std::string> fields_;  // "table.column", as messages name each column
    ExpressionScope scope_;
    std::vector<ColumnRules> rules_;  // one per column
    std::optional<Rule> tableRule_;
    std::optional<std::string> unusable_;
    bool noRules_ = false;  // no default, Required, AllowZeroLength No or rule anywhere
};

}  // namespace mdb
