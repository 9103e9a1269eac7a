#include "index/index_page.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <stdexcept>

#include "mdb/error.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using mdb::IndexEntry;
using mdb::IndexPage;
using Page = std::array<std::uint8_t, IndexPage::kSize>;

IndexEntry entry(Bytes key, std::uint32_t page, std::uint8_t row, std::uint32_t child = 0) {
    return IndexEntry{std::move(key), {page, row}, child};
}

IndexPage leafWith(std::vector<IndexEntry> entries) {
    IndexPage p;
    p.kind = IndexPage::Kind::Leaf;
    p.tdefPage = 15;
    p.entries = std::move(entries);
    return p;
}

Page encoded(const IndexPage& p) {
    Page out{};
    EXPECT_TRUE(p.encode(out));
    return out;
}

std::uint16_t get16(const Page& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// n entries whose keys share no first byte, each taking `size` bytes on the page.
std::vector<IndexEntry> distinctEntries(std::size_t n, std::size_t size) {
    std::vector<IndexEntry> out;
    for (std::size_t i = 0; i < n; ++i) {
        Bytes key(size - 4, 0x55);
        key[0] = static_cast<std::uint8_t>(i + 1);
        out.push_back(entry(key, 100, static_cast<std::uint8_t>(i)));
    }
    return out;
}

TEST(IndexPage, EmptyLeafIsHeaderOnly) {
    const Page b = encoded(leafWith({}));
    // 04 01, free space 3616 (0x0E20), the table definition page; nothing else.
    EXPECT_EQ(b[0], 0x04);
    EXPECT_EQ(b[1], 0x01);
    EXPECT_EQ(get16(b, 2), 3616);
    EXPECT_EQ(b[4], 15);
    EXPECT_EQ(std::count_if(b.begin(), b.end(), [](std::uint8_t v) { return v != 0; }), 5);
    EXPECT_TRUE(IndexPage::decode(b, 1).entries.empty());
}

TEST(IndexPage, LeafRoundTripSharesThePrefixOfFirstAndLastKey) {
    const IndexPage p = leafWith({entry({0x7F, 0x80, 0x00, 0x01, 0x02}, 0x000203, 0),
                                  entry({0x7F, 0x80, 0x00, 0x01, 0x02}, 0x000203, 1),
                                  entry({0x7F, 0x80, 0x00, 0x05, 0x00}, 0x000204, 0),
                                  entry({0x7F, 0x80, 0x01, 0x00, 0x00}, 0x010000, 9)});
    const Page b = encoded(p);
    EXPECT_EQ(get16(b, 24), 2) << "prefix 7F 80";
    EXPECT_EQ(p.entryBytes(), 9 + 3 * 7u);
    EXPECT_EQ(get16(b, 2), 3616 - p.entryBytes());
    // The first entry is whole, the second starts after the prefix.
    EXPECT_EQ(b[480], 0x7F);
    EXPECT_EQ(b[480 + 9], 0x00);
    EXPECT_EQ(b[27 + 1], 0x02) << "first entry ends at 9";
    const IndexPage back = IndexPage::decode(b, 7);
    EXPECT_EQ(back.entries, p.entries);
    EXPECT_EQ(back.kind, IndexPage::Kind::Leaf);
    EXPECT_EQ(back.tdefPage, 15u);
}

TEST(IndexPage, NodeRoundTripKeepsChildrenAndLinks) {
    IndexPage p;
    p.kind = IndexPage::Kind::Node;
    p.tdefPage = 0x01020304;
    p.prevPage = 40;
    p.nextPage = 41;
    p.childTailPage = 33;
    p.entries = {entry({0x80, 0x7F, 0xFF, 0xFF, 0xEC}, 0x11, 0, 32),
                 entry({0x80, 0x7F, 0xFF, 0xFF, 0xED}, 0x11, 1, 0x01020304)};
    const Page b = encoded(p);
    const IndexPage back = IndexPage::decode(b, 29);
    EXPECT_EQ(back.kind, IndexPage::Kind::Node);
    EXPECT_EQ(back.entries, p.entries);
    EXPECT_EQ(back.prevPage, 40u);
    EXPECT_EQ(back.nextPage, 41u);
    EXPECT_EQ(back.childTailPage, 33u);
    EXPECT_EQ(back.tdefPage, 0x01020304u);
}

TEST(IndexPage, KeepsAGivenPrefixAndRefusesOneTheEntriesDoNotShare) {
    IndexPage p =
        leafWith({entry({0x7F, 0x4A, 0x01, 0x00}, 3, 0), entry({0x7F, 0x4A, 0x01, 0x00}, 3, 1)});
    p.prefixLength = 0;  // as Access often writes: no compression
    const Page b = encoded(p);
    EXPECT_EQ(get16(b, 24), 0);
    EXPECT_EQ(p.entryBytes(), 16u);
    EXPECT_EQ(IndexPage::decode(b, 1).prefixLength, std::optional<std::size_t>(0));
    p.prefixLength = 7;  // key and page shared, row differs: allowed
    EXPECT_EQ(p.entryBytes(), 9u);
    EXPECT_EQ(IndexPage::decode(encoded(p), 1).entries, p.entries);
    p.prefixLength = 8;  // would leave the second entry no bytes
    Page out{};
    EXPECT_THROW(p.encode(out), std::invalid_argument);
    p.prefixLength.reset();
    EXPECT_EQ(p.effectivePrefix(), 4u);
}

TEST(IndexPage, PageExactlyFullEncodesAndOneByteMoreDoesNot) {
    IndexPage full = leafWith(distinctEntries(113, 32));  // 113 * 32 = 3616
    ASSERT_EQ(full.entryBytes(), IndexPage::kMaxEntryBytes);
    const Page b = encoded(full);
    EXPECT_EQ(get16(b, 2), 0);
    EXPECT_EQ(b[27 + 452], 0x01) << "the last entry ends at bit 3616";
    EXPECT_EQ(IndexPage::decode(b, 3).entries, full.entries);
    EXPECT_EQ(IndexPage::countFitting(IndexPage::Kind::Leaf, full.entries), 113u);

    IndexPage over = full;
    over.entries.back().key.push_back(0x00);
    EXPECT_FALSE(over.fits());
    Page untouched;
    untouched.fill(0xAB);
    EXPECT_FALSE(over.encode(untouched));
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](auto v) { return v == 0xAB; }));
    EXPECT_EQ(IndexPage::countFitting(IndexPage::Kind::Leaf, over.entries), 112u);
}

