#include "format/page_allocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "file/pager.h"
#include "fixture_copy.h"
#include "format/usage_map.h"
#include "format/usage_map_row.h"
#include "mdb/error.h"

namespace {

using testing_mdb::openCopy;
using testing_mdb::reopen;

// Whether the global map marks page n free: only a set bit does (see page_allocator.h).
bool markedFree(mdb::Pager& pager, mdb::PageNumber n) {
    const mdb::UsageMap map = mdb::UsageMap::read(pager, {1, 0});
    const std::vector<mdb::PageNumber> free = map.pages(pager, mdb::UsageMap::PastEnd::Ignore);
    return std::binary_search(free.begin(), free.end(), n);
}

bool isZero(const mdb::PageBytes& page) {
    return std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; });
}

// Every page of the file is marked used.
void expectAllUsed(mdb::Pager& pager) {
    for (mdb::PageNumber n = 0; n < pager.pageCount(); ++n)
        ASSERT_FALSE(markedFree(pager, n)) << "page " << n;
}

TEST(PageAllocator, AppendsAPageThenReusesItOnceReleased) {
    REQUIRE_FIXTURES();
    auto m = openCopy("empty.mdb");
    mdb::Pager& pager = m.pager();
    const mdb::PageNumber count = pager.pageCount();
    expectAllUsed(pager);
    pager.beginWrite();
    mdb::PageAllocator allocator(pager);
    const mdb::PageNumber a = allocator.allocate();
    EXPECT_EQ(a, count);
    EXPECT_TRUE(isZero(*pager.page(a)));
    EXPECT_FALSE(markedFree(pager, a));
    pager.modify(a)[0] = 0x01;  // the caller fills it
    pager.commit();

    pager.beginWrite();
    allocator.release(a);
    EXPECT_EQ((*pager.page(a))[0], 0x01);  // its bytes stay: only the map changes
    EXPECT_TRUE(markedFree(pager, a));
    pager.commit();

    // A fresh allocator (another writer, later) finds the page again: no growth.
    auto again = reopen(m);
    again.pager().beginWrite();
    mdb::PageAllocator second(again.pager());
    EXPECT_EQ(second.allocate(), a);
    EXPECT_TRUE(isZero(*again.pager().page(a)));
    EXPECT_EQ(again.pager().pageCount(), count + 1);
    EXPECT_FALSE(markedFree(again.pager(), a));
    EXPECT_EQ(second.allocate(), count + 1);
    again.pager().commit();
    expectAllUsed(again.pager());
}

// A free page is taken whatever it still holds (Access leaves its bytes too), unless a table
// still names it.
TEST(PageAllocator, ReusesAFreePageThatStillHoldsBytesUnlessATableNamesIt) {
    REQUIRE_FIXTURES();
    auto m = openCopy("empty.mdb");
    mdb::Pager& pager = m.pager();
    const mdb::PageNumber count = pager.pageCount();
    pager.beginWrite();
    // Pages 22 and 23 hold long values; say they are free, 22 still named by its table.
    const mdb::PageBytes before = *pager.page(22);
    ASSERT_FALSE(isZero(*pager.page(23)));
    auto row = mdb::changeMapRow(pager, {1, 0});
    mdb::setBit(row.subspan(mdb::kInlineBitmapAt), 22, true);
    mdb::setBit(row.subspan(mdb::kInlineBitmapAt), 23, true);

    mdb::PageAllocator allocator(pager);
    allocator.setClaimedPages([] { return std::set<mdb::PageNumber>{22}; });
    EXPECT_EQ(allocator.allocate(), 23u);
    EXPECT_TRUE(isZero(*pager.page(23)));
    EXPECT_EQ(allocator.allocate(), count);
    EXPECT_EQ(*pager.page(22), before);
    EXPECT_TRUE(markedFree(pager, 22));
    pager.rollback();
}

