// The file's limits: a write that fails half way (a full disk, a failing one) leaves the file as
// it was before the failing operation, with every earlier row; the 2 GB limit; read-only files
// and folders; another program's lock file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "create/new_database.h"
#include "database/table_writer.h"
#include "faulty_page_file.h"
#include "file/page_file.h"
#include "file/pager.h"
#include "format/page_allocator.h"
#include "format/usage_map_writer.h"
#include "full_file.h"
#include "mdb/database.h"
#include "mdb/delete_statement.h"
#include "mdb/fixture_paths.h"
#include "mdb/verify.h"
#include "rules_check.h"

namespace {

using mdb::ColumnType;
using mdb::Value;
using rules_check::refusal;
using testing_mdb::FaultyPageFile;

// The error `work` throws, if any.
template <class Work>
std::optional<mdb::Error> errorOf(Work&& work) {
    try {
        work();
    } catch (const mdb::Error& e) {
        return e;
    }
    return std::nullopt;
}

// An error whose changes were all put back says so, and names the failure apart from its account.
void expectUndone(const std::optional<mdb::Error>& error) {
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->changesUndone);
    EXPECT_EQ(error->cause, "Could not write to 'faulty.mdb': No space left on device");
}

mdb::ColumnSchema column(const char* name, ColumnType type, std::uint16_t size = 0) {
    mdb::ColumnSchema c = mdb::columnSchema(name, type, size);
    c.autoNumber = std::string(name) == "ID";
    return c;
}

// Voci (ID autonumber key, des indexed, note Memo) and Righe (voce -> Voci.ID, cascading
// deletes through a relationship written into MSysRelationships).
std::vector<mdb::TableSchema> schemas() {
    const mdb::IndexSchema key =
        mdb::indexSchema("PrimaryKey", {"ID"}, mdb::IndexSchema::Kind::PrimaryKey);
    const mdb::IndexSchema des = mdb::indexSchema("des", {"des"});
    return {{"Voci",
             {column("ID", ColumnType::Long), column("des", ColumnType::Text, 100),
              column("note", ColumnType::Memo)},
             {key, des}},
            {"Righe", {column("voce", ColumnType::Long), column("qta", ColumnType::Double)}, {}}};
}

std::vector<Value> voce(int i) {
    return {Value{}, "voce " + std::to_string(i), std::string(200 + i, 'n')};  // note: LVAL
}

// A database holding `rows` rows of Voci, each with a row of Righe referring to it.
std::vector<std::uint8_t> databaseWith(int rows) {
    auto file = std::make_unique<mdb::MemoryPageFile>(
        mdb::newDatabase(mdb::DateTime{45000}, schemas()), "base.mdb");
    mdb::MemoryPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    db->writer("MSysRelationships")
        .insert({std::string("VociRighe"), std::int32_t{0x1000}, std::int32_t{1}, std::int32_t{0},
                 std::string("Righe"), std::string("voce"), std::string("Voci"),
                 std::string("ID")});
    for (int i = 1; i <= rows; ++i) {
        db->writer("Voci").insert(voce(i));
        db->writer("Righe").insert({std::int32_t{i}, 1.5});
    }
    return raw->bytes();
}

std::vector<std::string> problems(const std::vector<std::uint8_t>& bytes) {
    auto db = mdb::Database::open(std::make_unique<mdb::MemoryPageFile>(bytes, "check.mdb"),
                                  mdb::OpenMode::ReadOnly);
    return mdb::verifyDatabase(*db);
}

mdb::RowPosition firstRow(mdb::Database& db, const char* table) {
    return db.table(table).rowPositions().front();
}

struct Operation {
    const char* label;
    std::function<void(mdb::Database&)> run;
};

