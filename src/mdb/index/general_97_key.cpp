#include "index/general_97_key.h"

#include <algorithm>
#include <array>

#include "index/text_key.h"

namespace mdb {
namespace {

struct Code97 {
    char kind;  // 'X' ignored, 'S' simple, 'G' significant, 'I' international
    std::uint8_t inlineLength;
    std::uint8_t inlineBytes[2];
    std::uint8_t extra;
};

constexpr Code97 kCodes[256] = {
#include "index/sort_order/general_97_table.inc"
};

struct Mapping {
    char16_t from;
    std::uint8_t to;
};
constexpr Mapping kMappings[] = {
#define GENERAL_97_MAPPINGS
#include "index/sort_order/general_97_table.inc"
#undef GENERAL_97_MAPPINGS
};

constexpr Code97 kIgnored{'X', 0, {0, 0}, 0};
constexpr std::uint8_t kNoExtraCodes = 0x00;
constexpr std::uint8_t kExtraBound = 0x0;
constexpr std::uint8_t kPlaceholder = 0x2;

const Code97& codeOf(char16_t unit) {
    if (unit < 256) return kCodes[unit];
    const auto* m = std::find_if(std::begin(kMappings), std::end(kMappings),
                                 [unit](const Mapping& x) { return x.from == unit; });
    return m == std::end(kMappings) ? kIgnored : kCodes[m->to];
}

}  // namespace

void appendGeneral97TextKey(std::vector<std::uint8_t>& key, std::u16string_view text,
                            bool ascending) {
    text = text.substr(0, kMaxIndexedTextLength);
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    const std::size_t start = key.size();

    std::vector<std::uint8_t> nibbles;
    std::size_t significantSinceExtra = 0;
    for (char16_t unit : text) {
        const Code97& c = codeOf(unit);
        key.insert(key.end(), c.inlineBytes, c.inlineBytes + c.inlineLength);
        if (c.kind == 'G') ++significantSinceExtra;
        if (c.kind != 'I') continue;
        if (nibbles.empty()) nibbles.push_back(kExtraBound);
        nibbles.insert(nibbles.end(), significantSinceExtra, kPlaceholder);
        significantSinceExtra = 0;
        nibbles.push_back(c.extra & 0x0F);
    }
    if (nibbles.empty()) {
        key.push_back(kNoExtraCodes);
    } else {
        nibbles.push_back(kExtraBound);
        for (std::size_t i = 0; i < nibbles.size(); i += 2) {
            const std::uint8_t low = i + 1 < nibbles.size() ? nibbles[i + 1] : 0;
            key.push_back(static_cast<std::uint8_t>(nibbles[i] << 4 | low));
        }
    }
    if (!ascending)
        for (std::size_t i = start; i < key.size(); ++i)
            key[i] = static_cast<std::uint8_t>(~key[i]);
}

}  // namespace mdb
