#include "format/usage_map.h"

#include <gtest/gtest.h>

#include "file/pager.h"
#include "mdb/error.h"
#include "page_builder.h"

namespace {

using build::Bytes;

// 80 pages. Page 1 holds an inline map (start 8), a reference map whose first bitmap is page 3,
// a reference map pointing at a data page, and a map of an unknown type.
std::unique_ptr<mdb::Pager> mapPages() {
    Bytes inlineMap = build::inlineMap(8, {9, 12, 70});
    inlineMap[5 + 192 / 8] = 0;  // keep within 64 bytes
    Bytes reference{0x01};
    build::append32(reference, 3);
    build::append32(reference, 0);  // no second bitmap page yet
    Bytes badReference{0x01};
    build::append32(badReference, 1);
    const Bytes unknown{0x07, 0, 0, 0, 0};
    std::vector<mdb::PageBytes> pages(80);
    pages[1] = build::dataPage(0, {{inlineMap}, {reference}, {badReference}, {unknown}});
    pages[3][0] = mdb::kUsageMapPageType;
    pages[3][1] = 0x01;
    pages[3][4] = 0x04;             // page 2
    pages[3][4 + 40 / 8] |= 0x01;   // page 40
    pages[3][4 + 500 / 8] |= 0x10;  // page 500: past the end of this file
    return build::pagerOver(pages);
}

TEST(UsageMap, ListsPagesOfInlineAndReferenceMaps) {
    auto pager = mapPages();
    const mdb::UsageMap inlineMap = mdb::UsageMap::read(*pager, {1, 0});
    EXPECT_EQ(inlineMap.kind(), mdb::UsageMap::Kind::Inline);
    EXPECT_EQ(inlineMap.inlineStart(), 8u);
    EXPECT_EQ(inlineMap.pages(*pager), (std::vector<mdb::PageNumber>{9, 12, 70}));
    const mdb::UsageMap reference = mdb::UsageMap::read(*pager, {1, 1});
    EXPECT_EQ(reference.kind(), mdb::UsageMap::Kind::Reference);
    // Only the global map may mark pages past the end (as free); for a table it is damage.
    EXPECT_EQ(reference.pages(*pager, mdb::UsageMap::PastEnd::Ignore),
              (std::vector<mdb::PageNumber>{2, 40}));
    try {
        (void)reference.pages(*pager);
        ADD_FAILURE() << "no error";
    } catch (const mdb::Error& e) {
        EXPECT_STREQ(e.what(),
                     "usage map at page 1 row 1: lists a page past the end of the file (80 pages)");
    }
}

TEST(UsageMap, DamagedMapsAreCorrupt) {
    auto pager = mapPages();
    EXPECT_THROW((void)mdb::UsageMap::read(*pager, {1, 2}).pages(*pager), mdb::Error);
    EXPECT_THROW((void)mdb::UsageMap::read(*pager, {1, 3}), mdb::Error);
    EXPECT_THROW((void)mdb::UsageMap::read(*pager, {1, 9}), mdb::Error);
    EXPECT_THROW((void)mdb::UsageMap::read(*pager, {0, 0}), mdb::Error);
}

}  // namespace
