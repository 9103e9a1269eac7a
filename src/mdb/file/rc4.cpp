#include "file/rc4.h"

#include <array>
#include <utility>

namespace mdb {

void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
    if (key.empty()) return;
    std::array<std::uint8_t, 256> s{};
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + key[i % key.size()]);
        std::swap(s[i], s[j]);
    }
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (std::uint8_t& byte : data) {
        a = static_cast<std::uint8_t>(a + 1);
        b = static_cast<std::uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        byte ^= s[static_cast<std::uint8_t>(s[a] + s[b])];
    }
}

void rc4CodePage(std::uint32_t databaseKey, std::uint32_t pageNumber,
                 std::span<std::uint8_t> page) {
    const std::uint32_t k = databaseKey ^ pageNumber;
    const std::array<std::uint8_t, 4> key{
        static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
        static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
    rc4Apply(key, page);
}

}  // namespace mdb
