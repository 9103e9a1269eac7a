#include "data/roll_tables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/scratch_dir.h"
#include "mdb/create.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "mdb/verify.h"
#include "mdb/write_check.h"

namespace {

using mdb::ColumnType;

struct ExpectedColumn {
    const char* name;
    ColumnType type;
    int characters;  // Text only
};

// Access 97 text is 8-bit in the database's code page (1252 in the fixtures), one byte a
// character, with nothing to compress.
void expectColumns(const mdb::Table& table, const std::vector<ExpectedColumn>& expected,
                   bool accessNinetySeven) {
    ASSERT_EQ(table.columns().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const mdb::Column& c = table.columns()[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.name, expected[i].name);
        EXPECT_EQ(c.type, expected[i].type);
        EXPECT_EQ(c.isAutoNumber(), i == 0);
        if (c.type == ColumnType::Text) {
            EXPECT_EQ(c.length, (accessNinetySeven ? 1 : 2) * expected[i].characters);
            EXPECT_EQ(c.compressesUnicode(), !accessNinetySeven);
            EXPECT_EQ(c.codePage, accessNinetySeven ? 1252 : 0);
            EXPECT_EQ(c.properties.allowZeroLength, true);
            EXPECT_EQ(c.properties.required, false);
        }
    }
}

// Index name -> (column names, kind).
void expectIndexes(
    const mdb::Table& table,
    const std::map<std::string, std::pair<std::string, mdb::Index::Kind>>& expected) {
    ASSERT_EQ(table.indexes().size(), expected.size());
    for (const mdb::Index& index : table.indexes()) {
        SCOPED_TRACE(index.name);
        ASSERT_TRUE(expected.contains(index.name));
        const mdb::PhysicalIndex& physical =
            table.physicalIndexes().at(static_cast<std::size_t>(index.physicalIndex));
        ASSERT_EQ(physical.columns.size(), 1u);
        EXPECT_EQ(table.columns().at(physical.columns[0].columnNumber).name,
                  expected.at(index.name).first);
        EXPECT_EQ(index.kind, expected.at(index.name).second);
        EXPECT_EQ(physical.isUnique(), index.kind == mdb::Index::Kind::PrimaryKey);
    }
}

void expectRollTables(mdb::Database& database, bool accessNinetySeven) {
    mdb::Database* db = &database;

    const auto T = ColumnType::Text, D = ColumnType::Double, L = ColumnType::Long;
    expectColumns(db->table("Testate"),
                  {{"ID", L, 0},
                   {"id doc", L, 0},
                   {"data doc", ColumnType::DateTime, 0},
                   {"num doc", L, 0},
                   {"contribuente", T, 255},
                   {"residenza", T, 255},
                   {"data nascita", T, 255},
                   {"luogo nascita", T, 255},
                   {"codice fiscale", T, 255},
                   {"prov nascita", T, 255},
                   {"partita iva", T, 255},
                   {"add prov", D, 0},
                   {"tassa_tariffa", D, 0},
                   {"add erario", D, 0},
                   {"add ex eca", D, 0},
                   {"interessi", D, 0},
                   {"sanzioni", D, 0},
                   {"addebiti_accrediti", D, 0},
                   {"servizi indivisibili", D, 0},
                   {"spese spedizione", D, 0},
                   {"altre voci", D, 0},
                   {"arrotondamento", D, 0},
                   {"totale importo", D, 0},
                   {"imponibile soggetto iva", D, 0},
                   {"totale importo dovuto", D, 0},
                   {"codice catastale", T, 255},
                   {"iva", D, 0}},
                  accessNinetySeven);
    expectColumns(db->table("DettaglioVoci"),
                  {{"ID", L, 0},
                   {"cod utenza", T, 50},
                   {"id doc", L, 0},
                   {"cod posizione", T, 50},
                   {"accesso utenza", T, 255},
                   {"categoria", T, 180},
                   {"des", T, 100},
                   {"tipo voce", T, 50},
                   {"quantita", T, 30},
                   {"um quantita", T, 30},
                   {"prezzo", T, 25},
                   {"data inizio", T, 15},
                   {"data fine", T, 15},
                   {"imponibile", D, 0},
                   {"tempo", T, 255},
                   {"um tempo", T, 50},
                   {"periodo", T, 1}},
                  accessNinetySeven);
    using K = mdb::Index::Kind;
    expectIndexes(db->table("Testate"), {{"PrimaryKey", {"ID", K::PrimaryKey}},
                                         {"id doc", {"id doc", K::Normal}},
                                         {"num doc", {"num doc", K::Normal}}});
    expectIndexes(db->table("DettaglioVoci"),
                  {{"PrimaryKey", {"ID", K::PrimaryKey}}, {"id doc", {"id doc", K::Normal}}});
    EXPECT_THAT(mdb::verifyDatabase(*db), testing::IsEmpty());
}

TEST(RollTables, CreatesBothTablesAsTheDataModuleNeedsThem) {
    testing_support::ScratchDir dir;
    const std::string path = dir / "roll.mdb";
    data::createRollDatabase(path);
    auto db = mdb::Database::open(path, mdb::OpenMode::ReadOnly);
    EXPECT_EQ(db->tableNames(), (std::vector<std::string>{"Testate", "DettaglioVoci"}));
    expectRollTables(*db, false);
}

// An office's own database, Access 97 or 2000-2003, receives the same two tables beside its
// own, once: a file that has either already is refused by name and left as it was.
TEST(RollTables, AddsBothTablesToAnExistingDatabaseOnce) {
    REQUIRE_MDB_FIXTURES();
    for (const auto& [fixture, accessNinetySeven] :
         {std::pair{"testV1997.mdb", true}, std::pair{"V2000_no-password.mdb", false}}) {
        SCOPED_TRACE(fixture);
        write_check::DiskCopy copy(fixture);
        const std::vector<std::string> own =
            mdb::Database::open(copy.path(), mdb::OpenMode::ReadOnly)->tableNames();
        data::addRollTables(copy.path());
        {
            auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadOnly);
            std::vector<std::string> names = own, now = db->tableNames();
            names.insert(names.end(), {"Testate", "DettaglioVoci"});
            std::sort(names.begin(), names.end());
            std::sort(now.begin(), now.end());
            EXPECT_EQ(now, names);
            expectRollTables(*db, accessNinetySeven);
        }
        const std::vector<char> before = copy.bytes();
        try {
            data::addRollTables(copy.path());
            ADD_FAILURE() << "added twice";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Refused);
            EXPECT_STREQ(e.what(), "Table 'Testate' already exists");
        }
        EXPECT_TRUE(copy.bytes() == before) << "the file changed";
    }
    testing_support::ScratchDir dir;
    const std::string path = dir / "half.mdb";
    mdb::createDatabase(path, {data::dettaglioVociTable()});
    const auto bytes = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = bytes();
    try {
        data::addRollTables(path);
        ADD_FAILURE() << "added";
    } catch (const mdb::Error& e) {
        EXPECT_STREQ(e.what(), "Table 'DettaglioVoci' already exists");
    }
    EXPECT_TRUE(bytes() == before) << "Testate was added all the same";
}

