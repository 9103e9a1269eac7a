#include "format/name_compare.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NameCompare, NamesMatchIgnoringCaseInEveryScriptFolded) {
    struct Case {
        const char* label;
        std::string a;
        std::string b;
        bool same;
    };
    const Case cases[] = {
        {"ASCII, other case", "MSysObjects", "msysOBJECTS", true},
        {"ASCII, a letter differs", "Testate", "Testata", false},
        {"ASCII, one a prefix of the other", "Voci", "VociX", false},
        {"ASCII, letters next to A-Z are not letters", "a@[", "A`{", false},
        {"empty", "", "", true},
        {"Latin-1 capital and small", "CITT\xC3\x80", "citt\xC3\xA0", true},
        {"accented against plain", "citt\xC3\xA0", "citta", false},
        {"Greek", "\xCE\xA9mega", "\xCF\x89MEGA", true},
        {"Cyrillic", "\xD0\x96", "\xD0\xB6", true},
        {"invalid bytes compare as they are", "a\xFF", "A\xFF", true},
        {"invalid against valid", "a\xFF", "a\xC3\xBF", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(mdb::sameName(c.a, c.b), c.same);
        EXPECT_EQ(mdb::sameName(c.b, c.a), c.same);
        EXPECT_EQ(mdb::foldCase(c.a) == mdb::foldCase(c.b), c.same);
    }
}

}  // namespace
