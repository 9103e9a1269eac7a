#include "data/regional_settings.h"

#include <stdexcept>

#include "data/code_page.h"

namespace data {

namespace {

// One of the program's few globals: the settings belong to the process, like the locale they
// come from.
RegionalSettings& current() {
    static RegionalSettings settings;
    return settings;
}

}  // namespace

const RegionalSettings& currentRegionalSettings() { return current(); }

void setCurrentRegionalSettings(const RegionalSettings& settings) {
    if (!CodePage::isSupported(settings.ansiCodePage)) {
        throw std::invalid_argument("unsupported ANSI code page " +
                                    std::to_string(settings.ansiCodePage));
    }
    current() = settings;
}

}  // namespace data