// Rows posted through the table writer read back in the engine and in mdbtools, value for value;
// the autonumber counts from 1.
TEST(RollTables, RowsWrittenReadBackEverywhere) {
    testing_support::ScratchDir dir;
    const std::string path = dir / "roll.mdb";
    data::createRollDatabase(path);
    {
        auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
        const mdb::Table& testate = db->table("Testate");
        db->beginBatch();
        for (int i = 0; i < 300; ++i) {
            std::vector<mdb::Value> row(testate.columns().size());
            row[1] = std::int32_t{1000 + i % 7};                     // id doc, repeated
            row[2] = mdb::DateTime{45000.0 + i};                     // data doc
            row[3] = std::int32_t{i};                                // num doc
            row[4] = std::string(i % 2 ? "Rossi Mario" : "Città ");  // contribuente
            row[8] = std::string(i % 3 ? "" : "RSSMRA80A01H501U");   // codice fiscale
            row[11] = 12.5 + i;                                      // add prov
            row[25] = std::string("Ελλάδα");                         // codice catastale
            db->table("Testate").insert(row);
        }
        const mdb::Table& detail = db->table("DettaglioVoci");
        for (int i = 0; i < 50; ++i) {
            std::vector<mdb::Value> row(detail.columns().size());
            row[2] = std::int32_t{1000 + i};
            row[6] = std::string(100, 'x');
            row[13] = -0.25 * i;
            row[16] = std::string("A");
            db->table("DettaglioVoci").insert(row);
        }
        db->endBatch();
        EXPECT_THAT(mdb::verifyDatabase(*db), testing::IsEmpty());
    }
    const write_check::Rows rows = write_check::readRows(path, "Testate");
    ASSERT_EQ(rows.size(), 300u);
    std::int32_t id = 0;
    for (const auto& [position, values] : rows) {
        EXPECT_EQ(values[0], mdb::Value{++id});
        EXPECT_EQ(values[3], mdb::Value{id - 1});
    }
    EXPECT_EQ(write_check::readRows(path, "DettaglioVoci").size(), 50u);
    if (!write_check::haveMdbtools()) GTEST_SKIP() << "mdbtools is not installed";
    write_check::expectMdbExportAgrees(path, "Testate", 300);
    write_check::expectMdbExportAgrees(path, "DettaglioVoci", 50);
}

