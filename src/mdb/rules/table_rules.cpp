#include "rules/table_rules.h"

#include <algorithm>
#include <cmath>

#include "mdb/error.h"
#include "row/property_map.h"
#include "rules/expression_date.h"
#include "rules/expression_evaluator.h"
#include "rules/rule_messages.h"

namespace mdb {
namespace {

const char* const kDefaultValue = "default value";
const char* const kValidationRule = "validation rule";

std::optional<std::string> textProperty(const PropertyMap* map, const char* name) {
    if (map == nullptr) return std::nullopt;
    const Property* p = map->find(name);
    if (p == nullptr) return std::nullopt;
    if (const auto* s = std::get_if<std::string>(&p->value)) return *s;
    return std::nullopt;
}

bool blank(const std::optional<std::string>& text) {
    return !text || text->find_first_not_of(" \t\r\n") == std::string::npos;
}

[[noreturn]] void mismatch(const Column& c, const ExprValue& v) {
    throw Error(Error::Kind::Unsupported, "Data type mismatch: '" + textOf(v) +
                                              "' is not a value for a " + typeName(c.type) +
                                              " field");
}

// Whole numbers become Longs, as the provider hands them to integer and decimal columns;
// halves round to even, as Access rounds a number stored in an integer column.
Value numberValue(const Column& c, double d) {
    const bool integral = c.type == ColumnType::Byte || c.type == ColumnType::Integer ||
                          c.type == ColumnType::Long || c.type == ColumnType::Numeric;
    if (integral) {
        const double rounded = c.type == ColumnType::Numeric ? d : std::nearbyint(d);
        if (rounded == std::trunc(rounded) && std::fabs(rounded) <= 2147483647.0)
            return static_cast<std::int32_t>(rounded);
        return rounded;
    }
    return d;
}

// The default's value as the column stores it.
Value columnValue(const Column& c, const ExprValue& v) {
    if (c.type == ColumnType::Boolean) return truthOf(v).value_or(false);
    if (isNull(v)) return std::monostate{};
    switch (c.type) {
        case ColumnType::Text:
        case ColumnType::Memo:
            return textOf(v);
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long:
        case ColumnType::Currency:
        case ColumnType::Single:
        case ColumnType::Double:
        case ColumnType::Numeric:
            if (std::holds_alternative<DateTime>(v)) mismatch(c, v);
            if (const std::optional<double> n = numberOf(v)) return numberValue(c, *n);
            mismatch(c, v);
        case ColumnType::DateTime:
            if (const auto* d = std::get_if<DateTime>(&v)) return *d;
            if (const auto* s = std::get_if<std::string>(&v)) {
                if (std::optional<DateTime> d = parseDateLiteral(*s)) return *d;
                mismatch(c, v);
            }
            if (const std::optional<double> n = numberOf(v)) return fromLinearDays(*n);
            mismatch(c, v);
        default:
            mismatch(c, v);
    }
}

}  // namespace

TableRules::TableRules(const Table& table) : table_(table.name()), columns_(table.columns()) {
    for (const Column& c : columns_) {
        scope_.columns.push_back(c.name);
        fields_.push_back(table_ + "." + c.name);
    }
    rules_.resize(columns_.size());
    for (std::size_t i = 0; i < columns_.size() && !unusable_; ++i) {
        const Column& c = columns_[i];
        const ColumnProperties& p = c.properties;
        ColumnRules& r = rules_[i];
        r.required = p.required.value_or(false);
        r.zeroLengthRefused = (c.type == ColumnType::Text || c.type == ColumnType::Memo) &&
                              p.allowZeroLength.has_value() && !*p.allowZeroLength;
        if (!c.isAutoNumber() && !c.isAutoGuid())
            r.defaultValue =
                parse(kDefaultValue, p.defaultValue, ExpressionUse::DefaultValue, i, field(i));
        r.validation =
            parse(kValidationRule, p.validationRule, ExpressionUse::ColumnRule, i, field(i));
        if (r.validation && !blank(p.validationText)) r.validation->message = p.validationText;
    }
    const PropertyMap* own = nullptr;
    for (const PropertyMap& m : table.properties())
        if (m.target.empty()) own = &m;
    if (!unusable_) {
        tableRule_ = parse(kValidationRule, textProperty(own, "ValidationRule"),
                           ExpressionUse::TableRule, 0, table_);
        const std::optional<std::string> text = textProperty(own, "ValidationText");
        if (tableRule_ && !blank(text)) tableRule_->message = text;
    }
    noRules_ = !tableRule_ && std::none_of(rules_.begin(), rules_.end(), [](const ColumnRules& r) {
        return r.defaultValue || r.required || r.zeroLengthRefused || r.validation;
    });
}

std::optional<TableRules::Rule> TableRules::parse(const std::string& what,
                                                  const std::optional<std::string>& text,
                                                  ExpressionUse use, std::size_t self,
                                                  const std::string& target) {
    if (blank(text)) return std::nullopt;
    scope_.self = self;
    try {
        return Rule{*text, parseExpression(*text, use, scope_), std::nullopt};
    } catch (const Error& e) {
        if (e.kind != Error::Kind::Unsupported) throw;
        unusable_ = rule_messages::cannotEvaluate(table_, what, *text, target, e.what());
        return std::nullopt;
    }
}

Value TableRules::defaultFor(std::size_t column, DateTime now) const {
    const Rule& d = *rules_[column].defaultValue;
    try {
        return columnValue(columns_[column], evaluate(d.expression, {{}, now}));
    } catch (const Error& e) {
        if (e.kind != Error::Kind::Unsupported) throw;
        throw Error(Error::Kind::Refused,
                    rule_messages::cannotApply(kDefaultValue, d.text, field(column), e.what()));
    }
}

void TableRules::check(const Rule& rule, const std::string& target,
                       const std::vector<Value>& values, DateTime now) const {
    std::optional<bool> passed;
    try {
        passed = truthOf(evaluate(rule.expression, {values, now}));
    } catch (const Error& e) {
        if (e.kind != Error::Kind::Unsupported) throw;
        throw Error(Error::Kind::Refused,
                    rule_messages::cannotApply(kValidationRule, rule.text, target, e.what()));
    }
    if (passed.value_or(true)) return;  // Null passes, as in Access
    throw Error(Error::Kind::Refused,
                rule.message.value_or(rule_messages::validationRuleViolated(rule.text, target)));
}

void TableRules::apply(std::vector<Value>& values, const std::vector<bool>& assigned,
                       const std::function<DateTime()>& clock) const {
    if (unusable_) throw Error(Error::Kind::Refused, *unusable_);
    if (noRules_) return;  // most tables: nothing to look at, row after row
    // Every expression of the row sees the same moment.
    std::optional<DateTime> moment;
    const auto now = [&] {
        if (!moment) moment = clock();
        return *moment;
    };
    for (std::size_t i = 0; i < rules_.size(); ++i)
        if (!assigned[i] && rules_[i].defaultValue) values[i] = defaultFor(i, now());
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        const ColumnRules& r = rules_[i];
        if (r.required && isNull(values[i]))
            throw Error(Error::Kind::Refused, rule_messages::requiredIsNull(field(i)));
        if (r.zeroLengthRefused) {
            const auto* s = std::get_if<std::string>(&values[i]);
            if (s && s->empty())
                throw Error(Error::Kind::Refused, rule_messages::zeroLengthString(field(i)));
        }
        if (r.validation) check(*r.validation, field(i), values, now());
    }
    if (tableRule_) check(*tableRule_, table_, values, now());
}

}  // namespace mdb
