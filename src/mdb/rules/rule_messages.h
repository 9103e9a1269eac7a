// rule_messages.h: what the database says when its own rules refuse a write, worded as the Jet
// provider words it (without the final point, which the program's error display adds).
//
// A field is named "Table.column", as the provider names it.
#pragma once

#include <string>

namespace mdb::rule_messages {

inline std::string requiredIsNull(const std::string& field) {
    return "The field '" + field +
           "' cannot contain a Null value because the Required property for this field is set "
           "to True. Enter a value in this field";
}

inline std::string zeroLengthString(const std::string& field) {
    return "Field '" + field + "' cannot be a zero-length string";
}

// A validation rule refused the row and the design gives no ValidationText. `target` is the
// field, or the table for the table's own rule.
inline std::string validationRuleViolated(const std::string& rule, const std::string& target) {
    return "One or more values are prohibited by the validation rule '" + rule + "' set for '" +
           target + "'. Enter a value that the expression for this field can accept";
}

// A rule or default that could be read but not applied to this row (a text compared with a
// number, a division by zero).
inline std::string cannotApply(const std::string& what, const std::string& expression,
                               const std::string& target, const std::string& reason) {
    return "The " + what + " '" + expression + "' set for '" + target +
           "' cannot be applied to this row: " + reason;
}

// A default or rule in a form this program does not evaluate: every write to the table is
// refused, so that the table is never half changed.
inline std::string cannotEvaluate(const std::string& table, const std::string& what,
                                  const std::string& expression, const std::string& target,
                                  const std::string& reason) {
    return "Cannot change table '" + table + "': the " + what + " '" + expression + "' set for '" +
           target + "' is an expression this program cannot evaluate (" + reason + ")";
}

inline std::string relatedRecordRequired(const std::string& parentTable) {
    return "You cannot add or change a record because a related record is required in table '" +
           parentTable + "'";
}

inline std::string relatedRecordsExist(const std::string& childTable) {
    return "The record cannot be deleted or changed because table '" + childTable +
           "' includes related records";
}

}  // namespace mdb::rule_messages
