// jet_text.h: text as Jet 4 stores it, and the engine's text type.
//
// The engine hands text out as UTF-8 in a std::string: that is what the rest of the program
// and the tools print, and every UTF-16 string converts without loss (a lone surrogate, which
// no valid text contains, becomes U+FFFD).
//
// Jet 4 stores text as UTF-16LE, or "compressed": the bytes FF FE, then segments separated by
// 0x00 bytes, the first segment holding one byte per character (the character's low byte, high
// byte zero), the next plain UTF-16LE, and so on, alternating.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/byte_order.h"

namespace mdb {

// UTF-16LE to UTF-8. A trailing odd byte is ignored.
std::string decodeUtf16(ByteView bytes);
// A text value as stored in a Text or Memo column (compressed or not) to UTF-8.
std::string decodeJetText(ByteView bytes);

// UTF-8 to UTF-16LE. Invalid UTF-8 sequences become U+FFFD.
std::vector<std::uint8_t> encodeUtf16(std::string_view utf8);
// The same, appended to `out`.
void appendUtf16(std::vector<std::uint8_t>& out, std::string_view utf8);
// The same as code units.
std::u16string utf16String(std::string_view utf8);

// What a UTF-8 text becomes in UTF-16: how many code units, and whether every character is in
// U+0001..U+00FF (so that one byte per character can store it compressed).
struct Utf16Shape {
    std::size_t units = 0;
    bool singleBytes = true;
    bool ascii = true;  // ASCII without a 0: its compressed form is FF FE and its bytes as they are
};
Utf16Shape utf16Shape(std::string_view utf8);
// Appends the compressed form of the text: FF FE, then one byte per character.
// REQUIRES: utf16Shape(utf8).singleBytes.
void appendCompressedText(std::vector<std::uint8_t>& out, std::string_view utf8);
// A text value as a column stores it: compressed (one segment) when `compress` is set and
// every character is in U+0001..U+00FF, plain UTF-16LE otherwise.
std::vector<std::uint8_t> encodeJetText(std::string_view utf8, bool compress);

}  // namespace mdb
