// regional_settings.h: the user's regional settings that decide how field texts are read.
//
// One plain value, filled from the platform's locale by an adapter (data/qt) and kept as the
// process's current setting. Every member holds text in the ANSI code page it names, the way the
// conversions compare it with the 8-bit input. A default-constructed value holds the settings that
// apply when the locale supplies none.
#pragma once

#include <string>

namespace data {

struct RegionalSettings {
    char decimalSeparator = '.';  // float fields; milliseconds in times
    char dateSeparator = '/';
    std::string shortDateFormat = "m/d/yy";  // only the order of d, m and y matters when reading
    char timeSeparator = ':';
    std::string timeAmString = "am";  // morning marker
    std::string timePmString = "pm";  // afternoon marker
    int ansiCodePage = 1252;          // one of the Windows code pages 1250 to 1258

    bool operator==(const RegionalSettings&) const = default;
};

// The settings every conversion uses. Read at start-up and again when the platform announces a
// locale change; until then the defaults apply. Not thread-safe: the program converts on one
// thread.
const RegionalSettings& currentRegionalSettings();

// Throws std::invalid_argument if the code page is not one of 1250 to 1258, so that a bad
// setting is refused here rather than at the first text conversion.
void setCurrentRegionalSettings(const RegionalSettings& settings);

}  // namespace data
