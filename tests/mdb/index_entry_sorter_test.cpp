#include "database/index_entry_sorter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using mdb::IndexEntry;

// Entries of keys 1 to 4 bytes long, many sharing a key, in a shuffled order; handed to a sorter
// holding about `memoryLimit` bytes, they must come back exactly in index order (keys of every
// length, equal keys ordered by row) whether they stayed in memory or went through many runs.
TEST(IndexEntrySorter, GivesEveryEntryBackInIndexOrder) {
    std::mt19937 random(7);
    std::vector<IndexEntry> entries;
    for (std::uint32_t i = 0; i < 5000; ++i) {
        std::vector<std::uint8_t> key(1 + random() % 4);
        for (auto& b : key) b = static_cast<std::uint8_t>(random() % 3 * 0x7F);
        const auto page = static_cast<mdb::PageNumber>(0x01000000u + random() % 100000);
        entries.push_back({key, {page, static_cast<std::uint8_t>(i)}, 0});
    }
    std::vector<IndexEntry> sorted = entries;
    std::sort(sorted.begin(), sorted.end(), mdb::entryBefore);
    for (const std::size_t memoryLimit : {std::size_t{1} << 30, std::size_t{4096}}) {
        SCOPED_TRACE(memoryLimit);
        mdb::IndexEntrySorter sorter(memoryLimit);
        for (const IndexEntry& e : entries) sorter.add(e);
        std::vector<IndexEntry> out;
        while (std::optional<IndexEntry> e = sorter.next()) out.push_back(std::move(*e));
        EXPECT_EQ(out, sorted);
        EXPECT_EQ(sorter.next(), std::nullopt);
    }
}

}  // namespace
