#include "rules/expression_functions.h"

#include <array>
#include <cmath>

#include "format/name_compare.h"
#include "mdb/error.h"
#include "rules/expression_date.h"

namespace mdb {
namespace {

using Args = std::span<const ExprValue>;

[[noreturn]] void invalid(const std::string& what) {
    throw Error(Error::Kind::Unsupported, "Invalid procedure call: " + what);
}

bool anyNull(Args args) {
    for (const ExprValue& a : args)
        if (isNull(a)) return true;
    return false;
}

// Code points of a UTF-8 text, so that Left and Mid never cut a character in two.
std::vector<std::string> characters(const std::string& utf8) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = 1;
        while (i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80) ++n;
        out.push_back(utf8.substr(i, n));
        i += n;
    }
    return out;
}

std::string join(const std::vector<std::string>& chars, std::size_t from, std::size_t count) {
    std::string out;
    for (std::size_t i = from; i < chars.size() && i - from < count; ++i) out += chars[i];
    return out;
}

std::size_t countArgument(const ExprValue& v, const char* function, bool allowZero) {
    const std::optional<double> n = numberOf(v);
    if (!n || *n < (allowZero ? 0 : 1) || *n > 1e9)
        invalid(std::string(function) + " needs a count " + (allowZero ? "of 0" : "of 1") +
                " or more, not '" + textOf(v) + "'");
    return static_cast<std::size_t>(std::llround(*n));
}

CivilTime civilArgument(const ExprValue& v, const char* function) {
    if (const auto* d = std::get_if<DateTime>(&v)) return toCivilTime(*d);
    if (const auto* s = std::get_if<std::string>(&v))
        if (std::optional<DateTime> d = parseDateLiteral(*s)) return toCivilTime(*d);
    if (const std::optional<double> n = numberOf(v)) return toCivilTime(fromLinearDays(*n));
    invalid(std::string(function) + " needs a date, not '" + textOf(v) + "'");
}

ExprValue today(Args, DateTime now) { return fromLinearDays(std::floor(linearDays(now))); }
ExprValue nowValue(Args, DateTime now) { return now; }
ExprValue timeOfDay(Args, DateTime now) {
    const double t = linearDays(now);
    return DateTime{t - std::floor(t)};
}

ExprValue len(Args a, DateTime) {
    if (anyNull(a)) return std::monostate{};
    return static_cast<double>(textLength(textOf(a[0])));
}

ExprValue trimmed(Args a, bool left, bool right) {
    if (anyNull(a)) return std::monostate{};
    std::string s = textOf(a[0]);
    if (left) s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
    if (right) s.erase(s.find_last_not_of(' ') + 1);
    return s;
}
ExprValue trim(Args a, DateTime) { return trimmed(a, true, true); }
ExprValue ltrim(Args a, DateTime) { return trimmed(a, true, false); }
ExprValue rtrim(Args a, DateTime) { return trimmed(a, false, true); }

ExprValue left(Args a, DateTime) {
    if (anyNull(a)) return std::monostate{};
    return join(characters(textOf(a[0])), 0, countArgument(a[1], "Left", true));
}

ExprValue right(Args a, DateTime) {
    if (anyNull(a)) return std::monostate{};
    const std::vector<std::string> chars = characters(textOf(a[0]));
    const std::size_t n = std::min(countArgument(a[1], "Right", true), chars.size());
    return join(chars, chars.size() - n, n);
}

ExprValue mid(Args a, DateTime) {
    if (anyNull(a)) return std::monostate{};
    const std::vector<std::string> chars = characters(textOf(a[0]));
    const std::size_t start = countArgument(a[1], "Mid", false) - 1;
    const std::size_t n = a.size() > 2 ? countArgument(a[2], "Mid", true) : chars.size();
    return join(chars, start, n);
}

ExprValue year(Args a, DateTime) {
    if (anyNull(a)) return std::monostate{};
    return static_cast<double>(civilArgument(a[0], "Year").year);
}
ExprValue month(Args a, DateTime) {
    if (anyNull(a)) return std::monostate{};
    return static_cast<double>(civilArgument(a[0], "Month").month);
}
ExprValue day(Args a, DateTime) {
    if (anyNull(a)) return std::monostate{};
    return static_cast<double>(civilArgument(a[0], "Day").day);
}

ExprValue isNullFunction(Args a, DateTime) { return isNull(a[0]); }

constexpr std::array<ExprFunction, 14> kFunctions = {{
    {"Date", 0, 0, today},
    {"Now", 0, 0, nowValue},
    {"Time", 0, 0, timeOfDay},
    {"Len", 1, 1, len},
    {"Trim", 1, 1, trim},
    {"LTrim", 1, 1, ltrim},
    {"RTrim", 1, 1, rtrim},
    {"Left", 2, 2, left},
    {"Right", 2, 2, right},
    {"Mid", 2, 3, mid},
    {"Year", 1, 1, year},
    {"Month", 1, 1, month},
    {"Day", 1, 1, day},
    {"IsNull", 1, 1, isNullFunction},
}};

}  // namespace

const ExprFunction* findFunction(std::string_view name) {
    for (const ExprFunction& f : kFunctions)
        if (sameName(f.name, name)) return &f;
    return nullptr;
}

}  // namespace mdb
