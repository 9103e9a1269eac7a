#include "mdb/pager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mdb/error.h"
#include "mdb/rc4.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes pages(int count) {
    Bytes b(static_cast<std::size_t>(count) * mdb::kPageSize);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i / mdb::kPageSize);
    return b;
}

TEST(Pager, WritesDirtyPagesOnlyOnCommitAndEncodesThem) {
    Bytes coded = pages(3);  // stored coded, as a database with a key stores them
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

TEST(Pager, RollbackForgetsChangesAndWritesNeedAnUpdate) {
    mdb::Pager pager(std::make_unique<mdb::MemoryPageFile>(pages(2)));
    EXPECT_THROW(pager.modify(1), mdb::Error);
    pager.beginWrite();
    pager.modify(1)[0] = 0xEE;
    (void)pager.allocate();
    pager.rollback();
    EXPECT_EQ((*pager.page(1))[0], 1);
    EXPECT_EQ(pager.pageCount(), 2u);
    EXPECT_THROW((void)pager.page(2), mdb::Error);
}

TEST(Pager, WritersOnTheSameFileExcludeEachOther) {
    const auto path = std::filesystem::temp_directory_path() / "brelvano-pager-lock.mdb";
    {
        std::ofstream out(path, std::ios::binary);
        const Bytes b = pages(2);
        out.write(reinterpret_cast<const char*>(b.data()), static_cast<long>(b.size()));
    }
    mdb::Pager first(mdb::openDiskPageFile(path.string(), true));
    mdb::Pager second(mdb::openDiskPageFile(path.string(), true));
    mdb::Pager reader(mdb::openDiskPageFile(path.string(), false));
    first.beginWrite();
    first.modify(1)[5] = 0x77;
    try {
        second.beginWrite();
        ADD_FAILURE() << "second writer got the lock";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Locked);
        EXPECT_EQ(std::string(e.what()),
                  "Could not use '" + path.string() + "'; file already in use");
    }
    EXPECT_EQ((*reader.page(1))[5], 1);  // readers take no lock
    first.commit();
    second.beginWrite();  // free again
    EXPECT_EQ((*second.page(1))[5], 0x77);
    second.rollback();
    EXPECT_THROW(reader.beginWrite(), mdb::Error);  // opened read-only
    std::filesystem::remove(path);
}

}  // namespace
