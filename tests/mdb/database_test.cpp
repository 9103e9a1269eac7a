// The engine on the Access-made fixtures: catalogue, definitions, properties, positions, and
// damaged or encoded copies made in memory.
#include "mdb/database.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "database/catalog.h"
#include "file/page_file.h"
#include "file/rc4.h"
#include "fixture_paths.h"
#include "format/byte_order.h"
#include "format/header_page.h"
#include "mdb/error.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<mdb::Database> openBytes(Bytes bytes, const std::string& name) {
    return mdb::Database::open(std::make_unique<mdb::MemoryPageFile>(std::move(bytes), name),
                               mdb::OpenMode::ReadOnly);
}

std::unique_ptr<mdb::Database> openFixture(const char* name) {
    return mdb::Database::open(fixtures::mdb(name).string(), mdb::OpenMode::ReadOnly);
}

std::vector<std::vector<mdb::Value>> allRows(mdb::Table& table) {
    std::vector<std::vector<mdb::Value>> rows;
    mdb::Table::Cursor cursor = table.scan();
    while (cursor.next()) rows.push_back(cursor.values());
    return rows;
}

TEST(Database, ListsUserTablesAndFindsAnyTableIgnoringCase) {
    REQUIRE_MDB_FIXTURES();
    auto db = openFixture("testIndexPropertiesV2003.mdb");
    EXPECT_EQ(db->tableNames(),
              (std::vector<std::string>{"TableIgnoreNulls1", "TableIgnoreNulls1_temp",
                                        "TableIgnoreNulls2", "TableIgnoreNulls2_temp",
                                        "TableUnique1_temp", "TableUnique2_temp"}));
    EXPECT_EQ(db->table("tableignorenulls2").name(), "TableIgnoreNulls2");
    EXPECT_EQ(db->table("MSYSOBJECTS").name(), "MSysObjects");
    try {
        db->table("Testate");
        ADD_FAILURE() << "found";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::NotFound);
        EXPECT_STREQ(e.what(),
                     "The Microsoft Jet database engine cannot find the input table or query "
                     "'Testate'.  Make sure it exists and that its name is spelled correctly");
    }

    auto empty = openFixture("empty.mdb");
    EXPECT_TRUE(empty->tableNames().empty());
    int system = 0;
    for (const mdb::CatalogEntry& e : empty->catalog())
        if (e.isLocalTable()) {
            EXPECT_TRUE(e.isSystem()) << e.name;  // MSysAccessObjects has only flag 0x02
            ++system;
        }
    EXPECT_EQ(system, 5);
}

TEST(Database, ReadsDefinitionsIndexesAndColumnProperties) {
    REQUIRE_MDB_FIXTURES();
    auto db = openFixture("V2000_no-password.mdb");
    const mdb::Table& t = db->table("Table1");
    EXPECT_EQ(t.rowCount(), 3u);
    EXPECT_EQ(t.lastAutoNumber(), 3u);
    ASSERT_EQ(t.columns().size(), 2u);
    EXPECT_TRUE(t.columns()[0].isAutoNumber());
    EXPECT_TRUE(t.columns()[1].compressesUnicode());
    ASSERT_EQ(t.indexes().size(), 1u);
    EXPECT_EQ(t.indexes()[0].name, "PrimaryKey");
    EXPECT_EQ(t.indexes()[0].kind, mdb::Index::Kind::PrimaryKey);
    const mdb::PhysicalIndex& pk = t.physicalIndexes().at(0);
    EXPECT_TRUE(pk.isUnique() && pk.isRequired());
    ASSERT_EQ(pk.columns.size(), 1u);
    EXPECT_EQ(pk.columns[0].columnNumber, t.columns()[0].number);

    auto comp = openFixture("compIndexTestV2003.mdb");
    const mdb::PhysicalIndex& desc = comp->table("Table1").physicalIndexes().at(0);
    ASSERT_EQ(desc.columns.size(), 1u);
    EXPECT_FALSE(desc.columns[0].ascending);

    auto related = openFixture("indexTestV2003.mdb");
    int foreignKeys = 0;
    for (const mdb::Index& i : related->table("Table1").indexes())
        if (i.kind == mdb::Index::Kind::ForeignKey) {
            ++foreignKeys;
            EXPECT_NE(i.relatedTablePage, 0u) << i.name;
        }
    EXPECT_EQ(foreignKeys, 2);

    auto typed = openFixture("testV2003.mdb");
    const mdb::Table& t1 = typed->table("Table1");
    const auto& c = t1.columns().at(*t1.findColumn("C")).properties;
    EXPECT_EQ(c.defaultValue, "0");
    EXPECT_EQ(c.required, false);
    EXPECT_EQ(t1.columns().at(*t1.findColumn("a")).properties.allowZeroLength, false);
    auto fixed = openFixture("fixedTextTestV2003.mdb");
    const mdb::Table& users = fixed->table("users");
    EXPECT_EQ(users.columns().at(*users.findColumn("i_user_id")).properties.required, true);
}

