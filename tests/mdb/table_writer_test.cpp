// Inserting and deleting rows in copies of Access-made tables, checked after every phase with
// the engine's reader (value for value, by position) and with mdbtools.
#include "database/table_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "create/new_database.h"
#include "file/page_file.h"
#include "file/pager.h"
#include "format/data_page.h"
#include "format/table_definition.h"
#include "mdb/delete_statement.h"
#include "mdb/error.h"
#include "mdb/verify.h"
#include "write_check.h"

namespace {

using mdb::Value;
using write_check::DiskCopy;
using write_check::Rows;

// Random values of the kinds Access stores, in the alternative the reader returns, so that what
// was inserted and what is read back compare exactly.
class RowMaker {
public:
    RowMaker(const mdb::TableDefinition& def, unsigned seed) : def_(def), random_(seed) {
        // Access 97 rows take at most 2012 bytes: a table of many texts (89 in testV1997's
        // Table2) gets shorter ones, so that the rows fit.
        const auto texts = std::count_if(def.columns.begin(), def.columns.end(),
                                         [](const mdb::Column& c) { return c.codePage != 0; });
        if (texts > 0)
            eightBitChars_ = def.format->maxRowSize / 2 / static_cast<std::size_t>(texts);
        for (const mdb::PhysicalIndex& index : def.physicalIndexes)
            if (index.isUnique() || index.isRequired()) {
                serialColumns_.insert(index.columns.front().columnNumber);
                for (const mdb::IndexColumn& c : index.columns) required_.insert(c.columnNumber);
            }
    }

    std::vector<Value> make(std::uint32_t serial) {
        std::vector<Value> row(def_.columns.size());
        for (std::size_t i = 0; i < row.size(); ++i) {
            const mdb::Column& c = def_.columns[i];
            if (c.isAutoNumber() || c.isAutoGuid()) continue;
            const bool serialColumn = serialColumns_.contains(c.number);
            if (!required_.contains(c.number) && chance(0.15)) continue;  // null
            row[i] = value(c, serialColumn ? std::optional(serial) : std::nullopt);
        }
        return row;
    }

private:
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }

    // Texts of an Access 97 column keep to what its code page holds (1252 in every fixture).
    std::string text(std::size_t maxChars, bool eightBit = false) {
        static const char* const kPlain[] = {"a", "b", "Z", "0", "7", " ", "-", ".", "x", "q"};
        static const char* const kLatin1[] = {"\xC3\xA0", "\xC3\xA8", "\xC3\xA9", "\xC3\xAC",
                                              "\xC3\xB2", "\xC3\xB9", "\xC3\x87", "\xC3\x9F"};
        static const char* const kOther[] = {"\xE2\x82\xAC", "\xCE\xA9", "\xD0\x96",
                                             "\xE4\xB8\xAD"};
        const int style = between(0, 9);  // 0-5 plain, 6-8 accented, 9 beyond Latin-1
        std::size_t length = static_cast<std::size_t>(between(0, static_cast<int>(maxChars)));
        if (chance(0.1)) length = maxChars;
        std::string out;
        for (std::size_t k = 0; k < length; ++k) {
            if (style >= 6 && chance(0.2))
                out += style == 9 && chance(0.5) && !eightBit ? kOther[between(0, 3)]
                                                              : kLatin1[between(0, 7)];
            else
                out += kPlain[between(0, 9)];
        }
        return out;
    }

    Value value(const mdb::Column& c, std::optional<std::uint32_t> serial) {
        using T = mdb::ColumnType;
        switch (c.type) {
            case T::Boolean:
                return chance(0.5);
            case T::Byte:
                return static_cast<std::uint8_t>(serial ? *serial
                                                        : static_cast<unsigned>(between(0, 255)));
            case T::Integer:
                return static_cast<std::int16_t>(serial ? static_cast<int>(*serial) - 20000
                                                        : between(-32768, 32767));
            case T::Long:
                return static_cast<std::int32_t>(serial ? static_cast<int>(*serial) * 7 - 100000
                                                        : between(-2000000000, 2000000000));
            case T::Currency:
                return mdb::Currency{static_cast<std::int64_t>(between(-1000000, 1000000)) * 997};
            case T::Single:
                return static_cast<float>(between(-100000, 100000)) / 8.0f;
            case T::Double:
                // Exact in binary and in 15 decimal digits, as mdbtools prints them.
                return between(-(1 << 30), 1 << 30) / 256.0;
            case T::DateTime:
                return mdb::DateTime{between(1, 80000) + between(0, 86399) / 86400.0};
            case T::Text: {
                const bool eightBit = c.codePage != 0;
                const std::size_t chars =
                    eightBit ? std::min<std::size_t>(c.length, eightBitChars_) : c.length / 2u;
                if (!serial) return text(chars, eightBit);
                const std::string key = "#" + std::to_string(*serial);
                return text(chars - key.size(), eightBit) + key;
            }
            case T::Memo: {
                const int size = chance(0.05) ? between(4100, 9000) : between(0, 600);
                return text(static_cast<std::size_t>(size), c.codePage != 0);
            }
            case T::Ole: {
                mdb::Binary bytes(static_cast<std::size_t>(chance(0.05) ? between(4077, 12000)
                                                                        : between(0, 300)));
                for (auto& b : bytes) b = static_cast<std::uint8_t>(between(0, 255));
                return bytes;
            }
            default:
                return std::monostate{};  // kinds no test table holds
        }
    }

