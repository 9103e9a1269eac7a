#include "mdb/index_writer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "mdb/error.h"
#include "mdb/index_page.h"
#include "mdb/index_walk.h"
#include "mdb/usage_map_writer.h"

namespace mdb {
namespace {

// Decoded pages kept between operations; past this many, the next operation starts afresh.
constexpr std::size_t kCacheLimit = 512;
// Real indexes are a handful of levels deep; a damaged file must not lead the search in circles.
constexpr std::size_t kMaxDepth = 16;
// A leaf entry is the key, 3 bytes of page and 1 of row; a node entry adds 4 bytes of child.
constexpr std::size_t kNodeEntryExtra = 8;

}  // namespace

// The B-tree of one index, and its pages in memory.
//
// A page in memory (Page) holds the decoded page with one difference: a node's entries name
// EVERY child, the child-tail one last. On disk a node with one child stores it as an entry; a
// node with more stores all but the last, which is the child-tail page (as Access and Jackcess
// write them). The last child's entry is then not on the page, so after reading it is a
// placeholder until needed; it is worked out by following the last children down to a leaf.
//
// Each operation descends from the root, changes pages in memory, and then writes every
// changed page through the pager. A page read earlier is used again only while the pager still
// holds exactly the bytes it was read from or written as; anything else (a rollback, another
// writer) makes the writer read it afresh.
class IndexWriter::Tree {
public:
    Tree(Pager& pager, PageAllocator& allocator, const TableDefinition& definition,
         std::size_t physicalIndex)
        : pager_(pager),
          allocator_(allocator),
          maps_(pager, allocator),
          index_(definition.physicalIndexes.at(physicalIndex)),
          tablePage_(definition.page),
          keys_(definition, index_) {
        for (const Index& logical : definition.indexes)
            if (logical.physicalIndex == index_.number && logical.kind == Index::Kind::PrimaryKey)
                backsPrimaryKey_ = true;
    }

    const PhysicalIndex& index() const { return index_; }
    bool backsPrimaryKey() const { return backsPrimaryKey_; }
    std::optional<IndexKey> keyFor(std::span<const Value> row) const { return keys_(row); }

    bool contains(const IndexKey& key) {
        return run([&] { return containsKey(key.bytes); });
    }

    bool insert(const IndexKey& key, RowPosition row) {
        if (key.bytes.size() + kNodeEntryExtra > IndexPage::kMaxEntryBytes)
            throw Error(Error::Kind::Refused, "The key of index " + std::to_string(index_.number) +
                                                  " is too long to store (" +
                                                  std::to_string(key.bytes.size()) + " bytes)");
        return run([&] {
            const bool isNew = !containsKey(key.bytes);
            IndexEntry entry{key.bytes, row, 0};
            Path path = descend(entry);
            std::vector<IndexEntry>& entries = path.back().page->entries();
            const auto at = std::lower_bound(entries.begin(), entries.end(), entry, entryBefore);
            if (at != entries.end() && at->key == entry.key && at->row == entry.row)
                return false;  // this very entry is there already
            const bool becomesLast = at == entries.end();
            entries.insert(at, std::move(entry));
            touch(*path.back().page);
            if (becomesLast) propagateLast(path, path.size() - 1);
            splitOverfullPages(path);
            return isNew;
        });
    }

    void remove(const IndexKey& key, RowPosition row) {
        run([&] {
            const IndexEntry entry{key.bytes, row, 0};
            Path path = descend(entry);
            Page& leaf = *path.back().page;
            std::vector<IndexEntry>& entries = leaf.entries();
            const auto at = std::lower_bound(entries.begin(), entries.end(), entry, entryBefore);
            if (at == entries.end() || at->key != entry.key || at->row != entry.row)
                throw Error(Error::Kind::Corrupt, "index " + std::to_string(index_.number) +
                                                      " has no entry for the row at " +
                                                      describe(row));
            const bool wasLast = at + 1 == entries.end();
            entries.erase(at);
            touch(leaf);
            if (entries.empty() && path.size() > 1)
                path.resize(dropPage(path, path.size() - 1));
            else if (wasLast && !entries.empty())
                propagateLast(path, path.size() - 1);
            // A parent entry may have taken a longer key than before.
            splitOverfullPages(path);
            return true;
        });
    }

