// The datasets on real tables: binding fields to columns, counting, moving, the append state and
// the exact messages of each refusal. Writing rows is tested end to end with the import.
#include "data/dataset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/dataModule.h"
#include "data/scratch_dir.h"
#include "data/user_error.h"
#include "mdb/database.h"

namespace {

using data::Field;
using data::FieldKind;
using testing::StrEq;
using testing::ThrowsMessage;
using testing_support::ScratchDir;

// A dataset named "TTab" over one table of a read-write copy of a fixture.
class DatasetTest : public testing::Test {
protected:
    void use(const char* fixture) {
        path_ = dir_ / fixture;
        std::filesystem::copy_file(testing_support::fixture(fixture), path_);
        // The shared fixtures are read-only files, and the engine refuses to write to one.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        connection_ = std::make_unique<data::Connection>(data::connectionStringFor(path_));
    }
    // One field per (column name, kind); text fields get size 255.
    data::Dataset& dataset(const char* table,
                           std::vector<std::pair<const char*, FieldKind>> columns) {
        for (const auto& [name, kind] : columns) {
            fields_.push_back(
                std::make_unique<Field>(name, kind, kind == FieldKind::WideText ? 255 : 0));
        }
        std::vector<Field*> pointers;
        for (const auto& f : fields_) pointers.push_back(f.get());
        dataset_ = std::make_unique<data::Dataset>("TTab", *connection_, table, pointers);
        return *dataset_;
    }
    Field& field(std::size_t i) { return *fields_.at(i); }

    ScratchDir dir_;
    std::string path_;
    std::unique_ptr<data::Connection> connection_;
    std::vector<std::unique_ptr<Field>> fields_;
    std::unique_ptr<data::Dataset> dataset_;
};

// testV2003.mdb, Table1: A Text (PK), B Text, C Byte, D Integer, E Long, F Double, G DateTime,
// H Currency, I Yes/No; 2 rows.
TEST_F(DatasetTest, BindsEachFieldToAColumnOfAnAcceptedType) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    data::Dataset& ds = dataset("table1", {{"a", FieldKind::WideText},
                                           {"B", FieldKind::WideText},
                                           {"D", FieldKind::Integer},
                                           {"e", FieldKind::Integer},
                                           {"F", FieldKind::Float},
                                           {"H", FieldKind::Float},
                                           {"G", FieldKind::DateTime}});
    EXPECT_FALSE(connection_->connected());
    ds.open();  // connects first
    EXPECT_TRUE(connection_->connected());
    EXPECT_EQ(ds.state(), data::Dataset::State::Browse);
    EXPECT_EQ(ds.recordCount(), 2u);
    EXPECT_FALSE(ds.eof());
    ds.first();
    EXPECT_FALSE(ds.eof());
    ds.close();
    EXPECT_TRUE(ds.eof());
}