    const mdb::TableDefinition& def_;
    std::mt19937 random_;
    std::set<std::uint16_t> serialColumns_;  // first column of a unique index: a serial number
    std::set<std::uint16_t> required_;       // key columns: never null
    std::size_t eightBitChars_ = 255;        // the longest Access 97 text a row gets
};

// The values a reader returns for a row inserted with `row`, whose autonumber got `number`.
std::vector<Value> asStored(const mdb::TableDefinition& def, std::vector<Value> row,
                            std::uint32_t number) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        const mdb::Column& c = def.columns[i];
        if (c.isAutoNumber()) row[i] = static_cast<std::int32_t>(number);
        if (c.type == mdb::ColumnType::Boolean && mdb::isNull(row[i])) row[i] = false;
    }
    return row;
}

void expectRows(const DiskCopy& copy, const std::string& table, const Rows& expected) {
    const Rows actual = write_check::readRows(copy.path(), table);
    ASSERT_EQ(actual.size(), expected.size());
    int shown = 0;
    for (const auto& [position, values] : expected) {
        auto it = actual.find(position);
        if (it == actual.end() || it->second != values) {
            ADD_FAILURE() << "row at " << mdb::describe(position)
                          << (it == actual.end() ? " is missing" : " differs");
            if (++shown == 5) break;
        }
    }
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadOnly);
    EXPECT_EQ(db->table(table).rowCount(), expected.size());
    const std::vector<std::string> problems = mdb::verifyFile(copy.path());
    for (std::size_t i = 0; i < problems.size() && i < 10; ++i)
        ADD_FAILURE() << "verify: " << problems[i];
    if (write_check::haveMdbtools())
        write_check::expectMdbExportAgrees(copy.path(), table, expected.size());
}

struct Scenario {
    const char* fixture;
    const char* table;
    std::uint32_t rows;
    // Whether deletes obey the database's rules: a table other tables' rows refer to through
    // a relationship keeps its rows then, as it should (relationships_test.cpp).
    bool deletesObeyRules = true;
};

// Whether an index of the table holds a GUID the writer makes up for every row.
bool keyedByNewGuids(const Scenario& s) {
    auto db = mdb::Database::open(fixtures::mdb(s.fixture).string(), mdb::OpenMode::ReadOnly);
    const mdb::TableDefinition& def = db->table(s.table).definition();
    for (const mdb::PhysicalIndex& index : def.physicalIndexes)
        for (const mdb::IndexColumn& k : index.columns)
            for (const mdb::Column& c : def.columns)
                if (c.number == k.columnNumber && c.isAutoGuid()) return true;
    return false;
}

// Insert many rows, delete a third at random, insert again, delete all, insert the first rows
// again: after each phase the contents are exactly the expected rows, and the last phase needs
// no page the first did not.
void exercise(const Scenario& s) {
    SCOPED_TRACE(std::string(s.fixture) + " " + s.table);
    DiskCopy copy(s.fixture);
    Rows expected = write_check::readRows(copy.path(), s.table);
    std::uint32_t serial = 1000;
    std::vector<std::vector<Value>> firstRows;

    enum class Which { New, First, FirstAgain };
    auto insertRows = [&](mdb::Database& db, std::uint32_t count, Which which) {
        mdb::TableWriter& writer = db.writer(s.table);
        // Random rows exercise the pages; the fixtures' own rules (no empty texts, related
        // rows required) would refuse many of them, and have tests of their own.
        writer.setGuard(nullptr);
        const mdb::TableDefinition& def = db.table(s.table).definition();
        RowMaker maker(def, 17 + serial);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::vector<Value> row =
                which == Which::FirstAgain ? firstRows.at(i) : maker.make(serial++);
            if (which == Which::First) firstRows.push_back(row);
            const std::uint32_t number = def.autoNumber + 1;
            // In place: the row then holds the GUIDs the writer made up.
            const std::vector<bool> assigned(row.size(), true);
            const mdb::RowPosition at = writer.insertInPlace(row, assigned);
            ASSERT_FALSE(expected.contains(at)) << mdb::describe(at) << " given twice";
            expected[at] = asStored(def, row, number);
        }
    };

    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        db->beginBatch();
        insertRows(*db, s.rows, Which::First);
        db->endBatch();
    }
    expectRows(copy, s.table, expected);

    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        db->beginBatch();
        std::mt19937 random(5);
        std::vector<mdb::RowPosition> positions;
        for (const auto& [position, values] : expected) positions.push_back(position);
        std::shuffle(positions.begin(), positions.end(), random);
        positions.resize(positions.size() / 3);
        for (const mdb::RowPosition& p : positions) {
            mdb::TableWriter& writer = db->writer(s.table);
            if (!s.deletesObeyRules) writer.setGuard(nullptr);
            writer.remove(p);
            expected.erase(p);
        }
        db->endBatch();
    }
    expectRows(copy, s.table, expected);

    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        db->beginBatch();
        insertRows(*db, s.rows / 3, Which::New);
        db->endBatch();
    }
    expectRows(copy, s.table, expected);

    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        if (!s.deletesObeyRules) db->writer(s.table).setGuard(nullptr);
        EXPECT_EQ(mdb::executeStatement(*db, std::string("delete from ") + s.table),
                  expected.size());
        expected.clear();
    }
    expectRows(copy, s.table, expected);

    // Emptying and filling the table again with the first rows reuses its pages. The first
    // refill may take a page or two more (a usage map that now covers pages further apart
    // becomes a reference map); from then on the file keeps its size.
    std::uintmax_t sizeAfterRefill = 0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("refill " + std::to_string(round));
        const std::uintmax_t sizeBefore = copy.size();
        {
            auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
            db->beginBatch();
            if (round > 0) {
                if (!s.deletesObeyRules) db->writer(s.table).setGuard(nullptr);
                db->writer(s.table).removeAll();
                expected.clear();
            }
            insertRows(*db, s.rows, Which::FirstAgain);
            db->endBatch();
        }
        expectRows(copy, s.table, expected);
        if (round == 0) {
            sizeAfterRefill = copy.size();
            EXPECT_LE(sizeAfterRefill, sizeBefore + 2 * mdb::kPageSize);
        } else if (!keyedByNewGuids(s)) {
            EXPECT_EQ(copy.size(), sizeAfterRefill) << "filling the table again grew the file";
        } else {
            // Each fill makes up new GUIDs, whose random order can split one more index page.
            EXPECT_LE(copy.size(), sizeAfterRefill + mdb::kJet3PageSize);
        }
    }
}

