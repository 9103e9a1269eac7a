#include "format/code_page_text.h"

#include <string>
#include <vector>

#include "format/jet_text.h"
#include "platform/code_page.h"

namespace mdb {
namespace {

constexpr std::uint16_t kWestern = 1252;

// An unknown code page reads as Western; a system without even that reads bytes as Latin-1.
const platform::CodePageTable& tableFor(std::uint16_t codePage) {
    if (const platform::CodePageTable* table = platform::CodePageTable::find(codePage))
        return *table;
    if (const platform::CodePageTable* table = platform::CodePageTable::find(kWestern))
        return *table;
    static const platform::CodePageTable latin1 = [] {
        platform::CodePageCharacters identity;
        for (unsigned byte = 0; byte < 256; ++byte) identity[byte] = static_cast<char16_t>(byte);
        return platform::CodePageTable(identity);
    }();
    return latin1;
}

}  // namespace

std::size_t appendCodePageText(std::vector<std::uint8_t>& out, std::string_view utf8,
                               std::uint16_t codePage) {
    const platform::CodePageTable& table = tableFor(codePage);
    const std::u16string units = utf16String(utf8);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < units.size(); ++i, ++characters) {
        const char16_t unit = units[i];
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size();
        if (pair) ++i;  // a character beyond the BMP: no code page holds it
        const std::optional<unsigned char> byte = pair ? std::nullopt : table.byteOf(unit);
        out.push_back(byte.value_or('?'));
    }
    return characters;
}

std::string decodeCodePageText(ByteView bytes, std::uint16_t codePage) {
    const platform::CodePageTable& table = tableFor(codePage);
    std::vector<std::uint8_t> utf16;
    utf16.reserve(2 * bytes.size());
    for (std::uint8_t b : bytes) {
        const char16_t unit = table.character(b);
        utf16.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        utf16.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return decodeUtf16(utf16);
}

}  // namespace mdb
