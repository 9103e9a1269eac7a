#include "index/index_tree.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "format/byte_order.h"
#include "format/usage_map_writer.h"
#include "index/index_leaf.h"
#include "index/index_page.h"
#include "mdb/error.h"

namespace mdb {
namespace {

// Pages kept between operations (up to about 12 KB each, with the pager's copy a page was
// checked against); past this many, the next operation drops leaves until half are left (nodes,
// which every descent reads, stay), and past it with nodes alone, everything. Keys in order only
// need the rightmost path, so a few hundred pages serve them; a larger cache grew with the index.
constexpr std::size_t kCacheLimit = 256;
// Real indexes are a handful of levels deep; a damaged file must not lead the search in circles.
constexpr std::size_t kMaxDepth = 16;
// A leaf entry is the key, 3 bytes of page and 1 of row; a node entry adds 4 bytes of child.
constexpr std::size_t kNodeEntryExtra = 8;

}  // namespace

// The B-tree of one index, and its pages in memory.
//
// A leaf is kept as its bytes (LeafPage), changed in place. A node is kept decoded, with one
// difference from the page: its entries name EVERY child, the child-tail one last. On disk a
// node with one child stores it as an entry; a node with more stores all but the last, which
// is the child-tail page (as Access and Jackcess write them). The last child's entry is then
// not on the page, so after reading it is a placeholder until needed; it is worked out by
// following the last children down to a leaf.
//
// Each operation descends from the root, changes pages in memory, and then writes every
// changed page through the pager. A page read earlier is used again while the pager hands out
// the very copy it was checked against in the same generation (no lock taken, no rollback
// since), or else holds exactly the same bytes; anything else makes the tree read it afresh.
class IndexTree::Impl {
public:
    Impl(Pager& pager, PageAllocator& allocator, const TableDefinition& definition,
         std::size_t physicalIndex)
        : pager_(pager),
          allocator_(allocator),
          maps_(pager, allocator),
          index_(definition.physicalIndexes.at(physicalIndex)),
          tablePage_(definition.page),
          format_(*definition.format),
          keys_(definition, index_) {
        for (const Index& logical : definition.indexes)
            if (logical.physicalIndex == index_.number && logical.kind == Index::Kind::PrimaryKey)
                backsPrimaryKey_ = true;
    }

    const PhysicalIndex& index() const { return index_; }
    bool backsPrimaryKey() const { return backsPrimaryKey_; }
    std::optional<IndexKey> keyFor(std::span<const Value> row) const { return keys_(row); }

    bool contains(const IndexKey& key) {
        return run([&] {
            // Every entry with this key sorts at or after (key, the smallest row pointer).
            const Path& path = descend(key.bytes, RowPosition{});
            const LeafPage& leaf = *path.back().page->leaf;
            const std::size_t at = leaf.lowerBound(key.bytes, RowPosition{});
            return at < leaf.size() && leaf.keyEquals(at, key.bytes);
        });
    }

    bool insert(const IndexKey& key, RowPosition row) {
        if (key.bytes.size() + kNodeEntryExtra > IndexPage::maxEntryBytes(format_) / 2)
            throw Error(Error::Kind::Refused, "The key of index " + std::to_string(index_.number) +
                                                  " is too long to store (" +
                                                  std::to_string(key.bytes.size()) + " bytes)");
        return run([&] {
            Path& path = descend(key.bytes, row);
            Page& page = *path.back().page;
            LeafPage& leaf = *page.leaf;
            const std::size_t at = leaf.lowerBound(key.bytes, row);
            if (at < leaf.size() && leaf.holds(at, key.bytes, row))
                return false;  // this very entry is there already
            const bool isNew =
                !sameKeyBefore(page, at, key.bytes) && !sameKeyFrom(page, at, key.bytes);
            const bool becomesLast = at == leaf.size();
            touch(page);
            if (!leaf.insert(at, key.bytes, row)) {
                // Keys that arrive in order (autonumbers, ascending numbers) would leave every
                // leaf half full: the new last entry starts a page of its own instead.
                const bool appending = becomesLast && nextOf(page) == 0;
                if (appending && path.size() > 1) {
                    startLastLeaf(path, key.bytes, row);
                    splitOverfullNodes(path);
                    return isNew;
                }
                std::vector<IndexEntry> all = leaf.entries();
                all.insert(all.begin() + static_cast<std::ptrdiff_t>(at), {key.bytes, row, 0});
                if (becomesLast) propagateLast(path, path.size() - 1, all.back());
                overflow(path, path.size() - 1, std::move(all), appending);
            } else if (becomesLast) {
                propagateLast(path, path.size() - 1, {key.bytes, row, 0});
            }
            splitOverfullNodes(path);
            return isNew;
        });
    }

