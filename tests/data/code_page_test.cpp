#include "data/code_page.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

std::string allBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(CodePage, AccentedWindows1252TextBecomesTheRightUtf16AndBack) {
    const data::CodePage& cp = data::CodePage::get(1252);
    const std::string text =
        "Perch\xE9 \xE8 cos\xEC citt\xE0 \x80 \x9C"
        "ab\x9D";
    const std::u16string wide = u"Perché è così città € œab\u009D";
    EXPECT_EQ(cp.toUtf16(text), wide);
    EXPECT_EQ(cp.fromUtf16(wide), text);
}

TEST(CodePage, BytesUndefinedIn1252BecomeTheControlCharactersWindowsGives) {
    const data::CodePage& cp = data::CodePage::get(1252);
    EXPECT_EQ(cp.toUtf16("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(cp.fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"), "\x81\x8D\x8F\x90\x9D");
}

TEST(CodePage, EveryByteOfEveryCodePageRoundTrips) {
    const std::string bytes = allBytes();
    for (int number = 1250; number <= 1258; ++number) {
        SCOPED_TRACE(number);
        const data::CodePage& cp = data::CodePage::get(number);
        std::u16string wide = cp.toUtf16(bytes);
        ASSERT_EQ(wide.size(), 256u);  // one unit per byte, none dropped
        for (int b = 0; b < 128; ++b) EXPECT_EQ(wide[b], b) << "ASCII byte " << b;
        EXPECT_EQ(cp.fromUtf16(wide), bytes);
    }
}

TEST(CodePage, WindowsMappingOfBytesTheStandardTablesLeaveOpen) {
    struct Case {
        int codePage;
        unsigned char byte;
        char16_t unit;
    };
    const Case cases[] = {
        {1250, 0x81, 0x0081}, {1250, 0x8A, 0x0160},  // a defined byte for contrast: Š
        {1251, 0x98, 0x0098}, {1253, 0xAA, 0xF8F9}, {1253, 0xD2, 0xF8FA}, {1253, 0xFF, 0xF8FB},
        {1254, 0x8E, 0x008E}, {1255, 0xCA, 0x05BA}, {1255, 0xD9, 0xF88D}, {1255, 0xFF, 0xF896},
        {1256, 0x81, 0x067E}, {1257, 0xA1, 0xF8FC}, {1257, 0xA5, 0xF8FD}, {1258, 0x9E, 0x009E},
        {1251, 0xC0, 0x0410}, {1253, 0xE1, 0x03B1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.codePage) + " byte " + std::to_string(c.byte));
        std::string one(1, static_cast<char>(c.byte));
        EXPECT_EQ(data::CodePage::get(c.codePage).toUtf16(one), std::u16string(1, c.unit));
    }
}

TEST(CodePage, CombiningMarksStaySeparateAsOnWindows) {
    // 1258 holds combining accents (0xEC is U+0301); glibc would join «a» and the accent into
    // «á» when converting a whole string, Windows does not.
    EXPECT_EQ(data::CodePage::get(1258).toUtf16("a\xEC"), u"a\u0301");
    EXPECT_EQ(data::CodePage::get(1258).fromUtf16(u"a\u0301"), "a\xEC");
}

TEST(CodePage, CharactersTheCodePageLacksBecomeQuestionMarks) {
    const data::CodePage& cp = data::CodePage::get(1252);
    EXPECT_EQ(cp.fromUtf16(u"A\u0100B"), "A?B");              // Ā is not in 1252
    EXPECT_EQ(cp.fromUtf16(u"x\U0001F600y"), "x?y");          // one character, two units
    EXPECT_EQ(cp.fromUtf16(std::u16string(1, 0xD800)), "?");  // a lone surrogate
    EXPECT_EQ(data::CodePage::get(1251).fromUtf16(u"Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2");
}

TEST(CodePage, OnlyTheWindowsCodePages1250To1258AreSupported) {
    for (int n : {437, 1200, 1249, 1259, 65001}) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(data::CodePage::isSupported(n));
        EXPECT_THROW(data::CodePage::get(n), std::invalid_argument);
    }
}

}  // namespace
