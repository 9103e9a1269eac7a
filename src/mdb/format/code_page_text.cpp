#include "format/code_page_text.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "format/jet_text.h"
#include "platform/code_page.h"

namespace mdb {
namespace {

constexpr std::uint16_t kWestern = 1252;
using ByteTable = std::array<char16_t, 256>;

// The 256 characters of the code page, or nothing when the system does not know it. A byte
// without a character (none in the code pages Windows has) is U+FFFD.
bool buildTable(std::uint16_t codePage, ByteTable& table) {
    const std::optional<platform::CodePageCharacters> characters =
        platform::codePageCharacters(codePage);
    if (!characters) return false;
    for (unsigned byte = 0; byte < 256; ++byte)
        table[byte] = (*characters)[byte].value_or(u'\uFFFD');
    return true;
}

const ByteTable& tableFor(std::uint16_t codePage) {
    static std::mutex lock;
    static std::map<std::uint16_t, ByteTable> tables;
    const std::lock_guard<std::mutex> held(lock);
    if (auto it = tables.find(codePage); it != tables.end()) return it->second;
    ByteTable table{};
    if (!buildTable(codePage, table) && !buildTable(kWestern, table))
        for (unsigned byte = 0; byte < 256; ++byte) table[byte] = static_cast<char16_t>(byte);
    return tables.emplace(codePage, table).first->second;
}

// The byte of each UTF-16 code unit the code page holds, 0 for none (U+0000 is byte 0).
using ReverseTable = std::array<std::uint8_t, 0x10000>;

const ReverseTable& reverseTableFor(std::uint16_t codePage) {
    static std::mutex lock;
    static std::map<std::uint16_t, std::unique_ptr<ReverseTable>> tables;
    const ByteTable& forward = tableFor(codePage);
    const std::lock_guard<std::mutex> held(lock);
    if (auto it = tables.find(codePage); it != tables.end()) return *it->second;
    auto table = std::make_unique<ReverseTable>();
    table->fill(0);
    // Downwards, so that a character two bytes read as keeps the lower byte.
    for (unsigned byte = 256; byte-- > 1;)
        if (forward[byte] != u'\uFFFD') (*table)[forward[byte]] = static_cast<std::uint8_t>(byte);
    return *tables.emplace(codePage, std::move(table)).first->second;
}

}  // namespace

std::size_t appendCodePageText(std::vector<std::uint8_t>& out, std::string_view utf8,
                               std::uint16_t codePage) {
    const ReverseTable& table = reverseTableFor(codePage);
    const std::u16string units = utf16String(utf8);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < units.size(); ++i, ++characters) {
        const char16_t unit = units[i];
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size();
        if (pair) ++i;  // a character beyond the BMP: no code page holds it
        std::uint8_t byte = pair ? 0 : table[unit];
        if (byte == 0 && unit != 0) byte = '?';
        out.push_back(byte);
    }
    return characters;
}

std::string decodeCodePageText(ByteView bytes, std::uint16_t codePage) {
    const ByteTable& table = tableFor(codePage);
    std::vector<std::uint8_t> utf16;
    utf16.reserve(2 * bytes.size());
    for (std::uint8_t b : bytes) {
        utf16.push_back(static_cast<std::uint8_t>(table[b] & 0xFF));
        utf16.push_back(static_cast<std::uint8_t>(table[b] >> 8));
    }
    return decodeUtf16(utf16);
}

}  // namespace mdb