    void remove(const IndexKey& key, RowPosition row) {
        run([&] {
            Path& path = descend(key.bytes, row);
            Page& page = *path.back().page;
            LeafPage& leaf = *page.leaf;
            const std::size_t at = leaf.lowerBound(key.bytes, row);
            if (at == leaf.size() || !leaf.holds(at, key.bytes, row))
                throw Error(Error::Kind::Corrupt, "index " + std::to_string(index_.number) +
                                                      " has no entry for the row at " +
                                                      describe(row));
            const bool wasLast = at + 1 == leaf.size();
            leaf.erase(at);
            touch(page);
            if (leaf.empty() && path.size() > 1)
                path.resize(dropPage(path, path.size() - 1));
            else if (wasLast && !leaf.empty())
                propagateLast(path, path.size() - 1, leaf.entry(leaf.size() - 1));
            // A parent entry may have taken a longer key than before.
            splitOverfullNodes(path);
            return true;
        });
    }

    void holdWrites(bool hold) {
        if (!hold) flush();
        hold_ = hold;
    }
    void writeHeld() { flush(); }

    void clear() {
        run([&] {
            const std::vector<PageNumber> pages = pagesBelowRoot();
            Page& root = load(index_.rootPage);
            makeEmptyLeaf(root);
            touch(root);
            for (PageNumber n : pages) {
                forget(n);
                allocator_.release(n);
                pager_.writeEarlyIfLarge();  // a no-op unless the caller allowed it
            }
            maps_.clear(index_.usageMap);
            maps_.add(index_.usageMap, index_.rootPage);
            return true;
        });
    }

private:
    struct Page {
        PageNumber number = 0;
        std::optional<LeafPage> leaf;   // leaves
        IndexPage node;                 // nodes: entries name every child, the child tail last
        PageBytes image{};              // nodes: the bytes as read or last written
        PageRef seen;                   // the pager's copy these bytes were last checked against...
        std::uint64_t seenIn = 0;       // ...in this generation of the pager
        bool lastFromTail = false;      // node: its last entry is the child tail's placeholder...
        std::uint64_t lastKnownIn = 0;  // ...unless it was worked out in this operation
        bool dirty = false;
        bool isLeaf() const { return leaf.has_value(); }
        const PageBytes& bytes() const { return leaf ? leaf->bytes() : image; }
    };
    struct Step {
        Page* page;
        std::size_t child;  // nodes: the entry followed down
    };
    using Path = std::vector<Step>;

    // Runs one operation: pages changed in memory are written at its end; after a failure
    // nothing in memory is trusted again.
    template <class Work>
    bool run(Work&& work) {
        ++operation_;
        if (cache_.size() > kCacheLimit) {
            flush();  // held pages go before the cache is trimmed
            for (auto it = cache_.begin(); it != cache_.end() && cache_.size() > kCacheLimit / 2;)
                it = it->second->isLeaf() ? cache_.erase(it) : std::next(it);
            if (cache_.size() > kCacheLimit) cache_.clear();
        }
        try {
            const bool result = work();
            if (!hold_) flush();
            return result;
        } catch (...) {
            cache_.clear();
            changed_.clear();
            throw;
        }
    }

