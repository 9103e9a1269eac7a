#include "data/current_year.h"

#include <ctime>
#include <utility>

#include "platform/local_time.h"

namespace data {

namespace {

std::function<int()>& source() {
    static std::function<int()> fn;
    return fn;
}

int systemYear() { return platform::localTime(std::time(nullptr)).tm_year + 1900; }

}  // namespace

int currentYear() { return source() ? source()() : systemYear(); }

void setCurrentYearSource(std::function<int()> fn) { source() = std::move(fn); }

}  // namespace data
