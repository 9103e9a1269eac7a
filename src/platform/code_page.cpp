#include "platform/code_page.h"

#include <map>
#include <memory>
#include <mutex>

#include "system_code_page.h"

namespace platform {
namespace {

// Windows gives every byte of these code pages a character. glibc's iconv refuses the bytes the
// published tables leave undefined; Windows maps most of them to the C1 control of the same value
// and a few to private-use characters (and 1255's 0xCA to the Hebrew point holam haser), listed
// here.
struct WindowsOnlyByte {
    int codePage;
    unsigned char byte;
    char16_t unit;
};
constexpr WindowsOnlyByte kWindowsOnlyBytes[] = {
    {1253, 0xAA, 0xF8F9}, {1253, 0xD2, 0xF8FA}, {1253, 0xFF, 0xF8FB}, {1255, 0xCA, 0x05BA},
    {1255, 0xD9, 0xF88D}, {1255, 0xDA, 0xF88E}, {1255, 0xDB, 0xF88F}, {1255, 0xDC, 0xF890},
    {1255, 0xDD, 0xF891}, {1255, 0xDE, 0xF892}, {1255, 0xDF, 0xF893}, {1255, 0xFB, 0xF894},
    {1255, 0xFC, 0xF895}, {1255, 0xFF, 0xF896}, {1257, 0xA1, 0xF8FC}, {1257, 0xA5, 0xF8FD},
};

std::optional<char16_t> windowsOnlyByte(int codePage, unsigned char byte) {
    for (const WindowsOnlyByte& w : kWindowsOnlyBytes) {
        if (w.codePage == codePage && w.byte == byte) return w.unit;
    }
    if (byte >= 0x80 && byte <= 0x9F) return static_cast<char16_t>(byte);
    return std::nullopt;
}

}  // namespace

std::optional<CodePageCharacters> codePageCharacters(int codePage) {
    std::optional<CodePageCharacters> characters = systemCodePageCharacters(codePage);
    if (!characters) return std::nullopt;
    for (unsigned byte = 0; byte < 256; ++byte) {
        auto& unit = (*characters)[byte];
        if (!unit) unit = windowsOnlyByte(codePage, static_cast<unsigned char>(byte));
    }
    return characters;
}

CodePageTable::CodePageTable(const CodePageCharacters& characters) : bytes_(0x10000, 0) {
    for (unsigned byte = 0; byte < 256; ++byte) {
        defined_[byte] = characters[byte].has_value();
        characters_[byte] = characters[byte].value_or(u'\uFFFD');
    }
    // Downwards, so that a character two bytes read as keeps the lower byte.
    for (unsigned byte = 256; byte-- > 1;)
        if (defined_[byte]) bytes_[characters_[byte]] = static_cast<std::uint8_t>(byte);
}

std::optional<unsigned char> CodePageTable::byteOf(char16_t unit) const {
    if (unit == 0)
        return defined_[0] && characters_[0] == 0 ? std::optional<unsigned char>(0) : std::nullopt;
    const std::uint8_t byte = bytes_[unit];
    if (byte == 0) return std::nullopt;
    return byte;
}

const CodePageTable* CodePageTable::find(int codePage) {
    static std::mutex lock;
    static std::map<int, std::unique_ptr<CodePageTable>> tables;  // null: the system lacks it
    const std::lock_guard<std::mutex> held(lock);
    auto it = tables.find(codePage);
    if (it == tables.end()) {
        const std::optional<CodePageCharacters> characters = codePageCharacters(codePage);
        it = tables
                 .emplace(codePage,
                          characters ? std::make_unique<CodePageTable>(*characters) : nullptr)
                 .first;
    }
    return it->second.get();
}

}  // namespace platform
