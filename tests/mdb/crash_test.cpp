// Crashes at every moment of a write: whatever page write the process dies before, or the power
// goes before, the next open puts the database back exactly as its last commit left it (journal.h),
// but for what its free pages hold.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string_view>

#include "crash_page_file.h"
#include "create/new_database.h"
#include "data/scratch_dir.h"
#include "database/table_writer.h"
#include "file/pager.h"
#include "format/usage_map.h"
#include "mdb/database.h"
#include "mdb/delete_statement.h"
#include "mdb/verify.h"

namespace {

using mdb::ColumnType;
using mdb::Value;
using testing_mdb::Disk;
using testing_mdb::DiskEvent;
using testing_mdb::DiskLog;

// A roll in small: documents (autonumber key, indexed code) and their items (indexed document
// number, an amount, a note long enough to need a long-value page now and then).
std::vector<mdb::TableSchema> rollSchemas() {
    mdb::ColumnSchema id = mdb::columnSchema("ID", ColumnType::Long);
    id.autoNumber = true;
    return {{"Documenti",
             {id, mdb::columnSchema("codice", ColumnType::Text, 20)},
             {mdb::indexSchema("PrimaryKey", {"ID"}, mdb::IndexSchema::Kind::PrimaryKey),
              mdb::indexSchema("codice", {"codice"})}},
            {"Voci",
             {mdb::columnSchema("documento", ColumnType::Long),
              mdb::columnSchema("importo", ColumnType::Double),
              mdb::columnSchema("nota", ColumnType::Memo)},
             {mdb::indexSchema("documento", {"documento"})}}};
}

// `documents` documents with two items each, the roll of `year`.
void importRoll(mdb::Database& db, int year, int documents) {
    for (int i = 0; i < documents; ++i) {
        db.writer("Documenti").insert({Value{}, std::to_string(year) + "-" + std::to_string(i)});
        for (int k = 0; k < 2; ++k)
            db.writer("Voci").insert({std::int32_t{i}, 10.5 * k + i,
                                      std::string(static_cast<std::size_t>(i % 7 == 0 ? 900 : 20),
                                                  static_cast<char>('a' + k))});
    }
}

std::vector<std::uint8_t> databaseWithRoll(int documents) {
    auto file = std::make_unique<mdb::MemoryPageFile>(
        mdb::newDatabase(mdb::DateTime{45000}, rollSchemas()), "base.mdb");
    mdb::MemoryPageFile* raw = file.get();
    auto db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    db->beginBatch();
    importRoll(*db, 2025, documents);
    db->endBatch();
    return raw->bytes();
}

// What the import does: the old roll deleted, the new one written, all in one batch; then a
// correction outside it (each row its own commit).
std::function<void(mdb::Database&)> replaceRoll(int documents) {
    return [documents](mdb::Database& db) {
        db.beginBatch();
        mdb::executeStatement(db, "delete from Voci");
        mdb::executeStatement(db, "delete from Documenti");
        importRoll(db, 2026, documents);
        db.endBatch();
        db.writer("Documenti").insert({Value{}, std::string("correzione")});
        db.writer("Voci").remove(db.table("Voci").rowPositions().front());
    };
}

// The database's bytes, but for the pages its global usage map marks free: what those hold
// belongs to no commit (a page freed earlier may be written anew and the crash come before the
// commit that uses it), so they count as zero.
std::size_t hashOf(std::vector<std::uint8_t> bytes) {
    {
        mdb::Pager pager(std::make_unique<mdb::MemoryPageFile>(bytes, "hashed.mdb", false));
        for (mdb::PageNumber p :
             mdb::UsageMap::read(pager, {1, 0}).pages(pager, mdb::UsageMap::PastEnd::Ignore))
            std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(p * pager.pageSize()),
                        pager.pageSize(), std::uint8_t{0});
    }
    return std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// A recorded run: the files before it, every event, and the database at each commit.
struct Recording {
    Disk start;
    DiskLog log;
    // By the event that ends the commit for a killed process (the journal cut), the database's
    // bytes then and the event after which a power cut can no longer undo it (the journal sync).
    struct Commit {
        std::size_t cut;
        std::size_t synced;
        std::size_t database;
    };
    std::vector<Commit> commits;
};

Recording record(const std::vector<std::uint8_t>& base,
                 const std::function<void(mdb::Database&)>& work,
                 std::chrono::milliseconds commitInterval) {
    Recording r;
    r.start.database = base;
    auto log = std::make_shared<DiskLog>();
    {
        auto db = mdb::Database::open(std::make_unique<testing_mdb::RecordingPageFile>(base, log),
                                      mdb::OpenMode::ReadWrite);
        db->pager().setCommitInterval(commitInterval);
        work(*db);
    }
    r.log = *log;
    r.commits.push_back({0, 0, hashOf(base)});  // the state before the run counts as committed
    Disk disk = r.start;
    for (std::size_t i = 0; i < r.log.size(); ++i) {
        const DiskEvent& e = r.log[i];
        disk.apply(e);
        if (e.file != DiskEvent::File::Journal) continue;
        if (e.kind == DiskEvent::Kind::Truncate && e.offset == 0)
            r.commits.push_back({i + 1, SIZE_MAX, hashOf(disk.database)});
        if (e.kind == DiskEvent::Kind::Sync && r.commits.back().synced == SIZE_MAX)
            r.commits.back().synced = i + 1;
    }
    return r;
}

// The database as the next open finds it after recovery, checked by verify and found as one
// of the commits' databases allowed.
void expectRecoveredAsCommitted(const Disk& disk, std::size_t lowest, std::size_t highest,
                                const Recording& r) {
    auto file = std::make_unique<mdb::MemoryPageFile>(disk.database, "crash.mdb");
    file->journalFile().bytes() = disk.journal;
    mdb::MemoryPageFile* raw = file.get();
    std::unique_ptr<mdb::Database> db;
    try {
        db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    } catch (const mdb::Error& e) {
        ADD_FAILURE() << "open: " << e.what();
        return;
    }
    EXPECT_EQ(mdb::verifyDatabase(*db), std::vector<std::string>{});
    EXPECT_EQ(raw->journalFile().size(), 0u);
    const std::size_t now = hashOf(raw->bytes());
    bool found = false;
    for (std::size_t c = lowest; c <= highest; ++c) found = found || r.commits[c].database == now;
    EXPECT_TRUE(found) << "not the database of commit " << lowest << " to " << highest;
}

// The last commit a crash before event n leaves: for a killed process the last journal cut, for
// a power cut the last synced one (a cut not yet synced may or may not have happened).
std::size_t lastCommit(const Recording& r, std::size_t n, bool powerCut) {
    std::size_t last = 0;
    for (std::size_t c = 1; c < r.commits.size(); ++c)
        if ((powerCut ? r.commits[c].synced : r.commits[c].cut) <= n) last = c;
    return last;
}

void crashAt(const Recording& r, std::size_t n, std::mt19937& random) {
    SCOPED_TRACE("crash before event " + std::to_string(n) + " of " + std::to_string(r.log.size()));
    {
        SCOPED_TRACE("killed process");
        const std::size_t c = lastCommit(r, n, false);
        expectRecoveredAsCommitted(testing_mdb::killedBefore(r.start, r.log, n), c, c, r);
    }
    {
        SCOPED_TRACE("power cut");
        const Disk disk = testing_mdb::powerCutBefore(r.start, r.log, n, random, n % 3 == 0);
        expectRecoveredAsCommitted(disk, lastCommit(r, n, true), lastCommit(r, n, false), r);
    }
}

TEST(Crash, EveryMomentOfASmallImportRecoversToTheLastCommit) {
    // Every group its own commit.
    const Recording r =
        record(databaseWithRoll(60), replaceRoll(150), std::chrono::milliseconds{0});
    ASSERT_GT(r.commits.size(), 4u);  // the deletes, the rows, the end, each correction
    std::mt19937 random(15);
    for (std::size_t n = 0; n <= r.log.size(); ++n) {
        crashAt(r, n, random);
        if (HasFailure()) break;  // one crash point's failures say enough
    }
    // The run itself, uninterrupted, left the last commit's database and no journal.
    const Disk end = testing_mdb::killedBefore(r.start, r.log, r.log.size());
    EXPECT_EQ(hashOf(end.database), r.commits.back().database);
    EXPECT_TRUE(end.journal.empty());
}

TEST(Crash, RandomMomentsOfALargerImportRecoverToTheLastCommit) {
    // Groups committed by time: here the rows' groups are one commit, the deletes two others.
    const Recording r = record(databaseWithRoll(1500), replaceRoll(2500), std::chrono::hours{1});
    ASSERT_GT(r.commits.size(), 4u);
    std::mt19937 random(2026);
    for (int i = 0; i < 40 && !HasFailure(); ++i) crashAt(r, random() % (r.log.size() + 1), random);
}

}  // namespace

