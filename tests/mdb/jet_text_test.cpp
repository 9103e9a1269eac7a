#include "format/jet_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(JetText, DecodesPlainAndCompressedForms) {
    struct Case {
        const char* label;
        Bytes stored;
        std::string text;
    };
    const Case cases[] = {
        {"plain UTF-16", {'H', 0, 'i', 0}, "Hi"},
        {"compressed Latin-1",
         {0xFF, 0xFE, 'a', 0xE4, 'b'},
         "a\xC3\xA4"
         "b"},
        // One byte per character, a 0x00 switches to UTF-16 for Omega, another switches back.
        {"compressed with a UTF-16 segment",
         {0xFF, 0xFE, 'A', 0x00, 0xA9, 0x03, 0x00, 'z'},
         "A\xCE\xA9z"},
        {"compressed, ends in UTF-16 mode", {0xFF, 0xFE, 'x', 0x00, 0x1F, 0x04}, "x\xD0\x9F"},
        {"surrogate pair", {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
        {"lone surrogate becomes U+FFFD",
         {0x3D, 0xD8, 'a', 0},
         "\xEF\xBF\xBD"
         "a"},
        {"odd trailing byte ignored", {'o', 0, 'k', 0, 'x'}, "ok"},
        {"empty", {}, ""},
        {"compression header alone", {0xFF, 0xFE}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(mdb::decodeJetText(c.stored), c.text);
    }
}

TEST(JetText, CompressesOnlyWhenEveryCharacterFitsOneByte) {
    EXPECT_EQ(mdb::encodeJetText("ab\xC3\xA4", true), (Bytes{0xFF, 0xFE, 'a', 'b', 0xE4}));
    EXPECT_EQ(mdb::encodeJetText("ab", false), (Bytes{'a', 0, 'b', 0}));
    EXPECT_EQ(mdb::encodeJetText("\xCE\xA9", true), (Bytes{0xA9, 0x03}));  // Greek stays UTF-16
    // U+0000 cannot be compressed: its zero byte would read as a mode switch.
    EXPECT_EQ(mdb::encodeJetText(std::string("a\0", 2), true), (Bytes{'a', 0, 0, 0}));
}

TEST(JetText, MeasuresTheUtf16OfATextAndWhetherItFitsOneBytePerCharacter) {
    struct Case {
        const char* label;
        std::string text;
        std::size_t units;
        bool singleBytes;
    };
    const Case cases[] = {
        {"empty", "", 0, true},
        {"ASCII", "abc", 3, true},
        {"U+00FF is the last one-byte character", "\xC3\xBF", 1, true},
        {"U+0100 is not", "a\xC4\x80", 2, false},
        {"U+0000 is not (its byte would switch modes)", std::string("a\0", 2), 2, false},
        {"a character beyond U+FFFF takes two units", "\xF0\x9F\x98\x80", 2, false},
        {"invalid UTF-8 counts as U+FFFD", "a\xFFz", 3, false},
        {"a sequence cut short", "a\xC3", 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const mdb::Utf16Shape shape = mdb::utf16Shape(c.text);
        EXPECT_EQ(shape.units, c.units);
        EXPECT_EQ(shape.singleBytes, c.singleBytes);
        const Bytes le = mdb::encodeUtf16(c.text);
        const std::u16string units = mdb::utf16String(c.text);
        ASSERT_EQ(le.size(), 2 * c.units);
        ASSERT_EQ(units.size(), c.units);
        for (std::size_t k = 0; k < c.units; ++k)
            EXPECT_EQ(units[k], le[2 * k] | le[2 * k + 1] << 8);
    }
}

TEST(JetText, AppendsAfterWhatTheBufferHolds) {
    Bytes out{1, 2};
    mdb::appendUtf16(out, "a\xF0\x9F\x98\x80");
    EXPECT_EQ(out, (Bytes{1, 2, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE}));
    mdb::appendCompressedText(out, "b\xC3\xA4");
    EXPECT_EQ(out, (Bytes{1, 2, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 0xFF, 0xFE, 'b', 0xE4}));
}

TEST(JetText, RoundTripsThroughBothForms) {
    const char* samples[] = {"only ascii chars", "\xC3\xA4\xC3\xA4kk\xC3\xB6si\xC3\xA4",
                             "\xD0\x9C\xD0\xB8\xD1\x80", "\xE6\xBC\xA2\xE5\xAD\x97",
                             "\xF0\x9F\x98\x80 smile"};
    for (const char* s : samples) {
        SCOPED_TRACE(s);
        EXPECT_EQ(mdb::decodeJetText(mdb::encodeJetText(s, true)), s);
        EXPECT_EQ(mdb::decodeJetText(mdb::encodeJetText(s, false)), s);
    }
}

}  // namespace

TEST(JetText, LongTextsMeasureAndCompressAlikeWhereverTheirSpecialCharactersFall) {
    // ASCII is taken eight bytes at a time: put a special character at every position around
    // those words and check the result against the text's own characters.
    for (const std::string& special : {std::string("\xC3\xA4"), std::string("\xC4\x80"),
                                       std::string(1, '\0'), std::string("\xFF")}) {
        for (std::size_t at = 0; at <= 19; ++at) {
            const std::string text = std::string(at, 'x') + special + std::string(19 - at, 'y');
            SCOPED_TRACE(testing::Message() << "at " << at << ", " << special.size() << " bytes");
            const std::u16string units = mdb::utf16String(text);
            const mdb::Utf16Shape shape = mdb::utf16Shape(text);
            EXPECT_EQ(shape.units, units.size());
            const bool oneByte = std::all_of(units.begin(), units.end(),
                                             [](char16_t u) { return u != 0 && u <= 0xFF; });
            EXPECT_EQ(shape.singleBytes, oneByte);
            if (!oneByte) continue;
            Bytes out;
            mdb::appendCompressedText(out, text);
            Bytes expected{0xFF, 0xFE};
            for (char16_t u : units) expected.push_back(static_cast<std::uint8_t>(u));
            EXPECT_EQ(out, expected);
        }
    }
}
