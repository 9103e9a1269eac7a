// freed_pages.h: which free pages the pager may hand out again without keeping their bytes.
//
// A page the global usage map marks free holds nothing the database uses, so a page that was
// already free at the last commit can be written anew without a copy of its old bytes: the
// journal needs none (after a crash the last commit's maps mark it free again, whatever it then
// holds) and neither does the undo of a failed write. A page freed since the last commit is
// different: going back to that commit makes it a used page again, with its old bytes. So the
// pager follows each page freed from its operation through the pending group and the write to
// the next commit, and until then treats it as a page in use. Forgetting a freed page too early
// would lose data on a crash; remembering it too long only costs a copy, so wherever the pager's
// state is in doubt (a rollback, a failed write) this remembers.
#pragma once

#include <unordered_set>

#include "file/page_file.h"

namespace mdb {

class FreedPages {
public:
    // The operation under way marked page n free.
    void freed(PageNumber n) { operation_.insert(n); }
    // Whether page n was freed since the last commit (or may have been).
    bool freedSinceCommit(PageNumber n) const {
        return operation_.contains(n) || group_.contains(n) || written_.contains(n);
    }

    // Page n, free at the last commit, was handed out again: its bytes need no copy until the
    // next commit.
    void reused(PageNumber n) { reused_.insert(n); }
    bool reusedSinceCommit(PageNumber n) const { return reused_.contains(n); }
    bool anyReused() const { return !reused_.empty(); }

    // The steps of the pager's writes.
    void operationJoinedGroup() { moveAll(operation_, group_); }
    void operationWritten() { moveAll(operation_, written_); }
    void groupWritten() { moveAll(group_, written_); }
    // Everything written so far is committed: pages freed by those writes are free at the last
    // commit now, and pages written anew are part of it.
    void committed() {
        written_.clear();
        reused_.clear();
    }

private:
    static void moveAll(std::unordered_set<PageNumber>& from, std::unordered_set<PageNumber>& to) {
        if (to.empty()) {
            std::swap(from, to);
            return;
        }
        to.insert(from.begin(), from.end());
        from.clear();
    }

    std::unordered_set<PageNumber> operation_;  // freed by the operation under way
    std::unordered_set<PageNumber> group_;      // ... by operations in the pending group
    std::unordered_set<PageNumber> written_;    // ... by writes since the last commit
    std::unordered_set<PageNumber> reused_;     // free at the last commit, handed out since
};

}  // namespace mdb
