#include "regional_settings_source.h"

#include "data/native_regional_settings.h"

namespace tool {

void loadRegionalSettings() {
    if (const auto settings = data::nativeRegionalSettings())
        data::setCurrentRegionalSettings(*settings);
}

const char* regionalSettingsHelp() {
    return "Amounts and dates are read with Windows' regional settings (Region, Formats).";
}

}  // namespace tool
