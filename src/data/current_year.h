// current_year.h: the calendar year "now", which places two-digit years in their century.
#pragma once

#include <functional>

namespace data {

// The local calendar year from the system clock, unless a test has set a source.
int currentYear();

// Replaces the clock behind currentYear(); an empty function restores the system clock.
void setCurrentYearSource(std::function<int()> source);

}  // namespace data