namespace {

// A hot journal is applied only where it can be and where it fits: a file that cannot be written
// is refused rather than read half written, and so is a file another program changed since.
TEST(Crash, AHotJournalIsRefusedWhereItCannotBeAppliedOrDoesNotFit) {
    const Recording r =
        record(databaseWithRoll(60), replaceRoll(150), std::chrono::milliseconds{0});
    std::size_t n = 0;  // a moment with a hot journal: just before a database write
    while (n < r.log.size() && !(r.log[n].file == DiskEvent::File::Database &&
                                 r.log[n].kind == DiskEvent::Kind::Write && n > 0 &&
                                 r.log[n - 1].file == DiskEvent::File::Journal))
        ++n;
    const Disk disk = testing_mdb::killedBefore(r.start, r.log, n + 1);
    ASSERT_FALSE(disk.journal.empty());
    auto refusalOf = [&](std::vector<std::uint8_t> database, bool writable) {
        auto file =
            std::make_unique<mdb::MemoryPageFile>(std::move(database), "crash.mdb", writable);
        file->journalFile().bytes() = disk.journal;
        try {
            mdb::Database::open(std::move(file), mdb::OpenMode::ReadOnly);
        } catch (const mdb::Error& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(refusalOf(disk.database, false),
              "Cannot open 'crash.mdb': a write to it was interrupted, and its journal "
              "'crash.mdb-journal' must be applied before the database is read, but it is opened "
              "read-only");
    std::vector<std::uint8_t> grown = disk.database;
    grown.resize(grown.size() + 64 * mdb::kPageSize);
    EXPECT_THAT(refusalOf(grown, true),
                testing::StartsWith("Cannot open 'crash.mdb': its journal 'crash.mdb-journal', "
                                    "left by an interrupted write, does not match it: the "
                                    "database has "));
    std::vector<std::uint8_t> changed = disk.database;
    changed[100] ^= 0xFF;
    EXPECT_THAT(refusalOf(changed, true),
                testing::HasSubstr("does not match it: its first page has changed since the "
                                   "journal was written. Another program may have changed the "
                                   "database since; move the journal away to open the "
                                   "database as it is"));
    EXPECT_EQ(refusalOf(disk.database, true), "");
}

}  // namespace

namespace {

// A moment at which the journal holds records of `least` syncs or more: just after the database
// write that follows them.
Disk diskWithHotJournal(const Recording& r, std::size_t least) {
    std::size_t syncs = 0;
    bool written = false;  // to the journal since its last sync
    for (std::size_t n = 0; n < r.log.size(); ++n) {
        const DiskEvent& e = r.log[n];
        if (e.file == DiskEvent::File::Journal) {
            if (e.kind == DiskEvent::Kind::Truncate) syncs = 0;
            if (e.kind == DiskEvent::Kind::Sync && written) ++syncs;
            written =
                e.kind == DiskEvent::Kind::Write || (written && e.kind != DiskEvent::Kind::Sync);
        }
        if (e.file == DiskEvent::File::Database && e.kind == DiskEvent::Kind::Write &&
            syncs >= least)
            return testing_mdb::killedBefore(r.start, r.log, n + 1);
    }
    ADD_FAILURE() << "no journal of " << least << " syncs";
    return {};
}

// The message opening `disk` gives (or "") and whether the open wrote anything to either file.
std::pair<std::string, bool> openAsIs(const Disk& disk) {
    auto log = std::make_shared<DiskLog>();
    auto file = std::make_unique<testing_mdb::RecordingPageFile>(disk.database, log);
    file->journal()->write(0, disk.journal);
    log->clear();
    std::string message;
    try {
        mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    } catch (const mdb::Error& e) {
        message = e.what();
    }
    const bool wrote = std::any_of(log->begin(), log->end(), [](const DiskEvent& e) {
        return e.kind != DiskEvent::Kind::Sync;
    });
    return {message, wrote};
}

// A journal is applied only if it is whole: a page image damaged after its sync would put a
// wrong page into the database, so the journal is refused and neither file changes.
TEST(Crash, AJournalWithADamagedRecordIsRefusedAndNothingChanges) {
    const Recording r = record(databaseWithRoll(200), replaceRoll(1500), std::chrono::hours{1});
    const Disk disk = diskWithHotJournal(r, 2);
    ASSERT_GT(disk.journal.size(), 32u);
    // The first page image: records are a 12-byte head (kind 1 = a copy), the image of a
    // copy, and an 8-byte checksum.
    std::size_t at = 32;
    while (at + 12 < disk.journal.size() && disk.journal[at] != 1) at += 20;
    ASSERT_EQ(disk.journal[at], 1);
    Disk damaged = disk;
    damaged.journal[at + 12 + 1000] ^= 0x04;

    const auto [message, wrote] = openAsIs(damaged);
    EXPECT_THAT(message, testing::StartsWith("Cannot open 'crash.mdb': its journal "
                                             "'crash.mdb-journal', left by an interrupted write, "
                                             "is damaged: its record at byte " +
                                             std::to_string(at) + " is damaged"));
    EXPECT_FALSE(wrote);
    EXPECT_EQ(openAsIs(disk), std::make_pair(std::string(), true));
}

// Access's lock file beside the database says another program may be using it: recovery
// refuses, naming the lock file, and changes neither file.
TEST(Crash, AHotJournalIsNotAppliedWhileAccessLocksTheDatabase) {
    const Recording r =
        record(databaseWithRoll(60), replaceRoll(150), std::chrono::milliseconds{0});
    const Disk disk = diskWithHotJournal(r, 1);
    const testing_support::ScratchDir folder;
    const std::string path = folder / "roll.mdb";
    auto save = [](const std::string& p, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    auto load = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    };
    save(path, disk.database);
    save(folder / "roll.mdb-journal", disk.journal);
    const std::string lockFile = folder.write("roll.ldb");

    try {
        mdb::Database::open(path, mdb::OpenMode::ReadOnly);
        ADD_FAILURE() << "opened";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Locked);
        EXPECT_THAT(e.what(), testing::HasSubstr("its lock file '" + lockFile + "' exists"));
    }
    EXPECT_EQ(load(path), disk.database);
    EXPECT_EQ(load(folder / "roll.mdb-journal"), disk.journal);

    std::filesystem::remove(lockFile);
    EXPECT_NO_THROW(mdb::Database::open(path, mdb::OpenMode::ReadOnly));
    EXPECT_NE(load(path), disk.database);
}

}  // namespace
