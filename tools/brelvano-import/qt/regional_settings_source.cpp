#include "regional_settings_source.h"

#include "data/qt/system_regional_settings.h"

namespace tool {

void loadRegionalSettings() { data::loadSystemRegionalSettings(); }

const char* regionalSettingsHelp() {
    return "Amounts and dates are read with the locale's regional settings, e.g. "
           "LC_ALL=it_IT.UTF-8.";
}

}  // namespace tool