TEST(TableWriter, RandomRowsWithoutIndexesRoundTrip) {
    REQUIRE_MDB_FIXTURES();
    exercise({"testPromotionV2003.mdb", "jobDB1", 3000});
}

TEST(TableWriter, RandomRowsOfEveryBasicTypeWithTextIndexesRoundTrip) {
    REQUIRE_MDB_FIXTURES();
    exercise({"testV2003.mdb", "Table1", 2000});
}

TEST(TableWriter, RandomRowsWithAutonumberKeysRoundTrip) {
    REQUIRE_MDB_FIXTURES();
    exercise({"testV2003.mdb", "Table3", 2000});
    exercise({"V2000_no-password.mdb", "Table1", 2000});
}

TEST(TableWriter, RandomRowsWithATextIndexRoundTrip) {
    REQUIRE_MDB_FIXTURES();
    exercise({"bigIndexTestV2003.mdb", "Table1", 2000});
}

TEST(TableWriter, RandomRowsWithMemoAndOleValuesRoundTrip) {
    REQUIRE_MDB_FIXTURES();
    exercise({"test2V2003.mdb", "MSP_PROJECTS", 600});
}

TEST(TableWriter, RandomRowsWithUniqueAndDuplicateKeyIndexesRoundTrip) {
    REQUIRE_MDB_FIXTURES();
    exercise({"indexTestV2003.mdb", "Table1", 1500});
}

// Every table of the Access 97 fixtures, through the same phases: 2 KB pages, one-byte row
// offsets (with jump tables for the longer rows), 8-bit text, long-value chains, and index
// pages of several levels with text keys in the Access 97 General order.
TEST(TableWriter, RandomRowsInEveryAccess97TableRoundTrip) {
    REQUIRE_MDB_FIXTURES();
    for (const char* fixture :
         {"testV1997.mdb", "indexTestV1997.mdb", "compIndexTestV1997.mdb", "delTestV1997.mdb",
          "overflowTestV1997.mdb", "test2V1997.mdb", "testIndexCodesV1997.mdb"}) {
        std::vector<std::string> tables;
        {
            auto db = mdb::Database::open(fixtures::mdb(fixture).string(), mdb::OpenMode::ReadOnly);
            tables = db->tableNames();
        }
        ASSERT_FALSE(tables.empty()) << fixture;
        for (const std::string& table : tables) {
            // The 29 tables of index codes have one text column each: fewer rows, still several
            // leaves.
            const std::uint32_t rows =
                std::string(fixture) == "testIndexCodesV1997.mdb" ? 250 : 900;
            // indexTestV1997's Table1 refers to Table2 and Table3.
            const bool referredTo =
                std::string(fixture) == "indexTestV1997.mdb" && table != "Table1";
            exercise({fixture, table.c_str(), rows, !referredTo});
        }
    }
}

}  // namespace