const Operation kOperations[] = {
    {"insert", [](mdb::Database& db) { db.writer("Voci").insert(voce(99)); }},
    {"delete", [](mdb::Database& db) { db.writer("Righe").remove(firstRow(db, "Righe")); }},
    {"cascading delete", [](mdb::Database& db) { db.writer("Voci").remove(firstRow(db, "Voci")); }},
    {"delete from, row by row",
     [](mdb::Database& db) { mdb::executeStatement(db, "delete from Voci"); }},
    {"delete from, all at once",
     [](mdb::Database& db) { mdb::executeStatement(db, "delete from Righe"); }},
};

// For every page the operation writes, a failure at that write: the operation is refused with
// the system's error, the file is byte for byte what it was, and the database goes on working.
// Without a journal the pager puts back the pages from its own copies; with one, from the journal.
void failEveryWrite(const std::vector<std::uint8_t>& base, const Operation& op) {
    SCOPED_TRACE(op.label);
    for (bool journal : {false, true}) {
        SCOPED_TRACE(journal ? "with a journal" : "without a journal");
        for (std::size_t k = 1;; ++k) {
            SCOPED_TRACE("failing write " + std::to_string(k));
            auto file = std::make_unique<FaultyPageFile>(base, "faulty.mdb", journal);
            FaultyPageFile* raw = file.get();
            auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
            raw->failWrite(k);
            const std::optional<mdb::Error> error = errorOf([&] { op.run(*db); });
            const std::string message = error ? error->what() : "";
            if (message.empty()) {
                ASSERT_GT(k, 1u) << "the operation wrote nothing";
                EXPECT_EQ(problems(raw->bytes()), std::vector<std::string>{});
                break;  // k is past the operation's last write
            }
            EXPECT_EQ(message,
                      "Could not write to 'faulty.mdb': No space left on device; the change was "
                      "not stored and the database is as it was before it");
            expectUndone(error);
            ASSERT_TRUE(raw->bytes() == base) << "the file changed";
            // The same database, the disk healed: the operation now goes through.
            raw->heal();
            EXPECT_EQ(refusal([&] { op.run(*db); }), "");
            EXPECT_EQ(problems(raw->bytes()), std::vector<std::string>{});
        }
    }
}

TEST(WriteFailure, AFailedWriteLeavesTheFileAsItWasBeforeTheOperation) {
    const std::vector<std::uint8_t> empty = databaseWith(0);
    failEveryWrite(empty, kOperations[0]);  // the first row: new data, LVAL and index pages
    const std::vector<std::uint8_t> some = databaseWith(12);
    for (const Operation& op : kOperations) failEveryWrite(some, op);
}

std::size_t rowsOf(const std::vector<std::uint8_t>& bytes, const char* table) {
    auto db = mdb::Database::open(std::make_unique<mdb::MemoryPageFile>(bytes, "check.mdb"),
                                  mdb::OpenMode::ReadOnly);
    return db->table(table).rowCount();
}

// Inside a batch the rows' pages are written together: a failure at any of those writes loses
// the rows since the last write, and leaves the file as it was before them.
TEST(WriteFailure, AFailedWriteInABatchLeavesTheFileAsItWasBeforeTheUnwrittenRows) {
    const std::vector<std::uint8_t> base = databaseWith(3);
    auto insertSome = [](mdb::Database& db) {
        db.beginBatch();
        for (int i = 10; i < 15; ++i) {
            db.writer("Voci").insert(voce(i));
            db.writer("Righe").insert({std::int32_t{i - 9}, 2.5});
        }
        db.endBatch();
    };
    for (std::size_t k = 1;; ++k) {
        SCOPED_TRACE("failing write " + std::to_string(k));
        auto file = std::make_unique<FaultyPageFile>(base);
        FaultyPageFile* raw = file.get();
        auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
        raw->failWrite(k);
        const std::optional<mdb::Error> error = errorOf([&] { insertSome(*db); });
        const std::string message = error ? error->what() : "";
        if (message.empty()) {
            ASSERT_GT(k, 1u) << "the batch wrote nothing";
            EXPECT_EQ(problems(raw->bytes()), std::vector<std::string>{});
            EXPECT_EQ(rowsOf(raw->bytes(), "Voci"), 8u);
            return;
        }
        EXPECT_EQ(message,
                  "Could not write to 'faulty.mdb': No space left on device; the changes since "
                  "the last write were not stored and the database is as it was before them");
        expectUndone(error);
        ASSERT_TRUE(raw->bytes() == base) << "the file changed";
        EXPECT_FALSE(db->pager().inBatch());
        // The same database, the disk healed: the rows now go in.
        raw->heal();
        EXPECT_EQ(refusal([&] { insertSome(*db); }), "");
        EXPECT_EQ(problems(raw->bytes()), std::vector<std::string>{});
        EXPECT_EQ(rowsOf(raw->bytes(), "Righe"), 8u);
    }
}

