#include "create/new_database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "create/catalog_template.h"
#include "create/table_creator.h"
#include "data/scratch_dir.h"
#include "database/catalog.h"
#include "file/page_file.h"
#include "format/header_page.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "mdb/verify.h"
#include "mdb/write_check.h"

namespace {

constexpr mdb::DateTime kCreated{46000.5};

std::string writeNew(const testing_support::ScratchDir& dir, const std::string& name,
                     const std::vector<mdb::TableSchema>& tables = {}) {
    const std::string path = dir / name;
    const std::vector<std::uint8_t> bytes = mdb::newDatabase(kCreated, tables);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The new database opens in our reader with the engine's catalogue and nothing else, and the
// checker finds every index, count and map true.
TEST(NewDatabase, OpensWithTheEnginesCatalogueAndVerifies) {
    testing_support::ScratchDir dir;
    const std::string path = writeNew(dir, "new.mdb");
    EXPECT_EQ(std::filesystem::file_size(path), 16 * mdb::kPageSize);  // as adox_jet4.mdb

    auto db = mdb::Database::open(path, mdb::OpenMode::ReadOnly);
    EXPECT_EQ(db->header().codePage, 1252);
    EXPECT_EQ(db->header().sortOrder, 1033);
    EXPECT_EQ(db->header().sortVersion, 0);
    EXPECT_FALSE(db->header().hasPassword);
    EXPECT_EQ(db->header().creationDate, mdb::adoxCreationDate());
    EXPECT_TRUE(db->tableNames().empty());

    struct Expected {
        std::int32_t id, parentId;
        const char* name;
        std::int16_t type;
    };
    const Expected expected[] = {
        {0x0F000001, 0x0F000000, "Tables", 3},
        {0x0F000002, 0x0F000000, "Databases", 3},
        {0x0F000003, 0x0F000000, "Relationships", 3},
        {0x10000000, 0x0F000002, "MSysDb", 2},
        {2, 0x0F000001, "MSysObjects", 1},
        {3, 0x0F000001, "MSysACEs", 1},
        {4, 0x0F000001, "MSysQueries", 1},
        {5, 0x0F000001, "MSysRelationships", 1},
    };
    ASSERT_EQ(db->catalog().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const mdb::CatalogEntry& e = db->catalog()[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.id, expected[i].id);
        EXPECT_EQ(e.parentId, expected[i].parentId);
        EXPECT_EQ(e.name, expected[i].name);
        EXPECT_EQ(e.type, expected[i].type);
        EXPECT_EQ(e.flags, 0x80000000u);
        EXPECT_EQ(e.created, kCreated);
        EXPECT_EQ(e.updated, kCreated);
    }
    EXPECT_EQ(db->table("MSysACEs").rowCount(), 16u);
    EXPECT_EQ(db->table("MSysQueries").rowCount(), 0u);
    EXPECT_THAT(mdb::verifyDatabase(*db), testing::IsEmpty());
}

// mdbtools reads it as a Jet 4 database without user tables, and exports the catalogue as we
// read it.
TEST(NewDatabase, OpensInMdbtools) {
    if (!write_check::haveMdbtools()) GTEST_SKIP() << "mdbtools is not installed";
    testing_support::ScratchDir dir;
    const std::string path = writeNew(dir, "new.mdb");
    const std::string quoted = write_check::shellQuote(path);
    EXPECT_EQ(write_check::run("mdb-ver " + quoted), "JET4\n");
    EXPECT_EQ(write_check::run("mdb-tables -1 " + quoted), "");
    EXPECT_TRUE(write_check::run("mdb-schema " + quoted + " postgres"));
    write_check::expectMdbExportAgrees(path, "MSysObjects", 8);
    write_check::expectMdbExportAgrees(path, "MSysACEs", 16);
}

TEST(NewDatabase, NeverWritesOverAnything) {
    testing_support::ScratchDir dir;
    const std::string file = dir.write("taken.mdb", "someone's data");
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);
    for (const std::string& path : {file, dir / "folder", dir / "dangling"}) {
        SCOPED_TRACE(path);
        try {
            mdb::createDatabase(path);
            ADD_FAILURE() << "created";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Refused);
            EXPECT_EQ(e.what(), "Cannot create '" + path + "': it already exists");
        }
    }
    EXPECT_EQ(fileText(file), "someone's data");
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));

    try {
        mdb::createDatabase(dir / "no-such-folder/new.mdb");
        ADD_FAILURE() << "created";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Io);
        EXPECT_EQ(e.what(), "Cannot create '" + (dir / "no-such-folder/new.mdb") +
                                "': No such file or directory");
    }
}

TEST(NewDatabase, CreateDatabaseWritesTheFileDatedNow) {
    testing_support::ScratchDir dir;
    const mdb::DateTime before = mdb::currentDateTime();
    mdb::createDatabase(dir / "new.mdb");
    const mdb::DateTime after = mdb::currentDateTime();
    auto db = mdb::Database::open(dir / "new.mdb", mdb::OpenMode::ReadOnly);
    for (const mdb::CatalogEntry& e : db->catalog()) {
        EXPECT_GE(e.created.days, before.days);
        EXPECT_LE(e.created.days, after.days);
    }
}

}  // namespace