TEST(IndexPage, CountFittingAccountsForTheSharedPrefix) {
    // 40-byte keys that share 36 bytes, and one more while the counter stays below 256.
    std::vector<IndexEntry> entries;
    for (std::uint32_t i = 0; i < 600; ++i) {
        Bytes key(36, 0x61);
        key.push_back(static_cast<std::uint8_t>(i >> 8));
        key.push_back(static_cast<std::uint8_t>(i));
        key.push_back(0x01);
        key.push_back(0x00);
        entries.push_back(entry(key, 200 + i, 0));
    }
    const std::size_t n = IndexPage::countFitting(IndexPage::Kind::Leaf, entries);
    // Past 256 entries the first and last keys share only the 36 bytes: 8 * n + 36 <= 3616.
    EXPECT_EQ(n, 447u);
    IndexPage p = leafWith({entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(n)});
    EXPECT_TRUE(p.fits());
    p.entries.push_back(entries[n]);
    EXPECT_FALSE(p.fits());
}

TEST(IndexPage, DamagedPagesRaiseCorrupt) {
    const IndexPage good =
        leafWith({entry({0x7F, 0x4A, 0x01, 0x00}, 3, 0), entry({0x7F, 0x4C, 0x01, 0x00}, 3, 1)});
    struct Case {
        const char* what;
        void (*damage)(Page&);
    };
    const Case cases[] = {
        {"data page type", [](Page& b) { b[0] = 0x01; }},
        {"entry ends past the page", [](Page& b) { b[27 + 452] |= 0x02; }},
        {"prefix longer than the first entry", [](Page& b) { b[24] = 9; }},
        {"entry too short for its row pointer", [](Page& b) { b[27] |= 0x02; }},
        {"entries out of order", [](Page& b) { b[480 + 8] = 0x40; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Page b = encoded(good);
        c.damage(b);
        try {
            IndexPage::decode(b, 77);
            ADD_FAILURE() << "decoded";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Corrupt);
            EXPECT_EQ(std::string(e.what()).rfind("index page 77: ", 0), 0u) << e.what();
        }
    }
    const Page b = encoded(good);
    EXPECT_THROW(IndexPage::decode(std::span(b).first(4095), 1), mdb::Error);
}

TEST(IndexPage, RandomDamageNeverCrashes) {
    const Page good = encoded(leafWith(distinctEntries(60, 20)));
    std::mt19937 random(11);
    int decoded = 0, refused = 0;
    for (int round = 0; round < 2000; ++round) {
        Page b = good;
        for (int i = 0; i < 4; ++i) {
            const std::size_t at = random() % (round % 2 ? 480 : b.size());
            b[at] = static_cast<std::uint8_t>(random());
        }
        try {
            IndexPage::decode(b, 1);
            ++decoded;
        } catch (const mdb::Error&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
}

}  // namespace
