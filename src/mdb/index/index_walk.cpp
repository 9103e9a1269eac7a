#include "index/index_walk.h"

#include <optional>
#include <set>
#include <string>

#include "mdb/error.h"

namespace mdb {
namespace {

// Real indexes are a handful of levels deep (a level holds hundreds of entries); anything
// deeper is a damaged file leading the walk in circles through distinct pages.
constexpr int kMaxDepth = 16;

[[noreturn]] void corrupt(std::uint32_t pageNo, const std::string& what) {
    throw Error(Error::Kind::Corrupt, "index page " + std::to_string(pageNo) + ": " + what);
}

class Walker {
public:
    Walker(Pager& pager, IndexContents& out, const std::function<void(const IndexEntry&)>& each)
        : pager_(pager), out_(out), each_(each) {}

    void visit(std::uint32_t pageNo, int depth) {
        if (depth > kMaxDepth) corrupt(pageNo, "the index is deeper than any real one");
        if (!seen_.insert(pageNo).second) corrupt(pageNo, "reached twice while walking the index");
        const IndexPage page =
            IndexPage::decode(*pager_.page(pageNo), pageNo, formatOfPageSize(pager_.pageSize()));
        if (page.isLeaf()) {
            addLeaf(pageNo, page, depth);
            return;
        }
        out_.nodePages.push_back(pageNo);
        for (const IndexEntry& e : page.entries) {
            visit(e.child, depth + 1);
            // The node entry repeats the last entry under its child.
            if (!last_ || last_->key != e.key || last_->row != e.row)
                corrupt(pageNo, "the entry for child " + std::to_string(e.child) +
                                    " is not the child's last entry");
        }
        if (page.childTailPage != 0) visit(page.childTailPage, depth + 1);
    }

    // The leaves must form one chain in tree order.
    void checkChain() const {
        const auto& leaves = out_.leafPages;
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            const std::uint32_t prev = i == 0 ? 0 : leaves[i - 1];
            const std::uint32_t next = i + 1 == leaves.size() ? 0 : leaves[i + 1];
            if (links_[i].first != prev || links_[i].second != next)
                corrupt(leaves[i], "previous/next pages " + std::to_string(links_[i].first) + "/" +
                                       std::to_string(links_[i].second) + " where the tree has " +
                                       std::to_string(prev) + "/" + std::to_string(next));
        }
    }

private:
    void addLeaf(std::uint32_t pageNo, const IndexPage& page, int depth) {
        if (out_.depth == 0) out_.depth = depth;
        if (out_.depth != depth) corrupt(pageNo, "a leaf at another depth than the first leaf");
        if (!page.entries.empty() && last_ && !entryBefore(*last_, page.entries.front()))
            corrupt(pageNo, "its first entry is out of order with the previous page");
        out_.leafPages.push_back(pageNo);
        links_.emplace_back(page.prevPage, page.nextPage);
        for (const IndexEntry& e : page.entries) each_(e);
        if (!page.entries.empty()) last_ = page.entries.back();
    }

    Pager& pager_;
    IndexContents& out_;
    const std::function<void(const IndexEntry&)>& each_;
    std::optional<IndexEntry> last_;  // the last leaf entry so far
    std::set<std::uint32_t> seen_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> links_;
};

}  // namespace

IndexContents walkIndex(Pager& pager, PageNumber rootPage,
                        const std::function<void(const IndexEntry&)>& each) {
    IndexContents out;
    Walker walker(pager, out, each);
    walker.visit(rootPage, 1);
    walker.checkChain();
    return out;
}

IndexContents walkIndex(Pager& pager, PageNumber rootPage) {
    std::vector<IndexEntry> entries;
    IndexContents out =
        walkIndex(pager, rootPage, [&](const IndexEntry& e) { entries.push_back(e); });
    out.entries = std::move(entries);
    return out;
}

}  // namespace mdb
