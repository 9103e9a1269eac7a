// code_page_text.h: 8-bit text in a Windows code page, as Access 97 (Jet 3) files store their
// text and names; the database's code page (header_page.h) or a text column's own names which.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/byte_order.h"

namespace mdb {

// The text to UTF-8. Each byte is one character of the code page as Windows reads it
// (platform/code_page.h), U+FFFD for a byte without one. An unknown code page reads as 1252.
std::string decodeCodePageText(ByteView bytes, std::uint16_t codePage);

// UTF-8 text to the code page, appended to `out`, one byte per character; returns how many
// characters that was. A character the code page cannot hold becomes '?', as the database
// engine stores it (invalid UTF-8 counts as such a character).
std::size_t appendCodePageText(std::vector<std::uint8_t>& out, std::string_view utf8,
                               std::uint16_t codePage);

}  // namespace mdb
