#include "reports/column_reader.h"

#include <cmath>
#include <cstdlib>
#include <variant>

#include "data/user_error.h"
#include "reports/report_texts.h"

namespace reports {
namespace {

bool holds(ColumnKind kind, mdb::ColumnType type) {
    using T = mdb::ColumnType;
    switch (kind) {
        case ColumnKind::Integer:
            return type == T::Byte || type == T::Integer || type == T::Long;
        case ColumnKind::Number:
            return type == T::Single || type == T::Double || type == T::Currency ||
                   type == T::Numeric;
        case ColumnKind::Date:
            return type == T::DateTime;
        case ColumnKind::Text:
            return type == T::Text || type == T::Memo;
    }
    return false;
}

}  // namespace

std::size_t requireColumn(const mdb::Table& table, const std::string& name, ColumnKind kind) {
    const std::optional<std::size_t> index = table.findColumn(name);
    if (!index) throw data::UserError(msg::missingColumn(table.name(), name));
    const mdb::ColumnType type = table.columns()[*index].type;
    if (!holds(kind, type))
        throw data::UserError(msg::unsuitableColumn(table.name(), name, mdb::typeName(type)));
    return *index;
}

std::optional<std::int32_t> integerOf(const mdb::Value& v) {
    if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
    if (const auto* s = std::get_if<std::int16_t>(&v)) return *s;
    if (const auto* b = std::get_if<std::uint8_t>(&v)) return *b;
    return std::nullopt;
}

std::optional<double> numberOf(const mdb::Value& v) {
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* f = std::get_if<float>(&v)) return static_cast<double>(*f);
    if (const auto* c = std::get_if<mdb::Currency>(&v))
        return static_cast<double>(c->units) / 10000.0;
    // A Decimal's own text is exact; strtod makes it the nearest double.
    if (const auto* n = std::get_if<mdb::Decimal>(&v))
        return std::strtod(n->toString().c_str(), nullptr);
    return std::nullopt;
}

std::optional<Date> dateOf(const mdb::Value& v) {
    const auto* d = std::get_if<mdb::DateTime>(&v);
    if (d == nullptr || !std::isfinite(d->days)) return std::nullopt;
    const mdb::CivilTime t = mdb::toCivilTime(*d);
    return Date{t.year, t.month, t.day};
}

std::string textOf(mdb::Value&& v) {
    if (auto* s = std::get_if<std::string>(&v)) return std::move(*s);
    return {};
}

}  // namespace reports
