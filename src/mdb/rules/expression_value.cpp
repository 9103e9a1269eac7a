#include "rules/expression_value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "format/name_compare.h"
#include "mdb/error.h"
#include "rules/expression_date.h"

namespace mdb {
namespace {

[[noreturn]] void mismatch(const std::string& what) {
    throw Error(Error::Kind::Unsupported, "Data type mismatch: " + what);
}

std::optional<double> numberInText(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos) return std::nullopt;
    if (text[begin] == '+') ++begin;
    double d = 0;
    const char* first = text.data() + begin;
    const char* last = text.data() + end + 1;
    auto [ptr, ec] = std::from_chars(first, last, d);
    if (ec != std::errc() || ptr != last || !std::isfinite(d)) return std::nullopt;
    return d;
}

std::string numberText(double d) {
    if (d == 0) return "0";  // also -0
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", d);
    return buf;  // "1.5", "1E+20", "1E-05", as Access writes them
}

int sign(double d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

}  // namespace

ExprValue expressionValue(const Value& value) {
    return std::visit(
        [](const auto& v) -> ExprValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return std::monostate{};
            } else if constexpr (std::is_same_v<T, bool>) {
                return v;
            } else if constexpr (std::is_same_v<T, std::uint8_t> ||
                                 std::is_same_v<T, std::int16_t> ||
                                 std::is_same_v<T, std::int32_t> || std::is_same_v<T, float> ||
                                 std::is_same_v<T, double>) {
                return static_cast<double>(v);
            } else if constexpr (std::is_same_v<T, Currency>) {
                return static_cast<double>(v.units) / 10000.0;
            } else if constexpr (std::is_same_v<T, DateTime>) {
                return v;
            } else if constexpr (std::is_same_v<T, std::string>) {
                return v;
            } else if constexpr (std::is_same_v<T, Decimal>) {
                return std::stod(v.toString());
            } else {
                mismatch("binary data and replication IDs cannot be used in an expression");
            }
        },
        value);
}

std::optional<double> numberOf(const ExprValue& value) {
    if (const auto* b = std::get_if<bool>(&value)) return *b ? -1.0 : 0.0;
    if (const auto* d = std::get_if<double>(&value)) return *d;
    if (const auto* t = std::get_if<DateTime>(&value)) return linearDays(*t);
    if (const auto* s = std::get_if<std::string>(&value)) return numberInText(*s);
    return std::nullopt;
}

std::string textOf(const ExprValue& value) {
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "True" : "False";
    if (const auto* d = std::get_if<double>(&value)) return numberText(*d);
    if (const auto* t = std::get_if<DateTime>(&value)) return dateText(*t);
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    return "";
}

std::optional<bool> truthOf(const ExprValue& value) {
    if (isNull(value)) return std::nullopt;
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    if (std::holds_alternative<DateTime>(value)) mismatch("a date is neither true nor false");
    const std::optional<double> n = numberOf(value);
    if (!n) mismatch("the text '" + textOf(value) + "' is neither true nor false");
    return *n != 0;
}

std::optional<int> compareValues(const ExprValue& a, const ExprValue& b) {
    if (isNull(a) || isNull(b)) return std::nullopt;
    const auto* ta = std::get_if<std::string>(&a);
    const auto* tb = std::get_if<std::string>(&b);
    if (ta && tb) {
        const int c = foldCase(*ta).compare(foldCase(*tb));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    // A text against a date reads as a date ("1/2/2020"), against anything else as a number.
    auto operand = [](const ExprValue& v, const ExprValue& other) -> std::optional<double> {
        const auto* t = std::get_if<std::string>(&v);
        if (t && std::holds_alternative<DateTime>(other)) {
            if (std::optional<DateTime> d = parseDateLiteral(*t)) return linearDays(*d);
        }
        return numberOf(v);
    };
    const std::optional<double> na = operand(a, b);
    const std::optional<double> nb = operand(b, a);
    if (!na || !nb) mismatch("cannot compare '" + textOf(a) + "' with '" + textOf(b) + "'");
    return sign(*na - *nb);
}

std::size_t textLength(const std::string& utf8) {
    std::size_t units = 0;
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c & 0xC0) != 0x80) ++units;  // each lead byte starts a character
        if ((c & 0xF8) == 0xF0) ++units;  // four-byte characters take a surrogate pair
    }
    return units;
}

}  // namespace mdb