    // Every page under the root, found through the nodes alone: a clear needs no leaf entries,
    // so memory stays small however big the index. Throws Error (Corrupt) for a page that is not
    // one of this index's pages, a page reached twice, or a tree deeper than any real index.
    std::vector<PageNumber> pagesBelowRoot() {
        std::vector<PageNumber> pages;
        std::unordered_set<PageNumber> reached{index_.rootPage};
        std::vector<std::pair<PageNumber, std::size_t>> toVisit{{index_.rootPage, 1}};
        while (!toVisit.empty()) {
            const auto [n, depth] = toVisit.back();
            toVisit.pop_back();
            if (depth > kMaxDepth) corrupt(n, "the index is deeper than any real one");
            const PageRef bytes = pager_.page(n);
            if (get32le(*bytes, IndexPage::kTdefAt) != tablePage_)
                corrupt(n, "it is not a page of this table's indexes");
            if ((*bytes)[0] == static_cast<std::uint8_t>(IndexPage::Kind::Leaf)) continue;
            const IndexPage node = IndexPage::decode(*bytes, n, format_);
            if (node.isLeaf()) continue;
            std::vector<PageNumber> children;
            for (const IndexEntry& entry : node.entries) children.push_back(entry.child);
            if (node.childTailPage != 0) children.push_back(node.childTailPage);
            for (PageNumber child : children) {
                if (!reached.insert(child).second) corrupt(child, "the index reaches it twice");
                pages.push_back(child);
                toVisit.emplace_back(child, depth + 1);
            }
        }
        return pages;
    }

    [[noreturn]] void corrupt(PageNumber page, const std::string& what) const {
        throw Error(Error::Kind::Corrupt, "index page " + std::to_string(page) + " of index " +
                                              std::to_string(index_.number) + ": " + what);
    }

    Page& load(PageNumber n) {
        auto found = cache_.find(n);
        // A page changed in this operation is ours; any other must still match the pager.
        if (found != cache_.end() && found->second->dirty) return *found->second;
        PageRef bytes = pager_.page(n);
        if (found != cache_.end()) {
            Page& cached = *found->second;
            // The very copy seen before, in the same generation: only this tree changes it.
            if (cached.seen == bytes && cached.seenIn == pager_.generation()) return cached;
            if (std::memcmp(cached.bytes().data(), bytes->data(), kPageSize) == 0) {
                cached.seen = bytes;
                cached.seenIn = pager_.generation();
                return cached;
            }
        }
        auto page = std::make_unique<Page>();
        page->number = n;
        if ((*bytes)[0] == static_cast<std::uint8_t>(IndexPage::Kind::Leaf)) {
            page->leaf.emplace(*bytes, n, format_);
        } else {
            page->image = *bytes;
            page->node = IndexPage::decode(*bytes, n, format_);
            page->node.prefixLength.reset();  // when written again, the longest shared prefix
            if (page->node.childTailPage != 0) {
                page->node.entries.push_back({{}, {}, page->node.childTailPage});
                page->lastFromTail = true;
            }
            if (page->node.entries.empty()) corrupt(n, "a node page without children");
        }
        const std::uint32_t owner = get32le(*bytes, IndexPage::kTdefAt);
        if (owner != tablePage_)
            corrupt(n,
                    "it belongs to the table whose definition is on page " + std::to_string(owner));
        page->seen = bytes;
        page->seenIn = pager_.generation();
        Page& out = *page;
        cache_[n] = std::move(page);
        return out;
    }

    void forget(PageNumber n) {
        cache_.erase(n);
        std::erase(changed_, n);
    }

    void touch(Page& page) {
        if (page.dirty) return;
        page.dirty = true;
        changed_.push_back(page.number);
    }

    void makeEmptyLeaf(Page& page) {
        page.leaf.emplace(tablePage_, format_);
        page.node = IndexPage{};
        page.node.format = &format_;
        page.lastFromTail = false;
    }

    void makeNode(Page& page) {
        page.leaf.reset();
        page.node = IndexPage{};
        page.node.format = &format_;
        page.node.kind = IndexPage::Kind::Node;
        page.node.tdefPage = tablePage_;
        page.lastFromTail = false;
    }

