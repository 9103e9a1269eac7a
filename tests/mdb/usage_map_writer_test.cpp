#include "format/usage_map_writer.h"

#include <gtest/gtest.h>

#include "database/table_writer.h"
#include "file/pager.h"
#include "fixture_copy.h"
#include "format/usage_map.h"
#include "mdb/error.h"

namespace {

using Pages = std::vector<mdb::PageNumber>;

// MSysRelationships' owned-pages map in empty.mdb: inline, start 0, empty.
constexpr mdb::RowPosition kMap{6, 26};

TEST(UsageMapWriter, MovesAnInlineMapThenPromotesItWhenThePagesSpreadOut) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("empty.mdb");
    mdb::Pager& pager = m.pager();
    pager.beginWrite();
    mdb::PageAllocator allocator(pager);
    while (pager.pageCount() < 1100) allocator.allocate();
    mdb::UsageMapWriter writer(pager, allocator);
    auto read = [&] { return mdb::UsageMap::read(pager, kMap); };
    ASSERT_EQ(read().kind(), mdb::UsageMap::Kind::Inline);
    ASSERT_EQ(read().inlineSpan(), 512u);

    writer.add(kMap, 100);
    writer.add(kMap, 100);
    EXPECT_EQ(read().pages(pager), (Pages{100}));
    EXPECT_EQ(read().inlineStart(), 0u);

    writer.add(kMap, 560);  // past the range: the start moves to 96, a multiple of 8
    EXPECT_EQ(read().kind(), mdb::UsageMap::Kind::Inline);
    EXPECT_EQ(read().inlineStart(), 96u);
    EXPECT_EQ(read().pages(pager), (Pages{100, 560}));

    writer.add(kMap, 60);  // before the start, still within 512 pages of the last one
    EXPECT_EQ(read().inlineStart(), 56u);
    writer.remove(kMap, 60);

    const mdb::PageNumber before = pager.pageCount();
    writer.add(kMap, 1000);  // 100..1000 does not fit 512 bits: a reference map
    EXPECT_EQ(read().kind(), mdb::UsageMap::Kind::Reference);
    EXPECT_EQ(read().pages(pager), (Pages{100, 560, 1000}));
    EXPECT_EQ(pager.pageCount(), before + 1) << "one bitmap page";
    EXPECT_EQ(read().bitmapPages()[0], before);

    writer.remove(kMap, 560);
    writer.remove(kMap, 561);  // not there: nothing happens
    EXPECT_EQ(read().pages(pager), (Pages{100, 1000}));
    writer.add(kMap, 1099);
    EXPECT_EQ(read().pages(pager), (Pages{100, 1000, 1099}));
    writer.clear(kMap);
    EXPECT_EQ(read().pages(pager), Pages{});
    EXPECT_EQ(read().bitmapPages()[0], before) << "the bitmap page stays for later use";
    pager.commit();

    auto fresh = testing_mdb::reopen(m);
    EXPECT_EQ(mdb::UsageMap::read(fresh.pager(), kMap).kind(), mdb::UsageMap::Kind::Reference);
}

TEST(UsageMapWriter, ClearsAnInlineMapAndRefusesADamagedRow) {
    REQUIRE_FIXTURES();
    auto m = testing_mdb::openCopy("empty.mdb");
    mdb::Pager& pager = m.pager();
    pager.beginWrite();
    mdb::PageAllocator allocator(pager);
    mdb::UsageMapWriter writer(pager, allocator);
    // MSysObjects' owned-pages map names page 14.
    const mdb::RowPosition owned{6, 0};
    ASSERT_EQ(mdb::UsageMap::read(pager, owned).pages(pager), (Pages{14}));
    writer.clear(owned);
    EXPECT_EQ(mdb::UsageMap::read(pager, owned).pages(pager), Pages{});
    writer.add(owned, 14);
    EXPECT_EQ(mdb::UsageMap::read(pager, owned).pages(pager), (Pages{14}));

    EXPECT_THROW(writer.add({6, 200}, 14), mdb::Error) << "no such row";
    EXPECT_THROW(writer.add({7, 0}, 14), mdb::Error) << "an index page, not a data page";
    pager.rollback();
}

}  // namespace
