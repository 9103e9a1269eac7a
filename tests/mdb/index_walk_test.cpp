#include "index/index_walk.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "file/page_file.h"
#include "file/pager.h"
#include "mdb/error.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using mdb::IndexEntry;
using mdb::IndexPage;

// Index pages by number, turned into a file in memory (pages not given stay zero).
struct MemoryPages {
    std::map<std::uint32_t, IndexPage> pages;
    std::unique_ptr<mdb::Pager> pager() const {
        Bytes file((pages.rbegin()->first + 1) * IndexPage::kSize);
        for (const auto& [n, p] : pages)
            if (!p.encode(std::span(file).subspan(n * IndexPage::kSize, IndexPage::kSize)))
                ADD_FAILURE() << "page " << n << " does not fit";
        return std::make_unique<mdb::Pager>(std::make_unique<mdb::MemoryPageFile>(std::move(file)));
    }
};

IndexEntry leafEntry(std::int32_t value, std::uint8_t row) {
    const auto v = static_cast<std::uint32_t>(value) ^ 0x80000000u;
    return IndexEntry{{0x7F, static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                       static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)},
                      {50, row},
                      0};
}

IndexPage page(IndexPage::Kind kind, std::vector<IndexEntry> entries, std::uint32_t prev = 0,
               std::uint32_t next = 0, std::uint32_t tail = 0) {
    IndexPage p;
    p.kind = kind;
    p.tdefPage = 2;
    p.entries = std::move(entries);
    p.prevPage = prev;
    p.nextPage = next;
    p.childTailPage = tail;
    return p;
}

IndexEntry pointingTo(IndexEntry e, std::uint32_t child) {
    e.child = child;
    return e;
}

// Root node 5 over leaves 10, 11 and (as its tail) 12.
MemoryPages twoLevels() {
    using K = IndexPage::Kind;
    MemoryPages m;
    m.pages[10] = page(K::Leaf, {leafEntry(-5, 0), leafEntry(1, 1)}, 0, 11);
    m.pages[11] = page(K::Leaf, {leafEntry(2, 2), leafEntry(2, 3), leafEntry(7, 4)}, 10, 12);
    m.pages[12] = page(K::Leaf, {leafEntry(9, 5)}, 11, 0);
    m.pages[5] =
        page(K::Node, {pointingTo(leafEntry(1, 1), 10), pointingTo(leafEntry(7, 4), 11)}, 0, 0, 12);
    return m;
}

TEST(IndexWalk, ReadsEveryLeafEntryInOrder) {
    const MemoryPages m = twoLevels();
    const mdb::IndexContents c = mdb::walkIndex(*m.pager(), 5);
    ASSERT_EQ(c.entries.size(), 6u);
    for (std::size_t i = 0; i < c.entries.size(); ++i) EXPECT_EQ(c.entries[i].row.row, i);
    EXPECT_EQ(c.leafPages, (std::vector<std::uint32_t>{10, 11, 12}));
    EXPECT_EQ(c.nodePages, (std::vector<std::uint32_t>{5}));
    EXPECT_EQ(c.depth, 2);
}

TEST(IndexWalk, EmptyIndexIsARootLeaf) {
    MemoryPages m;
    m.pages[3] = page(IndexPage::Kind::Leaf, {});
    const mdb::IndexContents c = mdb::walkIndex(*m.pager(), 3);
    EXPECT_TRUE(c.entries.empty());
    EXPECT_EQ(c.depth, 1);
}

TEST(IndexWalk, DamagedTreesRaiseCorrupt) {
    using K = IndexPage::Kind;
    struct Case {
        const char* what;
        std::function<void(MemoryPages&)> damage;
    };
    const Case cases[] = {
        {"tail points back to the root", [](MemoryPages& m) { m.pages[5].childTailPage = 5; }},
        {"two entries share a child", [](MemoryPages& m) { m.pages[5].entries[1].child = 10; }},
        {"missing child", [](MemoryPages& m) { m.pages[5].childTailPage = 99; }},
        {"leaf chain skips a page", [](MemoryPages& m) { m.pages[10].nextPage = 12; }},
        {"last leaf has a next page", [](MemoryPages& m) { m.pages[12].nextPage = 10; }},
        {"node entry is not its child's last",
         [](MemoryPages& m) { m.pages[5].entries[0].row.row = 0; }},
        {"entries out of order across leaves",
         [](MemoryPages& m) { m.pages[12].entries[0] = leafEntry(3, 5); }},
        {"leaves at different depths",
         [](MemoryPages& m) {
             m.pages[13] = page(K::Node, {}, 0, 0, 12);
             m.pages[5].childTailPage = 13;
         }},
        {"endless chain of nodes",
         [](MemoryPages& m) {
             for (std::uint32_t n = 100; n < 140; ++n) m.pages[n] = page(K::Node, {}, 0, 0, n + 1);
             m.pages[5].childTailPage = 100;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryPages m = twoLevels();
        c.damage(m);
        try {
            mdb::walkIndex(*m.pager(), 5);
            ADD_FAILURE() << "walked";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Corrupt) << e.what();
        }
    }
}

}  // namespace
