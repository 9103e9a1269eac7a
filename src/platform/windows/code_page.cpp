#include <windows.h>

#include "system_code_page.h"

namespace platform {

std::optional<CodePageCharacters> systemCodePageCharacters(int codePage) {
    const auto page = static_cast<UINT>(codePage);
    if (!IsValidCodePage(page)) return std::nullopt;
    CodePageCharacters characters;
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char in = static_cast<char>(byte);
        wchar_t out[2] = {};
        if (MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &in, 1, out, 2) == 1)
            characters[byte] = static_cast<char16_t>(out[0]);
    }
    return characters;
}

}  // namespace platform
