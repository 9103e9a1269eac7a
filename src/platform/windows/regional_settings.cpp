#include "platform/regional_settings.h"

#include <windows.h>

namespace platform {
namespace {

std::u16string localeText(LCTYPE item) {
    wchar_t text[128] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, text, 128);
    if (length <= 1) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(text),
                          static_cast<std::size_t>(length - 1));
}

}  // namespace

std::optional<SystemRegionalSettings> systemRegionalSettings() {
    SystemRegionalSettings settings;
    settings.decimalSeparator = localeText(LOCALE_SDECIMAL);
    settings.shortDateFormat = localeText(LOCALE_SSHORTDATE);
    settings.dateSeparator = localeText(LOCALE_SDATE);
    settings.timeSeparator = localeText(LOCALE_STIME);
    settings.amDesignator = localeText(LOCALE_S1159);
    settings.pmDesignator = localeText(LOCALE_S2359);
    settings.ansiCodePage = static_cast<int>(GetACP());
    return settings;
}

}  // namespace platform
