// value.h: one column value of one row, typed.
//
//   Jet type        alternative held
//   (null)          std::monostate
//   Boolean         bool (never null: Yes/No lives in the null mask)
//   Byte            std::uint8_t
//   Integer         std::int16_t
//   Long Integer    std::int32_t
//   Currency        Currency (signed count of 1/10000)
//   Single          float
//   Double          double
//   DateTime        DateTime (days since 1899-12-30, the fraction is the time of day)
//   Text, Memo      std::string, UTF-8
//   Binary, OLE     Binary (and any column type this engine does not know)
//   Replication ID  Guid
//   Numeric         Decimal
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// First: ColumnType::Binary must be declared before the Binary value type, or -Wshadow objects.
#include "mdb/schema.h"

namespace mdb {

struct Currency {
    std::int64_t units = 0;  // value * 10000
    auto operator<=>(const Currency&) const = default;
};

struct DateTime {
    double days = 0;
    bool operator==(const DateTime&) const = default;
};

// A date and time of day, to whole seconds (rounded to the nearest second, as Access shows it).
struct CivilTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    bool operator==(const CivilTime&) const = default;
};
CivilTime toCivilTime(DateTime d);

// A stored date's whole days count from 30 December 1899 (day 0). These two are the program's one
// conversion between such a day number and a calendar date (proleptic Gregorian).
constexpr std::chrono::sys_days kDayZero{std::chrono::year{1899} / 12 / 30};
inline std::int64_t dayNumber(std::chrono::year_month_day date) {
    return (std::chrono::sys_days{date} - kDayZero).count();
}
inline std::chrono::year_month_day calendarDate(std::int64_t dayNumber) {
    return std::chrono::year_month_day{kDayZero + std::chrono::days{dayNumber}};
}

struct Guid {
    std::array<std::uint8_t, 16> bytes{};  // as stored
    bool operator==(const Guid&) const = default;
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; the first three groups are stored little-endian.
    std::string toString() const;
};

struct Decimal {
    bool negative = false;
    std::uint8_t scale = 0;                    // digits after the decimal point
    std::array<std::uint32_t, 4> magnitude{};  // most significant word first
    bool operator==(const Decimal&) const = default;
    std::string toString() const;  // e.g. "-12.50"
};

using Binary = std::vector<std::uint8_t>;

using Value = std::variant<std::monostate, bool, std::uint8_t, std::int16_t, std::int32_t, Currency,
                           float, double, DateTime, std::string, Binary, Guid, Decimal>;

inline bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

}  // namespace mdb
