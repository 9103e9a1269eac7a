// local_time.h: a moment as the calendar and clock of the user's time zone show it.
#pragma once

#include <ctime>

namespace platform {

std::tm localTime(std::time_t moment);

}  // namespace platform
