#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mdb/database.h"
#include "mdb/error.h"

namespace {

std::filesystem::path fixture(const char* name) {
    return std::filesystem::path(BRELVANO_SHARED_DIR) / "fixtures" / "mdb" / name;
}

#define REQUIRE_FIXTURES() \
    if (!std::filesystem::is_directory(fixture(""))) GTEST_SKIP() << "no fixtures"

mdb::Error::Kind openError(const std::filesystem::path& p) {
    try {
        mdb::Database::open(p.string(), mdb::OpenMode::ReadOnly);
    } catch (const mdb::Error& e) {
        return e.kind;
    }
    ADD_FAILURE() << p << " opened";
    return mdb::Error::Kind::Io;
}

TEST(DatabaseOpen, AcceptsJet4AndRefusesOtherFormats) {
    REQUIRE_FIXTURES();
    EXPECT_NO_THROW(mdb::Database::open(fixture("empty.mdb").string(), mdb::OpenMode::ReadOnly));
    EXPECT_EQ(openError(fixture("testV1997.mdb")), mdb::Error::Kind::Unsupported);
    EXPECT_EQ(openError(fixture("testV2007.accdb")), mdb::Error::Kind::Unsupported);
    EXPECT_EQ(openError(fixture("README.md")), mdb::Error::Kind::Corrupt);
    EXPECT_EQ(openError(fixture("no-such-file.mdb")), mdb::Error::Kind::Io);
}

}  // namespace
