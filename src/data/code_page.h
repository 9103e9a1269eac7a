// code_page.h: conversion between 8-bit text in a Windows ANSI code page and UTF-16.
//
// Supports the single-byte Windows code pages 1250 to 1258. Every byte converts to exactly one
// UTF-16 unit, as on Windows: bytes that a code page leaves undefined become the characters
// Windows gives them (for 1252 the bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D become U+0081, U+008D,
// U+008F, U+0090 and U+009D), so no byte is ever dropped or refused.
#pragma once

#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace data {

class CodePage {
public:
    static bool isSupported(int number);

    // The tables of code page `number`, built once from the system's (platform/code_page.h).
    // Throws std::invalid_argument for an unsupported number, std::runtime_error if the system
    // lacks the code page.
    static const CodePage& get(int number);

    int number() const { return number_; }

    std::u16string toUtf16(std::string_view text) const;
    // The same into `out`, whose storage is reused.
    void toUtf16(std::string_view text, std::u16string& out) const;

    // Characters the code page cannot hold become '?', as Windows writes its default character;
    // a surrogate pair counts as one character.
    std::string fromUtf16(std::u16string_view text) const;

private:
    explicit CodePage(int number);

    int number_;
    const platform::CodePageTable* table_;
};

}  // namespace data
