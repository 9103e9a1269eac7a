// italian_format.h: numbers and dates written the way the office reads them.
//
//   amounts   1.234,50   -0,75   (two decimals, "." between thousands, "," before decimals)
//   counts    1.000.000
//   dates     05/03/2024 (dd/mm/yyyy)
// Written by hand rather than through a locale, so the reports look the same whatever the
// system's regional settings say.
#pragma once

#include <cstdint>
#include <string>

#include "reports/roll_rows.h"

namespace reports {

// Rounded to the nearest cent; an amount that rounds to zero has no sign. Not-a-number and
// infinities, which no amount column should hold, are written as they are ("nan", "inf").
std::string formatAmount(double value);
std::string formatCount(std::int64_t value);
std::string formatDate(const Date& date);

}  // namespace reports
