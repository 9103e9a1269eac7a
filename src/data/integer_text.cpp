#include "data/integer_text.h"

namespace data {

namespace {

constexpr int kMaxHexDigits = 8;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::uint32_t> readHex(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxHexDigits) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return value;
}

// The magnitude, up to 2^31 so that the negative limit fits.
std::optional<std::uint32_t> readDecimal(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0x80000000u) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<std::int32_t> parseInteger(std::string_view text) {
    size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos) return std::nullopt;
    text.remove_prefix(pos);

    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }

    if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X')) {
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    } else {
        std::optional<std::uint32_t> magnitude = readDecimal(text);
        if (!magnitude) return std::nullopt;
        if (negative) return static_cast<std::int32_t>(0u - *magnitude);
        if (*magnitude > 0x7FFFFFFFu) return std::nullopt;
        return static_cast<std::int32_t>(*magnitude);
    }

    std::optional<std::uint32_t> bits = readHex(text);
    if (!bits) return std::nullopt;
    // Two's complement wrap: the top bit makes the value negative, then the sign negates it.
    std::uint32_t result = negative ? 0u - *bits : *bits;
    return static_cast<std::int32_t>(result);
}

}  // namespace data
