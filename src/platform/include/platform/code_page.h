// code_page.h: the characters of a Windows ANSI code page (1250 to 1258), from the system's own
// tables (iconv on POSIX, MultiByteToWideChar on Windows), with the characters Windows gives the
// bytes those tables leave undefined.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// Each byte converted on its own (no state carries over, no combining with a neighbour): its
// UTF-16 unit, or nullopt when the system gives that byte no single character. nullopt as a
// whole when the system does not know the code page.
using CodePageCharacters = std::array<std::optional<char16_t>, 256>;
std::optional<CodePageCharacters> codePageCharacters(int codePage);

// A code page's characters both ways, for converting text a byte at a time. The tables of the
// system's code pages are built once and kept for the program's life.
class CodePageTable {
public:
    // The table of `codePage`, or nullptr when the system does not know it. Thread-safe.
    static const CodePageTable* find(int codePage);

    explicit CodePageTable(const CodePageCharacters& characters);

    // Whether the system gives `byte` a character; a byte without one reads as U+FFFD.
    bool defined(unsigned char byte) const { return defined_[byte]; }
    char16_t character(unsigned char byte) const { return characters_[byte]; }
    // The byte that reads as `unit` (the lowest when several do); nullopt when none does.
    std::optional<unsigned char> byteOf(char16_t unit) const;

private:
    std::array<char16_t, 256> characters_{};
    std::bitset<256> defined_;
    // By UTF-16 unit: the byte reading as it, 0 for none (U+0000 is byte 0). 64 KB, so that
    // writing text costs one lookup per character.
    std::vector<std::uint8_t> bytes_;
};

}  // namespace platform
