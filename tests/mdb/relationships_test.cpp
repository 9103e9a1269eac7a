// Relationships with referential integrity: read from Access's files and from relationships
// written with the engine, enforced on insert and delete, cascading where they say so.
#include "rules/relationships.h"

#include <gtest/gtest.h>

#include "database/table_writer.h"
#include "mdb/delete_statement.h"
#include "rules/database_rules.h"
#include "rules_check.h"

namespace {

using mdb::ColumnType;
using mdb::Value;
using rules_check::refusal;
using write_check::DiskCopy;

std::vector<std::string> ids(const std::string& path, const std::string& table,
                             const std::string& column = "id") {
    std::vector<std::string> out = rules_check::mdbExportColumn(path, table, column);
    std::sort(out.begin(), out.end());
    return out;
}

// Table1 (id, otherfk1 -> Table2.id cascading deletes, otherfk2 -> Table3.id cascading
// updates only, data, otherfk3), rows (0,0,10) (1,1,11) (2,1,11) (3,2,13); Table2 ids 0-2;
// Table3 ids 10-13.
std::vector<Value> table1Row(std::int32_t id, Value fk1, Value fk2) {
    return {id, std::move(fk1), std::move(fk2), std::string("new"), std::int32_t{0}};
}

mdb::RowPosition positionOf(mdb::Database& db, const std::string& table, std::int32_t id) {
    for (mdb::Table::Cursor c = db.table(table).scan(); c.next();)
        if (c.value(0) == Value(id)) return c.position();
    throw std::runtime_error("no row " + std::to_string(id));
}

TEST(Relationships, ReadsAccessRelationshipsWithTheirColumnsAndFlags) {
    REQUIRE_MDB_FIXTURES();
    auto db = mdb::Database::open(fixtures::mdb("indexTestV2003.mdb"), mdb::OpenMode::ReadOnly);
    const std::vector<mdb::Relationship> all = db->rules().relationships();
    ASSERT_EQ(all.size(), 2u);  // the definitions' foreign keys are the same two
    EXPECT_EQ(all[0].name, "Table2Table1");
    EXPECT_EQ(all[0].childTable, "Table1");
    EXPECT_EQ(all[0].childColumns, std::vector<std::string>{"otherfk1"});
    EXPECT_EQ(all[0].parentTable, "Table2");
    EXPECT_EQ(all[0].parentColumns, std::vector<std::string>{"id"});
    EXPECT_TRUE(all[0].enforced());
    EXPECT_TRUE(all[0].cascadesDeletes());
    EXPECT_EQ(all[1].name, "Table3Table1");
    EXPECT_EQ(all[1].flags, mdb::Relationship::kCascadeUpdates);
    EXPECT_FALSE(all[1].cascadesDeletes());
}

TEST(Relationships, InsertingARowWhoseForeignKeyHasNoParentIsRefused) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("indexTestV2003.mdb");
    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        mdb::TableWriter& w = db->writer("Table1");
        const struct {
            std::vector<Value> row;
            const char* refused;
        } cases[] = {
            {table1Row(10, std::int32_t{99}, std::int32_t{10}),
             "You cannot add or change a record because a related record is required in table "
             "'Table2'"},
            {table1Row(11, std::int32_t{2}, std::int32_t{99}),
             "You cannot add or change a record because a related record is required in table "
             "'Table3'"},
            {table1Row(12, std::int32_t{2}, std::int32_t{13}), ""},
            {table1Row(13, Value{}, Value{}), ""},  // a Null key refers to nothing
            {table1Row(14, std::int32_t{0}, std::int32_t{12}), ""},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.refused);
            EXPECT_EQ(refusal([&] { w.insert(c.row); }), c.refused);
        }
    }
    rules_check::expectVerified(copy.path());
    if (write_check::haveMdbtools()) {
        EXPECT_EQ(ids(copy.path(), "Table1"),
                  (std::vector<std::string>{"0", "1", "12", "13", "14", "2", "3"}));
    }
}

TEST(Relationships, DeletingAParentWithChildrenIsRefusedUnlessTheRelationshipCascades) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("indexTestV2003.mdb");
    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        // Table3Table1 does not cascade deletes: Table3 row 11 has two children.
        EXPECT_EQ(refusal([&] { db->writer("Table3").remove(positionOf(*db, "Table3", 11)); }),
                  "The record cannot be deleted or changed because table 'Table1' includes "
                  "related records");
        EXPECT_EQ(refusal([&] { db->writer("Table3").remove(positionOf(*db, "Table3", 12)); }),
                  "");  // no children
        // Table2Table1 cascades: deleting Table2 row 1 deletes Table1 rows 1 and 2 with it.
        db->writer("Table2").remove(positionOf(*db, "Table2", 1));
        EXPECT_EQ(db->table("Table1").rowCount(), 2u);
    }
    rules_check::expectVerified(copy.path());
    if (write_check::haveMdbtools()) {
        EXPECT_EQ(ids(copy.path(), "Table1"), (std::vector<std::string>{"0", "3"}));
        EXPECT_EQ(ids(copy.path(), "Table2"), (std::vector<std::string>{"0", "2"}));
        EXPECT_EQ(ids(copy.path(), "Table3"), (std::vector<std::string>{"10", "11", "13"}));
    }
}

