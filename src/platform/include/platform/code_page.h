// code_page.h: the characters of a Windows ANSI code page (1250 to 1258), from the system's own
// tables (iconv on POSIX, MultiByteToWideChar on Windows), with the characters Windows gives the
// bytes those tables leave undefined.
#pragma once

#include <array>
#include <optional>

namespace platform {

// Each byte converted on its own (no state carries over, no combining with a neighbour): its
// UTF-16 unit, or nullopt when the system gives that byte no single character. nullopt as a
// whole when the system does not know the code page.
using CodePageCharacters = std::array<std::optional<char16_t>, 256>;
std::optional<CodePageCharacters> codePageCharacters(int codePage);

}  // namespace platform
