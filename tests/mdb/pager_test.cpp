#include "file/pager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "data/scratch_dir.h"
#include "faulty_page_file.h"
#include "file/page_file.h"
#include "file/rc4.h"
#include "format/write_order.h"
#include "mdb/error.h"

namespace {

// A file in memory that counts what the pager asks of it.
class CountingFile : public mdb::MemoryPageFile {
public:
    explicit CountingFile(std::size_t pages)
        : MemoryPageFile(std::vector<std::uint8_t>(pages * mdb::kPageSize, 0)) {}
    void write(mdb::PageNumber n, std::span<const std::uint8_t, mdb::kPageSize> in) override {
        ++writes;
        MemoryPageFile::write(n, in);
    }
    void writeRun(mdb::PageNumber first, std::span<const std::uint8_t* const> pages) override {
        ++runs;
        mdb::PageFile::writeRun(first, pages);
    }
    void sync() override { ++syncs; }
    bool tryLockExclusive() override {
        ++locks;
        return true;
    }
    int writes = 0, runs = 0, syncs = 0, locks = 0;
};

std::uint8_t storedByte(const mdb::MemoryPageFile& file, mdb::PageNumber n) {
    return file.bytes()[n * mdb::kPageSize];
}

TEST(Pager, OutsideABatchEachCommitWritesAtOnce) {
    auto owned = std::make_unique<CountingFile>(4);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    for (int post = 0; post < 3; ++post) {
        pager.beginWrite();
        pager.modify(1)[0] = static_cast<std::uint8_t>(post + 1);
        pager.modify(2)[0] = 9;
        pager.commit();
        EXPECT_EQ(storedByte(file, 1), post + 1);  // in the file when commit returns
    }
    EXPECT_EQ(file.writes, 6);
    EXPECT_EQ(file.locks, 3);  // a write locks around itself
    EXPECT_EQ(file.syncs, 3);  // each commit is made durable before its journal is emptied
    pager.beginWrite();
    pager.allocate();
    pager.commit();
    EXPECT_EQ(file.pageCount(), 5u);
}

TEST(Pager, InABatchCommittedPagesAreReadAsWrittenAndReachTheFileWhenTheBatchEnds) {
    auto owned = std::make_unique<CountingFile>(4);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginBatch();
    for (int post = 0; post < 3; ++post) {
        pager.beginWrite();
        pager.modify(1)[0] = static_cast<std::uint8_t>(post + 1);
        pager.modify(2)[0] = 9;
        const mdb::PageNumber added = pager.allocate();
        pager.modify(added)[0] = static_cast<std::uint8_t>(added);
        pager.commit();
        EXPECT_EQ((*pager.page(1))[0], post + 1);
        EXPECT_EQ((*pager.page(added))[0], added);
        EXPECT_EQ(pager.pageCount(), 5u + post);
    }
    // A later operation builds on the pending pages.
    pager.beginWrite();
    EXPECT_EQ(pager.modify(1)[0], 3);
    EXPECT_EQ(pager.allocate(), 7u);
    pager.commit();
    EXPECT_EQ(file.writes, 0);
    EXPECT_EQ(storedByte(file, 1), 0);
    EXPECT_EQ(file.pageCount(), 4u);

    pager.endBatch();
    EXPECT_EQ(file.writes, 6);  // pages 1, 2 and the four appended, once each
    EXPECT_EQ(file.syncs, 1);
    EXPECT_EQ(file.locks, 1);
    EXPECT_EQ(file.pageCount(), 8u);
    EXPECT_EQ(storedByte(file, 1), 3);
    for (mdb::PageNumber n = 4; n < 7; ++n) EXPECT_EQ(storedByte(file, n), n);
    pager.sync();  // nothing written since
    EXPECT_EQ(file.syncs, 1);
}

TEST(Pager, TheGroupIsWrittenAtSyncAndWhenItPassesItsLimits) {
    auto owned = std::make_unique<CountingFile>(2 * mdb::Pager::kGroupPages);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginBatch();
    auto post = [&](mdb::PageNumber n, std::uint8_t value) {
        pager.beginWrite();
        pager.modify(n)[0] = value;
        pager.commit();
    };
    post(1, 1);
    pager.sync();
    EXPECT_EQ(file.writes, 1);
    EXPECT_EQ(file.syncs, 1);

    SCOPED_TRACE("pages");
    for (mdb::PageNumber n = 1; n < mdb::Pager::kGroupPages; ++n) post(n, 2);
    EXPECT_EQ(file.writes, 1);
    post(mdb::Pager::kGroupPages, 2);  // the limit
    EXPECT_EQ(file.writes, 1 + static_cast<int>(mdb::Pager::kGroupPages));
    EXPECT_EQ(storedByte(file, mdb::Pager::kGroupPages), 2);

    SCOPED_TRACE("operations");
    file.writes = 0;
    for (std::size_t i = 1; i < mdb::Pager::kGroupOperations; ++i)
        post(3, static_cast<std::uint8_t>(i));
    EXPECT_EQ(file.writes, 0);
    post(3, 7);
    EXPECT_EQ(file.writes, 1);
    EXPECT_EQ(storedByte(file, 3), 7);
    pager.endBatch();
    EXPECT_EQ(file.writes, 1);
}

TEST(Pager, RollbackInAGroupRestoresThePendingPagesAndKeepsTheEarlierOperations) {
    auto owned = std::make_unique<CountingFile>(4);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginBatch();
    pager.beginWrite();
    pager.modify(1)[0] = 1;
    pager.modify(2)[0] = 1;
    const mdb::PageNumber first = pager.allocate();
    pager.modify(first)[0] = 1;
    pager.commit();

    pager.beginWrite();
    const std::uint64_t generation = pager.generation();
    mdb::PageRef held = pager.page(1);
    pager.modify(1)[0] = 2;
    pager.overwrite(2).fill(2);  // no copy of the old bytes, yet they come back
    pager.modify(first)[0] = 2;
    pager.modify(3)[0] = 2;  // not pending: from the file
    pager.allocate();
    EXPECT_EQ(pager.pageCount(), 6u);
    pager.rollback();
    EXPECT_NE(pager.generation(), generation);
    EXPECT_EQ((*held)[0], 1);
    for (mdb::PageNumber n : {1u, 2u, first}) EXPECT_EQ((*pager.page(n))[0], 1) << n;
    EXPECT_EQ((*pager.page(3))[0], 0);
    EXPECT_EQ(pager.pageCount(), 5u);

    // The next operation appends where the rolled-back one did.
    pager.beginWrite();
    EXPECT_EQ(pager.allocate(), 5u);
    pager.commit();
    pager.endBatch();
    EXPECT_EQ(file.pageCount(), 6u);
    for (mdb::PageNumber n : {1u, 2u, first}) EXPECT_EQ(storedByte(file, n), 1) << n;
    EXPECT_EQ(storedByte(file, 3), 0);
}

TEST(Pager, AnOperationThatWritesEarlyHasTheGroupWrittenBeforeIt) {
    auto owned = std::make_unique<CountingFile>(4000);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginBatch();
    pager.beginWrite();
    pager.modify(1)[0] = 1;
    pager.commit();
    pager.beginWrite();
    pager.modify(2)[0] = 2;
    EXPECT_EQ(file.writes, 0);
    pager.allowEarlyWrites();
    EXPECT_EQ(file.writes, 1);
    EXPECT_EQ(storedByte(file, 1), 1);
    for (mdb::PageNumber n = 10; n < 3000; ++n) pager.modify(n)[0] = 3;
    pager.writeEarlyIfLarge();
    EXPECT_EQ(file.writes, 1 + 2991);
    pager.modify(3500)[0] = 3;
    pager.commit();  // written on its own, not left pending
    EXPECT_EQ(storedByte(file, 3500), 3);
    pager.endBatch();
}

TEST(Pager, RollbackLeavesTheFileUntouchedAndSaysCachesAreStale) {
    auto owned = std::make_unique<CountingFile>(3);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    const std::vector<std::uint8_t> before = file.bytes();
    pager.beginWrite();
    const std::uint64_t generation = pager.generation();
    pager.modify(2)[100] = 1;
    pager.allocate();
    EXPECT_EQ(pager.pageCount(), 4u);
    pager.rollback();
    EXPECT_EQ(file.bytes(), before);
    EXPECT_EQ(file.writes, 0);
    EXPECT_EQ(pager.pageCount(), 3u);
    EXPECT_NE(pager.generation(), generation);
    EXPECT_EQ((*pager.page(2))[100], 0);

    // A rollback with nothing changed keeps what callers cached.
    pager.beginWrite();
    const std::uint64_t unchanged = pager.generation();
    pager.rollback();
    EXPECT_EQ(pager.generation(), unchanged);
}

TEST(Pager, WritesRunsOfConsecutivePagesTogether) {
    auto owned = std::make_unique<CountingFile>(10);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginWrite();
    for (mdb::PageNumber n : {2u, 3u, 4u, 7u}) pager.modify(n)[0] = static_cast<std::uint8_t>(n);
    pager.allocate();  // page 10, after 9: a run of its own
    pager.modify(9)[0] = 9;
    pager.commit();
    EXPECT_EQ(file.runs, 3);  // 2-4, 7, 9-10
    EXPECT_EQ(file.writes, 6);
    EXPECT_EQ(file.pageCount(), 11u);
    for (mdb::PageNumber n : {2u, 3u, 4u, 7u, 9u}) EXPECT_EQ(file.bytes()[n * mdb::kPageSize], n);
}

TEST(Pager, WritesEarlyOnlyWhenAllowedAndAtItsSafePoints) {
    auto owned = std::make_unique<CountingFile>(4000);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginWrite();
    for (mdb::PageNumber n = 1; n < 3000; ++n) pager.modify(n)[0] = 1;
    pager.writeEarlyIfLarge();  // not allowed: nothing happens
    EXPECT_EQ(file.writes, 0);
    pager.allowEarlyWrites();
    pager.writeEarlyIfLarge();
    EXPECT_EQ(file.writes, 2999);
    pager.modify(3500)[0] = 2;
    pager.writeEarlyIfLarge();  // below the limit: waits for the commit
    EXPECT_EQ(file.writes, 2999);
    const std::uint64_t generation = pager.generation();
    pager.rollback();  // the journal puts the pages written back, and callers must read them again
    EXPECT_NE(pager.generation(), generation);
    EXPECT_EQ(file.writes, 2 * 2999);
    EXPECT_EQ(file.bytes()[1 * mdb::kPageSize], 0);
    EXPECT_EQ(file.bytes()[3500 * mdb::kPageSize], 0);

    pager.beginWrite();  // the next operation writes nothing early on its own
    for (mdb::PageNumber n = 1; n < 3000; ++n) pager.modify(n)[0] = 3;
    pager.writeEarlyIfLarge();
    EXPECT_EQ(file.writes, 2 * 2999);
    pager.commit();
    EXPECT_EQ(file.writes, 3 * 2999);
}

// Pages 0-4 of a database: page 2 a data page of the table whose definition is page 3.
std::vector<std::uint8_t> tablePages() {
    std::vector<std::uint8_t> b(5 * mdb::kPageSize, 0);
    b[2 * mdb::kPageSize] = 0x01;
    b[2 * mdb::kPageSize + 4] = 3;
    b[3 * mdb::kPageSize] = 0x02;
    return b;
}

TEST(Pager, AGroupIsWrittenInItsWriteOrderAndBeforeAnOperationWithTheOther) {
    auto owned = std::make_unique<testing_mdb::FaultyPageFile>(tablePages());
    testing_mdb::FaultyPageFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.setPageOrdering(mdb::orderForWriting);
    pager.beginBatch();
    auto post = [&](mdb::WriteOrder order, std::vector<mdb::PageNumber> pages) {
        pager.beginWrite();
        pager.setWriteOrder(order);
        for (mdb::PageNumber n : pages) ++pager.modify(n)[100];
        pager.commit();
    };
    post(mdb::WriteOrder::RowsAppear, {2, 3});
    post(mdb::WriteOrder::RowsAppear, {2});
    EXPECT_TRUE(file.writes().empty());
    post(mdb::WriteOrder::RowsDisappear, {2, 3});
    pager.endBatch();
    std::vector<mdb::PageNumber> written;
    for (const auto& w : file.writes()) written.push_back(w.page);
    // Inserts: the row's page after the definition; the delete: the row's page first.
    EXPECT_EQ(written, (std::vector<mdb::PageNumber>{3, 2, 2, 3}));
    EXPECT_EQ(file.bytes()[2 * mdb::kPageSize + 100], 3);
}

// A batch whose pending group changes pages 1 and 2 and appends two pages.
void fillGroup(mdb::Pager& pager) {
    for (std::uint8_t post = 1; post <= 2; ++post) {
        pager.beginWrite();
        pager.modify(1)[100] = post;
        pager.modify(2)[100] = post;
        pager.modify(pager.allocate())[0] = post;
        pager.commit();
    }
}

const std::string kGroupNotStored =
    "Could not write to 'faulty.mdb': No space left on device; the changes since the last write "
    "were not stored and the database is as it was before them";

TEST(Pager, AFailedWriteOfAGroupLeavesTheFileAsItWasBeforeTheGroupAndSaysSo) {
    const std::vector<std::uint8_t> base = tablePages();
    for (std::size_t k = 1;; ++k) {
        SCOPED_TRACE("failing write " + std::to_string(k));
        auto owned = std::make_unique<testing_mdb::FaultyPageFile>(base);
        testing_mdb::FaultyPageFile& file = *owned;
        mdb::Pager pager(std::move(owned));
        pager.beginBatch();
        fillGroup(pager);
        file.failWrite(k);
        std::string message;
        try {
            pager.endBatch();
        } catch (const mdb::Error& e) {
            message = e.what();
        }
        if (message.empty()) {
            EXPECT_EQ(k, 5u) << "the group has four pages";
            return;
        }
        EXPECT_EQ(message, kGroupNotStored);
        ASSERT_TRUE(file.bytes() == base) << "the file changed";
        // The pager reads the file again, not the lost group.
        EXPECT_EQ(pager.pageCount(), 5u);
        EXPECT_EQ((*pager.page(1))[100], 0);
        EXPECT_FALSE(pager.inBatch());
    }
}

// Reading ahead fills the cache but never over a page the pending group or the operation holds.
TEST(Pager, ReadingAheadKeepsPendingAndChangedPages) {
    mdb::Pager pager(std::make_unique<CountingFile>(40), 16);  // pending pages soon leave it
    pager.beginBatch();
    pager.beginWrite();
    pager.modify(3)[0] = 33;
    pager.commit();
    pager.beginWrite();
    pager.modify(5)[0] = 55;
    std::vector<mdb::PageNumber> pages;
    for (mdb::PageNumber n = 4; n < 40; ++n) pages.push_back(n);
    pages.push_back(1);  // reading these empties the cache...
    pages.push_back(3);  // ... before page 3 comes
    pager.readAhead(pages);
    EXPECT_EQ((*pager.page(3))[0], 33);
    EXPECT_EQ((*pager.page(5))[0], 55);
    pager.commit();
    pager.endBatch();
}

TEST(Pager, LookingThroughPagesSeesEachAsPageGivesItInOrder) {
    std::vector<std::uint8_t> bytes(80 * mdb::kPageSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 / 5);
    mdb::Pager pager(std::make_unique<mdb::MemoryPageFile>(bytes), 16);
    pager.setDatabaseKey(0x5A17);  // the pages are coded on the file
    pager.beginBatch();
    pager.beginWrite();
    pager.modify(3)[9] = 33;  // pending in the group
    pager.commit();
    pager.beginWrite();
    pager.modify(50)[9] = 55;  // changed by the operation, in the middle of a run
    std::vector<mdb::PageNumber> pages{7, 3, 200, 0};              // 200: past the end, skipped
    for (mdb::PageNumber n = 10; n < 80; ++n) pages.push_back(n);  // runs longer than one read
    pages.push_back(8);
    std::vector<mdb::PageNumber> seen;
    pager.lookThrough(pages, [&](mdb::PageNumber n, const mdb::PageBytes& page) {
        seen.push_back(n);
        EXPECT_TRUE(page == *pager.page(n)) << "page " << n;
    });
    pages.erase(pages.begin() + 2);
    EXPECT_EQ(seen, pages);
    pager.commit();
    pager.endBatch();
}

// A page freed and taken again before the freeing is committed is copied first, like a page in
// use, so a failed write puts it back; one free at the last commit is taken without a copy.
TEST(Pager, APageFreedSinceTheLastCommitIsPutBackWhenAWriteFails) {
    std::vector<std::uint8_t> base(6 * mdb::kPageSize);
    for (std::size_t n = 0; n < 6; ++n)
        std::fill_n(base.begin() + static_cast<std::ptrdiff_t>(n * mdb::kPageSize), mdb::kPageSize,
                    static_cast<std::uint8_t>(0x10 + n));
    auto owned = std::make_unique<testing_mdb::FaultyPageFile>(base, "faulty.mdb", true);
    testing_mdb::FaultyPageFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginBatch();
    pager.setCommitInterval(std::chrono::hours{1});
    pager.beginWrite();
    pager.noteFreed(2);
    pager.modify(5)[1] = 1;  // the map that says so
    pager.commit();
    pager.beginWrite();
    for (mdb::PageNumber n : {2, 3}) {  // 2 freed just now, 3 free at the last commit
        mdb::PageBytes& page = pager.reuseFreePage(n);
        EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; }));
        page[0] = 0xAA;
    }
    pager.commit();
    file.failWrite(3);  // pages 2 and 3 are written, 5 fails
    EXPECT_THROW(pager.endBatch(), mdb::Error);
    auto stored = [&file](mdb::PageNumber n) { return file.bytes()[n * mdb::kPageSize]; };
    EXPECT_EQ(stored(2), 0x12);
    EXPECT_EQ(stored(3), 0xAA) << "no copy was kept of a page no one used";
    EXPECT_EQ(stored(5), 0x15);
}

