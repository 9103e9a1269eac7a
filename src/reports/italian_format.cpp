#include "reports/italian_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace reports {
namespace {

// "1234567" -> "1.234.567"
std::string groupThousands(std::string_view digits) {
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += '.';
        out += digits[i];
    }
    return out;
}

}  // namespace

std::string formatAmount(double value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    // to_chars, like printf, rounds the exact binary value correctly, which no hand-made
    // rounding of value * 100 does for every double; and it is several times faster.
    char buffer[400];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed, 2)
            .ptr;
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t point = text.find('.');
    std::string out =
        groupThousands(text.substr(0, point)) + ',' + std::string(text.substr(point + 1));
    if (value < 0 && out != "0,00") out.insert(out.begin(), '-');
    return out;
}

std::string formatCount(std::int64_t value) {
    const std::string digits = std::to_string(value);
    if (value < 0) return '-' + groupThousands(std::string_view(digits).substr(1));
    return groupThousands(digits);
}

std::string formatDate(const Date& date) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", date.day, date.month, date.year);
    return buffer;
}

}  // namespace reports
