#include <iconv.h>

#include <string>

#include "system_code_page.h"

namespace platform {
namespace {

// The state is flushed after every byte, so glibc's composition of Vietnamese and Hebrew marks
// with the letter before them (which Windows does not do) never happens, and a letter it holds
// back waiting for a mark still comes out.
std::optional<char16_t> convertByte(iconv_t cd, unsigned char byte) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[1] = {static_cast<char>(byte)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    if (sizeof out - outLeft != 2) return std::nullopt;  // not a single BMP unit
    const auto lo = static_cast<unsigned char>(out[0]);
    const auto hi = static_cast<unsigned char>(out[1]);
    return static_cast<char16_t>(lo | (hi << 8));
}

}  // namespace

std::optional<CodePageCharacters> systemCodePageCharacters(int codePage) {
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-16LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    CodePageCharacters characters;
    for (unsigned byte = 0; byte < 256; ++byte)
        characters[byte] = convertByte(cd, static_cast<unsigned char>(byte));
    iconv_close(cd);
    return characters;
}

}  // namespace platform
