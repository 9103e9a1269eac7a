#include "format/code_page_text.h"

#include <iconv.h>

#include <array>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "format/jet_text.h"

namespace mdb {
namespace {

constexpr std::uint16_t kWestern = 1252;
using ByteTable = std::array<char16_t, 256>;

// Converts one byte on its own (so no state carries over); 0 when iconv has no character.
char16_t convertByte(iconv_t cd, unsigned char byte) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[1] = {static_cast<char>(byte)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return 0;
    if (sizeof out - outLeft != 2) return 0;  // not one BMP character
    return static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                 (static_cast<unsigned char>(out[1]) << 8));
}

// The 256 characters of the code page, or nothing when iconv does not know it.
bool buildTable(std::uint16_t codePage, ByteTable& table) {
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-16LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    for (unsigned byte = 0; byte < 256; ++byte) {
        char16_t unit = convertByte(cd, static_cast<unsigned char>(byte));
        if (unit == 0 && byte != 0)
            unit = byte >= 0x80 && byte <= 0x9F ? static_cast<char16_t>(byte) : u'\uFFFD';
        table[byte] = unit;
    }
    iconv_close(cd);
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

}  // namespace

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
