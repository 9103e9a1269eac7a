// date_time_text.h: reading and writing a date-time field's text.
//
// A date-time value is the number of days since 30 December 1899, with the time of day as the
// fraction. Before that day the value is negative and the fraction still counts forwards from
// midnight (6 am on 29 December 1899 is -1.25).
//
// Reading, with the regional settings:
//   - the order of day, month and year is that of the first D, M or Y (an E counting as Y) in the
//     short date format, month-day-year when it holds none of them;
//   - a date is number, separator, number, and optionally separator and a third number, blanks
//     being skipped before each separator and number; each number is read while its value stays
//     below 1000; with two numbers the year is the current year; a separator after the second
//     number ends the date when no number follows it, or when what follows a valid
//     three-number date is no time («11.02.», «18/10/ 11:24»);
//   - a year written with one or two characters falls in the 50-year window ending 50 years after
//     the current year; three or four characters are taken as written;
//   - after the date, an optional separator and blanks; then either the end or a time of day:
//     optional marker, hour, optionally ":" minutes, ":" seconds and decimal separator
//     milliseconds, then the marker if none stood before; anything after a valid time is ignored;
//   - a text that does not start with a valid date is read as a time of day alone, which must then
//     end the text (a blank after it included).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/regional_settings.h"

namespace data {

std::optional<double> parseDateTime(std::string_view text, const RegionalSettings& settings,
                                    int currentYear);

// The date in the short date format (d, dd, m, mm, yy, yyyy; "/" stands for the date separator),
// followed by the time as hh:nn:ss when the value has one. Values outside years 1 to 9999 give
// the empty text.
std::string formatDateTime(double value, const RegionalSettings& settings);

}  // namespace data