    static PageNumber prevOf(const Page& p) {
        return p.leaf ? p.leaf->prevPage() : p.node.prevPage;
    }
    static PageNumber nextOf(const Page& p) {
        return p.leaf ? p.leaf->nextPage() : p.node.nextPage;
    }
    void setPrev(Page& p, PageNumber n) {
        if (p.leaf)
            p.leaf->setPrevPage(n);
        else
            p.node.prevPage = n;
        touch(p);
    }
    void setNext(Page& p, PageNumber n) {
        if (p.leaf)
            p.leaf->setNextPage(n);
        else
            p.node.nextPage = n;
        touch(p);
    }

    bool lastKnown(const Page& page) const {
        return !page.lastFromTail || page.lastKnownIn == operation_;
    }

    // The last entry under `page`, working out a child tail's entry when needed.
    IndexEntry lastEntry(Page& page, std::size_t depth = 0) {
        if (depth > kMaxDepth) corrupt(page.number, "the index is deeper than any real one");
        if (page.leaf) {
            if (page.leaf->empty()) corrupt(page.number, "an empty page below the root");
            return page.leaf->entry(page.leaf->size() - 1);
        }
        IndexEntry& last = page.node.entries.back();
        if (!lastKnown(page)) {
            const IndexEntry below = lastEntry(load(last.child), depth + 1);
            last.key = below.key;
            last.row = below.row;
            page.lastKnownIn = operation_;
        }
        return {last.key, last.row, 0};
    }

    // Whether the entry before position `at` of leaf `page` (on the previous leaf when `at` is
    // 0) has this key; and the same for the entry at `at` (or the next leaf's first).
    bool sameKeyBefore(Page& page, std::size_t at, std::span<const std::uint8_t> key) {
        if (at > 0) return page.leaf->keyEquals(at - 1, key);
        if (page.leaf->prevPage() == 0) return false;
        Page& prev = load(page.leaf->prevPage());
        if (!prev.leaf || prev.leaf->empty()) corrupt(prev.number, "not a leaf with entries");
        return prev.leaf->keyEquals(prev.leaf->size() - 1, key);
    }
    bool sameKeyFrom(Page& page, std::size_t at, std::span<const std::uint8_t> key) {
        if (at < page.leaf->size()) return page.leaf->keyEquals(at, key);
        if (page.leaf->nextPage() == 0) return false;
        Page& next = load(page.leaf->nextPage());
        if (!next.leaf || next.leaf->empty()) corrupt(next.number, "not a leaf with entries");
        return next.leaf->keyEquals(0, key);
    }

    // The child of a node under which `entry` is or belongs: the first whose last entry is
    // not before it, else the last child.
    static std::size_t childFor(Page& node, std::span<const std::uint8_t> key, RowPosition row) {
        const std::vector<IndexEntry>& entries = node.node.entries;
        const auto stored = entries.end() - 1;
        const auto before = [&](const IndexEntry& e) {
            const auto order = std::lexicographical_compare_three_way(e.key.begin(), e.key.end(),
                                                                      key.begin(), key.end());
            return order != 0 ? order < 0 : e.row < row;
        };
        // Keys in order belong under the last child: one comparison says so.
        if (stored != entries.begin() && before(*(stored - 1)))
            return static_cast<std::size_t>(stored - entries.begin());
        return static_cast<std::size_t>(std::partition_point(entries.begin(), stored, before) -
                                        entries.begin());
    }

    // The pages from the root down to the leaf where (key, row) is or belongs. The path is
    // kept between operations so that descending allocates nothing.
    Path& descend(std::span<const std::uint8_t> key, RowPosition row) {
        path_.clear();
        Page* page = &load(index_.rootPage);
        while (!page->isLeaf()) {
            if (path_.size() >= kMaxDepth)
                corrupt(page->number, "the index is deeper than any real one");
            const std::size_t child = childFor(*page, key, row);
            path_.push_back({page, child});
            page = &load(page->node.entries[child].child);
        }
        path_.push_back({page, 0});
        return path_;
    }