TEST_F(DatasetTest, RefusesMissingColumnsAndIncompatibleTypesWithExactMessages) {
    REQUIRE_FIXTURES();
    struct Case {
        const char* fixture;
        const char* table;
        const char* column;
        FieldKind kind;
        const char* message;
    };
    const Case cases[] = {
        {"testV2003.mdb", "Table1", "iva", FieldKind::Float, "TTab: Field 'iva' not found"},
        {"testV2003.mdb", "Table1", "A", FieldKind::Integer,
         "TTab: Type mismatch for field 'A', expecting: Integer actual: WideString"},
        {"testV2003.mdb", "Table1", "C", FieldKind::Integer,
         "TTab: Type mismatch for field 'C', expecting: Integer actual: Byte"},
        {"testV2003.mdb", "Table1", "D", FieldKind::Float,
         "TTab: Type mismatch for field 'D', expecting: Float actual: SmallInt"},
        {"testV2003.mdb", "Table1", "E", FieldKind::DateTime,
         "TTab: Type mismatch for field 'E', expecting: DateTime actual: Integer"},
        {"testV2003.mdb", "Table1", "F", FieldKind::WideText,
         "TTab: Type mismatch for field 'F', expecting: WideString actual: Float"},
        {"testV2003.mdb", "Table1", "G", FieldKind::Float,
         "TTab: Type mismatch for field 'G', expecting: Float actual: DateTime"},
        {"testV2003.mdb", "Table1", "H", FieldKind::Integer,
         "TTab: Type mismatch for field 'H', expecting: Integer actual: Currency"},
        {"testV2003.mdb", "Table1", "I", FieldKind::Integer,
         "TTab: Type mismatch for field 'I', expecting: Integer actual: Boolean"},
        {"testV2003.mdb", "Table4", "data", FieldKind::WideText,
         "TTab: Type mismatch for field 'data', expecting: WideString actual: Guid"},
        {"V2000_no-password.mdb", "Table1", "ID", FieldKind::WideText,
         "TTab: Type mismatch for field 'ID', expecting: WideString actual: AutoInc"},
        {"V2000_no-password.mdb", "Table1", "Data", FieldKind::AutoIncrement,
         "TTab: Type mismatch for field 'Data', expecting: AutoInc actual: WideString"},
        {"test2V2003.mdb", "MSP_PROJECTS", "PROJ_PROP_AUTHOR", FieldKind::WideText,
         "TTab: Type mismatch for field 'PROJ_PROP_AUTHOR', expecting: WideString actual: "
         "WideMemo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        dataset_.reset();
        fields_.clear();
        std::filesystem::remove(dir_ / c.fixture);
        use(c.fixture);
        data::Dataset& ds = dataset(c.table, {{c.column, c.kind}});
        EXPECT_THAT([&] { ds.open(); }, ThrowsMessage<data::UserError>(StrEq(c.message)));
        EXPECT_FALSE(ds.active());
    }
}

TEST_F(DatasetTest, AMissingTableGivesTheEngineMessageWithoutPrefixOrFinalPoint) {
    REQUIRE_FIXTURES();
    use("empty.mdb");
    data::Dataset& ds = dataset("Testate", {{"id doc", FieldKind::Integer}});
    EXPECT_THAT([&] { ds.open(); },
                ThrowsMessage<data::UserError>(
                    StrEq("The Microsoft Jet database engine cannot find the input table or "
                          "query 'Testate'.  Make sure it exists and that its name is spelled "
                          "correctly")));
}

TEST_F(DatasetTest, OperationsOnAClosedOrEmptyDatasetAreRefused) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    // Table3: a Long autonumber (PK), b Text; no rows.
    data::Dataset& ds =
        dataset("Table3", {{"a", FieldKind::AutoIncrement}, {"b", FieldKind::WideText}});
    const auto closed = ThrowsMessage<data::UserError>(
        StrEq("TTab: Cannot perform this operation on a closed dataset"));
    EXPECT_THAT([&] { (void)ds.recordCount(); }, closed);
    EXPECT_THAT([&] { ds.first(); }, closed);
    EXPECT_THAT([&] { ds.deleteRecord(); }, closed);
    EXPECT_THAT([&] { ds.append(); }, closed);
    EXPECT_THAT([&] { field(1).assignText("x"); }, closed);

    ds.open();
    EXPECT_EQ(ds.recordCount(), 0u);
    EXPECT_TRUE(ds.eof());
    ds.first();
    EXPECT_TRUE(ds.eof());
    EXPECT_THAT([&] { ds.deleteRecord(); },
                ThrowsMessage<data::UserError>(
                    StrEq("TTab: Cannot perform this operation on an empty dataset")));
    EXPECT_THAT([&] { field(1).assignText("x"); },
                ThrowsMessage<data::UserError>(StrEq("TTab: Dataset not in edit or insert mode")));
    EXPECT_THAT([&] { field(0).assignText("1"); },
                ThrowsMessage<data::UserError>(StrEq("Field 'a' cannot be modified")));
}

TEST_F(DatasetTest, AnAppendedRecordStartsNullAndIsDroppedByCancelOrClose) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    data::Dataset& ds =
        dataset("Table3", {{"a", FieldKind::AutoIncrement}, {"b", FieldKind::WideText}});
    ds.open();
    ds.append();
    EXPECT_EQ(ds.state(), data::Dataset::State::Insert);
    EXPECT_TRUE(field(1).isNull());
    field(1).assignText("uno");
    EXPECT_EQ(field(1).readText(), "uno");
    EXPECT_EQ(ds.recordCount(), 0u);  // a record being appended is not counted
    ds.cancel();
    EXPECT_EQ(ds.state(), data::Dataset::State::Browse);
    EXPECT_TRUE(field(1).isNull());

    ds.append();
    field(1).assignText("due");
    ds.close();
    EXPECT_TRUE(field(1).isNull());
    ds.open();
    EXPECT_EQ(ds.recordCount(), 0u);  // nothing was written
    ds.append();
    ds.deleteRecord();  // deleting a record being appended drops it
    EXPECT_EQ(ds.state(), data::Dataset::State::Browse);
}