TEST(Relationships, DeleteFromATableOthersReferToGoesRowByRowAndStandsOrFallsWhole) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("indexTestV2003.mdb");
    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        // Table3's rows 10, 11 and 13 have children: the statement is refused, and row 12,
        // which has none, is not deleted either.
        EXPECT_EQ(refusal([&] { mdb::executeStatement(*db, "delete from Table3"); }),
                  "The record cannot be deleted or changed because table 'Table1' includes "
                  "related records");
        EXPECT_EQ(db->table("Table3").rowCount(), 4u);
        // Table2's relationship cascades: emptying it empties Table1 through Table1's writer.
        EXPECT_EQ(mdb::executeStatement(*db, "delete from Table2"), 3u);
        EXPECT_EQ(db->table("Table1").rowCount(), 0u);
        // Nothing refers to Table3 any more.
        EXPECT_EQ(mdb::executeStatement(*db, "delete from Table3"), 4u);
    }
    rules_check::expectVerified(copy.path());
    if (write_check::haveMdbtools()) {
        for (const char* t : {"Table1", "Table2", "Table3"}) {
            SCOPED_TRACE(t);
            EXPECT_EQ(ids(copy.path(), t), std::vector<std::string>{});
        }
    }
}

TEST(Relationships, TheDefinitionsForeignKeysAloneAreEnforcedWithTheirCascadeBytes) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("indexTestV2003.mdb");
    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        EXPECT_EQ(mdb::executeStatement(*db, "delete from MSysRelationships"), 2u);
    }
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    const std::vector<mdb::Relationship> all = db->rules().relationships();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "Table2Table1");
    EXPECT_EQ(all[0].flags, mdb::Relationship::kCascadeDeletes);
    EXPECT_EQ(all[1].name, "Table3Table1");
    EXPECT_EQ(all[1].flags, mdb::Relationship::kCascadeUpdates);
    EXPECT_EQ(refusal([&] { db->writer("Table1").insert(table1Row(9, std::int32_t{7}, Value{})); }),
              "You cannot add or change a record because a related record is required in table "
              "'Table2'");
    db->writer("Table2").remove(positionOf(*db, "Table2", 0));
    EXPECT_EQ(db->table("Table1").rowCount(), 3u);
    db.reset();
    rules_check::expectVerified(copy.path());
}

// Tables and relationships made with the engine: the roll's header and detail tables, and a
// parent with a key of two columns.
class WrittenRelationships : public testing::Test {
protected:
    static mdb::ColumnSchema column(const char* name, ColumnType type, std::uint16_t size = 0) {
        mdb::ColumnSchema c = mdb::columnSchema(name, type, size);
        c.autoNumber = std::string(name) == "ID";
        return c;
    }
    static mdb::IndexSchema unique(const char* name, std::vector<std::string> columns) {
        return mdb::indexSchema(name, std::move(columns), mdb::IndexSchema::Kind::Unique);
    }
    static std::vector<mdb::TableSchema> schemas() {
        return {
            {"Testate",
             {column("ID", ColumnType::Long), column("id doc", ColumnType::Long)},
             {unique("iddoc", {"id doc"})}},
            {"DettaglioVoci",
             {column("ID", ColumnType::Long), column("id doc", ColumnType::Long),
              column("des", ColumnType::Text, 100)},
             {}},
            {"P",
             {column("a", ColumnType::Long), column("b", ColumnType::Text, 10)},
             {unique("ab", {"a", "b"})}},
            {"C", {column("x", ColumnType::Long), column("y", ColumnType::Text, 10)}, {}},
            {"Codici", {column("codice", ColumnType::Text, 10)}, {}},  // no index
            {"Usi", {column("codice", ColumnType::Text, 10)}, {}},
        };
    }

    // One MSysRelationships row per column pair, written through the table writer.
    static void relate(mdb::Database& db, const std::string& name, std::uint32_t flags,
                       const std::string& child, const std::vector<std::string>& childColumns,
                       const std::string& parent, const std::vector<std::string>& parentColumns) {
        const auto n = static_cast<std::int32_t>(childColumns.size());
        for (std::int32_t i = 0; i < n; ++i) {
            const auto k = static_cast<std::size_t>(i);
            db.writer("MSysRelationships")
                .insert({name, static_cast<std::int32_t>(flags), n, i, child, childColumns[k],
                         parent, parentColumns[k]});
        }
    }

