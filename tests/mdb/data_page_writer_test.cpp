#include "format/data_page_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "format/data_page.h"
#include "mdb/error.h"

namespace {

using Binary = std::vector<std::uint8_t>;
using mdb::DataPageWriter;
using mdb::PageBytes;

constexpr mdb::PageNumber kPage = 9;
constexpr std::uint32_t kOwner = 77;

Binary rowOf(std::size_t size, std::uint8_t fill) { return Binary(size, fill); }

PageBytes emptyPage() {
    PageBytes page{};
    DataPageWriter::initialize(page, kOwner);
    return page;
}

// The live rows as a reader sees them: number -> bytes (deleted rows absent).
std::map<int, Binary> liveRows(const PageBytes& page) {
    const mdb::DataPage reader(page, kPage);
    std::map<int, Binary> out;
    for (int i = 0; i < reader.rowCount(); ++i) {
        if (reader.isDeleted(i)) continue;
        const mdb::ByteView r = reader.row(i);
        out[i] = Binary(r.begin(), r.end());
    }
    return out;
}

std::uint16_t freeField(const PageBytes& page) { return mdb::get16le(page, 2); }

TEST(DataPageWriter, FillsAPageExactlyAndRefusesOneByteMore) {
    PageBytes page = emptyPage();
    EXPECT_EQ(freeField(page), 4082);
    EXPECT_EQ(mdb::get32le(page, 4), kOwner);
    // 4082 = 157 * (24 + 2): 157 rows of 24 bytes fill the page to the last byte.
    for (int i = 0; i < 157; ++i) {
        DataPageWriter w(page, kPage);
        ASSERT_EQ(w.insert(rowOf(24, static_cast<std::uint8_t>(i))), i);
    }
    EXPECT_EQ(freeField(page), 0);
    DataPageWriter w(page, kPage);
    EXPECT_FALSE(w.fits(1));
    EXPECT_FALSE(w.insert(rowOf(1, 0)).has_value());
    const auto rows = liveRows(page);
    ASSERT_EQ(rows.size(), 157u);
    EXPECT_EQ(rows.at(156), rowOf(24, 156));

    PageBytes other = emptyPage();
    DataPageWriter big(other, kPage);
    EXPECT_TRUE(big.fits(mdb::kMaxRowOnPage));
    EXPECT_FALSE(big.fits(mdb::kMaxRowOnPage + 1));
    EXPECT_EQ(big.insert(rowOf(mdb::kMaxRowOnPage, 5)), 0);
    EXPECT_EQ(freeField(other), 0);
}

TEST(DataPageWriter, StopsAt255RowsWithSpaceLeft) {
    PageBytes page = emptyPage();
    for (int i = 0; i < 255; ++i) ASSERT_TRUE(DataPageWriter(page, kPage).insert(rowOf(4, 1)));
    DataPageWriter w(page, kPage);
    EXPECT_GT(freeField(page), 1000);
    EXPECT_EQ(w.room(), 0u);
    EXPECT_FALSE(w.insert(rowOf(4, 1)).has_value());
    // A deleted row's number can be taken again.
    w.remove(100);
    EXPECT_EQ(w.insert(rowOf(9, 2)), 100);
    EXPECT_EQ(liveRows(page).at(100), rowOf(9, 2));
}

TEST(DataPageWriter, DeletingMovesTheOtherRowsButKeepsTheirNumbers) {
    PageBytes page = emptyPage();
    for (int i = 0; i < 5; ++i)
        DataPageWriter(page, kPage).insert(rowOf(10 + i, static_cast<std::uint8_t>(0xE0 + i)));
    const std::uint16_t before = freeField(page);
    DataPageWriter(page, kPage).remove(1);
    EXPECT_EQ(freeField(page), before + 11);
    const auto rows = liveRows(page);
    ASSERT_EQ(rows.size(), 4u);
    for (int i : {0, 2, 3, 4})
        EXPECT_EQ(rows.at(i), rowOf(10 + i, static_cast<std::uint8_t>(0xE0 + i)));
    const mdb::DataPage reader(page, kPage);
    EXPECT_EQ(mdb::get16le(page, 14 + 2) & 0xC000, 0xC000);  // flagged as Access flags it
    EXPECT_TRUE(reader.row(1).empty());
    // The deleted row's bytes are gone from the page, not just unlinked.
    EXPECT_EQ(std::count(page.begin(), page.end(), std::uint8_t{0xE1}), 0);

    // A longer row takes the free number; the rows after it move down.
    EXPECT_EQ(DataPageWriter(page, kPage).insert(rowOf(40, 9)), 1);
    EXPECT_EQ(liveRows(page).at(1), rowOf(40, 9));
    EXPECT_EQ(liveRows(page).at(4), rowOf(14, 0xE4));
    EXPECT_EQ(freeField(page), before + 11 - 40);
}

TEST(DataPageWriter, DropsTrailingFreeSlots) {
    PageBytes page = emptyPage();
    for (int i = 0; i < 4; ++i) DataPageWriter(page, kPage).insert(rowOf(8, 1));
    DataPageWriter(page, kPage).remove(2);
    EXPECT_EQ(mdb::get16le(page, 12), 4);
    DataPageWriter(page, kPage).remove(3);
    EXPECT_EQ(mdb::get16le(page, 12), 2);  // rows 2 and 3 are gone altogether
    EXPECT_EQ(freeField(page), 4082 - 2 * 10);
    DataPageWriter(page, kPage).remove(0);
    DataPageWriter(page, kPage).remove(1);
    // One free slot stays: mdbtools reads row 0 of a page it does not check for rows.
    EXPECT_EQ(mdb::get16le(page, 12), 1);
    EXPECT_TRUE(DataPageWriter(page, kPage).empty());
    EXPECT_EQ(freeField(page), 4080);
    EXPECT_EQ(DataPageWriter(page, kPage).insert(rowOf(4080, 3)), 0);
}

// A page as other writers leave it: row 0 live, row 1 deleted in place by Jackcess (0xC000,
// bytes left), row 2 the target of an overflow pointer (0x8000 alone, bytes in use), row 3 live.
PageBytes pageFromOtherWriters() {
    PageBytes page = emptyPage();
    const std::uint16_t slots[] = {4096 - 100, 0xC000 | (4096 - 300), 0x8000 | (4096 - 350),
                                   4096 - 400};
    mdb::put16le(page, 12, 4);
    for (int i = 0; i < 4; ++i) mdb::put16le(page, 14 + 2 * i, slots[i]);
    std::fill(page.begin() + 3996, page.end(), std::uint8_t{0xA0});
    std::fill(page.begin() + 3796, page.begin() + 3996, std::uint8_t{0xA1});
    std::fill(page.begin() + 3746, page.begin() + 3796, std::uint8_t{0xA2});
    std::fill(page.begin() + 3696, page.begin() + 3746, std::uint8_t{0xA3});
    mdb::put16le(page, 2, static_cast<std::uint16_t>(3696 - 22));
    return page;
}

TEST(DataPageWriter, ReclaimsRowsDeletedInPlaceButKeepsOverflowTargets) {
    PageBytes page = pageFromOtherWriters();
    DataPageWriter w(page, kPage);
    EXPECT_FALSE(w.empty());
    // The 200 bytes of the row deleted in place count as free; the overflow target's do not.
    EXPECT_EQ(w.room(), 3696u - 22 + 200);
    EXPECT_EQ(w.insert(rowOf(3800, 7)), 1);  // needs the reclaimed bytes: repacked
    const mdb::DataPage reader(page, kPage);
    EXPECT_EQ(reader.row(0).size(), 100u);
    EXPECT_EQ(reader.row(0)[0], 0xA0);
    EXPECT_EQ(reader.row(1).size(), 3800u);
    EXPECT_EQ(reader.row(2).size(), 50u);  // the overflow target kept its bytes and flag
    EXPECT_EQ(reader.row(2)[49], 0xA2);
    EXPECT_TRUE(reader.isDeleted(2));
    EXPECT_EQ(reader.row(3)[0], 0xA3);

    DataPageWriter again(page, kPage);
    EXPECT_THROW(again.remove(2), mdb::Error);  // not a live row
    again.removeOverflowTarget(2);
    EXPECT_EQ(mdb::DataPage(page, kPage).row(2).size(), 0u);
}

TEST(DataPageWriter, RefusesADamagedPage) {
    PageBytes page = emptyPage();
    mdb::put16le(page, 12, 2);
    mdb::put16le(page, 14, 4000);
    mdb::put16le(page, 16, 4050);  // row 1 would end below its own start
    EXPECT_THROW(DataPageWriter(page, kPage), mdb::Error);
    page[0] = 0x02;
    EXPECT_THROW(DataPageWriter(page, kPage), mdb::Error);
}

}  // namespace
