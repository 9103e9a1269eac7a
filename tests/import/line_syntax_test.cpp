#include "import/line_syntax.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Takes `count` columns the way the import does, then returns them and what the buffer kept.
std::vector<std::string> takeColumns(std::string_view line, int count,
                                     std::string* rest = nullptr) {
    std::vector<std::string> fields;
    for (int i = 0; i < count; ++i) fields.emplace_back(importer::EstraiCampo(line));
    if (rest) *rest = std::string(line);
    return fields;
}

TEST(NormaliseLine, RemovesEqualsQuoteThenTurnsQuoteSemicolonIntoSemicolon) {
    struct Case {
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {R"(="A";="B";="C")", R"(A;B;C")"},  // the last closing quote stays
        {R"(="A";="B";)", "A;B;"},
        {"1;;3;", "1;;3;"},
        {"", ""},
        {R"(="a="b";)", "ab;"},        // a value's own «="» is altered too
        {R"(="x"";y";)", R"(x";y;)"},  // and its own «";»
        {R"("=";)", ";"},              // the removal joins «";», which the second step sees
        {R"(=="")", R"(=")"},          // what the first step joins is not scanned again
        {R"("";;)", R"(";;)"},         // nor what the second step joins
        {R"(="="=";)", ";"},
        {R"(= ";)", "= ;"},
        {R"(="";="";)", ";;"},  // empty values
        {"=\"A\";=\"B\"\r", "A;B\"\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string line = c.line;
        importer::normaliseLine(line);
        EXPECT_EQ(line, c.expected);
    }
}

TEST(NormaliseLine, AByteZeroHidesTheRestOfTheLine) {
    struct Case {
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {"=\"A\";\0=\"B\";"s, "A;\0=\"B\";"s},
        {"\0=\"A\";"s, "\0=\"A\";"s},
        {"=\"A\0\";"s, "A\0\";"s},
        {"=\0\"A\";"s, "=\0\"A\";"s},  // a pattern cut by the zero is no pattern
        {"=\"A\";\0"s, "A;\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.line));
        std::string line = c.line;
        importer::normaliseLine(line);
        EXPECT_EQ(line, c.expected);
    }
}

// The two replacements done the slow way, one after the other, each stopping at a byte 0.
std::string replaceAllBeforeZero(const std::string& s, const std::string& from,
                                 const std::string& to) {
    const size_t limit = std::min(s.find('\0'), s.size());
    std::string out;
    size_t i = 0;
    while (i < limit) {
        size_t hit = s.find(from, i);
        if (hit == std::string::npos || hit + from.size() > limit) break;
        out += s.substr(i, hit - i) + to;
        i = hit + from.size();
    }
    return out + s.substr(i);
}

TEST(NormaliseLine, AgreesWithTwoSequentialReplacementsOnLongLines) {
    // Lines long enough for the eight-bytes-at-a-time path, from an alphabet dense in the
    // characters that matter.
    const char alphabet[] = {'=', '"', ';', 'a', 'b', '.', ' ', '\0'};
    std::uint32_t state = 12345;
    auto next = [&] { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7FFF; };
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const int length = static_cast<int>(next() % 60);
        const bool withZero = next() % 8 == 0;
        for (int i = 0; i < length; ++i) line += alphabet[next() % (withZero ? 8 : 7)];
        std::string expected =
            replaceAllBeforeZero(replaceAllBeforeZero(line, "=\"", ""), "\";", ";");
        std::string actual = line;
        importer::normaliseLine(actual);
        ASSERT_EQ(actual, expected) << testing::PrintToString(line);
        ASSERT_EQ(importer::removePoints(line), replaceAllBeforeZero(line, ".", ""))
            << testing::PrintToString(line);
    }
}

TEST(EstraiCampo, DeliversAColumnOnlyWhenASemicolonFollowsIt) {
    struct Case {
        std::string line;  // already normalised
        std::vector<std::string> columns;
        std::string rest;
    };
    const Case cases[] = {
        {R"(A;B;C")", {"A", "B", "", ""}, R"(C")"},  // «C"» is never delivered
        {"A;B;", {"A", "B", "", ""}, ""},
        {"1;;3;", {"1", "", "3", ""}, ""},
        {";", {"", "", ""}, ""},
        {"abc", {"", ""}, "abc"},  // no ";" at all: the buffer stays as it is
        {"", {"", ""}, ""},
        {" a ; b ;", {" a ", " b ", ""}, ""},  // blanks are part of the text
        {"a\0b;c;"s, {"a\0b"s, "c"}, ""},      // the splitter sees past a byte 0
        {"0123456789abcdef;0123456789;x", {"0123456789abcdef", "0123456789", ""}, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.line));
        std::string rest;
        EXPECT_EQ(takeColumns(c.line, static_cast<int>(c.columns.size()), &rest), c.columns);
        EXPECT_EQ(rest, c.rest);
    }
}

TEST(EstraiCampo, ASemicolonInsideQuotesShiftsTheLaterColumns) {
    std::string line = R"(="a;b";="c";="d";)";
    importer::normaliseLine(line);
    EXPECT_EQ(takeColumns(line, 4), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(EstraiCampo, TheLastColumnOfALineWithoutTrailingSemicolonIsLost) {
    // A header line of 56 columns whose last one has no ";" after it.
    std::string line;
    for (int i = 1; i <= 56; ++i) line += "=\"" + std::to_string(i) + (i < 56 ? "\";" : "\"");
    importer::normaliseLine(line);
    std::vector<std::string> columns = takeColumns(line, 56);
    EXPECT_EQ(columns[54], "55");
    EXPECT_EQ(columns[55], "");
}

TEST(ColumnCutter, GivesWhatNormalisingAndSplittingGive) {
    // Lines of columns in the usual form, some broken by a byte from an alphabet dense in the
    // characters that matter, so that the cutter leaves its short way at any column.
    const char alphabet[] = {'=', '"', ';', 'a', '.', '\0'};
    std::uint32_t state = 2024;
    auto next = [&] { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7FFF; };
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const int columns = static_cast<int>(next() % 8);
        for (int c = 0; c < columns; ++c) {
            std::string value(next() % 12, 'v');
            line += "=\"" + value + (c + 1 < columns || next() % 2 ? "\";" : "\"");
        }
        for (int k = static_cast<int>(next() % 3); k > 0 && !line.empty(); --k)
            line[next() % line.size()] = alphabet[next() % 6];
        std::string normalised = line;
        importer::normaliseLine(normalised);
        const std::vector<std::string> expected = takeColumns(normalised, 9);
        std::string cut = line;
        importer::ColumnCutter cutter(cut);
        std::vector<std::string> actual;
        for (int c = 0; c < 9; ++c) actual.emplace_back(cutter.next());
        ASSERT_EQ(actual, expected) << testing::PrintToString(line);
    }
}

TEST(RemovePoints, RemovesEveryPointBeforeAnyByteZero) {
    struct Case {
        std::string field;
        std::string expected;
    };
    const Case cases[] = {
        {"1.234.567,89", "1234567,89"},
        {"01.01.2020", "01012020"},
        {"1.024", "1024"},
        {"...", ""},
        {"12,50", "12,50"},
        {"", ""},
        {"1.2\0.3"s, "12\0.3"s},
        {"\0.5"s, "\0.5"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.field));
        EXPECT_EQ(importer::removePoints(c.field), c.expected);
    }
}

}  // namespace