TEST(Database, RowsReadBackByTheirPositions) {
    REQUIRE_MDB_FIXTURES();
    auto db = openFixture("compIndexTestV2003.mdb");
    mdb::Table& t = db->table("Table1");
    const std::vector<mdb::RowPosition> positions = t.rowPositions();
    const auto rows = allRows(t);
    ASSERT_EQ(positions.size(), 512u);
    ASSERT_EQ(rows.size(), 512u);
    for (std::size_t i = 0; i < positions.size(); i += 37) {
        SCOPED_TRACE(mdb::describe(positions[i]));
        EXPECT_EQ(t.readRow(positions[i]), rows[i]);
    }
}

// Codes pages 1.. with `key` (as the database key does) and records the key in the header.
Bytes encodeWithKey(Bytes file, std::uint32_t key) {
    for (std::size_t n = 1; n < file.size() / mdb::kPageSize; ++n)
        mdb::rc4CodePage(key, static_cast<std::uint32_t>(n),
                         std::span(file).subspan(n * mdb::kPageSize, mdb::kPageSize));
    const std::uint8_t headerKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    const auto masked = std::span(file).subspan(0x18, 128);
    mdb::rc4Apply(headerKey, masked);
    mdb::put32le(file, 0x3E, key);
    mdb::rc4Apply(headerKey, masked);
    return file;
}

TEST(Database, ReadsPagesEncodedWithTheDatabaseKey) {
    REQUIRE_MDB_FIXTURES();
    const Bytes plain = readFile(fixtures::mdb("testV2003.mdb"));
    auto expected = openBytes(plain, "plain.mdb");
    auto encoded = openBytes(encodeWithKey(plain, 0x5A17C0DE), "encoded.mdb");
    EXPECT_EQ(encoded->header().databaseKey, 0x5A17C0DEu);
    EXPECT_EQ(encoded->tableNames(), expected->tableNames());
    for (const std::string& name : expected->tableNames()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(allRows(encoded->table(name)), allRows(expected->table(name)));
    }
}

TEST(Database, RefusesAPasswordSetInTheHeader) {
    REQUIRE_MDB_FIXTURES();
    Bytes file = readFile(fixtures::mdb("V2000_no-password.mdb"));
    file[0x42] ^= 'p';  // the first password byte, masked twice over: still XOR-able in place
    try {
        openBytes(file, "locked.mdb");
        ADD_FAILURE() << "opened";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Refused);
        EXPECT_STREQ(e.what(),
                     "Not a valid password: 'locked.mdb' is protected by a database password and "
                     "the connection gives none");
    }
}

// Every prefix of a file, cut at and between page boundaries, either reads or fails with
// mdb::Error; any other exception or a crash fails the test.
TEST(Database, TruncatedFilesFailCleanly) {
    REQUIRE_MDB_FIXTURES();
    const Bytes whole = readFile(fixtures::mdb("V2000_no-password.mdb"));
    int refused = 0;
    for (std::size_t size = 0; size <= whole.size(); size += mdb::kPageSize / 2) {
        SCOPED_TRACE(size);
        try {
            auto db =
                openBytes(Bytes(whole.begin(), whole.begin() + static_cast<long>(size)), "cut.mdb");
            for (const std::string& name : db->tableNames()) (void)allRows(db->table(name));
        } catch (const mdb::Error& e) {
            ++refused;
            const std::string what = e.what();
            if (size < mdb::kPageSize) {
                EXPECT_EQ(what, "Unrecognized database format 'cut.mdb'");
            } else {
                EXPECT_EQ(what.rfind("Database 'cut.mdb' is damaged: ", 0), 0u) << what;
            }
        }
    }
    EXPECT_GT(refused, 10);
}

}  // namespace
