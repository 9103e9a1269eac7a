#include "platform/regional_settings.h"

namespace platform {

std::optional<SystemRegionalSettings> systemRegionalSettings() { return std::nullopt; }

}  // namespace platform