namespace {

std::vector<Value> jobRow(const mdb::Table& table, const std::string& jobName) {
    std::vector<Value> row(table.columns().size());
    row[table.findColumn("ID").value()] = std::int32_t{1};
    row[table.findColumn("JobName").value()] = jobName;
    return row;
}

TEST(TableWriter, ARefusedRowLeavesTheFileByteForByte) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("testPromotionV2003.mdb");
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    mdb::TableWriter& writer = db->writer("jobDB1");
    const mdb::Table& table = db->table("jobDB1");
    writer.insert(jobRow(table, "first"));
    db->sync();
    const std::vector<char> before = copy.bytes();

    EXPECT_THAT([&] { writer.insert(jobRow(table, std::string(256, 'x'))); },
                testing::ThrowsMessage<mdb::Error>(testing::StrEq(
                    "The field 'jobDB1.JobName' is too small to accept the amount of data you "
                    "attempted to add. Try inserting or pasting less data")));
    std::vector<Value> wrongKind = jobRow(table, "x");
    wrongKind[table.findColumn("MainNumber").value()] = std::string("12");
    EXPECT_THROW(writer.insert(wrongKind), mdb::Error);
    db->sync();
    EXPECT_TRUE(copy.bytes() == before);
    EXPECT_EQ(table.rowCount(), 1u);

    // The writer goes on as if nothing had happened.
    writer.insert(jobRow(table, std::string(255, 'x')));
    EXPECT_EQ(write_check::readRows(copy.path(), "jobDB1").size(), 2u);
}

TEST(TableWriter, DeletingARowTwiceIsRefused) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("testPromotionV2003.mdb");
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    const mdb::RowPosition at = db->writer("jobDB1").insert(jobRow(db->table("jobDB1"), "x"));
    db->writer("jobDB1").remove(at);
    EXPECT_THAT([&] { db->writer("jobDB1").remove(at); },
                testing::ThrowsMessage<mdb::Error>(testing::StrEq("Record is deleted")));
    EXPECT_EQ(db->table("jobDB1").rowCount(), 0u);
}

TEST(TableWriter, ASecondWriterIsRefusedWhileABatchHoldsTheDatabase) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("testPromotionV2003.mdb");
    auto first = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    auto second = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    first->beginBatch();
    first->writer("jobDB1").insert(jobRow(first->table("jobDB1"), "one"));
    const std::string locked =
        "Could not use '" + copy.path() + "'; the database is locked by another program";
    EXPECT_THAT([&] { second->writer("jobDB1").insert(jobRow(second->table("jobDB1"), "two")); },
                testing::ThrowsMessage<mdb::Error>(testing::StrEq(locked)));
    EXPECT_THROW(mdb::executeStatement(*second, "delete from jobDB1"), mdb::Error);
    first->endBatch();
    // The lock is free again, and the second writer sees the first one's row.
    second->writer("jobDB1").insert(jobRow(second->table("jobDB1"), "two"));
    EXPECT_EQ(second->table("jobDB1").rowCount(), 2u);
    EXPECT_EQ(write_check::readRows(copy.path(), "jobDB1").size(), 2u);
}

TEST(TableWriter, AnotherProcessIsRefusedWhileABatchHoldsTheDatabase) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("testPromotionV2003.mdb");
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    db->beginBatch();
    auto childTries = [&] {
        const pid_t child = ::fork();
        if (child == 0) {
            int code = 3;
            try {
                auto other = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
                other->writer("jobDB1").insert(jobRow(other->table("jobDB1"), "child"));
                code = 0;
            } catch (const mdb::Error& e) {
                code = e.kind == mdb::Error::Kind::Locked ? 1 : 2;
            }
            ::_exit(code);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(childTries(), 1);  // refused at once: locked
    db->endBatch();
    EXPECT_EQ(childTries(), 0);
    EXPECT_EQ(write_check::readRows(copy.path(), "jobDB1").size(), 1u);
}

TEST(Statement, AcceptsDeleteFromInItsForms) {
    REQUIRE_MDB_FIXTURES();
    const char* forms[] = {
        "delete from jobDB1",      "DELETE FROM JOBDB1",          "Delete From jobdb1 \r\n",
        "delete from jobDB1\r\n",  "  delete\tfrom  jobDB1 \n\n", "delete from [jobDB1]",
        "delete from jobDB1;\r\n",
    };
    DiskCopy copy("testPromotionV2003.mdb");
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    for (const char* form : forms) {
        SCOPED_TRACE(form);
        db->writer("jobDB1").insert(jobRow(db->table("jobDB1"), "a"));
        db->writer("jobDB1").insert(jobRow(db->table("jobDB1"), "b"));
        EXPECT_EQ(mdb::executeStatement(*db, form), 2u);
        EXPECT_EQ(db->table("jobDB1").rowCount(), 0u);
    }
}

TEST(Statement, RefusesEverythingElse) {
    REQUIRE_MDB_FIXTURES();
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"select * from jobDB1",
         "Statement not supported: 'select * from jobDB1' (only \"delete from <table>\" is "
         "understood)"},
        {"delete * from jobDB1", nullptr},
        {"delete from jobDB1 where ID = 1", nullptr},
        {"delete from", nullptr},
        {"deletefrom jobDB1", nullptr},
        {"drop table jobDB1", nullptr},
        {"", "Statement not supported: '' (only \"delete from <table>\" is understood)"},
    };
    DiskCopy copy("testPromotionV2003.mdb");
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    db->writer("jobDB1").insert(jobRow(db->table("jobDB1"), "kept"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            mdb::executeStatement(*db, c.text);
            ADD_FAILURE() << "accepted";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Unsupported);
            if (c.message) {
                EXPECT_STREQ(e.what(), c.message);
            }
        }
    }
    EXPECT_THAT([&] { mdb::executeStatement(*db, "delete from Testate"); },
                testing::ThrowsMessage<mdb::Error>(
                    testing::HasSubstr("cannot find the input table or query 'Testate'")));
    EXPECT_EQ(db->table("jobDB1").rowCount(), 1u);
}

}  // namespace

