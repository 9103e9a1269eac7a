// field_messages.h: the texts of the errors raised when a field cannot take a text. Exactly as
// the user sees them (the error display adds the final point by its own rule). `text` is the
// field text as visibleText() shows it.
#pragma once

#include <string>
#include <string_view>

namespace data::msg {

inline std::string invalidInteger(std::string_view text, std::string_view field) {
    return "'" + std::string(text) + "' is not a valid integer value for field '" +
           std::string(field) + "'";
}

inline std::string invalidFloat(std::string_view text, std::string_view field) {
    return "'" + std::string(text) + "' is not a valid floating point value for field '" +
           std::string(field) + "'";
}

inline std::string floatOverflow() { return "Floating point overflow"; }

// Names no field.
inline std::string invalidDateTime(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid date and time";
}

inline std::string fieldReadOnly(std::string_view field) {
    return "Field '" + std::string(field) + "' cannot be modified";
}

}  // namespace data::msg
