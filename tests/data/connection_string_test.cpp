#include "data/connection_string.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/user_error.h"

namespace {

using data::ConnectionString;

TEST(ConnectionStringFor, PlainPathsGoInAsTyped) {
    EXPECT_EQ(data::connectionStringFor("/srv/ruolo 2024/Ruolo.mdb"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";Data Source=/srv/ruolo 2024/"
              "Ruolo.mdb;Persist Security Info=True");
    EXPECT_EQ(data::connectionStringFor("rel/x=y.mdb"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";Data Source=rel/x=y.mdb;"
              "Persist Security Info=True");
}

TEST(QuoteValue, QuotesOnlyWhatCouldChangeTheMeaning) {
    struct Case {
        std::string value, quoted;
    };
    const Case cases[] = {
        {"", ""},
        {"/a b/c.mdb", "/a b/c.mdb"},              // inner blanks are safe
        {"a;b.mdb", "\"a;b.mdb\""},                // ";" would end the value
        {"it's.mdb", "\"it's.mdb\""},              // a quote could start a quoted value
        {"say \"hi\".mdb", "'say \"hi\".mdb'"},    // double quote inside: single quotes
        {"both \"a\" 'b'", "'both \"a\" ''b'''"},  // the enclosing quote doubled
        {" lead.mdb", "\" lead.mdb\""},            // blanks at the ends would be trimmed
        {"trail.mdb ", "\"trail.mdb \""},
        {"\ttab.mdb", "\"\ttab.mdb\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(data::quoteValue(c.value), c.quoted);
    }
}

TEST(ConnectionStringFor, EveryPathComesBackAsTheWholeDataSource) {
    const std::string paths[] = {
        "/x/a;b.mdb",        "/x/a.mdb;Provider=Other;Mode=Share Exclusive",
        "/x/\"quoted\".mdb", "/x/it's \"both\".mdb",
        "/x/'single'.mdb",   "  /x/blank ends.mdb  ",
        "/x/é;è.mdb",        "/x/a'';\"\";.mdb",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const auto parsed = ConnectionString::parse(data::connectionStringFor(path));
        EXPECT_EQ(parsed.value("Data Source"), path);
        EXPECT_EQ(parsed.value("Provider"), "Microsoft.Jet.OLEDB.4.0");
        EXPECT_EQ(parsed.value("Mode"), std::nullopt);
        EXPECT_EQ(parsed.value("Password"), "");
        EXPECT_EQ(parsed.value("Persist Security Info"), "True");
    }
}

TEST(ConnectionStringParse, KeysIgnoreCaseAndBlanksValuesKeepTheirQuotedContent) {
    const auto parsed = ConnectionString::parse(
        "  provider = Microsoft.Jet.OLEDB.4.0 ;;DATA SOURCE=  /x/a b.mdb  ; User ID='o''k' ; "
        "Extra=\"a;b\"  ;data source=/y/last.mdb;Empty=;");
    EXPECT_EQ(parsed.value("Provider"), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(parsed.value("Data Source"), "/y/last.mdb");  // the last entry of a key wins
    EXPECT_EQ(parsed.value("user id"), "o'k");
    EXPECT_EQ(parsed.value("EXTRA"), "a;b");
    EXPECT_EQ(parsed.value("Empty"), "");
    EXPECT_EQ(parsed.value("Missing"), std::nullopt);
    EXPECT_EQ(ConnectionString::parse("Data Source=  /x/a b.mdb  ").value("data source"),
              "/x/a b.mdb");
    EXPECT_EQ(ConnectionString::parse("").value("Provider"), std::nullopt);
}

TEST(ConnectionStringParse, MalformedTextsAreRefused) {
    const char* texts[] = {
        "Provider",                   // no "="
        "Provider=x;Data Source",     // no "=" in the second entry
        "=value",                     // no key
        "Data Source=\"/x/open.mdb",  // quote never closed
        "Data Source='a''",           // the doubled quote leaves it open
        "Data Source=\"a\"b;",        // text after the closing quote
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_THAT([&] { ConnectionString::parse(text); },
                    testing::ThrowsMessage<data::UserError>(testing::StrEq(
                        "Format of the initialization string does not conform to the OLE DB "
                        "specification")));
    }
}

}  // namespace
