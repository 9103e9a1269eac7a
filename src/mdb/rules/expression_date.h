// expression_date.h: dates as expressions write and compute with them.
//
// A stored date (DateTime, value.h) keeps the day in the integer part and the time of day,
// unsigned, in the fraction, so -1.25 is 1899-12-29 06:00. That is not a number line: before
// 1899-12-30 a later time has a smaller value. Comparisons and arithmetic therefore work on
// the "linear" value (-1.25 stored is -0.75 linear) and convert back when a date comes out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "mdb/value.h"

namespace mdb {

double linearDays(DateTime date);
DateTime fromLinearDays(double days);

// The date of a Gregorian calendar day at `secondsOfDay` after midnight; nullopt for a day that
// does not exist (month 13, February 30, year 0 or past 9999).
std::optional<DateTime> makeDate(int year, int month, int day, int secondsOfDay = 0);

// The text between the #s of a date literal, in the forms Access stores them (US order, as
// the expression service reads them whatever the regional settings):
//   m/d/yyyy   m/d/yy   m-d-yyyy   yyyy-m-d   yyyy/m/d   d-mmm-yyyy   mmm d, yyyy
// each optionally followed by a time, or a time alone (h:nn[:ss] with an optional AM/PM).
// Two-digit years fall in 1930-2029. nullopt when the text is none of these.
std::optional<DateTime> parseDateLiteral(std::string_view text);

// "m/d/yyyy", followed by " h:nn:ss" when there is a time of day; a time alone when the date
// is 1899-12-30.
std::string dateText(DateTime date);

// The computer's local date and time now.
DateTime localNow();

}  // namespace mdb
