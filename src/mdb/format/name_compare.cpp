#include "format/name_compare.h"

#include <algorithm>

#include "mdb/utf8.h"

namespace mdb {
namespace {

char32_t lower(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;  // Latin-1
    if (c == 0x178) return 0xFF;                               // Y diaeresis
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A pairs capital/small as even/odd, except in 0x139-0x148 and
        // 0x179-0x17E where the capital is odd.
        const bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddCapital ? (c % 2 == 1) : (c % 2 == 0)) return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

}  // namespace

std::string foldCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        const std::size_t length = b0 < 0x80             ? 1
                                   : (b0 & 0xE0) == 0xC0 ? 2
                                   : (b0 & 0xF0) == 0xE0 ? 3
                                                         : 4;
        if (i + length > s.size() || (length > 1 && b0 < 0xC2) || length == 4) {
            // Not a sequence this folding touches: copy the byte as is.
            out += s[i++];
            continue;
        }
        char32_t c = length == 1 ? b0 : length == 2 ? (b0 & 0x1F) : (b0 & 0x0F);
        bool valid = true;
        for (std::size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80) valid = false;
            c = (c << 6) | (b & 0x3F);
        }
        if (!valid) {
            out += s[i++];
            continue;
        }
        appendUtf8(out, lower(c));
        i += length;
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    // Most names are ASCII, where folding is A-Z to a-z byte by byte: compare those without
    // building folded copies.
    const auto ascii = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
    };
    if (!ascii(a) || !ascii(b)) return foldCase(a) == foldCase(b);
    const auto lowerAscii = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

}  // namespace mdb
