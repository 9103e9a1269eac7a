#include "mdb/pager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "data/scratch_dir.h"
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
    void sync() override { ++syncs; }
    bool tryLockExclusive() override {
        ++locks;
        return true;
    }
    int writes = 0, syncs = 0, locks = 0;
};

TEST(Pager, WritesEachOperationAtOnceAndSyncsOnlyWhenTheBatchEnds) {
    auto owned = std::make_unique<CountingFile>(4);
    CountingFile& file = *owned;
    mdb::Pager pager(std::move(owned));
    pager.beginBatch();
    for (int post = 0; post < 3; ++post) {
        pager.beginWrite();
        pager.modify(1)[0] = static_cast<std::uint8_t>(post + 1);
        pager.modify(2)[0] = 9;
        pager.commit();
        EXPECT_EQ(file.bytes()[mdb::kPageSize], post + 1);  // in the file when commit returns
    }
    EXPECT_EQ(file.writes, 6);
    EXPECT_EQ(file.syncs, 0);
    EXPECT_EQ(file.locks, 1);
    pager.endBatch();
    EXPECT_EQ(file.syncs, 1);
    pager.sync();  // nothing written since
    EXPECT_EQ(file.syncs, 1);

    // Outside a batch a write locks around itself; the sync waits for close.
    pager.beginWrite();
    pager.allocate();
    pager.commit();
    EXPECT_EQ(file.locks, 2);
    EXPECT_EQ(file.syncs, 1);
    EXPECT_EQ(file.pageCount(), 5u);
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

TEST(Pager, RefusesWritesToAFileOpenedReadOnly) {
    testing_support::ScratchDir dir;
    mdb::Pager pager(mdb::openDiskPageFile(fileOfPages(dir, 2), false));
    EXPECT_THROW(pager.beginBatch(), mdb::Error);
    EXPECT_THROW(pager.beginWrite(), mdb::Error);
    EXPECT_THROW(pager.modify(1), mdb::Error);
}

}  // namespace