TEST(WriteFailure, WhenTheDiskStaysBrokenTheMessageSaysTheChangeMayBeHalfStored) {
    auto file = std::make_unique<FaultyPageFile>(databaseWith(3));
    FaultyPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    raw->failWrite(2, true);
    const std::optional<mdb::Error> error = errorOf([&] { db->writer("Voci").insert(voce(7)); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(std::string(error->what()),
              "Could not write to 'faulty.mdb': No space left on device; the change may be partly "
              "stored: check the database before using it again");
    EXPECT_FALSE(error->changesUndone);
}

// With a journal, even a disk that refuses the undo too leaves the database to the next open as
// the last commit left it.
TEST(WriteFailure, WhenTheDiskStaysBrokenTheJournalPutsTheFileBackAtTheNextOpen) {
    const std::vector<std::uint8_t> base = databaseWith(3);
    auto file = std::make_unique<FaultyPageFile>(base, "faulty.mdb", true);
    FaultyPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    raw->failWrite(2, true);
    EXPECT_EQ(refusal([&] { mdb::executeStatement(*db, "delete from Righe"); }),
              "Could not write to 'faulty.mdb': No space left on device; the change may be partly "
              "stored: check the database before using it again");
    EXPECT_FALSE(raw->bytes() == base);
    auto again = std::make_unique<mdb::MemoryPageFile>(raw->bytes(), "again.mdb");
    again->journalFile().bytes() = raw->journalFile().bytes();
    mdb::MemoryPageFile* reopened = again.get();
    auto next = mdb::Database::open(std::move(again), mdb::OpenMode::ReadOnly);
    EXPECT_TRUE(next->undidInterruptedWrite());
    EXPECT_TRUE(reopened->bytes() == base);
}

// A table whose free-space map names one of its index pages would take rows onto it: the write
// is refused before anything changes, saying the database must be repaired.
TEST(WriteFailure, AWriteIntoADamagedStructureIsRefusedBeforeAnythingChanges) {
    auto file = std::make_unique<mdb::MemoryPageFile>(databaseWith(3), "damaged.mdb");
    mdb::MemoryPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    const mdb::TableDefinition& voci = db->table("Voci").definition();
    db->pager().beginWrite();
    mdb::PageAllocator allocator(db->pager());
    mdb::UsageMapWriter(db->pager(), allocator)
        .add(voci.freePagesMap, voci.physicalIndexes[0].rootPage);
    db->pager().commit();
    const std::vector<std::uint8_t> damaged = raw->bytes();
    EXPECT_EQ(refusal([&] { db->writer("Voci").insert(voce(4)); }),
              "Database 'damaged.mdb' is damaged: table 'Voci': free-space map: page " +
                  std::to_string(voci.physicalIndexes[0].rootPage) +
                  " is not one of the table's data pages; the database must be repaired before "
                  "it can be changed");
    EXPECT_TRUE(raw->bytes() == damaged);
    EXPECT_EQ(refusal([&] { db->writer("Righe").insert({std::int32_t{1}, 1.0}); }), "");
}

// A write cut short can leave a page marked free in the global map while its table's map still
// names it. Handing it to another table would make it serve two: it goes to no one, and verify
// names it.
TEST(WriteFailure, AFreePageATableStillNamesIsGivenToNoOtherTable) {
    auto file = std::make_unique<mdb::MemoryPageFile>(databaseWith(3), "damaged.mdb");
    mdb::MemoryPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    const mdb::PageNumber lost = firstRow(*db, "Righe").page;
    mdb::PageBytes before;
    raw->read(lost, before);
    db->pager().beginWrite();
    mdb::PageAllocator(db->pager()).release(lost);
    db->pager().commit();
    const mdb::PageNumber pages = raw->pageCount();

    for (int i = 4; i < 64; ++i) db->writer("Voci").insert(voce(i));
    EXPECT_GT(raw->pageCount(), pages);  // Voci took pages, appended ones
    mdb::PageBytes page;
    raw->read(lost, page);
    EXPECT_TRUE(page == before);
    const std::vector<std::string> found = problems(raw->bytes());
    EXPECT_THAT(found, testing::Contains("page " + std::to_string(lost) +
                                         " is marked free in the global usage map but is used "
                                         "as a data page of table 'Righe'"));
    EXPECT_THAT(found, testing::Not(testing::Contains(testing::HasSubstr("Voci"))));
}

// Groups of pages as write_order.h names them, from what was written.
int groupOf(const FaultyPageFile::Write& w, mdb::PageNumber pagesBefore, bool rowsAppear) {
    if (w.page >= pagesBefore) return 0;  // fresh
    if (w.type == 0x02) return rowsAppear ? 2 : 3;
    if (w.type == 0x03 || w.type == 0x04) return rowsAppear ? 1 : 2;
    return -1;  // data pages: rows or LVAL, told apart below
}

TEST(WriteFailure, PagesAreWrittenSoThatARowShowsLastAndVanishesFirst) {
    const std::vector<std::uint8_t> base = databaseWith(12);
    auto file = std::make_unique<FaultyPageFile>(base);
    FaultyPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    const mdb::PageNumber pages = raw->pageCount();
    const mdb::PageNumber rowPage = firstRow(*db, "Voci").page;

    raw->forgetWrites();
    db->writer("Voci").insert(voce(50));
    std::vector<int> order;
    for (const auto& w : raw->writes()) order.push_back(groupOf(w, pages, true));
    // The row's own data page is the last page written; the definition just before it.
    ASSERT_GE(raw->writes().size(), 3u);
    EXPECT_EQ(raw->writes().back().page, rowPage);
    EXPECT_EQ(raw->writes()[raw->writes().size() - 2].type, 0x02);
    for (std::size_t i = 0; i + 2 < order.size(); ++i) EXPECT_LE(order[i], 1) << i;

    raw->forgetWrites();
    db->writer("Righe").remove(firstRow(*db, "Righe"));
    ASSERT_FALSE(raw->writes().empty());
    EXPECT_EQ(raw->writes().front().page, firstRow(*db, "Righe").page);  // the row vanishes first
    EXPECT_EQ(raw->writes().back().type, 0x02);                          // the count comes last

    // A page freed earlier and taken again still holds its old rows: it is written before any
    // map names it, as a page appended would be.
    db->table("Righe").removeAll();
    raw->forgetWrites();
    const mdb::RowPosition at = db->writer("Righe").insert({std::int32_t{1}, 2.5});
    EXPECT_LT(at.page, pages);
    ASSERT_FALSE(raw->writes().empty());
    EXPECT_EQ(raw->writes().front().page, at.page);
}

TEST(FileLimits, TheTwoGigabyteLimitRefusesAWriteBeforeAnythingChanges) {
    const std::vector<std::uint8_t> base = databaseWith(0);
    auto file = std::make_unique<mdb::MemoryPageFile>(base, "full.mdb");
    mdb::MemoryPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    // As if the file were already 2 GB: the first row of Voci needs pages.
    db->pager().setPageLimitForTesting(raw->pageCount());
    EXPECT_EQ(refusal([&] { db->writer("Voci").insert(voce(1)); }),
              "Cannot add a page to 'full.mdb': the database would grow past 2 GB, the largest an "
              "Access database can be");
    EXPECT_TRUE(raw->bytes() == base);
    // Room for the pages: the same row goes in.
    db->pager().setPageLimitForTesting(raw->pageCount() + 16);
    EXPECT_EQ(refusal([&] { db->writer("Voci").insert(voce(1)); }), "");
    EXPECT_EQ(problems(raw->bytes()), std::vector<std::string>{});
}

// An Access 97 file (2 KB pages) has the same guarantees: a delete the disk refuses midway is
// undone by the journal at the next open, and at its 1 GB limit a new page is refused first.
TEST(WriteFailure, AnAccess97FileIsPutBackByItsJournalAndKeepsToItsLimit) {
    REQUIRE_MDB_FIXTURES();
    std::ifstream in(fixtures::mdb("testV1997.mdb"), std::ios::binary);
    const std::vector<std::uint8_t> base{std::istreambuf_iterator<char>(in), {}};
    auto file = std::make_unique<FaultyPageFile>(base, "faulty97.mdb", true);
    FaultyPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    raw->failWrite(2, true);
    EXPECT_NE(refusal([&] { db->table("Table1").removeAll(); }), "");
    EXPECT_FALSE(raw->bytes() == base);
    auto again = std::make_unique<mdb::MemoryPageFile>(raw->bytes(), "again97.mdb");
    again->journalFile().bytes() = raw->journalFile().bytes();
    mdb::MemoryPageFile* reopened = again.get();
    auto next = mdb::Database::open(std::move(again), mdb::OpenMode::ReadWrite);
    EXPECT_TRUE(next->undidInterruptedWrite());
    EXPECT_TRUE(reopened->bytes() == base);

    full_file::takeFreePages(next->pager());
    next->pager().setPageLimitForTesting(reopened->pageCount());
    mdb::Table& table = next->table("Table1");
    std::vector<Value> row(table.columns().size());
    row[table.findColumn("A").value()] = std::string(50, 'k');
    row[table.findColumn("B").value()] = std::string(100, 'k');
    for (int i = 0; i < 26 && refusal([&] { table.insert(row); }).empty(); ++i)
        std::get<std::string>(row[0])[0] = static_cast<char>('A' + i);
    EXPECT_EQ(refusal([&] { table.insert(row); }),
              "Cannot add a page to 'again97.mdb': the database would grow past 1 GB, the "
              "largest an Access 97 database can be");
    EXPECT_EQ(problems(reopened->bytes()), std::vector<std::string>{});
}

class OnDisk : public testing::Test {
protected:
    void SetUp() override {
        path_ = dir_ / "roll.mdb";
        const std::vector<std::uint8_t> bytes = databaseWith(2);
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    void TearDown() override {
        std::filesystem::permissions(dir_.path(), std::filesystem::perms::owner_all);
    }
    std::size_t rows() {
        return mdb::Database::open(path_, mdb::OpenMode::ReadOnly)->table("Voci").rowCount();
    }

    testing_support::ScratchDir dir_;
    std::string path_;
};

TEST_F(OnDisk, AReadOnlyFileOrFolderOpensForReadingAndRefusesWritesSayingWhy) {
    namespace fs = std::filesystem;
    const struct {
        const char* label;
        fs::perms file, folder;
        const char* why;
    } cases[] = {
        {"file", fs::perms::owner_read | fs::perms::group_read, fs::perms::owner_all,
         "the file is read-only"},
        {"folder", fs::perms::owner_read | fs::perms::owner_write,
         fs::perms::owner_read | fs::perms::owner_exec, "its folder is read-only"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::permissions(path_, c.file);
        fs::permissions(dir_.path(), c.folder);
        auto db = mdb::Database::open(path_, mdb::OpenMode::ReadWrite);
        EXPECT_EQ(db->table("Voci").rowCount(), 2u);  // reading works
        const std::string refused = "Cannot update. Database or object is read-only: '" + path_ +
                                    "' cannot be changed because " + c.why;
        EXPECT_EQ(refusal([&] { db->writer("Voci").insert(voce(3)); }), refused);
        EXPECT_EQ(refusal([&] { mdb::executeStatement(*db, "delete from Righe"); }), refused);
        EXPECT_EQ(refusal([&] { db->beginBatch(); }), refused);
        fs::permissions(dir_.path(), fs::perms::owner_all);
        fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_EQ(rows(), 2u);
    auto db = mdb::Database::open(path_, mdb::OpenMode::ReadWrite);
    EXPECT_EQ(refusal([&] { db->writer("Voci").insert(voce(3)); }), "");
}

TEST_F(OnDisk, AnotherProgramsLockFileRefusesWritesButNotReads) {
    auto db = mdb::Database::open(path_, mdb::OpenMode::ReadWrite);
    for (const char* name : {"roll.ldb", "roll.LDB"}) {
        SCOPED_TRACE(name);
        const std::string ldb = dir_.write(name, "");
        const std::string refused =
            "Could not update '" + path_ +
            "': another program may be using the database (its lock file '" + ldb +
            "' exists). If no one has the database open, the lock file "
            "was left behind and can be deleted";
        EXPECT_EQ(refusal([&] { db->writer("Voci").insert(voce(3)); }), refused);
        EXPECT_EQ(refusal([&] { db->beginBatch(); }), refused);
        EXPECT_EQ(db->table("Voci").rowCount(), 2u);
        EXPECT_EQ(write_check::readRows(path_, "Voci").size(), 2u);
        std::filesystem::remove(ldb);
    }
    EXPECT_EQ(refusal([&] { db->writer("Voci").insert(voce(3)); }), "");
    db.reset();
    EXPECT_EQ(rows(), 3u);
}

// A real full disk: a small tmpfs, where the machine lets this test mount one (as root).
TEST(FullDisk, RowsGoInUntilTheDiskIsFullAndTheFileStaysSoundWithAllOfThem) {
    testing_support::ScratchDir dir;
    const std::string mountPoint = dir.path().string();
    if (::geteuid() != 0 ||
        ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=320k,mode=0700") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{mountPoint};

    const std::string path = mountPoint + "/roll.mdb";
    {
        const std::vector<std::uint8_t> bytes = databaseWith(0);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::size_t stored = 0;
    std::string message;
    {
        // Outside a batch, so that every insert that returns has written its row.
        auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
        for (int i = 1; i < 100000 && message.empty(); ++i) {
            message = refusal([&] { db->writer("Voci").insert(voce(i)); });
            if (message.empty()) ++stored;
        }
    }
    ASSERT_GT(stored, 10u);
    // The database or its journal, whichever found the disk full first.
    const std::string tail =
        "': No space left on device; the change was not stored and the database is as it was "
        "before it";
    EXPECT_THAT(message, testing::AnyOf("Could not write to '" + path + tail,
                                        "Could not write to '" + path + "-journal" + tail));
    rules_check::expectVerified(path);
    EXPECT_EQ(write_check::readRows(path, "Voci").size(), stored);
    if (write_check::haveMdbtools()) {
        EXPECT_EQ(rules_check::mdbExportColumn(path, "Voci", "des").size(), stored);
    }
    // Emptying the table needs no new page of the database, but room for the journal's copies
    // of the pages it overwrites: on the full disk it is refused and changes nothing.
    {
        auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
        EXPECT_THAT(refusal([&] { mdb::executeStatement(*db, "delete from Voci"); }),
                    testing::HasSubstr("No space left on device"));
    }
    rules_check::expectVerified(path);
    EXPECT_EQ(write_check::readRows(path, "Voci").size(), stored);
    // With room again, it frees pages the next rows take again.
    ASSERT_EQ(::mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_REMOUNT, "size=640k,mode=0700"), 0);
    {
        auto db = mdb::Database::open(path, mdb::OpenMode::ReadWrite);
        EXPECT_EQ(mdb::executeStatement(*db, "delete from Voci"), stored);
        for (int i = 1; i <= 5; ++i) db->writer("Voci").insert(voce(i));
    }
    rules_check::expectVerified(path);
}

}  // namespace