TEST(Pager, AFailedGroupSurfacesOnTheOperationThatWritesIt) {
    const std::vector<std::uint8_t> base = tablePages();
    auto owned = std::make_unique<testing_mdb::FaultyPageFile>(base);
    testing_mdb::FaultyPageFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginBatch();
    fillGroup(pager);
    const std::uint64_t generation = pager.generation();
    file.failWrite(2);
    pager.beginWrite();
    pager.setWriteOrder(mdb::WriteOrder::RowsDisappear);
    pager.modify(2)[100] = 9;
    EXPECT_THAT([&] { pager.commit(); },
                testing::ThrowsMessage<mdb::Error>(testing::StrEq(kGroupNotStored)));
    EXPECT_FALSE(pager.writing());  // the operation that reported it is gone too
    EXPECT_NE(pager.generation(), generation);
    EXPECT_TRUE(file.bytes() == base);
    EXPECT_TRUE(pager.inBatch());

    // The batch goes on from the file as it is.
    file.heal();
    pager.beginWrite();
    EXPECT_EQ(pager.allocate(), 5u);
    pager.commit();
    pager.endBatch();
    EXPECT_EQ(file.pageCount(), 6u);

    // A disk that stays broken cannot have the group put back.
    pager.beginBatch();
    fillGroup(pager);
    file.failWrite(2, true);
    EXPECT_THAT([&] { pager.endBatch(); },
                testing::ThrowsMessage<mdb::Error>(testing::StrEq(
                    "Could not write to 'faulty.mdb': No space left on device; the changes since "
                    "the last write may be partly stored: check the database before using it "
                    "again")));
}