    // The last entry under the page at path[level] is now `last`: its parents' entries follow.
    // Only entries stored on a page make it change; a child tail's entry is only remembered.
    void propagateLast(Path& path, std::size_t level, const IndexEntry& last) {
        for (; level > 0; --level) {
            Page& parent = *path[level - 1].page;
            std::vector<IndexEntry>& entries = parent.node.entries;
            const std::size_t at = path[level - 1].child;
            entries[at].key = last.key;
            entries[at].row = last.row;
            const bool isLast = at + 1 == entries.size();
            // The last entry of a node with several children is its child tail, not on the page.
            if (!isLast || !parent.lastFromTail) touch(parent);
            if (!isLast) return;
            parent.lastKnownIn = operation_;
        }
    }

    // Whether entries fit one page of this kind (a node's child tail is not stored).
    bool fits(bool leaf, const std::vector<IndexEntry>& entries) const {
        const std::size_t stored = leaf || entries.size() < 2 ? entries.size() : entries.size() - 1;
        if (stored == 0) return true;
        const std::size_t extra = leaf ? 4 : kNodeEntryExtra;
        const auto& first = entries.front().key;
        const auto& last = entries[stored - 1].key;
        const std::size_t prefix =
            std::min(static_cast<std::size_t>(
                         std::mismatch(first.begin(), first.end(), last.begin(), last.end()).first -
                         first.begin()),
                     IndexPage::maxPrefix(format_));
        std::size_t total = 0;
        for (std::size_t i = 0; i < stored; ++i) total += entries[i].key.size() + extra;
        return total - (stored - 1) * prefix <= IndexPage::maxEntryBytes(format_);
    }

    Page& newPage(bool leaf) {
        const PageNumber n = allocator_.allocate();
        maps_.add(index_.usageMap, n);
        auto page = std::make_unique<Page>();
        page->number = n;
        if (leaf)
            makeEmptyLeaf(*page);
        else
            makeNode(*page);
        Page& out = *page;
        cache_[n] = std::move(page);
        touch(out);
        return out;
    }

    // Gives the page at path[level] these entries, which do not fit it: splits it (the root
    // first moves its entries to a new only child).
    void overflow(Path& path, std::size_t level, std::vector<IndexEntry> entries,
                  bool appending = false) {
        if (level == 0) {
            Page& root = *path[0].page;
            const bool leaf = root.isLeaf();
            Page& child = newPage(leaf);
            if (!leaf) {
                child.lastFromTail = root.lastFromTail;
                child.lastKnownIn = root.lastKnownIn;
            }
            const IndexEntry& last = entries.back();
            makeNode(root);
            root.node.entries.push_back({last.key, last.row, child.number});
            touch(root);
            path.insert(path.begin() + 1, Step{&child, path[0].child});
            path[0].child = 0;
            level = 1;
        }
        std::size_t at = path[level - 1].child;
        place(*path[level - 1].page, at, *path[level].page, std::move(entries), appending);
    }

    // The full last leaf at the bottom of `path` (below the root) keeps only the new entry
    // (key, row), which sorts after all of its entries; they move, as they are, to a new page
    // before it. The split an overflow would make, without decoding and encoding the entries.
    void startLastLeaf(Path& path, std::span<const std::uint8_t> key, RowPosition row) {
        Page& page = *path.back().page;
        Page& parent = *path[path.size() - 2].page;
        std::size_t& at = path[path.size() - 2].child;
        Page& head = newPage(true);
        head.leaf = *page.leaf;
        chainBefore(head, page);
        const IndexEntry entry{std::vector<std::uint8_t>(key.begin(), key.end()), row, 0};
        if (!page.leaf->assign({entry})) corrupt(page.number, "an entry too large for a page");
        insertChild(parent, at, head.leaf->entry(head.leaf->size() - 1), head.number);
        ++at;
        propagateLast(path, path.size() - 1, entry);
    }