TEST(PageAllocator, PromotesTheGlobalMapWhenTheFileOutgrowsIt) {
    REQUIRE_FIXTURES();
    auto m = openCopy("empty.mdb");
    mdb::Pager& pager = m.pager();
    const mdb::UsageMap before = mdb::UsageMap::read(pager, {1, 0});
    ASSERT_EQ(before.kind(), mdb::UsageMap::Kind::Inline);
    const std::size_t span = before.inlineStart() + before.inlineSpan();
    pager.beginWrite();
    mdb::PageAllocator allocator(pager);
    std::set<mdb::PageNumber> taken;
    while (pager.pageCount() < span + 40) taken.insert(allocator.allocate());
    pager.commit();

    const mdb::UsageMap after = mdb::UsageMap::read(pager, {1, 0});
    EXPECT_EQ(after.kind(), mdb::UsageMap::Kind::Reference);
    // The page count grew by the pages handed out plus one bitmap page.
    EXPECT_EQ(pager.pageCount(), 24 + taken.size() + 1);
    ASSERT_NE(after.bitmapPages()[0], 0u);
    EXPECT_FALSE(taken.contains(after.bitmapPages()[0]));
    expectAllUsed(pager);

    // Release and reuse work on the reference map too.
    pager.beginWrite();
    allocator.release(300);
    EXPECT_TRUE(markedFree(pager, 300));
    EXPECT_EQ(allocator.allocate(), 300u);
    pager.commit();
    auto fresh = reopen(m);
    expectAllUsed(fresh.pager());
}

TEST(PageAllocator, WorksOnAnAccessReferenceGlobalMap) {
    REQUIRE_FIXTURES();
    auto m = openCopy("testRefGlobalV2000.mdb");
    mdb::Pager& pager = m.pager();
    // Access wrote it without a single bitmap page: no page is marked free.
    const mdb::UsageMap before = mdb::UsageMap::read(pager, {1, 0});
    ASSERT_EQ(before.kind(), mdb::UsageMap::Kind::Reference);
    ASSERT_EQ(before.bitmapPages()[0], 0u);
    const mdb::PageNumber count = pager.pageCount();
    pager.beginWrite();
    mdb::PageAllocator allocator(pager);
    const mdb::PageNumber a = allocator.allocate();
    EXPECT_EQ(a, count);
    // The new page's range got a bitmap page, which marks the older pages used.
    const mdb::UsageMap after = mdb::UsageMap::read(pager, {1, 0});
    EXPECT_EQ(after.bitmapPages()[0], count + 1);
    expectAllUsed(pager);
    allocator.release(a);
    EXPECT_TRUE(markedFree(pager, a));
    EXPECT_EQ(allocator.allocate(), a);
    pager.commit();
    EXPECT_EQ(pager.pageCount(), count + 2);
}

TEST(PageAllocator, RefusesToPassTheLargestFileBeforeChangingAnything) {
    REQUIRE_FIXTURES();
    auto m = openCopy("empty.mdb");
    mdb::Pager& pager = m.pager();
    pager.beginWrite();
    mdb::PageAllocator allocator(pager);
    allocator.setPageLimitForTesting(pager.pageCount() + 1);
    allocator.allocate();
    const mdb::PageNumber count = pager.pageCount();
    const mdb::PageBytes map = *pager.page(1);
    try {
        allocator.allocate();
        ADD_FAILURE() << "allocated past the limit";
    } catch (const mdb::Error& e) {
        EXPECT_EQ(e.kind, mdb::Error::Kind::Refused);
        EXPECT_NE(std::string(e.what()).find("2 GB"), std::string::npos) << e.what();
    }
    EXPECT_EQ(pager.pageCount(), count);
    EXPECT_EQ(*pager.page(1), map);

    // A promotion needs the page and a bitmap page: with room for one, nothing happens either.
    pager.rollback();
    pager.beginWrite();
    const mdb::UsageMap inlineMap = mdb::UsageMap::read(pager, {1, 0});
    allocator.setPageLimitForTesting(mdb::kMaxJet4Pages);
    while (pager.pageCount() < inlineMap.inlineStart() + inlineMap.inlineSpan())
        allocator.allocate();
    allocator.setPageLimitForTesting(pager.pageCount() + 1);
    const mdb::PageBytes full = *pager.page(1);
    const mdb::PageNumber fullCount = pager.pageCount();
    EXPECT_THROW(allocator.allocate(), mdb::Error);
    EXPECT_EQ(pager.pageCount(), fullCount);
    EXPECT_EQ(*pager.page(1), full);
    pager.rollback();
}

TEST(PageAllocator, RefusesToFreeTheHeaderOrTheGlobalMap) {
    REQUIRE_FIXTURES();
    auto m = openCopy("empty.mdb");
    m.pager().beginWrite();
    mdb::PageAllocator allocator(m.pager());
    EXPECT_THROW(allocator.release(0), mdb::Error);
    EXPECT_THROW(allocator.release(1), mdb::Error);
    EXPECT_THROW(allocator.release(m.pager().pageCount()), mdb::Error);
    m.pager().rollback();
}

}  // namespace