std::string fileOfPages(const testing_support::ScratchDir& dir, std::size_t pages) {
    return dir.write("db.mdb", std::string(pages * mdb::kPageSize, '\0'));
}

TEST(Pager, ASecondWriterIsRefusedAtOnceWhileTheFirstHoldsTheLock) {
    testing_support::ScratchDir dir;
    const std::string path = fileOfPages(dir, 3);
    // Two open file descriptions of one file, as two programs would have.
    mdb::Pager first(mdb::openDiskPageFile(path, true));
    mdb::Pager second(mdb::openDiskPageFile(path, true));
    first.beginBatch();
    EXPECT_THAT([&] { second.beginWrite(); },
                testing::ThrowsMessage<mdb::Error>(testing::StrEq(
                    "Could not use '" + path + "'; the database is locked by another program")));
    EXPECT_THROW(second.beginBatch(), mdb::Error);
    first.beginWrite();
    first.modify(1)[7] = 7;
    first.commit();  // the batch keeps the lock
    EXPECT_THROW(second.beginWrite(), mdb::Error);
    first.endBatch();

    // Taking the lock forgets cached pages: the second writer sees the first one's change.
    EXPECT_EQ((*second.page(1))[7], 7);
    second.beginWrite();
    EXPECT_THROW(first.beginWrite(), mdb::Error);
    second.modify(1)[7] = 8;
    second.commit();
    EXPECT_EQ((*first.page(1))[7], 7);  // a reader's cache is its own affair
    first.beginBatch();
    EXPECT_EQ((*first.page(1))[7], 8);
    first.endBatch();
}

