#include "data/native_regional_settings.h"

#include "data/code_page.h"
#include "platform/regional_settings.h"

namespace data {
namespace {

// The first character of `text` as one byte of the code page; `fallback` when there is none or
// the code page lacks it.
char firstChar(const std::u16string& text, const CodePage& page, char fallback) {
    if (text.empty()) return fallback;
    const std::string converted = page.fromUtf16(text.substr(0, 1));
    return converted == "?" && text.front() != u'?' ? fallback : converted.front();
}

}  // namespace

std::optional<RegionalSettings> nativeRegionalSettings() {
    const std::optional<platform::SystemRegionalSettings> system =
        platform::systemRegionalSettings();
    if (!system) return std::nullopt;
    RegionalSettings settings;
    if (CodePage::isSupported(system->ansiCodePage)) settings.ansiCodePage = system->ansiCodePage;
    const CodePage& page = CodePage::get(settings.ansiCodePage);
    settings.decimalSeparator = firstChar(system->decimalSeparator, page, '.');
    if (!system->shortDateFormat.empty())
        settings.shortDateFormat = page.fromUtf16(system->shortDateFormat);
    settings.dateSeparator = firstChar(system->dateSeparator, page, '/');
    settings.timeSeparator = firstChar(system->timeSeparator, page, ':');
    settings.timeAmString = page.fromUtf16(system->amDesignator);
    settings.timePmString = page.fromUtf16(system->pmDesignator);
    return settings;
}

}  // namespace data