    // `head` goes just before `page` in their level's chain.
    void chainBefore(Page& head, Page& page) {
        const PageNumber prev = prevOf(page);
        setPrev(head, prev);
        setNext(head, page.number);
        if (prev != 0) setNext(load(prev), head.number);
        setPrev(page, head.number);
    }

    // A new entry at `at` of `parent` for `child`, whose last entry is `last`.
    void insertChild(Page& parent, std::size_t at, const IndexEntry& last, PageNumber child) {
        parent.node.entries.insert(parent.node.entries.begin() + static_cast<std::ptrdiff_t>(at),
                                   IndexEntry{last.key, last.row, child});
        touch(parent);
    }

    // Splits every node on the path that no longer fits, from the bottom up.
    void splitOverfullNodes(Path& path) {
        for (std::size_t level = path.size(); level-- > 0;) {
            Page& page = *path[level].page;
            if (page.isLeaf() || !page.dirty || fits(false, page.node.entries)) continue;
            if (level == 0) lastEntry(page);  // the new root entry needs it
            overflow(path, level, std::move(page.node.entries));
            if (level == 0) return;
        }
    }

    // Gives `page`, the child at `at` of `parent`, the entries, splitting off pages before it
    // until everything fits; `at` follows the page as pages are added before it. A split moves
    // half the entries, or, when `appending`, all but the last.
    void place(Page& parent, std::size_t& at, Page& page, std::vector<IndexEntry> entries,
               bool appending = false) {
        const bool leaf = page.isLeaf();
        while (!fits(leaf, entries)) {
            const std::size_t stored =
                leaf || entries.size() < 2 ? entries.size() : entries.size() - 1;
            if (stored < 2) corrupt(page.number, "an entry too large for a page");
            const std::size_t moved = appending ? stored - 1 : (stored + 1) / 2;
            std::vector<IndexEntry> head(
                std::make_move_iterator(entries.begin()),
                std::make_move_iterator(entries.begin() + static_cast<std::ptrdiff_t>(moved)));
            entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(moved));
            Page& headPage = newPage(leaf);
            chainBefore(headPage, page);
            // Leaves are chained from first to last; node pages only to peers under the same
            // parent, so children that are nodes are cut apart where the split falls.
            if (!leaf) {
                Page& lastChild = load(head.back().child);
                if (!lastChild.isLeaf()) {
                    setNext(lastChild, 0);
                    setPrev(load(entries.front().child), 0);
                }
            }
            insertChild(parent, at, head.back(), headPage.number);
            std::size_t headAt = at;
            place(parent, headAt, headPage, std::move(head));
            at = headAt + 1;
        }
        if (leaf) {
            if (!page.leaf->assign(entries)) corrupt(page.number, "the entries do not fit");
        } else {
            page.node.entries = std::move(entries);
        }
        touch(page);
    }