TEST(Pager, ChangesASparseCopyOnlyAfterReservingItsBlocks) {
    testing_support::ScratchDir dir;
    const std::string path = dir / "sparse.mdb";
    { std::ofstream(path, std::ios::binary); }
    std::filesystem::resize_file(path, 64 * mdb::kPageSize);  // one hole, as cp leaves zeros
    {
        mdb::Pager pager(mdb::openDiskPageFile(path, true));
        pager.beginWrite();
        pager.modify(40)[9] = 0x5A;  // a page inside the file: through the mapping, if any
        pager.allocate();            // page 64: appended
        pager.modify(64)[1] = 0xA5;
        pager.commit();
        // Another reader of the file sees the change at once, before any sync.
        mdb::Pager reader(mdb::openDiskPageFile(path, false));
        EXPECT_EQ((*reader.page(40))[9], 0x5A);
        EXPECT_EQ((*reader.page(64))[1], 0xA5);
        EXPECT_EQ(reader.pageCount(), 65u);
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 65 * static_cast<off_t>(mdb::kPageSize));
    // The mapping reserved every block of the file before it wrote into the hole.
    EXPECT_GE(st.st_blocks * 512, 41 * static_cast<off_t>(mdb::kPageSize));
}

TEST(Pager, RefusesWritesToAFileOpenedReadOnly) {
    testing_support::ScratchDir dir;
    mdb::Pager pager(mdb::openDiskPageFile(fileOfPages(dir, 2), false));
    EXPECT_THROW(pager.beginBatch(), mdb::Error);
    EXPECT_THROW(pager.beginWrite(), mdb::Error);
    EXPECT_THROW(pager.modify(1), mdb::Error);
}

