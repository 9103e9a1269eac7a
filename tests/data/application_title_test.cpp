#include "data/application_title.h"

#include <gtest/gtest.h>

namespace {

TEST(ApplicationTitle, FileNameCutAtTheFirstPointRestInLowerCase) {
    struct Case {
        std::string path, title;
    };
    const Case cases[] = {
        {"/usr/local/bin/brelvano", "brelvano"},
        {"brelvano", "brelvano"},
        {"/opt/BRELVANO.EXE", "Brelvano"},     // first character kept as it is
        {"/a.b/c.d/Ruolo.Tool.bin", "Ruolo"},  // folders may hold points, the name is cut
        {"./bRelVano", "brelvano"},
        {"/x/ÈLENCO.x", "Èlenco"},  // a two-byte first character stays whole
        {"/x/aÀÉ×Þ", "aàé×þ"},      // Latin-1 capitals, "×" is no letter
        {"/x/.hidden", ""},
        {"/x/", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(data::applicationTitle(c.path), c.title);
    }
}

}  // namespace