    void clear() {
        run([&] {
            const IndexContents contents = walkIndex(pager_, index_.rootPage);
            std::vector<PageNumber> pages = contents.leafPages;
            pages.insert(pages.end(), contents.nodePages.begin(), contents.nodePages.end());
            Page& root = load(index_.rootPage);
            root.page = IndexPage{};
            root.page.tdefPage = tablePage_;
            root.lastFromTail = false;
            touch(root);
            for (PageNumber n : pages) {
                if (n == index_.rootPage) continue;
                forget(n);
                allocator_.release(n);
            }
            maps_.clear(index_.usageMap);
            maps_.add(index_.usageMap, index_.rootPage);
            return true;
        });
    }

private:
    struct Page {
        PageNumber number = 0;
        IndexPage page;
        PageBytes image{};              // the bytes the pager held when this was read or written
        bool lastFromTail = false;      // node: entries().back() is the child tail's placeholder...
        std::uint64_t lastKnownIn = 0;  // ...unless it was worked out in this operation
        bool dirty = false;
        bool isLeaf() const { return page.isLeaf(); }
        std::vector<IndexEntry>& entries() { return page.entries; }
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
        if (cache_.size() > kCacheLimit) cache_.clear();
        try {
            const bool result = work();
            flush();
            return result;
        } catch (...) {
            cache_.clear();
            changed_.clear();
            throw;
        }
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
        if (found != cache_.end() &&
            std::memcmp(found->second->image.data(), bytes->data(), kPageSize) == 0)
            return *found->second;
        auto page = std::make_unique<Page>();
        page->number = n;
        page->image = *bytes;
        page->page = IndexPage::decode(*bytes, n);
        page->page.prefixLength.reset();  // when written again, the longest shared prefix
        if (page->page.tdefPage != tablePage_)
            corrupt(n, "it belongs to the table whose definition is on page " +
                           std::to_string(page->page.tdefPage));
        if (!page->isLeaf()) {
            if (page->page.childTailPage != 0) {
                page->entries().push_back({{}, {}, page->page.childTailPage});
                page->lastFromTail = true;
            }
            if (page->entries().empty()) corrupt(n, "a node page without children");
        }
        Page& out = *page;
        cache_[n] = std::move(page);
        return out;
    }

    void forget(PageNumber n) { cache_.erase(n); }

    void touch(Page& page) {
        if (page.dirty) return;
        page.dirty = true;
        changed_.push_back(page.number);
    }

    bool lastKnown(const Page& page) const {
        return !page.lastFromTail || page.lastKnownIn == operation_;
    }

    // The last entry under `page`, working out a child tail's entry when needed.
    const IndexEntry& lastEntry(Page& page, std::size_t depth = 0) {
        if (depth > kMaxDepth) corrupt(page.number, "the index is deeper than any real one");
        if (page.entries().empty()) corrupt(page.number, "an empty page below the root");
        if (page.isLeaf() || lastKnown(page)) return page.entries().back();
        Page& child = load(page.entries().back().child);
        const IndexEntry& last = lastEntry(child, depth + 1);
        page.entries().back().key = last.key;
        page.entries().back().row = last.row;
        page.lastKnownIn = operation_;
        return page.entries().back();
    }

    // The child of a node under which `entry` is or belongs: the first whose last entry is
    // not before it, else the last child.
    static std::size_t childFor(Page& node, const IndexEntry& entry) {
        std::vector<IndexEntry>& entries = node.entries();
        const auto stored = entries.end() - 1;
        return static_cast<std::size_t>(
            std::lower_bound(entries.begin(), stored, entry, entryBefore) - entries.begin());
    }

    Path descend(const IndexEntry& entry) {
        Path path;
        Page* page = &load(index_.rootPage);
        while (!page->isLeaf()) {
            if (path.size() >= kMaxDepth)
                corrupt(page->number, "the index is deeper than any real one");
            const std::size_t child = childFor(*page, entry);
            path.push_back({page, child});
            page = &load(page->entries()[child].child);
        }
        path.push_back({page, 0});
        return path;
    }

    bool containsKey(const std::vector<std::uint8_t>& key) {
        // Every entry with this key sorts at or after (key, the smallest row pointer).
        const IndexEntry probe{key, {}, 0};
        Path path = descend(probe);
        const std::vector<IndexEntry>& entries = path.back().page->entries();
        const auto at = std::lower_bound(entries.begin(), entries.end(), probe, entryBefore);
        return at != entries.end() && at->key == key;
    }

    // The last entry of the page at path[level] changed: its parents' entries follow.
    void propagateLast(Path& path, std::size_t level) {
        for (; level > 0; --level) {
            const IndexEntry& last = lastEntry(*path[level].page);
            Page& parent = *path[level - 1].page;
            const std::size_t at = path[level - 1].child;
            parent.entries()[at].key = last.key;
            parent.entries()[at].row = last.row;
            touch(parent);
            if (at + 1 != parent.entries().size()) return;
            parent.lastKnownIn = operation_;
        }
    }