TEST_F(DatasetTest, ReopeningAfterAFailedConnectRetriesTheConnection) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    data::Dataset& ds = dataset("Table1", {{"A", FieldKind::WideText}});
    const std::string moved = dir_ / "later.mdb";
    std::filesystem::rename(path_, moved);
    EXPECT_THROW(ds.open(), data::UserError);
    EXPECT_FALSE(connection_->connected());
    std::filesystem::rename(moved, path_);
    ds.open();
    EXPECT_EQ(ds.recordCount(), 2u);
}

// The rows of a table as an independent reader sees them, in storage order.
std::vector<std::vector<mdb::Value>> rowsOf(const std::string& path, const char* table) {
    auto db = mdb::Database::open(path, mdb::OpenMode::ReadOnly);
    std::vector<std::vector<mdb::Value>> rows;
    mdb::Table::Cursor cursor = db->table(table).scan();
    while (cursor.next()) rows.push_back(cursor.values());
    return rows;
}

TEST_F(DatasetTest, PostWritesOneRowAtOnceWithAnAutonumber) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    data::Dataset& ds =
        dataset("Table3", {{"a", FieldKind::AutoIncrement}, {"b", FieldKind::WideText}});
    ds.open();
    ds.append();
    field(1).assignText("citt\xe0");  // Windows-1252
    ds.post();
    EXPECT_EQ(ds.state(), data::Dataset::State::Browse);
    EXPECT_EQ(ds.recordCount(), 0u);  // rows fetched by the last open
    ds.append();
    ds.post();                            // nothing assigned: a row of nulls but its number
    auto rows = rowsOf(path_, "Table3");  // written already, while the dataset stays open
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], mdb::Value(std::int32_t{1}));
    EXPECT_EQ(rows[0][1], mdb::Value(std::string("citt\u00e0")));
    EXPECT_EQ(rows[1][0], mdb::Value(std::int32_t{2}));
    EXPECT_TRUE(mdb::isNull(rows[1][1]));
}

TEST_F(DatasetTest, ARefusedPostKeepsTheRecordAppendedWithItsValues) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    // Table1's primary key is A: a row without it is refused.
    data::Dataset& ds = dataset(
        "Table1",
        {{"A", FieldKind::WideText}, {"B", FieldKind::WideText}, {"E", FieldKind::Integer}});
    ds.open();
    ds.append();
    field(1).assignText("senza chiave");
    field(2).assignText("7");
    try {
        ds.post();
        FAIL() << "posted a row without its key";
    } catch (const data::UserError& e) {
        const std::string message = e.what();
        EXPECT_FALSE(message.empty());
        EXPECT_NE(message.back(), '.');
        EXPECT_EQ(message.rfind("TTab", 0), std::string::npos);  // the engine's text, no prefix
    }
    EXPECT_EQ(ds.state(), data::Dataset::State::Insert);
    EXPECT_EQ(field(1).readText(), "senza chiave");
    EXPECT_EQ(rowsOf(path_, "Table1").size(), 2u);
    field(0).assignText("chiave");
    ds.post();
    EXPECT_EQ(rowsOf(path_, "Table1").size(), 3u);
    ds.close();
    ds.open();
    EXPECT_EQ(ds.recordCount(), 3u);
}

TEST_F(DatasetTest, ColumnsLeftOutTakeTheTablesDefaults) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    // Table1: C, D, E, F and H default to 0; G and I have no default.
    data::Dataset& ds = dataset(
        "Table1",
        {{"A", FieldKind::WideText}, {"D", FieldKind::Integer}, {"G", FieldKind::DateTime}});
    ds.open();
    ds.append();
    field(0).assignText("nuova");
    field(1).assignText("");  // assigned null stays null
    ds.post();
    const auto rows = rowsOf(path_, "Table1");
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<mdb::Value>& row = rows.back();
    EXPECT_EQ(row[0], mdb::Value(std::string("nuova")));
    EXPECT_TRUE(mdb::isNull(row[1]));                 // B: no default
    EXPECT_EQ(row[2], mdb::Value(std::uint8_t{0}));   // C
    EXPECT_TRUE(mdb::isNull(row[3]));                 // D: assigned
    EXPECT_EQ(row[4], mdb::Value(std::int32_t{0}));   // E
    EXPECT_EQ(row[5], mdb::Value(0.0));               // F
    EXPECT_TRUE(mdb::isNull(row[6]));                 // G
    EXPECT_EQ(row[7], mdb::Value(mdb::Currency{0}));  // H
}

