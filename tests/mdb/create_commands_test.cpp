// brelvano-db create, create-table and insert, run as a user runs them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "create/table_schema.h"
#include "definition_compare.h"
#include "format/table_definition.h"
#include "mdb/verify.h"
#include "write_check.h"

namespace {

using mdb::ColumnType;

struct Result {
    int status = -1;
    std::string output;  // standard output and error
};

Result brelvanoDb(const std::vector<std::string>& args) {
    std::string command = std::string(BRELVANO_BINARY_DIR) + "/tools/brelvano-db";
    for (const std::string& a : args) command += " " + write_check::shellQuote(a);
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    Result r;
    if (pipe == nullptr) return r;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.output.append(buf.data(), n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(CreateCommands, CreateMakesEmptyAndRollDatabasesAndNeverOverwrites) {
    testing_support::ScratchDir dir;
    const std::string empty = dir / "empty.mdb", roll = dir / "roll.mdb";
    Result r = brelvanoDb({"create", empty});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "Created " + empty + "\n");
    r = brelvanoDb({"create", roll, "--roll"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "Created " + roll + " with tables Testate and DettaglioVoci\n");
    EXPECT_EQ(brelvanoDb({"tables", empty}).output, "");
    EXPECT_EQ(brelvanoDb({"tables", roll}).output, "Testate\nDettaglioVoci\n");
    EXPECT_EQ(brelvanoDb({"verify", roll}).status, 0);

    const std::string before = fileText(roll);
    r = brelvanoDb({"create", roll});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "brelvano-db: Cannot create '" + roll + "': it already exists\n");
    EXPECT_EQ(fileText(roll), before);
    EXPECT_EQ(brelvanoDb({"create", roll, "--rolls"}).status, 2);  // usage
}

// add-roll gives an Access 97 file the roll's tables beside its own, once.
TEST(CreateCommands, AddRollAddsTheRollTablesOnce) {
    REQUIRE_MDB_FIXTURES();
    write_check::DiskCopy copy("testV1997.mdb");
    Result r = brelvanoDb({"add-roll", copy.path()});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "Added tables Testate and DettaglioVoci to " + copy.path() + "\n");
    EXPECT_EQ(brelvanoDb({"tables", copy.path()}).output,
              "Table1\nTable2\nTable3\nTable4\nTestate\nDettaglioVoci\n");
    EXPECT_EQ(brelvanoDb({"verify", copy.path()}).status, 0);
    const std::string before = fileText(copy.path());
    r = brelvanoDb({"add-roll", copy.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "brelvano-db: Table 'Testate' already exists\n");
    EXPECT_EQ(fileText(copy.path()), before);
}

// The description on the command line gives the table the same schema written in C++ gives.
TEST(CreateCommands, CreateTableReadsTheSchemaDescription) {
    testing_support::ScratchDir dir;
    const std::string path = dir / "db.mdb";
    ASSERT_EQ(brelvanoDb({"create", path}).status, 0);
    const Result r = brelvanoDb({"create-table",
                                 path,
                                 "Persone",
                                 "ID:long:autonumber",
                                 "Nome e cognome:text(50):compressed",
                                 "Nota:memo:zerolength",
                                 "Nato:datetime",
                                 "Quota:currency:required:default=0",
                                 "Sì:yesno",
                                 "Foto:ole",
                                 "Chiave:guid",
                                 "Impronta:binary(8)",
                                 "Piccolo:byte",
                                 "Medio:integer",
                                 "Reale:single",
                                 "Doppio:double",
                                 "--index",
                                 "PrimaryKey:ID:primary",
                                 "--index",
                                 "Nome:Nome e cognome,Nato desc:unique:ignorenulls",
                                 "--index",
                                 "Quota:Quota:required"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "Created table Persone in " + path + "\n");

    mdb::ColumnSchema name{
        .name = "Nome e cognome", .type = ColumnType::Text, .size = 50, .compressedUnicode = true};
    name.properties.required = false;
    name.properties.allowZeroLength = false;
    mdb::ColumnSchema note{.name = "Nota", .type = ColumnType::Memo};
    note.properties.required = false;
    note.properties.allowZeroLength = true;
    mdb::ColumnSchema quota{.name = "Quota", .type = ColumnType::Currency};
    quota.properties.required = true;
    quota.properties.defaultValue = "0";
    mdb::IndexSchema byName{
        .name = "Nome",
        .columns = {{.column = "Nome e cognome"}, {.column = "Nato", .ascending = false}},
        .kind = mdb::IndexSchema::Kind::Unique,
        .ignoreNulls = true};
    const mdb::TableSchema expected{
        .name = "Persone",
        .columns = {{.name = "ID", .type = ColumnType::Long, .autoNumber = true},
                    name,
                    note,
                    {.name = "Nato", .type = ColumnType::DateTime},
                    quota,
                    {.name = "Sì", .type = ColumnType::Boolean},
                    {.name = "Foto", .type = ColumnType::Ole},
                    {.name = "Chiave", .type = ColumnType::Guid},
                    {.name = "Impronta", .type = ColumnType::Binary, .size = 8},
                    {.name = "Piccolo", .type = ColumnType::Byte},
                    {.name = "Medio", .type = ColumnType::Integer},
                    {.name = "Reale", .type = ColumnType::Single},
                    {.name = "Doppio", .type = ColumnType::Double}},
        .indexes = {{.name = "PrimaryKey",
                     .columns = {{.column = "ID"}},
                     .kind = mdb::IndexSchema::Kind::PrimaryKey},
                    byName,
                    {.name = "Quota", .columns = {{.column = "Quota"}}, .required = true}}};

    auto db = mdb::Database::open(path, mdb::OpenMode::ReadOnly);
    mdb::TableDefinition made = db->table("Persone").definition();
    const mdb::TableDefinition want = mdb::tableDefinitionFor(expected);
    ASSERT_EQ(made.columns.size(), want.columns.size());
    for (std::size_t i = 0; i < want.columns.size(); ++i) {
        testing_support::expectSameColumn(want.columns[i], [&] {
            mdb::Column c = made.columns[i];
            c.longValueOwnedMap = c.longValueFreeMap = std::nullopt;
            return c;
        }());
        EXPECT_EQ(made.columns[i].properties.required, want.columns[i].properties.required);
        EXPECT_EQ(made.columns[i].properties.allowZeroLength,
                  want.columns[i].properties.allowZeroLength);
        EXPECT_EQ(made.columns[i].properties.defaultValue, want.columns[i].properties.defaultValue);
    }
    ASSERT_EQ(made.physicalIndexes.size(), want.physicalIndexes.size());
    for (std::size_t i = 0; i < want.physicalIndexes.size(); ++i) {
        EXPECT_EQ(made.physicalIndexes[i].flags, want.physicalIndexes[i].flags);
        ASSERT_EQ(made.physicalIndexes[i].columns.size(), want.physicalIndexes[i].columns.size());
        for (std::size_t k = 0; k < want.physicalIndexes[i].columns.size(); ++k) {
            EXPECT_EQ(made.physicalIndexes[i].columns[k].columnNumber,
                      want.physicalIndexes[i].columns[k].columnNumber);
            EXPECT_EQ(made.physicalIndexes[i].columns[k].ascending,
                      want.physicalIndexes[i].columns[k].ascending);
        }
    }
    EXPECT_THAT(mdb::verifyDatabase(*db), testing::IsEmpty());
}

TEST(CreateCommands, BadDescriptionsAreRefusedAndChangeNothing) {
    testing_support::ScratchDir dir;
    const std::string path = dir / "db.mdb";
    ASSERT_EQ(brelvanoDb({"create", path}).status, 0);
    const std::string before = fileText(path);
    struct Case {
        std::vector<std::string> descriptions;
        const char* message;
    };
    const Case cases[] = {
        {{"a"}, "'a': a column is NAME:TYPE[:OPTION]..."},
        {{"a:varchar"}, "'a:varchar': unknown type varchar"},
        {{"a:text"}, "'a:text': text needs a size, as in text(50)"},
        {{"a:long(4)"}, "'a:long(4)': long takes no size"},
        {{"a:text(x)"}, "'a:text(x)': bad size in text(x)"},
        {{"a:text(10):shiny"}, "'a:text(10):shiny': unknown option shiny"},
        {{"a:long:zerolength"}, "'a:long:zerolength': zerolength is for text and memo columns"},
        {{"a:long", "--index", "i"}, "'i': an index is NAME:COLUMN[ desc][,COLUMN...][:OPTION]..."},
        {{"a:long", "--index", "i:a:clustered"}, "'i:a:clustered': unknown index option clustered"},
        {{"a:long", "--index", "i:b"}, "index i of T: there is no column b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"create-table", path, "T"};
        args.insert(args.end(), c.descriptions.begin(), c.descriptions.end());
        const Result r = brelvanoDb(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, std::string("brelvano-db: ") + c.message + "\n");
    }
    EXPECT_EQ(fileText(path), before);
}

// A column left out gets its default; --null stores a null, so that rows can be copied exactly.
TEST(CreateCommands, InsertStoresNullsOnlyWhereAsked) {
    testing_support::ScratchDir dir;
    const std::string path = dir / "db.mdb";
    ASSERT_EQ(brelvanoDb({"create", path}).status, 0);
    ASSERT_EQ(brelvanoDb({"create-table", path, "T", "ID:long:autonumber", "N:long:default=5",
                          "S:text(10):zerolength", "R:long:required"})
                  .status,
              0);
    EXPECT_EQ(brelvanoDb({"insert", path, "T", "R=1"}).status, 0);
    EXPECT_EQ(brelvanoDb({"insert", path, "T", "--null", "N", "R=2", "S="}).status, 0);

    const std::string before = fileText(path);
    Result r = brelvanoDb({"insert", path, "T", "R=3", "--null"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "brelvano-db: Cannot read '--null': expected a column name after it\n");
    EXPECT_EQ(brelvanoDb({"insert", path, "T", "--null", "R"}).status, 1);  // required
    EXPECT_EQ(brelvanoDb({"insert", path, "T", "--null", "X"}).status, 1);  // no such column
    EXPECT_EQ(fileText(path), before);

    EXPECT_EQ(brelvanoDb({"export", path, "T"}).output, "ID,N,S,R\n1,5,,1\n2,,\"\",2\n");
}

}  // namespace