    // The bytes the page's stored entries take (a node's child tail is not stored).
    static bool fits(const Page& page) {
        const auto& entries = page.page.entries;
        const std::size_t stored =
            page.isLeaf() || entries.size() < 2 ? entries.size() : entries.size() - 1;
        if (stored == 0) return true;
        const std::size_t extra = page.isLeaf() ? 4 : kNodeEntryExtra;
        const auto& first = entries.front().key;
        const auto& last = entries[stored - 1].key;
        const std::size_t prefix = static_cast<std::size_t>(
            std::mismatch(first.begin(), first.end(), last.begin(), last.end()).first -
            first.begin());
        std::size_t total = 0;
        for (std::size_t i = 0; i < stored; ++i) total += entries[i].key.size() + extra;
        return total - (stored - 1) * prefix <= IndexPage::kMaxEntryBytes;
    }

    Page& newPage(bool leaf) {
        const PageNumber n = allocator_.allocate();
        maps_.add(index_.usageMap, n);
        auto page = std::make_unique<Page>();
        page->number = n;
        page->page.kind = leaf ? IndexPage::Kind::Leaf : IndexPage::Kind::Node;
        page->page.tdefPage = tablePage_;
        page->image = *pager_.page(n);
        Page& out = *page;
        cache_[n] = std::move(page);
        touch(out);
        return out;
    }

    // Splits every page on the path that no longer fits, from the leaf up.
    void splitOverfullPages(Path& path) {
        for (std::size_t level = path.size(); level-- > 0;) {
            if (fits(*path[level].page)) continue;
            if (level == 0) {
                nestRoot(path);
                level = 1;
            }
            std::size_t at = path[level - 1].child;
            splitUntilFits(*path[level - 1].page, at, *path[level].page);
        }
    }

    // The root never moves: its entries go to a new page, its only child.
    void nestRoot(Path& path) {
        Page& root = *path[0].page;
        Page& child = newPage(root.isLeaf());
        child.page.entries = std::move(root.page.entries);
        child.lastFromTail = root.lastFromTail;
        child.lastKnownIn = root.lastKnownIn;
        root.page.kind = IndexPage::Kind::Node;
        root.page.entries.clear();
        const IndexEntry& last = lastEntry(child);
        root.page.entries.push_back({last.key, last.row, child.number});
        root.lastFromTail = false;
        touch(root);
        path.insert(path.begin() + 1, Step{&child, path[0].child});
        path[0].child = 0;
    }

    // Splits `page`, the child at `at` of `parent`, until it and the pages split off fit.
    void splitUntilFits(Page& parent, std::size_t& at, Page& page) {
        while (!fits(page)) {
            Page& head = splitOffHead(parent, at, page);
            std::size_t headAt = at;
            splitUntilFits(parent, headAt, head);
            at = headAt + 1;
        }
    }

    // Moves the first half of the stored entries of `page` to a new page placed before it (the
    // page keeps its last entry, so its parent entry stays). Returns the new page, which
    // takes position `at` in the parent; `page` moves to at + 1.
    Page& splitOffHead(Page& parent, std::size_t at, Page& page) {
        std::vector<IndexEntry>& entries = page.entries();
        const bool leaf = page.isLeaf();
        const std::size_t stored = leaf || entries.size() < 2 ? entries.size() : entries.size() - 1;
        if (stored < 2) corrupt(page.number, "an entry too large for a page");
        const std::size_t moved = (stored + 1) / 2;
        Page& head = newPage(leaf);
        head.entries().assign(
            std::make_move_iterator(entries.begin()),
            std::make_move_iterator(entries.begin() + static_cast<std::ptrdiff_t>(moved)));
        entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(moved));
        touch(page);

        head.page.prevPage = page.page.prevPage;
        head.page.nextPage = page.number;
        if (page.page.prevPage != 0) {
            Page& prev = load(page.page.prevPage);
            prev.page.nextPage = head.number;
            touch(prev);
        }
        page.page.prevPage = head.number;

        // Leaves are chained from first to last; node pages only to peers under the same
        // parent, so children that are nodes are cut apart where the split falls.
        if (!leaf) {
            Page& lastChild = load(head.entries().back().child);
            if (!lastChild.isLeaf()) {
                Page& firstChild = load(entries.front().child);
                lastChild.page.nextPage = 0;
                firstChild.page.prevPage = 0;
                touch(lastChild);
                touch(firstChild);
            }
        }
        const IndexEntry& last = head.entries().back();
        parent.entries().insert(parent.entries().begin() + static_cast<std::ptrdiff_t>(at),
                                IndexEntry{last.key, last.row, head.number});
        touch(parent);
        return head;
    }