namespace {

TEST(TableWriter, ADuplicateOrNullKeyIsRefusedAndLeavesTheFileByteForByte) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("testV2003.mdb");  // Table1: primary key on A, holding "abcdefg" and "a"
    auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
    const mdb::Table& table = db->table("Table1");
    const std::vector<char> before = copy.bytes();
    std::vector<Value> row(table.columns().size());
    row[table.findColumn("B").value()] = std::string("new");
    EXPECT_THAT([&] { db->writer("Table1").insert(row); },
                testing::ThrowsMessage<mdb::Error>(
                    testing::StrEq("Index or primary key cannot contain a Null value")));
    row[table.findColumn("A").value()] = std::string("ABCDEFG");  // keys ignore case
    EXPECT_THAT([&] { db->writer("Table1").insert(row); },
                testing::ThrowsMessage<mdb::Error>(testing::StartsWith(
                    "The changes you requested to the table were not successful because they "
                    "would create duplicate values in the index, primary key, or relationship."
                    "  Change the data")));
    db->sync();
    EXPECT_TRUE(copy.bytes() == before);
    row[table.findColumn("A").value()] = std::string("abcdefgh");
    db->writer("Table1").insert(row);
    EXPECT_EQ(write_check::readRows(copy.path(), "Table1").size(), 3u);
    EXPECT_TRUE(mdb::verifyFile(copy.path()).empty());
}

TEST(TableWriter, AutonumbersContinueFromTheDefinitionAndRefuseExplicitValues) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("V2000_no-password.mdb");  // Table1: ID autonumber, last issued 3
    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        const mdb::Table& table = db->table("Table1");
        std::vector<Value> row(table.columns().size());
        row[table.findColumn("Data").value()] = std::string("four");
        const mdb::RowPosition at = db->writer("Table1").insert(row);
        EXPECT_EQ(table.readRow(at).value()[table.findColumn("ID").value()],
                  Value(std::int32_t{4}));
        row[table.findColumn("ID").value()] = std::int32_t{10};
        EXPECT_THAT([&] { db->writer("Table1").insert(row); },
                    testing::ThrowsMessage<mdb::Error>(
                        testing::StrEq("Cannot update 'ID'; field not updateable")));
        EXPECT_EQ(table.lastAutoNumber(), 4u);
        // Deleting every row keeps the count going, as Access does until the file is compacted.
        mdb::executeStatement(*db, "delete from Table1");
        row[table.findColumn("ID").value()] = std::monostate{};
        const mdb::RowPosition next = db->writer("Table1").insert(row);
        EXPECT_EQ(table.readRow(next).value()[table.findColumn("ID").value()],
                  Value(std::int32_t{5}));
    }
    auto reopened = mdb::Database::open(copy.path(), mdb::OpenMode::ReadOnly);
    EXPECT_EQ(reopened->table("Table1").lastAutoNumber(), 5u);
    EXPECT_EQ(reopened->table("Table1").rowCount(), 1u);
    EXPECT_TRUE(mdb::verifyFile(copy.path()).empty());
}

