// Creating tables in copies of Access-made databases and in new ones, then filling them: the
// engine, verify and mdbtools must all read what was written.
#include "create/table_creator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "create/catalog_template.h"
#include "create/new_database.h"
#include "database/catalog.h"
#include "database/table_writer.h"
#include "definition_compare.h"
#include "file/pager.h"
#include "format/table_definition.h"
#include "full_file.h"
#include "mdb/error.h"
#include "mdb/verify.h"
#include "write_check.h"

namespace {

using mdb::columnSchema;
using mdb::ColumnType;
using mdb::indexSchema;
using mdb::IndexSchema;
using mdb::Value;
using write_check::DiskCopy;

// A column of every type the engine knows, properties, and every kind of index.
mdb::TableSchema everyType() {
    mdb::ColumnSchema id{.name = "Numero", .type = ColumnType::Long, .autoNumber = true};
    mdb::ColumnSchema name = columnSchema("Nome città", ColumnType::Text, 40);
    name.compressedUnicode = true;
    name.properties.required = true;
    name.properties.allowZeroLength = false;
    mdb::ColumnSchema notes = columnSchema("Note", ColumnType::Memo);
    notes.compressedUnicode = true;
    notes.properties.allowZeroLength = true;
    mdb::ColumnSchema count = columnSchema("Quantità", ColumnType::Integer);
    count.properties.defaultValue = "0";
    IndexSchema byNameAndDate = indexSchema("NomeData", {"Nome città", "Quando"});
    byNameAndDate.columns[1].ascending = false;
    IndexSchema byCode = indexSchema("Codice", {"Codice"}, IndexSchema::Kind::Unique);
    byCode.ignoreNulls = true;
    return {.name = "Prova tipi",
            .columns = {id, name, notes, count, columnSchema("Piccolo", ColumnType::Byte),
                        columnSchema("Importo", ColumnType::Currency),
                        columnSchema("Misura", ColumnType::Single),
                        columnSchema("Valore", ColumnType::Double),
                        columnSchema("Quando", ColumnType::DateTime),
                        columnSchema("Fatto", ColumnType::Boolean),
                        columnSchema("Codice", ColumnType::Guid),
                        columnSchema("Immagine", ColumnType::Ole),
                        columnSchema("Impronta", ColumnType::Binary, 20)},
            .indexes = {indexSchema("PrimaryKey", {"Numero"}, IndexSchema::Kind::PrimaryKey),
                        byNameAndDate, byCode, indexSchema("Valore", {"Valore"})}};
}

// Row n of the table above, in the alternatives the reader returns. Access 97 text is 8-bit in
// the database's code page (1252 in the fixtures): no Greek there.
std::vector<Value> everyTypeRow(int n, bool eightBitText = false) {
    std::vector<Value> row(13);
    row[1] = std::string(n % 3 == 0     ? "Forlì "
                         : eightBitText ? "Cefalù "
                                        : "Ζάκυνθος ") +
             std::to_string(n);
    if (n % 4 != 0) row[2] = std::string(static_cast<std::size_t>(n % 5) * 40, 'm');  // long too
    row[3] = static_cast<std::int16_t>(n - 50);
    row[4] = static_cast<std::uint8_t>(n % 256);
    row[5] = mdb::Currency{n * 12345LL};
    row[6] = static_cast<float>(n) / 4;
    row[7] = n * -1.5;
    row[8] = mdb::DateTime{44000.0 + n / 8.0};
    row[9] = n % 2 == 0;
    if (n % 5 != 0) {
        mdb::Guid g;
        g.bytes[0] = static_cast<std::uint8_t>(n);
        g.bytes[15] = static_cast<std::uint8_t>(n >> 8);
        row[10] = g;
    }
    if (n % 6 == 0) row[11] = mdb::Binary(static_cast<std::size_t>(n) * 3, 0xAB);
    row[12] = mdb::Binary{static_cast<std::uint8_t>(n), 1, 2, 3};
    return row;
}

// Without the autonumber, which the table writer assigns.
bool sameExceptId(const std::vector<Value>& a, const std::vector<Value>& b) {
    return std::equal(a.begin() + 1, a.end(), b.begin() + 1, b.end());
}

std::vector<Value> catalogRowOf(mdb::Database& db, const std::string& name) {
    mdb::Table& objects = db.table("MSysObjects");
    mdb::Table::Cursor rows = objects.scan();
    while (rows.next())
        if (rows.value(*objects.findColumn("Name")) == Value{name}) return rows.values();
    return {};
}

struct Ace {
    mdb::Binary sid;
    Value rights, inheritable;
    bool operator==(const Ace&) const = default;
};

// The MSysACEs rows of an object, in storage order.
std::vector<Ace> acesOf(mdb::Database& db, std::int32_t object) {
    std::vector<Ace> aces;
    mdb::Table::Cursor rows = db.table("MSysACEs").scan();
    while (rows.next()) {
        const std::vector<Value> ace = rows.values();
        if (ace[0] == Value{object})
            aces.push_back({std::get<mdb::Binary>(ace[1]), ace[2], ace[3]});
    }
    return aces;
}

// mdb-export of every user table of the file but `except` (empty without mdbtools).
std::map<std::string, std::string> otherExports(const std::string& path,
                                                const std::string& except) {
    std::map<std::string, std::string> exports;
    if (!write_check::haveMdbtools()) return exports;
    const std::string quoted = write_check::shellQuote(path);
    std::istringstream names(write_check::run("mdb-tables -1 " + quoted).value_or(""));
    for (std::string name; std::getline(names, name);)
        if (name != except)
            exports[name] = write_check::run("mdb-export -b hex " + quoted + " " +
                                             write_check::shellQuote(name))
                                .value_or("failed");
    return exports;
}

// In a copy of an Access-made file: the table appears as the schema says, its catalogue row and
// access rights are as Access's own, and rows of every type read back in the engine, verify
// and mdbtools; the file's other tables are as they were. In an Access 97 file the new table's
// rights are those Access 97 gave the file's own first table.
void createAndFill(const char* fixture, const char* accessTable = nullptr) {
    SCOPED_TRACE(fixture);
    DiskCopy copy(fixture);
    const mdb::TableSchema schema = everyType();
    const std::map<std::string, std::string> before = otherExports(copy.path(), schema.name);
    mdb::createTable(copy.path(), schema);

    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    const bool accessNinetySeven = db->format().eightBitText;
    ASSERT_TRUE(db->hasTable("Prova tipi"));
    const mdb::Table& table = db->table("prova TIPI");
    mdb::TableDefinition expected =
        mdb::tableDefinitionFor(schema, db->format(), db->pager().codePage());
    mdb::TableDefinition placed = table.definition();
    // The creator placed the maps, roots and long-value maps; the rest is the schema's.
    for (std::size_t i = 0; i < placed.physicalIndexes.size(); ++i) {
        EXPECT_NE(placed.physicalIndexes[i].rootPage, 0u);
        expected.physicalIndexes[i].usageMap = placed.physicalIndexes[i].usageMap;
        expected.physicalIndexes[i].rootPage = placed.physicalIndexes[i].rootPage;
    }
    for (std::size_t i = 0; i < placed.columns.size(); ++i) {
        EXPECT_EQ(placed.columns[i].longValueOwnedMap.has_value(),
                  mdb::isLongValue(placed.columns[i].type));
        expected.columns[i].longValueOwnedMap = placed.columns[i].longValueOwnedMap;
        expected.columns[i].longValueFreeMap = placed.columns[i].longValueFreeMap;
    }
    expected.ownedPagesMap = placed.ownedPagesMap;
    expected.freePagesMap = placed.freePagesMap;
    testing_support::expectSameDefinition(expected, placed);
    EXPECT_EQ(table.columns()[1].properties.required, true);
    EXPECT_EQ(table.columns()[1].properties.allowZeroLength, false);
    EXPECT_EQ(table.columns()[2].properties.allowZeroLength, true);
    EXPECT_EQ(table.columns()[3].properties.defaultValue, "0");
    EXPECT_EQ(table.catalogEntry().parentId, mdb::object_id::kTables);
    EXPECT_EQ(table.catalogEntry().flags, 0u);
    EXPECT_FALSE(table.catalogEntry().isSystem());
    const std::vector<Value> row = catalogRowOf(*db, "Prova tipi");
    const std::vector<Value> msysDb = catalogRowOf(*db, "MSysDb");
    const std::size_t owner = *db->table("MSysObjects").findColumn("Owner");
    EXPECT_EQ(row.at(owner), msysDb.at(owner)) << "the table is owned by the database's owner";

    const auto id = static_cast<std::int32_t>(table.catalogEntry().id);
    if (accessNinetySeven) {
        const std::vector<Ace> aces = acesOf(*db, id);
        EXPECT_EQ(aces,
                  acesOf(*db, static_cast<std::int32_t>(db->table(accessTable).catalogEntry().id)));
        EXPECT_EQ(aces.size(), 3u);
        const std::size_t props = *db->table("MSysObjects").findColumn("LvProp");
        EXPECT_EQ(std::get<mdb::Binary>(row.at(props)).at(0), 'K') << "Access 97's property maps";
    }
    // Jet 4: one full-rights ACE per account of the Tables container, not inheritable.
    std::multiset<mdb::Binary> containerSids, tableSids;
    mdb::Table::Cursor aces = db->table("MSysACEs").scan();
    while (aces.next()) {
        const std::vector<Value> ace = aces.values();
        if (ace[0] == Value{mdb::object_id::kTables})
            containerSids.insert(std::get<mdb::Binary>(ace[1]));
        if (ace[0] != Value{id}) continue;
        tableSids.insert(std::get<mdb::Binary>(ace[1]));
        if (!accessNinetySeven) {
            EXPECT_EQ(ace[2], Value{mdb::kFullAccess});
        }
        EXPECT_EQ(ace[3], Value{false});
    }
    if (!accessNinetySeven) {
        EXPECT_EQ(tableSids, containerSids);
    }
    EXPECT_FALSE(tableSids.empty());
    EXPECT_THAT(mdb::verifyDatabase(*db), testing::IsEmpty());

    constexpr int kRows = 120;
    db->beginBatch();
    for (int n = 1; n <= kRows; ++n)
        db->writer("Prova tipi").insert(everyTypeRow(n, accessNinetySeven));
    db->endBatch();
    EXPECT_THAT(mdb::verifyDatabase(*db), testing::IsEmpty());
    db.reset();

    const write_check::Rows rows = write_check::readRows(copy.path(), "Prova tipi");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
    // By autonumber: a later, shorter row may go on an earlier page than the one before it.
    std::map<std::int32_t, std::vector<Value>> byId;
    for (const auto& [position, values] : rows) byId[std::get<std::int32_t>(values[0])] = values;
    int n = 0;
    for (const auto& [autoNumber, values] : byId) {
        ++n;
        EXPECT_EQ(autoNumber, n) << "autonumber";
        EXPECT_TRUE(sameExceptId(values, everyTypeRow(n, accessNinetySeven))) << "row " << n;
    }
    if (!write_check::haveMdbtools()) return;
    const std::string quoted = write_check::shellQuote(copy.path());
    const std::optional<std::string> tables = write_check::run("mdb-tables -1 " + quoted);
    ASSERT_TRUE(tables);
    EXPECT_THAT(*tables, testing::HasSubstr("Prova tipi\n"));
    const std::optional<std::string> ddl = write_check::run("mdb-schema " + quoted + " postgres");
    ASSERT_TRUE(ddl);
    EXPECT_THAT(*ddl, testing::HasSubstr("PRIMARY KEY (\"numero\")"));
    EXPECT_THAT(
        *ddl, testing::HasSubstr(
                  "CREATE UNIQUE INDEX \"prova tipi_codice_idx\" ON \"prova tipi\" (\"codice\")"));
    write_check::expectMdbExportAgrees(copy.path(), "Prova tipi", kRows);
    EXPECT_EQ(otherExports(copy.path(), schema.name), before);
}

TEST(TableCreator, CreatesAndFillsATableInAccessMadeFiles) {
    REQUIRE_MDB_FIXTURES();
    createAndFill("empty.mdb");
    createAndFill("V2000_no-password.mdb");
    createAndFill("adox_jet4.mdb");
    createAndFill("testV1997.mdb", "Table1");
    createAndFill("test2V1997.mdb", "MSP_PROJECTS");
}

// A taken name (any case, system tables included) or a schema Access would refuse changes
// nothing in the file.
void refusalsLeaveTheFileUntouched(const char* fixture) {
    DiskCopy copy(fixture);
    const std::vector<char> before = copy.bytes();
    struct Case {
        const char* table;
        std::vector<mdb::ColumnSchema> columns;
        const char* message;
    };
    const Case cases[] = {
        {"TABLE1", {columnSchema("x", ColumnType::Long)}, "Table 'Table1' already exists"},
        {"msysobjects",
         {columnSchema("x", ColumnType::Long)},
         "Table 'MSysObjects' already exists"},
        {"New", {columnSchema("x", ColumnType::Text, 300)}, "column New.x: size must be 1 to 255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        try {
            mdb::createTable(copy.path(), {.name = c.table, .columns = c.columns});
            ADD_FAILURE() << "created";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Refused);
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_TRUE(copy.bytes() == before) << "the file changed";
    }
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    full_file::takeFreePages(db->pager());  // as if the file were full
    const std::vector<char> full = copy.bytes();
    db->pager().setPageLimitForTesting(db->pageCount());
    try {
        mdb::createTable(db->pager(),
                         {.name = "New", .columns = {columnSchema("x", ColumnType::Long)}},
                         mdb::currentDateTime());
        ADD_FAILURE() << "created";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Refused);
        EXPECT_THAT(e.what(),
                    testing::HasSubstr(db->format().eightBitText ? "past 1 GB" : "past 2 GB"));
    }
    // Room for one new table but not two: two are refused together.
    db->pager().setPageLimitForTesting(db->pageCount() + 3);
    const std::vector<mdb::TableSchema> two = {
        {.name = "One", .columns = {columnSchema("x", ColumnType::Long)}},
        {.name = "Two", .columns = {columnSchema("x", ColumnType::Long)}}};
    EXPECT_THROW(mdb::createTables(db->pager(), two, mdb::currentDateTime()), mdb::Error);
    db.reset();
    EXPECT_TRUE(copy.bytes() == full) << "the file changed";
}