    // The page at path[level] has no entries left: it leaves the tree and the file, and so do
    // parents it leaves empty. Returns how many pages at the top of the path remain.
    std::size_t dropPage(Path& path, std::size_t level) {
        Page& page = *path[level].page;
        Page& parent = *path[level - 1].page;
        const std::size_t at = path[level - 1].child;
        const PageNumber prevPage = prevOf(page), nextPage = nextOf(page);
        if (prevPage != 0) setNext(load(prevPage), nextPage);
        if (nextPage != 0) setPrev(load(nextPage), prevPage);
        const PageNumber number = page.number;
        forget(number);
        allocator_.release(number);
        maps_.remove(index_.usageMap, number);

        std::vector<IndexEntry>& siblings = parent.node.entries;
        const bool wasLast = at + 1 == siblings.size();
        siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(at));
        touch(parent);
        if (wasLast) parent.lastFromTail = false;  // the new last child is a stored entry
        if (siblings.empty()) {
            if (level - 1 > 0) return dropPage(path, level - 1);
            makeEmptyLeaf(parent);  // an empty root is an empty leaf
            return 1;
        }
        if (wasLast) propagateLast(path, level - 1, lastEntry(parent));
        return level;
    }

    // Writes every page changed in this operation.
    void flush() {
        for (PageNumber n : changed_) {
            auto found = cache_.find(n);
            if (found == cache_.end()) continue;
            Page& page = *found->second;
            if (!page.isLeaf()) encodeNode(page);
            pager_.overwrite(n) = page.bytes();
            page.seen = pager_.page(n);
            page.seenIn = pager_.generation();
            page.dirty = false;
        }
        changed_.clear();
    }

    void encodeNode(Page& page) {
        std::vector<IndexEntry>& entries = page.node.entries;
        std::optional<IndexEntry> tail;
        page.node.childTailPage = 0;
        if (entries.size() == 1) lastEntry(page);  // stored: must be known
        if (entries.size() >= 2) {
            tail = std::move(entries.back());
            entries.pop_back();
            page.node.childTailPage = tail->child;
        }
        PageBytes bytes{};
        const bool ok = page.node.encode(bytes);
        if (tail) entries.push_back(std::move(*tail));
        if (!ok) corrupt(page.number, "the entries do not fit the page");
        page.lastFromTail = entries.size() >= 2;
        page.image = bytes;
    }

    Pager& pager_;
    PageAllocator& allocator_;
    UsageMapWriter maps_;
    PhysicalIndex index_;
    PageNumber tablePage_;
    const JetFormat& format_;
    RowKeyBuilder keys_;
    bool backsPrimaryKey_ = false;
    std::unordered_map<PageNumber, std::unique_ptr<Page>> cache_;
    std::vector<PageNumber> changed_;
    Path path_;
    std::uint64_t operation_ = 0;
    bool hold_ = false;  // holdWrites()
};

std::optional<std::string> IndexTree::whyCannotMaintain(const TableDefinition& definition,
                                                        const PhysicalIndex& index) {
    return whyRowKeyCannotBeBuilt(definition, index);
}

namespace {

const PhysicalIndex& checkedIndex(const TableDefinition& definition, std::size_t physicalIndex) {
    if (physicalIndex >= definition.physicalIndexes.size())
        throw Error(Error::Kind::NotFound,
                    "The table has no index " + std::to_string(physicalIndex));
    const PhysicalIndex& index = definition.physicalIndexes[physicalIndex];
    if (auto why = IndexTree::whyCannotMaintain(definition, index))
        throw Error(Error::Kind::Unsupported,
                    "Cannot keep index " + std::to_string(index.number) + " true: " + *why);
    return index;
}

}  // namespace

IndexTree::IndexTree(Pager& pager, PageAllocator& allocator, const TableDefinition& definition,
                     std::size_t physicalIndex)
    : tree_((checkedIndex(definition, physicalIndex),
             std::make_unique<Impl>(pager, allocator, definition, physicalIndex))) {}

IndexTree::~IndexTree() = default;
IndexTree::IndexTree(IndexTree&&) noexcept = default;

const PhysicalIndex& IndexTree::index() const { return tree_->index(); }
bool IndexTree::backsPrimaryKey() const { return tree_->backsPrimaryKey(); }

std::optional<IndexKey> IndexTree::keyFor(std::span<const Value> row) const {
    return tree_->keyFor(row);
}

bool IndexTree::contains(const IndexKey& key) { return tree_->contains(key); }

KeyCheck IndexTree::check(const IndexKey& key) {
    if (key.nullColumns > 0 && (backsPrimaryKey() || index().isRequired()))
        return KeyCheck::NullInRequired;
    // Access lets a unique index hold many all-null keys.
    if ((backsPrimaryKey() || index().isUnique()) && !key.allNull && contains(key))
        return KeyCheck::Duplicate;
    return KeyCheck::Ok;
}

bool IndexTree::insert(const IndexKey& key, RowPosition row) { return tree_->insert(key, row); }
void IndexTree::remove(const IndexKey& key, RowPosition row) { tree_->remove(key, row); }
void IndexTree::clear() { tree_->clear(); }
void IndexTree::holdWrites(bool hold) { tree_->holdWrites(hold); }
void IndexTree::writeHeld() { tree_->writeHeld(); }

}  // namespace mdb
