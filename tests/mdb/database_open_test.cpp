#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mdb/create.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "mdb/table.h"

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

TEST(DatabaseOpen, AcceptsJet4AndJet3AndRefusesOtherFormats) {
    REQUIRE_FIXTURES();
    EXPECT_NO_THROW(mdb::Database::open(fixture("empty.mdb").string(), mdb::OpenMode::ReadOnly));
    EXPECT_EQ(mdb::Database::open(fixture("testV1997.mdb").string(), mdb::OpenMode::ReadOnly)
                  ->info()
                  .formatName,
              "Jet 3 (Access 97)");
    EXPECT_EQ(openError(fixture("testV2007.accdb")), mdb::Error::Kind::Unsupported);
    EXPECT_EQ(openError(fixture("README.md")), mdb::Error::Kind::Corrupt);
    EXPECT_EQ(openError(fixture("no-such-file.mdb")), mdb::Error::Kind::Io);
}

// A new table in an Access 97 file stays an Access 97 table: the file keeps its format and its
// 2 KB pages (never a Jet 4 page in a Jet 3 file), and its rows can be written.
TEST(DatabaseOpen, ANewTableInAJet3FileKeepsItAJet3File) {
    REQUIRE_FIXTURES();
    const std::filesystem::path copy =
        std::filesystem::temp_directory_path() / "brelvano_jet3_new_table.mdb";
    std::filesystem::copy_file(fixture("testV1997.mdb"), copy,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    auto readAll = [&copy] {
        std::ifstream in(copy, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = readAll();
    mdb::createTable(copy.string(),
                     {"Nuova", {mdb::columnSchema("Codice", mdb::ColumnType::Long)}, {}});
    const std::string after = readAll();
    EXPECT_NE(after, before);
    EXPECT_EQ(after.size() % 2048, 0u);
    EXPECT_EQ(after.compare(0, 0x80, before, 0, 0x80), 0) << "the header page changed";
    {
        auto db = mdb::Database::open(copy.string(), mdb::OpenMode::ReadOnly);
        EXPECT_EQ(db->info().formatName, "Jet 3 (Access 97)");
        EXPECT_TRUE(db->hasTable("Nuova"));
    }
    {
        auto db = mdb::Database::open(copy.string(), mdb::OpenMode::ReadWrite);
        mdb::Table& table = db->table("Table1");
        const auto rows = table.rowCount();
        EXPECT_EQ(table.removeAll(), rows);
        EXPECT_EQ(table.rowCount(), 0u);
    }
    std::filesystem::remove(copy);
}

}  // namespace
