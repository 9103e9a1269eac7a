#include "mdb/pager.h"

#include <algorithm>
#include <vector>

#include "mdb/error.h"
#include "mdb/rc4.h"

namespace mdb {

Pager::Pager(std::unique_ptr<PageFile> file, std::size_t cachePages)
    : file_(std::move(file)), cacheLimit_(std::max<std::size_t>(cachePages, 16)) {}

Pager::~Pager() {
    try {
        if (writing_) rollback();
        sync();
    } catch (const Error&) {
        // A destructor cannot report; callers that care call sync() or endBatch() first.
    }
    if (locked_) file_->unlock();
}

PageNumber Pager::pageCount() const { return file_->pageCount() + allocated_; }

std::shared_ptr<PageBytes> Pager::load(PageNumber n) {
    if (PageChange* changed = findChange(n)) return changed->bytes;
    if (auto c = clean_.find(n); c != clean_.end()) return c->second;
    if (n >= file_->pageCount())
        throw Error(Error::Kind::Corrupt, "page " + std::to_string(n) +
                                              " is past the end of the file (" +
                                              std::to_string(file_->pageCount()) + " pages)");
    auto bytes = std::make_shared<PageBytes>();
    file_->read(n, *bytes);
    if (n != 0 && key_ != 0) rc4CodePage(key_, n, *bytes);
    // A simple bound on memory: when full, drop every clean page (holders keep their copies).
    if (clean_.size() >= cacheLimit_) clean_.clear();
    clean_.emplace(n, bytes);
    return bytes;
}

PageRef Pager::page(PageNumber n) { return load(n); }

void Pager::requireWriting(const char* what) const {
    if (!writing_)
        throw Error(Error::Kind::Refused,
                    std::string("Cannot ") + what + " '" + file_->name() + "' outside an update");
}

void Pager::lock() {
    if (locked_) return;
    if (!file_->writable()) {
        const std::string why = file_->readOnlyReason();
        if (!why.empty())
            throw Error(Error::Kind::Refused, "Cannot update. Database or object is read-only: '" +
                                                  file_->name() + "' cannot be changed because " +
                                                  why);
        throw Error(Error::Kind::Refused,
                    "Cannot update '" + file_->name() + "': the database is opened read-only");
    }
    if (!file_->tryLockExclusive())
        throw Error(Error::Kind::Locked, "Could not use '" + file_->name() +
                                             "'; the database is locked by another program");
    // Access keeps <name>.ldb beside a database it has open, and locks through it, not through
    // the lock above: while it is there, Access (on this computer or another) may be writing.
    if (const std::optional<std::string> ldb = file_->foreignLockFile()) {
        file_->unlock();
        throw Error(Error::Kind::Locked,
                    "Could not update '" + file_->name() +
                        "': another program may be using the database (its lock file '" + *ldb +
                        "' exists). If no one has the database open, the lock file was left "
                        "behind and can be deleted");
    }
    locked_ = true;
    // Another writer may have changed any page, or grown the file, while we held no lock.
    file_->refresh();
    clean_.clear();
    ++generation_;
}

void Pager::unlockUnlessBatch() {
    if (batch_ || !locked_) return;
    locked_ = false;
    file_->unlock();
}

void Pager::beginBatch() {
    lock();
    batch_ = true;
}

void Pager::endBatch() {
    if (!batch_) return;
    if (writing_) rollback();
    batch_ = false;
    try {
        sync();
    } catch (...) {
        unlockUnlessBatch();
        throw;
    }
    unlockUnlessBatch();
}

void Pager::beginWrite() {
    if (writing_)
        throw Error(Error::Kind::Refused,
                    "Cannot update '" + file_->name() + "': another update is under way");
    lock();
    writing_ = true;
    order_ = WriteOrder::RowsAppear;
    pagesBefore_ = file_->pageCount();
    dropUndoCopies();
    undoable_ = true;
    written_.clear();
}

bool Pager::keepsEarlierBytes(PageNumber n) {
    // Appended pages are undone by cutting them off.
    if (!undoable_ || n >= pagesBefore_) return false;
    if (keptBefore_ < kUndoPages) return true;
    undoable_ = false;
    dropUndoCopies();
    return false;
}

PageChange* Pager::findChange(PageNumber n) {
    const auto at = std::lower_bound(
        changes_.begin(), changes_.end(), n,
        [](const PageChange& change, PageNumber number) { return change.number < number; });
    return at != changes_.end() && at->number == n ? &*at : nullptr;
}

PageChange& Pager::addChange(PageNumber n, std::shared_ptr<PageBytes> bytes) {
    // Pages are mostly changed in rising order (appended ones always): usually the end.
    auto at = changes_.end();
    if (!changes_.empty() && changes_.back().number > n)
        at = std::lower_bound(
            changes_.begin(), changes_.end(), n,
            [](const PageChange& change, PageNumber number) { return change.number < number; });
    return *changes_.insert(at, PageChange{n, std::move(bytes), nullptr});
}

PageBytes& Pager::modify(PageNumber n) { return change(n, true); }

PageBytes& Pager::overwrite(PageNumber n) { return change(n, false); }

PageBytes& Pager::change(PageNumber n, bool keepBytes) {
    requireWriting("change a page of");
    if (PageChange* changed = findChange(n)) return *changed->bytes;
    std::shared_ptr<PageBytes> was = load(n);
    const bool keepWas = keepsEarlierBytes(n);
    // Copy on write: readers still holding the page (the cache among them) keep seeing the old
    // bytes, and so does the undo copy. A page no one else holds is changed in place; a
    // rollback forgets it, and the file still has it.
    std::shared_ptr<PageBytes> bytes = was;
    if (keepWas || was.use_count() > 2) {  // `was` and `bytes` themselves count two
        bytes = newBuffer();
        if (keepBytes) *bytes = *was;
    }
    PageChange& change = addChange(n, std::move(bytes));
    if (keepWas) {
        change.before = std::move(was);
        ++keptBefore_;
    }
    return *change.bytes;
}

std::shared_ptr<PageBytes> Pager::newBuffer() {
    if (spare_.empty()) return std::make_shared<PageBytes>();
    std::shared_ptr<PageBytes> buffer = std::move(spare_.back());
    spare_.pop_back();
    return buffer;
}

void Pager::dropUndoCopies() {
    constexpr std::size_t kSpares = 64;
    for (PageChange& change : changes_) {
        if (change.before && change.before.use_count() == 1 && spare_.size() < kSpares)
            spare_.push_back(std::move(change.before));
        change.before.reset();
    }
    keptBefore_ = 0;
}

PageNumber Pager::allocate() {
    requireWriting("add a page to");
    const PageNumber n = pageCount();
    if (n >= 0xFFFFFF)
        throw Error(Error::Kind::Refused, "Cannot add a page to '" + file_->name() +
                                              "': the file has reached its largest size");
    std::shared_ptr<PageBytes> page = newBuffer();
    page->fill(0);
    addChange(n, std::move(page));
    ++allocated_;
    return n;
}

void Pager::writeDirty() {
    const std::vector<PageNumber> order = orderForWriting(changes_, pagesBefore_, order_);
    std::vector<PageBytes> coded;  // pages of a database with a key, encoded for the file
    std::vector<const std::uint8_t*> run;
    PageNumber first = 0;
    auto flush = [&] {
        if (run.empty()) return;
        // A failed run may be partly written: it counts as written for the undo.
        for (std::size_t i = 0; i < run.size(); ++i)
            written_.push_back(static_cast<PageNumber>(first + i));
        file_->writeRun(first, run);
        unsynced_ = true;
        run.clear();
        coded.clear();
    };
    try {
        if (key_ != 0) coded.reserve(std::min<std::size_t>(changes_.size(), 1024));
        for (PageNumber n : order) {
            const PageBytes& bytes = *findChange(n)->bytes;
            if (!run.empty() && (n != first + run.size() || run.size() == 1024)) flush();
            if (run.empty()) first = n;
            if (n != 0 && key_ != 0) {
                coded.push_back(bytes);
                rc4CodePage(key_, n, coded.back());
                run.push_back(coded.back().data());
            } else {
                run.push_back(bytes.data());
            }
        }
        flush();
    } catch (const Error& e) {
        const bool undone = undoWrites();
        // Whatever the file holds now, the cache must not pretend otherwise.
        rollback();
        clean_.clear();
        ++generation_;
        throw Error(e.kind, std::string(e.what()) +
                                (undone ? "; the change was not stored and the database is as "
                                          "it was before it"
                                        : "; the change may be partly stored: check the "
                                          "database before using it again"));
    } catch (...) {
        rollback();
        clean_.clear();
        throw;
    }
    // Written: the pages are clean now, and their earlier bytes are of no more use.
    if (clean_.size() + changes_.size() > cacheLimit_) clean_.clear();
    for (PageChange& change : changes_) clean_[change.number] = std::move(change.bytes);
    dropUndoCopies();
    changes_.clear();
}

bool Pager::undoWrites() {
    if (!undoable_) return false;
    try {
        PageBytes out;
        for (auto it = written_.rbegin(); it != written_.rend(); ++it) {
            if (*it >= pagesBefore_) continue;  // appended: cut off below
            const PageChange* was = findChange(*it);
            if (was == nullptr || !was->before) return false;
            out = *was->before;
            if (*it != 0 && key_ != 0) rc4CodePage(key_, *it, out);
            file_->write(*it, out);
        }
        if (file_->pageCount() > pagesBefore_) file_->truncate(pagesBefore_);
        return true;
    } catch (const Error&) {
        return false;
    }
}

void Pager::commit() {
    requireWriting("commit changes to");
    writeDirty();
    written_.clear();
    allocated_ = 0;
    writing_ = false;
    earlyWrites_ = wroteEarly_ = false;
    unlockUnlessBatch();
}

void Pager::allowEarlyWrites() {
    requireWriting("write early to");
    earlyWrites_ = true;
}

void Pager::writeEarlyIfLarge() {
    // A few megabytes: large enough that runs of released pages go out in big writes.
    constexpr std::size_t kEarlyWriteLimit = 2048;
    if (!writing_ || !earlyWrites_ || changes_.size() < kEarlyWriteLimit) return;
    writeDirty();
    wroteEarly_ = true;
    // Appended pages are in the file now: pageCount() counts them there.
    allocated_ = 0;
    // An operation this large cannot promise a full undo anyway; keeping the earlier bytes of
    // every page it changes would make memory grow with the table being emptied.
    undoable_ = false;
}

void Pager::rollback() {
    if (!writing_) return;
    // State drawn from pages that are now forgotten (or already written) must be read again.
    if (!changes_.empty() || wroteEarly_) ++generation_;
    dropUndoCopies();
    changes_.clear();
    written_.clear();
    allocated_ = 0;
    writing_ = false;
    earlyWrites_ = wroteEarly_ = false;
    unlockUnlessBatch();
}

void Pager::sync() {
    if (!unsynced_) return;
    file_->sync();
    unsynced_ = false;
}

}  // namespace mdb
