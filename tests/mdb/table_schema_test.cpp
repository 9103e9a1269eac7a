#include "create/table_schema.h"

#include <gtest/gtest.h>

#include "definition_compare.h"
#include "fixture_paths.h"
#include "format/table_definition.h"
#include "mdb/database.h"
#include "mdb/error.h"

namespace {

using mdb::columnSchema;
using mdb::ColumnType;
using mdb::indexSchema;
using mdb::IndexSchema;

// What a schema cannot say: where the table's pages are and what it holds.
mdb::TableDefinition withoutPlacement(mdb::TableDefinition t) {
    t.rowCount = 0;
    t.autoNumber = 0;
    t.ownedPagesMap = t.freePagesMap = {};
    for (mdb::PhysicalIndex& index : t.physicalIndexes) {
        index.usageMap = {};
        index.rootPage = 0;
        index.uniqueEntryCount = 0;
    }
    for (mdb::Column& c : t.columns) c.longValueOwnedMap = c.longValueFreeMap = std::nullopt;
    return t;
}

mdb::TableDefinition accessTable(const char* fixture, const char* table) {
    auto db = mdb::Database::open(fixtures::mdb(fixture), mdb::OpenMode::ReadOnly);
    return withoutPlacement(db->table(table).definition());
}

// The same tables Access made in the fixtures, described as schemas, give the definitions
// Access wrote: numbering, row layout, flags, lengths, index blocks.
// Shorthands for the schemas below.
mdb::ColumnSchema compressed(mdb::ColumnSchema c) {
    c.compressedUnicode = true;
    return c;
}
mdb::ColumnSchema autoNumber(std::string name) {
    return {.name = std::move(name), .type = ColumnType::Long, .autoNumber = true};
}
// The same tables Access made in the fixtures, described as schemas, give the definitions
// Access wrote: numbering, row layout, flags, lengths, index blocks.
TEST(TableSchema, GivesTheDefinitionsAccessWrote) {
    REQUIRE_MDB_FIXTURES();
    const mdb::TableSchema table1{
        .name = "Table1",
        .columns = {autoNumber("ID"), compressed(columnSchema("Data", ColumnType::Text, 255))},
        .indexes = {indexSchema("PrimaryKey", {"ID"}, IndexSchema::Kind::PrimaryKey)}};
    testing_support::expectSameDefinition(mdb::tableDefinitionFor(table1),
                                          accessTable("V2000_no-password.mdb", "Table1"));

    const mdb::TableSchema allTypes{
        .name = "Table1",
        .columns = {compressed(columnSchema("A", ColumnType::Text, 50)),
                    columnSchema("B", ColumnType::Text, 100), columnSchema("C", ColumnType::Byte),
                    columnSchema("D", ColumnType::Integer), columnSchema("E", ColumnType::Long),
                    columnSchema("F", ColumnType::Double), columnSchema("G", ColumnType::DateTime),
                    columnSchema("H", ColumnType::Currency),
                    columnSchema("I", ColumnType::Boolean)},
        .indexes = {indexSchema("PrimaryKey", {"A"}, IndexSchema::Kind::PrimaryKey),
                    indexSchema("B", {"B"})}};
    testing_support::expectSameDefinition(mdb::tableDefinitionFor(allTypes),
                                          accessTable("testV2003.mdb", "Table1"));
}

TEST(TableSchema, LaysOutMemoGuidBinaryAndIndexFlags) {
    IndexSchema unique = indexSchema("u", {"g", "s"}, IndexSchema::Kind::Unique);
    unique.columns[1].ascending = false;
    unique.ignoreNulls = true;
    IndexSchema required = indexSchema("r", {"b"});
    required.required = true;
    const mdb::TableSchema s{
        .name = "T",
        .columns = {compressed(columnSchema("m", ColumnType::Memo)),
                    columnSchema("g", ColumnType::Guid), columnSchema("b", ColumnType::Binary, 16),
                    columnSchema("s", ColumnType::Single), columnSchema("o", ColumnType::Ole)},
        .indexes = {unique, required}};
    const mdb::TableDefinition t = mdb::tableDefinitionFor(s);
    ASSERT_EQ(t.columns.size(), 5u);
    EXPECT_EQ(t.variableColumns, 3);
    // m: variable slot 0; g: fixed at 0 after 1 variable; b: slot 1; s: fixed at 16; o: slot 2
    EXPECT_EQ(t.columns[0].varIndex, 0);
    EXPECT_EQ(t.columns[0].extFlags, 0x01);
    EXPECT_EQ(t.columns[0].length, 0);
    EXPECT_EQ(t.columns[1].fixedOffset, 0);
    EXPECT_EQ(t.columns[1].varIndex, 1);
    EXPECT_EQ(t.columns[1].length, 16);
    EXPECT_EQ(t.columns[2].varIndex, 1);
    EXPECT_EQ(t.columns[2].length, 16);
    EXPECT_EQ(t.columns[3].fixedOffset, 16);
    EXPECT_EQ(t.columns[3].varIndex, 2);
    EXPECT_EQ(t.columns[4].varIndex, 2);
    ASSERT_EQ(t.physicalIndexes.size(), 2u);
    EXPECT_EQ(t.physicalIndexes[0].flags, 0x83);  // unique, ignore nulls
    ASSERT_EQ(t.physicalIndexes[0].columns.size(), 2u);
    EXPECT_FALSE(t.physicalIndexes[0].columns[1].ascending);
    EXPECT_EQ(t.physicalIndexes[1].flags, 0x88);  // required
}

TEST(TableSchema, RefusesWhatAccessWouldNot) {
    const mdb::ColumnSchema id = autoNumber("ID");
    auto table = [](std::string name, std::vector<mdb::ColumnSchema> columns,
                    std::vector<IndexSchema> indexes = {}) {
        return mdb::TableSchema{
            .name = std::move(name), .columns = std::move(columns), .indexes = std::move(indexes)};
    };
    mdb::ColumnSchema autoText = columnSchema("x", ColumnType::Text, 5);
    autoText.autoNumber = true;
    struct Case {
        const char* label;
        mdb::TableSchema schema;
        const char* message;
    };
    const Case cases[] = {
        {"no columns", table("T", {}), "table T has no columns"},
        {"empty name", table("", {id}), "a table needs a name"},
        {"dot", table("a.b", {id}),
         "the table name 'a.b' holds a character names cannot hold (. ! ` [ ] or a control "
         "character)"},
        {"leading blank", table(" T", {id}), "the table name ' T' starts with a blank"},
        {"long name", table(std::string(65, 'x'), {id}),
         "the table name 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' is "
         "longer than 64 characters"},
        {"same column twice", table("T", {id, columnSchema("id", ColumnType::Text, 5)}),
         "table T has two columns named id"},
        {"text too long", table("T", {columnSchema("x", ColumnType::Text, 256)}),
         "column T.x: size must be 1 to 255"},
        {"text without size", table("T", {columnSchema("x", ColumnType::Text)}),
         "column T.x: size must be 1 to 255"},
        {"autonumber text", table("T", {autoText}),
         "column T.x: only a Long Integer can be an autonumber"},
        {"compressed long", table("T", {compressed(columnSchema("x", ColumnType::Long))}),
         "column T.x: only Text and Memo columns compress Unicode"},
        {"index on nothing", table("T", {id}, {indexSchema("i", {"nope"})}),
         "index i of T: there is no column nope"},
        {"index on memo",
         table("T", {id, columnSchema("m", ColumnType::Memo)}, {indexSchema("i", {"m"})}),
         "index i of T: a Memo or OLE column cannot be indexed"},
        {"two primary keys",
         table("T", {id},
               {indexSchema("a", {"ID"}, IndexSchema::Kind::PrimaryKey),
                indexSchema("b", {"ID"}, IndexSchema::Kind::PrimaryKey)}),
         "table T has two primary keys"},
        {"same index name", table("T", {id}, {indexSchema("a", {"ID"}), indexSchema("A", {"ID"})}),
         "table T has two indexes named A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            (void)mdb::tableDefinitionFor(c.schema);
            ADD_FAILURE() << "accepted";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Refused);
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

// Access 97 keeps names in the database's code page: one it cannot hold is refused, not stored
// with "?"; Text sizes count bytes, one a character.
TEST(TableSchema, AccessNinetySevenNamesMustFitTheCodePage) {
    mdb::TableSchema s{.name = "Città", .columns = {columnSchema("Nome", ColumnType::Text, 40)}};
    const mdb::TableDefinition t = mdb::tableDefinitionFor(s, mdb::jet3Format(), 1252);
    EXPECT_EQ(t.columns[0].length, 40);
    EXPECT_EQ(t.columns[0].codePage, 1252);
    s.columns.push_back(columnSchema("Ζάκυνθος", ColumnType::Long));
    try {
        (void)mdb::tableDefinitionFor(s, mdb::jet3Format(), 1252);
        ADD_FAILURE() << "accepted";
    } catch (const mdb::Error& e) {
        EXPECT_STREQ(e.what(),
                     "the column name 'Ζάκυνθος' holds a character this Access 97 database cannot "
                     "hold (code page 1252)");
    }
    s.name = "Zante";
    EXPECT_NO_THROW((void)mdb::tableDefinitionFor(s, mdb::jet3Format(), 1253));  // Greek
}

}  // namespace