std::vector<std::uint8_t> fixtureBytes(const char* name) {
    std::ifstream in(fixtures::mdb(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(TableWriter, EveryWriteToATableWithAnIndexItCannotKeepIsRefused) {
    REQUIRE_MDB_FIXTURES();
    // Table1's indexed text column A, given a sort order the key builder does not know.
    std::vector<std::uint8_t> bytes = fixtureBytes("testV2003.mdb");
    {
        auto probe = mdb::Database::open(std::make_unique<mdb::MemoryPageFile>(bytes),
                                         mdb::OpenMode::ReadOnly);
        const mdb::Table& table = probe->table("Table1");
        const mdb::TableDefinition& def = table.definition();
        ASSERT_EQ(def.pages.size(), 1u);
        const std::uint16_t a = def.columns[table.findColumn("A").value()].number;
        // Column blocks follow the 63-byte header and 12 bytes per physical index.
        const std::size_t blocks = def.page * mdb::kPageSize + 63 + 12 * def.physicalIndexes.size();
        for (std::size_t i = 0; i < def.columns.size(); ++i)
            if (mdb::get16le(bytes, blocks + 25 * i + 5) == a)
                mdb::put16le(bytes, blocks + 25 * i + 11, 1040);  // Italian
    }
    auto owned = std::make_unique<mdb::MemoryPageFile>(bytes);
    const mdb::MemoryPageFile& file = *owned;
    auto db = mdb::Database::open(std::move(owned), mdb::OpenMode::ReadWrite);
    const mdb::Table& table = db->table("Table1");
    ASSERT_EQ(table.columns()[table.findColumn("A").value()].sortOrder, 1040);
    const std::vector<std::uint8_t> before = file.bytes();
    std::vector<Value> row(table.columns().size());
    row[table.findColumn("A").value()] = std::string("zz");
    const auto refused =
        testing::ThrowsMessage<mdb::Error>(testing::StartsWith("Cannot change table 'Table1': "));
    EXPECT_THAT([&] { db->writer("Table1").insert(row); }, refused);
    EXPECT_THAT([&] { db->writer("Table1").remove(table.rowPositions().front()); }, refused);
    EXPECT_THAT([&] { mdb::executeStatement(*db, "delete from Table1"); }, refused);
    EXPECT_TRUE(db->writer("Table1").whyReadOnly().has_value());
    EXPECT_EQ(file.bytes(), before);
}

}  // namespace

namespace {

TEST(TableWriter, RandomRowsInAFileWithReferenceUsageMapsRoundTrip) {
    REQUIRE_MDB_FIXTURES();
    exercise({"testRefGlobalV2000.mdb", "Table1", 1500});
}

// Rows Access moved elsewhere (a 0x4000 pointer at the row's place, the row itself flagged
// 0x8000 on another page) are deleted at both places; the other rows stay as they were.
TEST(TableWriter, DeletesRowsAccessMovedAndKeepsTheRest) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("overflowTestV2003.mdb");
    Rows expected = write_check::readRows(copy.path(), "Table1");
    std::vector<mdb::RowPosition> moved, order;
    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        mdb::Table::Cursor cursor = db->table("Table1").scan();
        while (cursor.next()) {
            order.push_back(cursor.position());
            if (cursor.position() != cursor.storedAt()) moved.push_back(cursor.position());
        }
    }
    ASSERT_EQ(moved.size(), 2u);
    // The moved rows first, then the others, checking after each delete.
    std::stable_partition(order.begin(), order.end(), [&](const mdb::RowPosition& p) {
        return std::find(moved.begin(), moved.end(), p) != moved.end();
    });
    for (const mdb::RowPosition& p : order) {
        SCOPED_TRACE(mdb::describe(p));
        {
            auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
            db->writer("Table1").remove(p);
        }
        expected.erase(p);
        expectRows(copy, "Table1", expected);
    }
}

TEST(TableWriter, ReusesTheSlotAccessLeftDeleted) {
    REQUIRE_MDB_FIXTURES();
    DiskCopy copy("delTestV2003.mdb");  // its data page holds a deleted, zero-length row
    Rows expected = write_check::readRows(copy.path(), "Table");
    const std::uintmax_t size = copy.size();
    mdb::RowPosition at;
    {
        auto db = mdb::Database::open(copy.path(), mdb::OpenMode::ReadWrite);
        at = db->writer("Table").insert({std::string("new a"), std::string("new b")});
    }
    // The deleted slot is the one number on the rows' page that no live row has.
    const mdb::PageNumber page = expected.begin()->first.page;
    std::optional<std::uint8_t> free;
    {
        auto db = mdb::Database::open(fixtures::mdb("delTestV2003.mdb").string(),
                                      mdb::OpenMode::ReadOnly);
        const mdb::DataPage data(*db->pager().page(page), page);
        for (int i = 0; i < data.rowCount(); ++i)
            if (data.isDeleted(i)) free = static_cast<std::uint8_t>(i);
    }
    ASSERT_TRUE(free.has_value());
    EXPECT_EQ(at, (mdb::RowPosition{page, *free}));
    expected[at] = {std::string("new a"), std::string("new b")};
    expectRows(copy, "Table", expected);
    EXPECT_EQ(copy.size(), size);
}

}  // namespace