// mdbtools sees the two tables, their columns and their indexes.
TEST(RollTables, OpensInMdbtools) {
    if (!write_check::haveMdbtools()) GTEST_SKIP() << "mdbtools is not installed";
    testing_support::ScratchDir dir;
    const std::string path = dir / "roll.mdb";
    data::createRollDatabase(path);
    const std::string quoted = write_check::shellQuote(path);
    EXPECT_EQ(write_check::run("mdb-ver " + quoted), "JET4\n");
    EXPECT_EQ(write_check::run("mdb-tables -1 " + quoted), "Testate\nDettaglioVoci\n");
    const std::optional<std::string> schema =
        write_check::run("mdb-schema " + quoted + " postgres");
    ASSERT_TRUE(schema);
    for (const char* line :
         {"\"id\"\t\t\tSERIAL", "\"codice fiscale\"\t\t\tVARCHAR (255)",
          "\"periodo\"\t\t\tVARCHAR (1)", "\"imponibile\"\t\t\tDOUBLE PRECISION",
          "\"data doc\"\t\t\tTIMESTAMP WITHOUT TIME ZONE",
          "CREATE INDEX \"testate_id doc_idx\" ON \"testate\" (\"id doc\");",
          "CREATE INDEX \"testate_num doc_idx\" ON \"testate\" (\"num doc\");",
          "CREATE INDEX \"dettagliovoci_id doc_idx\" ON \"dettagliovoci\" (\"id doc\");",
          "ALTER TABLE \"testate\" ADD CONSTRAINT \"testate_pkey\" PRIMARY KEY (\"id\");",
          "ALTER TABLE \"dettagliovoci\" ADD CONSTRAINT \"dettagliovoci_pkey\" PRIMARY KEY "
          "(\"id\");"})
        EXPECT_THAT(*schema, testing::HasSubstr(line));
    write_check::expectMdbExportAgrees(path, "Testate", 0);
}

TEST(RollTables, RefusesAnExistingFileAndLeavesItAlone) {
    testing_support::ScratchDir dir;
    const std::string path = dir.write("roll.mdb", "not a database");
    EXPECT_THROW(data::createRollDatabase(path), mdb::Error);
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a database");
}

}  // namespace
