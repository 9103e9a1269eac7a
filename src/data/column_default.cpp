#include "data/column_default.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <ctime>
#include <string>
#include <string_view>

namespace data {
namespace {

using mdb::ColumnType;

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool sameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool isNumeric(ColumnType t) {
    return t == ColumnType::Byte || t == ColumnType::Integer || t == ColumnType::Long ||
           t == ColumnType::Currency || t == ColumnType::Single || t == ColumnType::Double ||
           t == ColumnType::Numeric;
}

bool isText(ColumnType t) { return t == ColumnType::Text || t == ColumnType::Memo; }

// A quoted text with its doubled quotes made single, or nullopt.
std::optional<std::string> quotedText(std::string_view e) {
    if (e.size() < 2 || (e.front() != '"' && e.front() != '\'') || e.back() != e.front()) {
        return std::nullopt;
    }
    const char quote = e.front();
    std::string text;
    for (std::size_t i = 1; i + 1 < e.size(); ++i) {
        if (e[i] == quote) {
            if (i + 2 >= e.size() || e[i + 1] != quote) return std::nullopt;  // a lone quote
            ++i;
        }
        text += e[i];
    }
    return text;
}

std::optional<mdb::Value> number(std::string_view e, const mdb::Column& column) {
    std::string_view digits = e;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    if (isText(column.type)) return std::string(e);
    if (column.type == ColumnType::Boolean) return value != 0;
    if (!isNumeric(column.type)) return std::nullopt;
    if (value == std::floor(value) && value >= INT_MIN && value <= INT_MAX) {
        return static_cast<std::int32_t>(value);
    }
    return value;
}

}  // namespace

std::optional<mdb::Value> columnDefault(const mdb::Column& column, mdb::DateTime now) {
    if (!column.properties.defaultValue) return std::nullopt;
    std::string_view e = trimmed(*column.properties.defaultValue);
    if (!e.empty() && e.front() == '=') e = trimmed(e.substr(1));
    if (e.empty() || sameWord(e, "Null")) return std::nullopt;

    if (std::optional<std::string> text = quotedText(e)) {
        if (isText(column.type)) return *text;
        return std::nullopt;
    }
    for (const auto& [word, truth] :
         {std::pair{"Yes", true}, std::pair{"True", true}, std::pair{"On", true},
          std::pair{"No", false}, std::pair{"False", false}, std::pair{"Off", false}}) {
        if (!sameWord(e, word)) continue;
        if (column.type == ColumnType::Boolean) return truth;
        if (isNumeric(column.type)) return std::int32_t{truth ? -1 : 0};
        return std::nullopt;
    }
    if (column.type == ColumnType::DateTime) {
        if (sameWord(e, "Now()")) return now;
        if (sameWord(e, "Date()")) return mdb::DateTime{std::floor(now.days)};
        if (sameWord(e, "Time()")) return mdb::DateTime{now.days - std::floor(now.days)};
        return std::nullopt;
    }
    return number(e, column);
}

mdb::DateTime localNow() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    // Days from the civil date (Howard Hinnant's algorithm), moved to the 1899-12-30 epoch.
    int y = local.tm_year + 1900;
    const int m = local.tm_mon + 1;
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + local.tm_mday - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const double days = era * 146097.0 + doe - 719468 + 25569;
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    return mdb::DateTime{days + seconds / 86400.0};
}

}  // namespace data
