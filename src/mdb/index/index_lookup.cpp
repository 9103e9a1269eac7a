#include "index/index_lookup.h"

#include <algorithm>
#include <string>
#include <vector>

#include "format/byte_order.h"
#include "index/index_leaf.h"
#include "index/index_page.h"
#include "mdb/error.h"

namespace mdb {
namespace {

// Real indexes are a handful of levels deep; a damaged file must not lead the search in circles.
constexpr std::size_t kMaxDepth = 16;

const PhysicalIndex& readableIndex(const TableDefinition& definition, std::size_t physicalIndex) {
    if (physicalIndex >= definition.physicalIndexes.size())
        throw Error(Error::Kind::NotFound,
                    "The table has no index " + std::to_string(physicalIndex));
    const PhysicalIndex& index = definition.physicalIndexes[physicalIndex];
    if (auto why = whyRowKeyCannotBeBuilt(definition, index))
        throw Error(Error::Kind::Unsupported,
                    "Cannot look keys up in index " + std::to_string(index.number) + ": " + *why);
    return index;
}

// The child of `node` under which entries at or after (key, row) start. A node stores an entry
// (its child's last entry) for every child but the last, which is its child tail; a node with
// one child stores it as an entry and has no tail.
PageNumber childFor(const IndexPage& node, std::span<const std::uint8_t> key, RowPosition row) {
    const std::vector<IndexEntry>& entries = node.entries;
    const auto compared = node.childTailPage != 0 ? entries.end() : entries.end() - 1;
    const auto before = [&](const IndexEntry& e) {
        const auto order = std::lexicographical_compare_three_way(e.key.begin(), e.key.end(),
                                                                  key.begin(), key.end());
        return order != 0 ? order < 0 : e.row < row;
    };
    const auto at = std::partition_point(entries.begin(), compared, before);
    return at == entries.end() ? node.childTailPage : at->child;
}

}  // namespace

IndexLookup::IndexLookup(Pager& pager, const TableDefinition& definition, std::size_t physicalIndex)
    : pager_(pager),
      index_(readableIndex(definition, physicalIndex)),
      tablePage_(definition.page),
      keys_(definition, index_) {}

bool IndexLookup::contains(const IndexKey& key) const {
    const auto corrupt = [&](PageNumber page, const std::string& what) {
        return Error(Error::Kind::Corrupt, "index page " + std::to_string(page) + " of index " +
                                               std::to_string(index_.number) + ": " + what);
    };
    PageNumber n = index_.rootPage;
    for (std::size_t depth = 0;; ++depth) {
        if (depth > kMaxDepth) throw corrupt(n, "the index is deeper than any real one");
        const PageRef bytes = pager_.page(n);
        const std::uint32_t owner = get32le(*bytes, IndexPage::kTdefAt);
        if (owner != tablePage_)
            throw corrupt(
                n, "it belongs to the table whose definition is on page " + std::to_string(owner));
        // Every entry with this key sorts at or after (key, the smallest row pointer).
        if ((*bytes)[0] == static_cast<std::uint8_t>(IndexPage::Kind::Leaf)) {
            const LeafPage leaf(*bytes, n);
            const std::size_t at = leaf.lowerBound(key.bytes, RowPosition{});
            return at < leaf.size() && leaf.keyEquals(at, key.bytes);
        }
        const IndexPage node = IndexPage::decode(*bytes, n);
        if (node.entries.empty()) throw corrupt(n, "a node page without children");
        n = childFor(node, key.bytes, RowPosition{});
    }
}

}  // namespace mdb