// So does a table the file has no room for (1 GB in Access 97, 2 GB in Jet 4).
TEST(TableCreator, RefusalsLeaveTheFileUntouched) {
    REQUIRE_MDB_FIXTURES();
    for (const char* fixture : {"V2000_no-password.mdb", "testV1997.mdb"}) {
        SCOPED_TRACE(fixture);
        refusalsLeaveTheFileUntouched(fixture);
    }
}

// While another writer holds the database, creating a table fails at once and changes nothing.
TEST(TableCreator, FailsAtOnceWhileAnotherWriterHoldsTheDatabase) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("V2000_no-password.mdb");
    const std::vector<char> before = copy.bytes();
    auto other = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    other->beginBatch();
    try {
        mdb::createTable(copy.path(),
                         {.name = "New", .columns = {columnSchema("x", ColumnType::Long)}});
        ADD_FAILURE() << "created";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Locked);
    }
    other->endBatch();
    EXPECT_TRUE(copy.bytes() == before) << "the file changed";
    mdb::createTable(copy.path(),
                     {.name = "New", .columns = {columnSchema("x", ColumnType::Long)}});
    EXPECT_TRUE(mdb::Database::open(copy.path(), mdb::OpenMode::ReadOnly)->hasTable("New"));
}

// Inside a caller's batch (an import run), creating a table leaves the batch to the caller.
TEST(TableCreator, LeavesTheCallersBatchOpen) {
    testing_support::ScratchDir dir;
    mdb::createDatabase(dir / "db.mdb");
    auto db = mdb::Database::open(dir / "db.mdb", mdb::OpenMode::ReadWrite);
    db->beginBatch();
    mdb::createTable(db->pager(), {.name = "T", .columns = {columnSchema("x", ColumnType::Long)}},
                     mdb::currentDateTime());
    EXPECT_TRUE(db->pager().inBatch());
    db->endBatch();
    db.reset();
    EXPECT_TRUE(mdb::Database::open(dir / "db.mdb", mdb::OpenMode::ReadOnly)->hasTable("T"));
}

