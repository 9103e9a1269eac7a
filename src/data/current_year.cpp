#include "data/current_year.h"

#include <ctime>
#include <utility>

namespace data {

namespace {

std::function<int()>& source() {
    static std::function<int()> fn;
    return fn;
}

int systemYear() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

}  // namespace

int currentYear() { return source() ? source()() : systemYear(); }

void setCurrentYearSource(std::function<int()> fn) { source() = std::move(fn); }

}  // namespace data