using Bytes = std::vector<std::uint8_t>;

// Pages whose every byte is the page's own number, so that a page read back names itself.
Bytes numberedPages(int count) {
    Bytes b(static_cast<std::size_t>(count) * mdb::kPageSize);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i / mdb::kPageSize);
    return b;
}

TEST(Pager, WritesDirtyPagesOnlyOnCommitAndEncodesThem) {
    Bytes coded = numberedPages(3);  // stored coded, as a database with a key stores them
    for (std::uint32_t n = 1; n < 3; ++n)
        mdb::rc4CodePage(0x01020304, n,
                         std::span(coded).subspan(n * mdb::kPageSize, mdb::kPageSize));
    auto file = std::make_unique<mdb::MemoryPageFile>(coded);
    mdb::MemoryPageFile* raw = file.get();
    mdb::Pager pager(std::move(file));
    pager.setDatabaseKey(0x01020304);

    pager.beginWrite();
    mdb::PageRef before = pager.page(2);
    pager.modify(2)[100] = 0xAB;
    const mdb::PageNumber added = pager.allocate();
    pager.modify(added)[0] = 0x01;
    EXPECT_EQ(added, 3u);
    EXPECT_EQ(pager.pageCount(), 4u);
    EXPECT_EQ(raw->bytes().size(), 3 * mdb::kPageSize);  // nothing written yet
    EXPECT_EQ((*before)[100], 2);                        // a held page keeps its bytes
    EXPECT_EQ((*pager.page(2))[100], 0xAB);
    pager.commit();

    ASSERT_EQ(raw->bytes().size(), 4 * mdb::kPageSize);
    mdb::PageBytes stored{};
    std::copy_n(raw->bytes().begin() + 2 * mdb::kPageSize, mdb::kPageSize, stored.begin());
    EXPECT_NE(stored[100], 0xAB);  // coded on disk
    mdb::rc4CodePage(0x01020304, 2, stored);
    EXPECT_EQ(stored[100], 0xAB);
    EXPECT_EQ(stored[99], 2);
}

}  // namespace