TEST_F(DatasetTest, DeleteMovesToTheNextRowAndEndsAtEof) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    data::Dataset& ds =
        dataset("Table3", {{"a", FieldKind::AutoIncrement}, {"b", FieldKind::WideText}});
    ds.open();
    for (const char* b : {"uno", "due", "tre", "quattro"}) {
        ds.append();
        field(1).assignText(b);
        ds.post();
    }
    EXPECT_EQ(ds.recordCount(), 0u);  // posted rows count from the next open
    ds.close();
    ds.open();
    ASSERT_EQ(ds.recordCount(), 4u);
    ds.first();
    ds.deleteRecord();  // "uno": on to "due"
    ds.deleteRecord();  // "due": on to "tre"
    EXPECT_EQ(ds.recordCount(), 2u);
    EXPECT_FALSE(ds.eof());
    auto rows = rowsOf(path_, "Table3");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], mdb::Value(std::string("tre")));
    ds.deleteRecord();  // "tre": on to "quattro", the last row
    ds.deleteRecord();  // the last remaining row
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recordCount(), 0u);
    EXPECT_TRUE(rowsOf(path_, "Table3").empty());
    ds.close();
    ds.open();
    EXPECT_TRUE(ds.eof());
}

TEST_F(DatasetTest, DeletingEveryRowOfAFetchedTableThenRefuses) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    data::Dataset& ds = dataset("Table1", {{"A", FieldKind::WideText}});
    ds.open();
    ASSERT_EQ(ds.recordCount(), 2u);
    ds.first();
    ds.deleteRecord();  // the first row: on to the second, now the last
    ds.deleteRecord();  // that one: nothing is left
    EXPECT_TRUE(ds.eof());
    EXPECT_THAT([&] { ds.deleteRecord(); },
                ThrowsMessage<data::UserError>(
                    StrEq("TTab: Cannot perform this operation on an empty dataset")));
}

TEST_F(DatasetTest, QueryEmptiesATableOnTheSameConnection) {
    REQUIRE_FIXTURES();
    use("testV2003.mdb");
    data::Query q(*connection_);
    q.setStatement("delete from table1");
    q.execute();  // connects first
    EXPECT_TRUE(connection_->connected());
    EXPECT_TRUE(rowsOf(path_, "Table1").empty());
    q.close();
    q.setStatement("delete from Nessuna");
    EXPECT_THROW(q.execute(), data::UserError);
}

TEST(DataModule, FieldsCarryTheColumnNamesKindsAndSizesOfTheRollTables) {
    data::TDM dm("DM");
    EXPECT_EQ(dm.TTestate.commandText(), "select * from Testate");
    EXPECT_EQ(dm.TDettaglioVoci.commandText(), "select * from DettaglioVoci");
    EXPECT_EQ(dm.TTestate.fields().size(), 27u);
    EXPECT_EQ(dm.TDettaglioVoci.fields().size(), 17u);
    struct Case {
        const Field& field;
        const char* name;
        FieldKind kind;
        int size;
    };
    const Case cases[] = {
        {dm.TTestateID, "ID", FieldKind::AutoIncrement, 0},
        {dm.TTestatedatadoc, "data doc", FieldKind::DateTime, 0},
        {dm.TTestatecodicefiscale, "codice fiscale", FieldKind::WideText, 255},
        {dm.TTestatetassa_tariffa, "tassa_tariffa", FieldKind::Float, 0},
        {dm.TTestateimponibilesoggettoiva, "imponibile soggetto iva", FieldKind::Float, 0},
        {dm.TDettaglioVociiddoc, "id doc", FieldKind::Integer, 0},
        {dm.TDettaglioVocicategoria, "categoria", FieldKind::WideText, 180},
        {dm.TDettaglioVociumquantita, "um quantita", FieldKind::WideText, 30},
        {dm.TDettaglioVociprezzo, "prezzo", FieldKind::WideText, 25},
        {dm.TDettaglioVocidatainizio, "data inizio", FieldKind::WideText, 15},
        {dm.TDettaglioVociperiodo, "periodo", FieldKind::WideText, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.field.name(), c.name);
        EXPECT_EQ(c.field.kind(), c.kind);
        if (c.kind == FieldKind::WideText) {
            EXPECT_EQ(c.field.size(), c.size);
        }
    }
    EXPECT_EQ(dm.TTestate.fields()[8], &dm.TTestatecodicefiscale);  // table's field order
    EXPECT_EQ(dm.TDettaglioVoci.fields()[9], &dm.TDettaglioVociumquantita);
}

TEST(Query, SendsTheStatementWithALineBreak) {
    data::TDM dm("DM");
    dm.Q.setStatement("delete from testate");
    EXPECT_EQ(dm.Q.statement(), "delete from testate\r\n");
}

}  // namespace
