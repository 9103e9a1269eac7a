#include "format/jet_text.h"

#include <cstring>

#include "mdb/utf8.h"

namespace mdb {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes UTF-16LE code units, pairing surrogates; appends to out.
void appendDecodedUtf16(std::string& out, ByteView bytes) {
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t u = bytes[2 * i] | (bytes[2 * i + 1] << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = bytes[2 * i + 2] | (bytes[2 * i + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
    }
}

// Reads a code point of two or more bytes from UTF-8 at `i`, advancing it; invalid input
// gives U+FFFD.
char32_t nextMultiByteCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    int extra = 0;
    char32_t c = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        c = b0 & 0x07;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    return c;
}

// Reads one code point from UTF-8 at `i`, advancing it; invalid input gives U+FFFD. Most
// text is ASCII: that case is inlined into the loops over every character (left to itself the
// compiler merges the rare case in and then calls the whole, a third of the time of encoding).
[[gnu::always_inline]] inline char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    return nextMultiByteCodePoint(s, i);
}

// How many bytes from `at` on are ASCII other than 0, eight at a time: text is mostly ASCII,
// and those bytes need no decoding.
std::size_t plainAsciiRun(std::string_view utf8, std::size_t at) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    std::size_t i = at;
    for (; i + 8 <= utf8.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, utf8.data() + i, 8);
        const bool hasZero = ((w - kOnes) & ~w & kHighs) != 0;
        if ((w & kHighs) != 0 || hasZero) break;
    }
    while (i < utf8.size() && utf8[i] != 0 && static_cast<unsigned char>(utf8[i]) < 0x80) ++i;
    return i - at;
}

// Single-byte characters (U+0000 to U+00FF) as UTF-8: runs of ASCII are appended whole.
void appendLatin1(std::string& out, ByteView bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t ascii = plainAsciiRun(text, i);
        out.append(text.substr(i, ascii));
        i += ascii;
        if (i < text.size()) appendUtf8(out, bytes[i++]);
    }
}

}  // namespace

std::string decodeUtf16(ByteView bytes) {
    std::string out;
    out.reserve(bytes.size());
    appendDecodedUtf16(out, bytes);
    return out;
}

std::string decodeJetText(ByteView bytes) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return decodeUtf16(bytes);
    std::string out;
    bool compressed = true;
    std::size_t segment = 2;
    for (std::size_t i = 2; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != 0) continue;
        const ByteView part = bytes.subspan(segment, i - segment);
        if (compressed) {
            appendLatin1(out, part);
        } else {
            appendDecodedUtf16(out, part);
        }
        compressed = !compressed;
        segment = i + 1;
    }
    return out;
}

std::vector<std::uint8_t> encodeUtf16(std::string_view utf8) {
    std::vector<std::uint8_t> out;
    appendUtf16(out, utf8);
    return out;
}

void appendUtf16(std::vector<std::uint8_t>& out, std::string_view utf8) {
    // Every UTF-8 byte gives at most one UTF-16 unit (a 4-byte sequence gives two): size once,
    // write through a pointer, then trim.
    const std::size_t start = out.size();
    out.resize(start + 2 * utf8.size());
    std::uint8_t* at = out.data() + start;
    auto unit = [&at](char32_t u) {
        at[0] = static_cast<std::uint8_t>(u);
        at[1] = static_cast<std::uint8_t>(u >> 8);
        at += 2;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = nextCodePoint(utf8, i);
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
}

std::u16string utf16String(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());  // at most one unit per UTF-8 byte
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = nextCodePoint(utf8, i);
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

Utf16Shape utf16Shape(std::string_view utf8) {
    Utf16Shape shape;
    for (std::size_t i = 0; i < utf8.size();) {
        if (const std::size_t ascii = plainAsciiRun(utf8, i); ascii > 0) {
            shape.units += ascii;  // a byte, a unit
            i += ascii;
            continue;
        }
        shape.ascii = false;
        const char32_t c = nextCodePoint(utf8, i);
        shape.units += c >= 0x10000 ? 2 : 1;
        if (c == 0 || c > 0xFF) shape.singleBytes = false;
    }
    return shape;
}

void appendCompressedText(std::vector<std::uint8_t>& out, std::string_view utf8) {
    const std::size_t start = out.size();
    out.resize(start + 2 + utf8.size());  // no more characters than UTF-8 bytes
    std::uint8_t* at = out.data() + start;
    *at++ = 0xFF;
    *at++ = 0xFE;
    for (std::size_t i = 0; i < utf8.size();) {
        if (const std::size_t ascii = plainAsciiRun(utf8, i); ascii > 0) {
            std::memcpy(at, utf8.data() + i, ascii);
            at += ascii;
            i += ascii;
        } else {
            *at++ = static_cast<std::uint8_t>(nextCodePoint(utf8, i));
        }
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
}

std::vector<std::uint8_t> encodeJetText(std::string_view utf8, bool compress) {
    std::vector<std::uint8_t> out;
    if (compress && utf16Shape(utf8).singleBytes)
        appendCompressedText(out, utf8);
    else
        appendUtf16(out, utf8);
    return out;
}

}  // namespace mdb