    // The page at path[level] has no entries left: it leaves the tree and the file, and so do
    // parents it leaves empty. Returns how many pages at the top of the path remain.
    std::size_t dropPage(Path& path, std::size_t level) {
        Page& page = *path[level].page;
        Page& parent = *path[level - 1].page;
        const std::size_t at = path[level - 1].child;
        const PageNumber prevPage = page.page.prevPage, nextPage = page.page.nextPage;
        if (prevPage != 0) {
            Page& prev = load(prevPage);
            prev.page.nextPage = nextPage;
            touch(prev);
        }
        if (nextPage != 0) {
            Page& next = load(nextPage);
            next.page.prevPage = prevPage;
            touch(next);
        }
        const PageNumber number = page.number;
        std::erase(changed_, number);
        forget(number);
        allocator_.release(number);
        maps_.remove(index_.usageMap, number);

        std::vector<IndexEntry>& siblings = parent.entries();
        const bool wasLast = at + 1 == siblings.size();
        siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(at));
        touch(parent);
        if (wasLast) parent.lastFromTail = false;  // the new last child is a stored entry
        if (siblings.empty()) {
            if (level - 1 > 0) return dropPage(path, level - 1);
            parent.page = IndexPage{};  // an empty root is an empty leaf
            parent.page.tdefPage = tablePage_;
            return 1;
        }
        if (wasLast) propagateLast(path, level - 1);
        return level;
    }

    // Writes every page changed in this operation.
    void flush() {
        for (PageNumber n : changed_) {
            auto found = cache_.find(n);
            if (found == cache_.end()) continue;
            Page& page = *found->second;
            std::vector<IndexEntry>& entries = page.entries();
            std::optional<IndexEntry> tail;
            page.page.childTailPage = 0;
            if (!page.isLeaf() && entries.size() == 1) lastEntry(page);  // stored: must be known
            if (!page.isLeaf() && entries.size() >= 2) {
                tail = std::move(entries.back());
                entries.pop_back();
                page.page.childTailPage = tail->child;
            }
            PageBytes bytes{};
            const bool ok = page.page.encode(bytes);
            if (tail) entries.push_back(std::move(*tail));
            if (!ok) corrupt(n, "the entries do not fit the page");
            if (!page.isLeaf()) page.lastFromTail = entries.size() >= 2;
            if (bytes != page.image) {
                pager_.modify(n) = bytes;
                page.image = bytes;
            }
            page.dirty = false;
        }
        changed_.clear();
    }

    Pager& pager_;
    PageAllocator& allocator_;
    UsageMapWriter maps_;
    PhysicalIndex index_;
    PageNumber tablePage_;
    RowKeyBuilder keys_;
    bool backsPrimaryKey_ = false;
    std::unordered_map<PageNumber, std::unique_ptr<Page>> cache_;
    std::vector<PageNumber> changed_;
    std::uint64_t operation_ = 0;
};

std::optional<std::string> IndexWriter::whyCannotMaintain(const TableDefinition& definition,
                                                          const PhysicalIndex& index) {
    return whyRowKeyCannotBeBuilt(definition, index);
}

namespace {

const PhysicalIndex& checkedIndex(const TableDefinition& definition, std::size_t physicalIndex) {
    if (physicalIndex >= definition.physicalIndexes.size())
        throw Error(Error::Kind::NotFound,
                    "The table has no index " + std::to_string(physicalIndex));
    const PhysicalIndex& index = definition.physicalIndexes[physicalIndex];
    if (auto why = IndexWriter::whyCannotMaintain(definition, index))
        throw Error(Error::Kind::Unsupported,
                    "Cannot keep index " + std::to_string(index.number) + " true: " + *why);
    return index;
}

}  // namespace

IndexWriter::IndexWriter(Pager& pager, PageAllocator& allocator, const TableDefinition& definition,
                         std::size_t physicalIndex)
    : tree_((checkedIndex(definition, physicalIndex),
             std::make_unique<Tree>(pager, allocator, definition, physicalIndex))) {}

IndexWriter::~IndexWriter() = default;
IndexWriter::IndexWriter(IndexWriter&&) noexcept = default;

const PhysicalIndex& IndexWriter::index() const { return tree_->index(); }
bool IndexWriter::backsPrimaryKey() const { return tree_->backsPrimaryKey(); }

std::optional<IndexKey> IndexWriter::keyFor(std::span<const Value> row) const {
    return tree_->keyFor(row);
}

bool IndexWriter::contains(const IndexKey& key) { return tree_->contains(key); }

KeyCheck IndexWriter::check(const IndexKey& key) {
    if (key.nullColumns > 0 && (backsPrimaryKey() || index().isRequired()))
        return KeyCheck::NullInRequired;
    // Access lets a unique index hold many all-null keys.
    if ((backsPrimaryKey() || index().isUnique()) && !key.allNull && contains(key))
        return KeyCheck::Duplicate;
    return KeyCheck::Ok;
}

bool IndexWriter::insert(const IndexKey& key, RowPosition row) { return tree_->insert(key, row); }
void IndexWriter::remove(const IndexKey& key, RowPosition row) { tree_->remove(key, row); }
void IndexWriter::clear() { tree_->clear(); }

}  // namespace mdb
