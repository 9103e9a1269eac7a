#include "data/error_text.h"

#include <gtest/gtest.h>

namespace {

TEST(WithFinalPoint, AddsThePointOnlyAfterCharactersSortingAfterIt) {
    struct Case {
        std::string message, shown;
    };
    const Case cases[] = {
        {"", ""},
        {"File not found", "File not found."},
        {"Errore 42", "Errore 42."},
        {"Li elimino?", "Li elimino?."},
        {"a/b", "a/b."},  // "/" is 0x2F, just after "."
        {"ora:", "ora:."},
        {"così è", "così è."},  // bytes of a non-ASCII letter sort after "."
        {"Fatto.", "Fatto."},
        {"Fatto!", "Fatto!"},
        {"uno,", "uno,"},
        {"(nota)", "(nota)"},
        {"l'", "l'"},
        {"spazio ", "spazio "},
        {"meno-", "meno-"},  // "-" is 0x2D, just before "."
        {"\"citato\"", "\"citato\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(data::withFinalPoint(c.message), c.shown);
    }
}

TEST(ProviderMessage, DropsTrailingBlanksAndPointsOnly) {
    struct Case {
        std::string message, passed;
    };
    const Case cases[] = {
        {"Could not find file", "Could not find file"},
        {"Could not find file.", "Could not find file"},
        {"Could not find file. . . ", "Could not find file"},
        {"Disk full.  ", "Disk full"},
        {"v1.2 is old!", "v1.2 is old!"},
        {" . .", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(data::providerMessage(c.message), c.passed);
        EXPECT_EQ(data::withFinalPoint(data::providerMessage(c.message)).find(".."),
                  std::string::npos);
    }
}

}  // namespace