namespace {

// The file's bytes, once verify has found it sound.
std::vector<char> verifiedBytes(const std::string& path) {
    EXPECT_TRUE(mdb::verifyDatabase(*mdb::Database::open(path, mdb::OpenMode::ReadOnly)).empty())
        << path;
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Inside a batch the pager writes the rows' pages in groups rather than one insert at a time,
// and an insert run gathers many inserts into one operation: what reaches the file must be the
// same, byte for byte.
TEST(TableWriter, RowsWrittenInABatchMakeTheSameFileAsRowsWrittenOneAtATime) {
    mdb::ColumnSchema id = mdb::columnSchema("ID", mdb::ColumnType::Long);
    id.autoNumber = true;
    const std::vector<mdb::TableSchema> schemas = {
        {"Voci",
         {id, mdb::columnSchema("codice", mdb::ColumnType::Long),
          mdb::columnSchema("des", mdb::ColumnType::Text, 60),
          mdb::columnSchema("note", mdb::ColumnType::Memo)},
         {mdb::indexSchema("PrimaryKey", {"ID"}, mdb::IndexSchema::Kind::PrimaryKey),
          mdb::indexSchema("codice", {"codice"}), mdb::indexSchema("des", {"des"})}}};
    testing_support::ScratchDir dir;
    const std::string base = dir / "base.mdb";
    mdb::createDatabase(base, schemas);
    constexpr int kRows = 3000;
    std::size_t kept = 0;
    std::vector<std::vector<char>> files;
    enum class Mode { Single, Batch, Run };
    for (Mode mode : {Mode::Single, Mode::Batch, Mode::Run}) {
        const bool batch = mode != Mode::Single;
        const std::string name = mode == Mode::Single  ? "single"
                                 : mode == Mode::Batch ? "batch"
                                                       : "run";
        SCOPED_TRACE(name);
        const std::string path = dir / (name + ".mdb");
        std::filesystem::copy_file(base, path);
        {
            auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
            mdb::TableWriter& writer = db->writer("Voci");
            if (batch) db->beginBatch();
            if (mode == Mode::Run) writer.beginRun();
            std::vector<mdb::RowPosition> positions;
            for (int i = 0; i < kRows; ++i) {
                // Keys in no order, so that inserts change leaves all over the indexes.
                const std::int32_t codice = (i * 7919) % 100003;
                const std::string note(i % 9 == 0 ? 3000 : 20, static_cast<char>('a' + i % 26));
                positions.push_back(
                    writer.insert({Value{}, codice, "voce " + std::to_string(codice), note}));
                // Deletes between the inserts: the other write order.
                if (i % 97 == 96) {
                    writer.remove(positions[positions.size() / 2]);
                    positions.erase(positions.begin() + static_cast<long>(positions.size() / 2));
                }
            }
            if (mode == Mode::Run) writer.endRun();
            if (batch) db->endBatch();
            kept = positions.size();
        }
        files.push_back(verifiedBytes(path));
        EXPECT_EQ(write_check::readRows(path, "Voci").size(), kept);
        if (batch && write_check::haveMdbtools())
            write_check::expectMdbExportAgrees(path, "Voci", kept);
    }
    EXPECT_TRUE(files[0] == files[1]) << "the batch wrote another file";
    EXPECT_TRUE(files[0] == files[2]) << "the run wrote another file";
}

// In a run, a row refused before anything changes (a text too long) and a row that fails half
// way (the file cannot grow) leave what they leave as operations of their own: the same rows
// stored, the same errors, the same file.
TEST(TableWriter, FailingRowsInARunLeaveWhatTheyLeaveAlone) {
    mdb::ColumnSchema id = mdb::columnSchema("ID", mdb::ColumnType::Long);
    id.autoNumber = true;
    const std::vector<mdb::TableSchema> schemas = {
        {"Voci",
         {id, mdb::columnSchema("des", mdb::ColumnType::Text, 60),
          mdb::columnSchema("note", mdb::ColumnType::Memo)},
         {mdb::indexSchema("PrimaryKey", {"ID"}, mdb::IndexSchema::Kind::PrimaryKey),
          mdb::indexSchema("des", {"des"})}}};
    testing_support::ScratchDir dir;
    const std::string base = dir / "base.mdb";
    mdb::createDatabase(base, schemas);
    std::vector<std::vector<char>> files;
    std::vector<std::vector<std::string>> outcomes;
    for (bool run : {false, true}) {
        SCOPED_TRACE(run ? "run" : "one at a time");
        // The same file in turn: the errors name it.
        const std::string path = dir / "voci.mdb";
        std::filesystem::copy_file(base, path, std::filesystem::copy_options::overwrite_existing);
        std::vector<std::string> outcome;
        {
            auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
            mdb::TableWriter& writer = db->writer("Voci");
            // Room for a few dozen more pages: long notes soon fill them.
            db->pager().setPageLimitForTesting(db->pager().pageCount() + 40);
            db->beginBatch();
            if (run) writer.beginRun();
            for (int i = 0; i < 600; ++i) {
                const std::string des =
                    i % 50 == 7 ? std::string(61, 'x') : "voce " + std::to_string(i);
                const std::string note(i % 3 == 0 ? 2500 : 10, static_cast<char>('a' + i % 26));
                try {
                    const mdb::RowPosition at = writer.insert({Value{}, des, note});
                    outcome.push_back(mdb::describe(at));
                } catch (const mdb::Error& e) {
                    outcome.push_back(e.what());
                }
            }
            if (run) writer.endRun();
            db->endBatch();
        }
        outcomes.push_back(outcome);
        files.push_back(verifiedBytes(path));
    }
    EXPECT_THAT(outcomes[0], testing::Contains(testing::HasSubstr("too small")));
    EXPECT_THAT(outcomes[0], testing::Contains(testing::HasSubstr("Cannot add a page")));
    ASSERT_EQ(outcomes[0].size(), outcomes[1].size());
    for (std::size_t i = 0; i < outcomes[0].size(); ++i)
        EXPECT_EQ(outcomes[0][i], outcomes[1][i]) << "row " << i;
    EXPECT_TRUE(files[0] == files[1]) << "the run wrote another file";
}

// Rows encoded on another thread and inserted with insertEncoded leave what insertInPlace of the
// same values leaves, refusal for refusal and byte for byte: an autonumber, keys in no order,
// refused rows (a text too long, a duplicate key), notes long enough for pages of their own and a
// column the table's default fills; alone and in an insert run.
TEST(TableWriter, EncodedRowsLeaveWhatTheirValuesLeave) {
    mdb::ColumnSchema id = mdb::columnSchema("ID", mdb::ColumnType::Long);
    id.autoNumber = true;
    mdb::ColumnSchema des = mdb::columnSchema("des", mdb::ColumnType::Text, 60);
    des.compressedUnicode = true;
    mdb::ColumnSchema stato = mdb::columnSchema("stato", mdb::ColumnType::Long);
    stato.properties.defaultValue = "7";
    const std::vector<mdb::TableSchema> schemas = {
        {"Voci",
         {id, mdb::columnSchema("codice", mdb::ColumnType::Long), des,
          mdb::columnSchema("note", mdb::ColumnType::Memo), stato},
         {mdb::indexSchema("PrimaryKey", {"ID"}, mdb::IndexSchema::Kind::PrimaryKey),
          mdb::indexSchema("codice", {"codice"}, mdb::IndexSchema::Kind::Unique),
          mdb::indexSchema("des", {"des"})}}};
    testing_support::ScratchDir dir;
    const std::string base = dir / "base.mdb";
    mdb::createDatabase(base, schemas);

    constexpr int kRows = 1500;
    std::vector<std::vector<Value>> rows;
    std::vector<std::vector<bool>> assigned;
    for (int i = 0; i < kRows; ++i) {
        const std::int32_t codice = i % 101 == 50 ? (i - 1) * 7919 % 100003 : i * 7919 % 100003;
        std::string text = i % 67 == 5  ? std::string(61, 'x')
                           : i % 4 == 0 ? "citt\xC3\xA0 " + std::to_string(codice)
                                        : "voce " + std::to_string(codice);
        std::vector<Value> row = {Value{}, codice, text, Value{}, Value{}};
        if (i % 7 != 0)
            row[3] = std::string(i % 11 == 0 ? 3000 : 30, static_cast<char>('a' + i % 26));
        std::vector<bool> flags = {false, true, true, true, i % 3 != 0};
        if (flags[4]) row[4] = std::int32_t{i % 5};
        rows.push_back(std::move(row));
        assigned.push_back(std::move(flags));
    }

    std::vector<std::vector<std::string>> outcomes;
    std::vector<std::vector<char>> files;
    enum class Mode { Values, Encoded, EncodedInARun };
    for (Mode mode : {Mode::Values, Mode::Encoded, Mode::EncodedInARun}) {
        SCOPED_TRACE(static_cast<int>(mode));
        const std::string path = dir / "voci.mdb";  // the same name: messages may hold it
        std::filesystem::copy_file(base, path, std::filesystem::copy_options::overwrite_existing);
        std::vector<std::string> outcome;
        {
            auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
            mdb::Table& table = db->table("Voci");
            std::vector<std::vector<Value>> values = rows;
            std::vector<mdb::EncodedRow> encoded(kRows);
            mdb::RowEncoder encoder = table.rowEncoder();
            std::thread([&] {
                for (int i = 0; i < kRows; ++i) encoder.encode(values[i], encoded[i]);
            }).join();
            if (mode != Mode::Values) {
                const auto count = std::count_if(encoded.begin(), encoded.end(),
                                                 [](const auto& e) { return e.encoded(); });
                EXPECT_GT(count, kRows / 2);
                EXPECT_LT(count, kRows);  // not the long texts, nor the long notes
            }
            db->beginBatch();
            if (mode == Mode::EncodedInARun) table.beginInsertRun();
            for (int i = 0; i < kRows; ++i) {
                try {
                    const mdb::RowPosition at =
                        mode == Mode::Values
                            ? table.insertInPlace(values[i], assigned[i])
                            : table.insertEncoded(values[i], assigned[i], encoded[i]);
                    outcome.push_back(mdb::describe(at));
                } catch (const mdb::Error& e) {
                    outcome.push_back(e.what());
                }
            }
            if (mode == Mode::EncodedInARun) table.endInsertRun();
            db->endBatch();
        }
        outcomes.push_back(outcome);
        files.push_back(verifiedBytes(path));
    }
    EXPECT_THAT(outcomes[0], testing::Contains(testing::HasSubstr("too small")));
    EXPECT_THAT(outcomes[0], testing::Contains(testing::HasSubstr("duplicate values")));
    EXPECT_EQ(outcomes[0], outcomes[1]);
    EXPECT_EQ(outcomes[0], outcomes[2]);
    EXPECT_TRUE(files[0] == files[1]) << "the encoded rows wrote another file";
    EXPECT_TRUE(files[0] == files[2]) << "the encoded rows of a run wrote another file";
}

}  // namespace