// More usage maps than one page holds (two per Memo column), and a definition longer than a
// page: both continue on further pages, in a new database and in an Access 97 file (2 KB pages).
void spreadsOverSeveralPages(const std::string& path, bool create) {
    mdb::TableSchema wide{.name = "Larga", .columns = {columnSchema("id", ColumnType::Long)}};
    for (int i = 0; i < 40; ++i)
        wide.columns.push_back(
            columnSchema("nota con un nome lungo numero " + std::to_string(i), ColumnType::Memo));
    for (int i = 0; i < 60; ++i)
        wide.columns.push_back(columnSchema("testo con un nome lungo numero " + std::to_string(i),
                                            ColumnType::Text, 10));
    wide.indexes.push_back(indexSchema("PrimaryKey", {"id"}, IndexSchema::Kind::PrimaryKey));
    if (create)
        mdb::createDatabase(path, {wide});
    else
        mdb::createTable(path, wide);

    auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
    const mdb::TableDefinition& t = db->table("Larga").definition();
    EXPECT_GT(t.pages.size(), 1u);
    std::set<mdb::PageNumber> mapPages;
    for (const mdb::Column& c : t.columns)
        if (c.longValueOwnedMap) {
            EXPECT_EQ(c.longValueOwnedMap->page, c.longValueFreeMap->page)
                << "a pair shares a page";
            mapPages.insert(c.longValueOwnedMap->page);
        }
    EXPECT_GE(mapPages.size(), 2u);
    for (int n = 0; n < 30; ++n) {
        std::vector<Value> row(t.columns.size());
        row[0] = std::int32_t{n};
        row[1 + n % 40] = std::string(static_cast<std::size_t>(100 + n * 50), 'v');
        row[41 + n % 60] = std::string("t") + std::to_string(n);
        db->writer("Larga").insert(row);
    }
    EXPECT_THAT(mdb::verifyDatabase(*db), testing::IsEmpty());
    db.reset();
    EXPECT_EQ(write_check::readRows(path, "Larga").size(), 30u);
    if (write_check::haveMdbtools()) write_check::expectMdbExportAgrees(path, "Larga", 30);
}

TEST(TableCreator, SpreadsMapsAndDefinitionOverSeveralPages) {
    testing_support::ScratchDir dir;
    spreadsOverSeveralPages(dir / "wide.mdb", true);
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("testV1997.mdb");
    spreadsOverSeveralPages(copy.path(), false);
}

}  // namespace
