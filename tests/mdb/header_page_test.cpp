#include "format/header_page.h"

#include <gtest/gtest.h>

#include <fstream>

#include "fixture_paths.h"

namespace {

mdb::PageBytes firstPage(const char* fixture) {
    mdb::PageBytes page{};
    std::ifstream in(fixtures::mdb(fixture), std::ios::binary);
    in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()));
    return page;
}

// The engine-made adox_jet4.mdb: its header decoded and encoded again is the same page, byte for
// byte (the constants of unknown meaning included).
TEST(HeaderPage, EncodesAdoxHeaderByteForByte) {
    REQUIRE_MDB_FIXTURES();
    const mdb::PageBytes stored = firstPage("adox_jet4.mdb");
    const mdb::DatabaseHeader header = mdb::readDatabaseHeader(stored);
    const mdb::PageBytes encoded = mdb::encodeHeaderPage(header);
    for (std::size_t i = 0; i < mdb::kPageSize; ++i)
        ASSERT_EQ(encoded[i], stored[i]) << "at offset " << i;
}

TEST(HeaderPage, EncodedFieldsReadBack) {
    mdb::DatabaseHeader header;
    header.codePage = 1252;
    header.sortOrder = 1033;
    header.sortVersion = 0;
    header.creationDate = 46000.75;
    const mdb::PageBytes page = mdb::encodeHeaderPage(header);
    EXPECT_EQ(&mdb::checkDatabaseFormat(page, "new.mdb"), &mdb::jet4Format());
    const mdb::DatabaseHeader back = mdb::readDatabaseHeader(page);
    EXPECT_EQ(back.codePage, 1252);
    EXPECT_EQ(back.sortOrder, 1033);
    EXPECT_EQ(back.sortVersion, 0);
    EXPECT_EQ(back.creationDate, 46000.75);
    EXPECT_EQ(back.databaseKey, 0u);
    EXPECT_FALSE(back.hasPassword);  // the password area is exactly the date's mask

    header.hasPassword = true;
    EXPECT_THROW(mdb::encodeHeaderPage(header), std::invalid_argument);
}

}  // namespace