    static mdb::RowPosition add(mdb::Database& db, const std::string& table,
                                std::vector<Value> values) {
        return db.writer(table).insert(std::move(values));
    }

    rules_check::NewDatabase file{schemas()};
};

TEST_F(WrittenRelationships, HeaderAndDetailRowsObeyTheRelationshipTheDesignRecords) {
    const std::string detailNeedsHeader =
        "You cannot add or change a record because a related record is required in table "
        "'Testate'";
    const std::string headerHasDetails =
        "The record cannot be deleted or changed because table 'DettaglioVoci' includes related "
        "records";
    {
        auto db = file.open();
        relate(*db, "TestateDettaglioVoci", 0, "DettaglioVoci", {"id doc"}, "Testate", {"id doc"});
        const Value seven = std::int32_t{7};
        EXPECT_EQ(refusal([&] {
                      add(*db, "DettaglioVoci", {Value{}, seven, std::string("x")});
                  }),
                  detailNeedsHeader);
        add(*db, "Testate", {Value{}, seven});
        add(*db, "DettaglioVoci", {Value{}, seven, std::string("first")});
        add(*db, "DettaglioVoci", {Value{}, seven, std::string("second")});
        EXPECT_EQ(refusal([&] { mdb::executeStatement(*db, "delete from Testate"); }),
                  headerHasDetails);
        EXPECT_EQ(db->table("Testate").rowCount(), 1u);
        EXPECT_EQ(db->table("DettaglioVoci").rowCount(), 2u);
    }
    rules_check::expectVerified(file.path());
    {
        // The designer switches on cascading deletes.
        auto db = file.open();
        mdb::executeStatement(*db, "delete from MSysRelationships");
        // Without the relationship a detail needs no header.
        add(*db, "DettaglioVoci", {Value{}, std::int32_t{8}, std::string("no header needed")});
        relate(*db, "TestateDettaglioVoci", mdb::Relationship::kCascadeDeletes, "DettaglioVoci",
               {"id doc"}, "Testate", {"id doc"});
        EXPECT_EQ(mdb::executeStatement(*db, "delete from Testate"), 1u);
        EXPECT_EQ(db->table("DettaglioVoci").rowCount(), 1u);
    }
    rules_check::expectVerified(file.path());
    if (write_check::haveMdbtools()) {
        EXPECT_EQ(ids(file.path(), "DettaglioVoci", "des"),
                  std::vector<std::string>{"no header needed"});
        EXPECT_EQ(ids(file.path(), "Testate", "id doc"), std::vector<std::string>{});
    }
}

TEST_F(WrittenRelationships, KeysOfTwoColumnsMatchWholeTextsIgnoringCaseAndNullsReferToNothing) {
    {
        auto db = file.open();
        relate(*db, "PC", 0, "C", {"x", "y"}, "P", {"a", "b"});
        relate(*db, "CodiciUsi", 0, "Usi", {"codice"}, "Codici", {"codice"});
        relate(*db, "loose", mdb::Relationship::kNotEnforced, "C", {"y"}, "Codici", {"codice"});
        add(*db, "P", {std::int32_t{1}, std::string("k")});
        add(*db, "Codici", {std::string("AB")});
        const std::string needsP =
            "You cannot add or change a record because a related record is required in table 'P'";
        const struct {
            std::int32_t x;
            Value y;
            std::string refused;
        } cases[] = {
            {1, std::string("K"), ""},  // texts match as the index compares them
            {1, std::string("z"), needsP},
            {2, std::string("k"), needsP},  // both columns must match
            {1, Value{}, ""},               // a Null column: no parent needed
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.x);
            EXPECT_EQ(refusal([&] { add(*db, "C", {c.x, c.y}); }), c.refused);
        }
        // Codici has no index on codice: the parent is found by reading its rows.
        EXPECT_EQ(refusal([&] { add(*db, "Usi", {std::string("ab")}); }), "");
        EXPECT_EQ(refusal([&] { add(*db, "Usi", {std::string("AC")}); }),
                  "You cannot add or change a record because a related record is required in "
                  "table 'Codici'");
        EXPECT_EQ(refusal([&] { db->writer("P").removeAll(); }),
                  "The record cannot be deleted or changed because table 'C' includes related "
                  "records");
    }
    rules_check::expectVerified(file.path());
    if (write_check::haveMdbtools()) {
        EXPECT_EQ(ids(file.path(), "C", "y"), (std::vector<std::string>{"", "K"}));
        EXPECT_EQ(ids(file.path(), "Usi", "codice"), std::vector<std::string>{"ab"});
    }
}

}  // namespace
