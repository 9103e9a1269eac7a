#include "mdb/value.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "format/byte_order.h"
#include "format/code_page_text.h"
#include "format/column.h"
#include "format/jet_text.h"
#include "mdb/error.h"
#include "row/value_decoding.h"

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
    if (scale > 0) digits.insert(digits.size() - scale, ".");
    const bool zero = isZero() && digits.find_first_not_of("0.") == std::string::npos;
    return (negative && !zero ? "-" : "") + digits;
}

std::string decodeColumnText(const Column& column, ByteView bytes) {
    if (column.codePage != 0) return decodeCodePageText(bytes, column.codePage);
    return decodeJetText(bytes);
}

Value decodeValue(const Column& column, ByteView bytes) {
    const std::size_t need = fixedSize(column.type);
    if (bytes.size() < need)
        throw Error(Error::Kind::Corrupt,
                    "column '" + column.name + "' holds " + std::to_string(bytes.size()) +
                        " bytes, " + typeName(column.type) + " needs " + std::to_string(need));
    switch (column.type) {
        case ColumnType::Boolean:
            return true;
        case ColumnType::Byte:
            return bytes[0];
        case ColumnType::Integer:
            return static_cast<std::int16_t>(get16le(bytes, 0));
        case ColumnType::Long:
            return static_cast<std::int32_t>(get32le(bytes, 0));
        case ColumnType::Currency:
            return Currency{static_cast<std::int64_t>(get64le(bytes, 0))};
        case ColumnType::Single:
            return std::bit_cast<float>(get32le(bytes, 0));
        case ColumnType::Double:
            return std::bit_cast<double>(get64le(bytes, 0));
        case ColumnType::DateTime:
            return DateTime{std::bit_cast<double>(get64le(bytes, 0))};
        case ColumnType::Guid: {
            Guid g;
            std::copy_n(bytes.begin(), 16, g.bytes.begin());
            return g;
        }
        case ColumnType::Numeric: {
            // Sign byte (0x80 = negative), then four little-endian words, most significant first.
            Decimal d;
            d.negative = (bytes[0] & 0x80) != 0;
            d.scale = column.scale;
            for (std::size_t w = 0; w < 4; ++w) d.magnitude[w] = get32le(bytes, 1 + 4 * w);
            return d;
        }
        case ColumnType::Text:
        case ColumnType::Memo:
            return decodeColumnText(column, bytes);
        default:
            return Binary(bytes.begin(), bytes.end());
    }
}

}  // namespace mdb
