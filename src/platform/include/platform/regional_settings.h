// regional_settings.h: the regional settings the user chose in the system, where the system keeps
// them in one place (Windows' Region settings). On POSIX there is no such store: the locale
// variables are read through Qt (data/qt), so systemRegionalSettings() gives nullopt.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct SystemRegionalSettings {
    std::u16string decimalSeparator;
    std::u16string shortDateFormat;  // Windows' picture, e.g. "dd/MM/yyyy"
    std::u16string dateSeparator;
    std::u16string timeSeparator;
    std::u16string amDesignator;
    std::u16string pmDesignator;
    int ansiCodePage = 1252;
};

std::optional<SystemRegionalSettings> systemRegionalSettings();

}  // namespace platform
