#include "data/error_text.h"

namespace data {

std::string withFinalPoint(const std::string& message) {
    if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
    return message + ".";
}

std::string providerMessage(const std::string& message) {
    const auto end = message.find_last_not_of(" .");
    return end == std::string::npos ? std::string() : message.substr(0, end + 1);
}

}  // namespace data
