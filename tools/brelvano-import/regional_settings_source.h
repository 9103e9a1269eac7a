// regional_settings_source.h: where the tool takes the regional settings from. The Linux build
// reads the locale variables through Qt (qt/); the Windows build reads Windows' own settings
// (windows/), as the original program did.
#pragma once

namespace tool {

void loadRegionalSettings();
// The usage text's line on where the settings come from.
const char* regionalSettingsHelp();

}  // namespace tool
