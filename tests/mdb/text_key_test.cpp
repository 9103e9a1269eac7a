#include "index/text_key.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes key(std::u16string_view text, bool ascending = true) {
    Bytes out;
    mdb::appendGeneralLegacyTextKey(out, text, ascending);
    return out;
}

TEST(TextKey, MatchesKeysAccessWrote) {
    // Keys read from the Access-made fixtures' text indexes (MSysObjects and fixedTextTest).
    struct Case {
        std::u16string text;
        Bytes bytes;
    };
    const Case cases[] = {
        {u"admin", {0x4A, 0x4F, 0x60, 0x59, 0x62, 0x01, 0x00}},
        // The hyphen sorts nowhere inline; it leaves a position-coded trailer.
        {u"-1", {0x38, 0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x82, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        EXPECT_EQ(key(c.text), c.bytes);
    }
}

TEST(TextKey, IgnoresCaseTrailingBlanksAndTextPast255Units) {
    struct Case {
        const char* what;
        std::u16string a, b;
    };
    const std::u16string long255(255, u'x');
    const Case same[] = {
        {"case", u"Admin", u"aDMIN"},
        {"trailing blanks", u"abc   ", u"abc"},
        {"past 255 units", long255 + u"a", long255 + u"b"},
        {"blanks after the cut", std::u16string(254, u'x') + u"   y", std::u16string(254, u'x')},
        {"ignored control character", std::u16string(u"a\u0000b", 3), u"ab"},
    };
    for (const Case& c : same) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(key(c.a), key(c.b));
    }
    EXPECT_NE(key(u" abc"), key(u"abc")) << "leading blanks count";
    EXPECT_NE(key(std::u16string(254, u'x') + u"a"), key(std::u16string(254, u'x') + u"b"));
}

TEST(TextKey, EmptyTextIsTheTwoEndMarkers) {
    EXPECT_EQ(key(u""), (Bytes{0x01, 0x00}));
    EXPECT_EQ(key(u"   "), (Bytes{0x01, 0x00}));
}

TEST(TextKey, AccentKeepsTheBaseLetterInlineAndAddsAnExtraCode) {
    const Bytes plain = key(u"e");
    const Bytes accented = key(u"\u00E9");  // é
    ASSERT_GT(accented.size(), plain.size());
    EXPECT_EQ(Bytes(accented.begin(), accented.begin() + 2),
              Bytes(plain.begin(), plain.begin() + 2))
        << "same inline code and end marker";
    // The accent sorts after the plain letter, and before the next letter.
    EXPECT_LT(plain, accented);
    EXPECT_LT(accented, key(u"f"));
}

TEST(TextKey, SurrogatePairsGetComputedCodes) {
    // U+1F600 is D83D DE00: the high unit's code is its value less 10238, the low unit's its
    // value less 9988 (third band of its block); each adds the extra code 3F.
    EXPECT_EQ(key(u"\U0001F600"), (Bytes{0xB0, 0x3F, 0xB6, 0xFC, 0x01, 0x3F, 0x3F, 0x00}));
}

TEST(TextKey, DescendingInvertsTheKeyAndItsEndMarker) {
    for (const std::u16string text : {u"admin", u"-1", u"\u00E9t\u00E9", u"\u041C\u0438\u0440"}) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        // What was written: ascending bytes without the final 00, then 00, all inverted, then 00.
        Bytes asc = key(text);
        asc.pop_back();
        asc.push_back(0x00);
        for (auto& b : asc) b = static_cast<std::uint8_t>(~b);
        asc.push_back(0x00);
        EXPECT_EQ(key(text, false), asc);
    }
}

TEST(TextKey, AscendingKeysSortLikeTheAlphabetIgnoringCase) {
    const std::u16string words[] = {u"",    u"1", u"9",     u"a",    u"Abc",
                                    u"abd", u"b", u"Zebra", u"zebre"};
    for (std::size_t i = 0; i + 1 < std::size(words); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LT(key(words[i]), key(words[i + 1]));
        EXPECT_GT(key(words[i], false), key(words[i + 1], false));
    }
}

}  // namespace
