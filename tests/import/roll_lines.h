// roll_lines.h: lines of the header and detail files as the exporting system writes them, and
// the Italian regional settings the roll's amounts and dates are written for.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/current_year.h"
#include "data/field.h"
#include "data/regional_settings.h"

namespace testing_support {

// «="v1";="v2";...;="vN";» with the given columns set (the others empty); without the final
// «;» when `closed` is false, as exports write their last column.
inline std::string exportLine(const std::map<int, std::string>& columns, int count,
                              bool closed = true) {
    std::string line;
    for (int c = 1; c <= count; ++c) {
        auto it = columns.find(c);
        line += "=\"" + (it == columns.end() ? std::string() : it->second) + "\"";
        if (c < count || closed) line += ";";
    }
    return line;
}

inline data::RegionalSettings italianSettings() {
    data::RegionalSettings s;
    s.decimalSeparator = ',';
    s.dateSeparator = '/';
    s.shortDateFormat = "dd/MM/yy";
    s.timeSeparator = ':';
    return s;
}

// Italian settings and a fixed year for the scope; the defaults afterwards.
class ItalianSettings {
public:
    ItalianSettings() {
        data::setCurrentRegionalSettings(italianSettings());
        data::setCurrentYearSource([] { return 2026; });
    }
    ~ItalianSettings() {
        data::setCurrentRegionalSettings(data::RegionalSettings{});
        data::setCurrentYearSource({});
    }
    ItalianSettings(const ItalianSettings&) = delete;
    ItalianSettings& operator=(const ItalianSettings&) = delete;
};

// Days since 30 December 1899 of a date.
inline double daysOf(int year, int month, int day) {
    // Days from civil, as in Howard Hinnant's algorithm, shifted to the 1899-12-30 epoch.
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yoe = year - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;
}

}  // namespace testing_support
