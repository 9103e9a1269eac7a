#include "mdb/value.h"

#include <cmath>
#include <cstdio>

namespace mdb {

CivilTime toCivilTime(DateTime d) {
    // Access keeps the date in the integer part and the time of day, unsigned, in the
    // fraction: -1.25 is 1899-12-29 06:00.
    double days = d.days;
    if (!std::isfinite(days) || std::fabs(days) > 3e6) days = 0;
    double whole = std::trunc(days);
    auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += days < 0 ? -1 : 1;
    }
    const std::chrono::year_month_day date = calendarDate(static_cast<std::int64_t>(whole));
    CivilTime t;
    t.year = static_cast<int>(date.year());
    t.month = static_cast<int>(static_cast<unsigned>(date.month()));
    t.day = static_cast<int>(static_cast<unsigned>(date.day()));
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

std::string Guid::toString() const {
    const auto& b = bytes;
    char buf[40];
    std::snprintf(buf, sizeof buf,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return buf;
}

std::string Decimal::toString() const {
    std::array<std::uint32_t, 4> words = magnitude;
    std::string digits;
    auto isZero = [&words] {
        return words[0] == 0 && words[1] == 0 && words[2] == 0 && words[3] == 0;
    };
    while (!isZero()) {
        std::uint64_t remainder = 0;
        for (std::uint32_t& w : words) {
            const std::uint64_t cur = (remainder << 32) | w;
            w = static_cast<std::uint32_t>(cur / 10);
            remainder = cur % 10;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    }
    if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    if (scale > 0) digits.insert(digits.size() - scale, 1, '.');
    const bool zero = isZero() && digits.find_first_not_of("0.") == std::string::npos;
    return (negative && !zero ? "-" : "") + digits;
}

}  // namespace mdb
