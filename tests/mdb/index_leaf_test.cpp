#include "index/index_leaf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fixture_copy.h"

namespace {

using mdb::IndexEntry;
using mdb::IndexPage;

// What IndexPage::encode writes for these entries: the page must always read exactly so.
mdb::PageBytes encoded(const std::vector<IndexEntry>& entries, mdb::PageNumber prev,
                       mdb::PageNumber next, std::uint32_t tdefPage = 77) {
    IndexPage page;
    page.tdefPage = tdefPage;
    page.prevPage = prev;
    page.nextPage = next;
    page.entries = entries;
    mdb::PageBytes out{};
    EXPECT_TRUE(page.encode(out));
    return out;
}

// Keys sharing long prefixes, of different lengths, often equal.
IndexEntry randomEntry(std::mt19937& random) {
    std::uniform_int_distribution<int> pick(0, 3);
    IndexEntry e;
    e.key = {0x7F, 0x4A};
    const int length = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 0; i < length; ++i)
        e.key.push_back(static_cast<std::uint8_t>(0x40 + pick(random)));
    e.row = {std::uniform_int_distribution<std::uint32_t>(1, 0xFFFFFF)(random),
             static_cast<std::uint8_t>(random())};
    return e;
}

TEST(LeafPage, EditsInPlaceGiveTheBytesAWholeEncodeGives) {
    std::mt19937 random(99);
    mdb::LeafPage leaf(77);
    leaf.setPrevPage(5);
    leaf.setNextPage(9);
    std::vector<IndexEntry> model;
    int inserts = 0, erases = 0, full = 0;
    for (int step = 0; step < 20000; ++step) {
        const bool grow = model.empty() || std::uniform_int_distribution<int>(0, 9)(random) < 6;
        if (grow) {
            const IndexEntry e = randomEntry(random);
            const auto at = std::lower_bound(model.begin(), model.end(), e, mdb::entryBefore);
            if (at != model.end() && *at == e) continue;
            const std::size_t i = leaf.lowerBound(e);
            ASSERT_EQ(i, static_cast<std::size_t>(at - model.begin()));
            if (!leaf.insert(i, e)) {
                // Full: start over from a page holding a tenth of the entries.
                model.resize(model.size() / 10);
                ASSERT_TRUE(leaf.assign(model));
                ++full;
            } else {
                model.insert(at, e);
                ++inserts;
            }
        } else {
            const auto i = std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(random);
            leaf.erase(i);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
            ++erases;
        }
        ASSERT_EQ(leaf.size(), model.size());
        ASSERT_EQ(leaf.bytes(), encoded(model, 5, 9)) << "step " << step;
    }
    EXPECT_GT(full, 3);
    EXPECT_GT(erases, 1000);
    for (std::size_t i = 0; i < model.size(); ++i) {
        EXPECT_EQ(leaf.entry(i), model[i]);
        EXPECT_TRUE(leaf.keyEquals(i, model[i].key));
    }
}

TEST(LeafPage, ReadsAccessPagesAndReencodesTheirPrefixOnTheFirstChange) {
    REQUIRE_FIXTURES();
    // compIndexTestV2003's leaf 32 stores a prefix of 3 bytes.
    const auto file = testing_mdb::fixtureBytes("compIndexTestV2003.mdb");
    mdb::PageBytes bytes{};
    std::copy_n(file.begin() + 32 * 4096, 4096, bytes.begin());
    const IndexPage page = IndexPage::decode(bytes, 32);
    mdb::LeafPage leaf(bytes, 32);
    ASSERT_EQ(leaf.size(), page.entries.size());
    for (std::size_t i = 0; i < leaf.size(); ++i) ASSERT_EQ(leaf.entry(i), page.entries[i]);
    std::vector<IndexEntry> model = page.entries;
    leaf.erase(3);
    model.erase(model.begin() + 3);
    EXPECT_EQ(leaf.bytes(), encoded(model, page.prevPage, page.nextPage, page.tdefPage));
}

}  // namespace
