// native_regional_settings.h: the regional settings from the system's own store (Windows' Region
// settings), without Qt: what the original program read from Windows. Where the system keeps no
// such store (Linux), data/qt reads the locale variables instead.
#pragma once

#include <optional>

#include "data/regional_settings.h"

namespace data {

// The settings the system gives, converted to its ANSI code page (1252 when that is not one of
// 1250 to 1258); nullopt where the system has no store of its own.
std::optional<RegionalSettings> nativeRegionalSettings();

}  // namespace data
