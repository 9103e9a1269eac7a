#include "file/pager.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "file/rc4.h"
#include "file/recovery.h"
#include "mdb/error.h"

namespace mdb {
namespace {

// Where page n is or belongs among `changes` (sorted by number).
template <class Changes>
auto positionOf(Changes& changes, PageNumber n) {
    return std::lower_bound(
        changes.begin(), changes.end(), n,
        [](const PageChange& change, PageNumber number) { return change.number < number; });
}

// The change of page n among `changes`, or nullptr.
template <class Changes>
auto findIn(Changes& changes, PageNumber n) -> decltype(&*changes.begin()) {
    const auto at = positionOf(changes, n);
    return at != changes.end() && at->number == n ? &*at : nullptr;
}

PageChange& addTo(std::vector<PageChange>& changes, PageChange change) {
    // Pages are mostly changed in rising order (appended ones always): usually the end.
    auto at = changes.end();
    if (!changes.empty() && changes.back().number > change.number)
        at = positionOf(changes, change.number);
    return *changes.insert(at, std::move(change));
}

}  // namespace

Pager::Pager(std::unique_ptr<PageFile> file, std::size_t cachePages)
    : file_(std::move(file)), cacheLimit_(std::max<std::size_t>(cachePages, 16)) {
    if (file_->writable() && file_->journal() != nullptr)
        journal_ = std::make_unique<Journal>(*file_, *file_->journal());
}

Pager::~Pager() {
    try {
        if (writing_) rollback();
        sync();
        // The empty journal goes, but only under the lock: another writer may be using it.
        if (journal_ && (locked_ || file_->tryLockExclusive())) {
            journal_->removeFile();
            if (!locked_) file_->unlock();
        }
    } catch (const Error&) {
        // A destructor cannot report; callers that care call sync() or endBatch() first.
    }
    if (locked_) file_->unlock();
}

PageNumber Pager::pageCount() const { return file_->pageCount() + groupAppended_ + allocated_; }

std::shared_ptr<PageBytes> Pager::load(PageNumber n) {
    if (PageChange* changed = findIn(changes_, n)) return changed->bytes;
    if (auto c = cache_.find(n); c != cache_.end()) return c->second;
    if (PageChange* pending = findIn(group_, n)) {
        addToCache(n, pending->bytes);
        return pending->bytes;
    }
    if (n >= file_->pageCount())
        throw Error(Error::Kind::Corrupt, "page " + std::to_string(n) +
                                              " is past the end of the file (" +
                                              std::to_string(file_->pageCount()) + " pages)");
    auto bytes = std::make_shared<PageBytes>();
    file_->read(n, *bytes);
    if (n != 0 && key_ != 0) rc4CodePage(key_, n, *bytes);
    addToCache(n, bytes);
    return bytes;
}

void Pager::addToCache(PageNumber n, const std::shared_ptr<PageBytes>& bytes) {
    // A simple bound on memory: when full, drop every cached page (holders keep their copies).
    if (cache_.size() >= cacheLimit_) cache_.clear();
    cache_[n] = bytes;
}

PageRef Pager::page(PageNumber n) { return load(n); }

void Pager::readAheadWhileGoing(std::span<const PageNumber> pages, std::size_t next) {
    if (next % kReadAheadPages != 0 || next >= pages.size()) return;
    readAhead(pages.subspan(next, std::min(kReadAheadPages, pages.size() - next)));
}

bool Pager::inMemory(PageNumber n) {
    return cache_.contains(n) || findIn(changes_, n) != nullptr || findIn(group_, n) != nullptr;
}

void Pager::readDecoded(PageNumber first, std::span<std::uint8_t* const> pages) {
    file_->readRun(first, pages);
    if (key_ == 0) return;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const auto n = static_cast<PageNumber>(first + i);
        if (n != 0) rc4CodePage(key_, n, std::span<std::uint8_t>(pages[i], kPageSize));
    }
}

void Pager::readAhead(std::span<const PageNumber> pages) {
    std::vector<std::shared_ptr<PageBytes>> run;
    std::vector<std::uint8_t*> bytes;
    const auto readRun = [&](PageNumber first) {
        if (run.empty()) return;
        readDecoded(first, bytes);
        for (std::size_t i = 0; i < run.size(); ++i)
            addToCache(static_cast<PageNumber>(first + i), run[i]);
        run.clear();
        bytes.clear();
    };
    PageNumber first = 0;
    for (PageNumber n : pages) {
        if (n >= file_->pageCount() || inMemory(n)) continue;
        if (!run.empty() && n != first + run.size()) readRun(first);
        if (run.empty()) first = n;
        run.push_back(std::make_shared<PageBytes>());
        bytes.push_back(run.back()->data());
    }
    readRun(first);
}

void Pager::lookThrough(std::span<const PageNumber> pages,
                        const std::function<void(PageNumber, const PageBytes&)>& look) {
    std::vector<PageBytes> buffer(kReadAheadPages);
    std::vector<std::uint8_t*> run;
    std::vector<PageNumber> numbers;
    const auto flush = [&] {
        if (run.empty()) return;
        readDecoded(numbers.front(), run);
        for (std::size_t i = 0; i < run.size(); ++i) look(numbers[i], buffer[i]);
        run.clear();
        numbers.clear();
    };
    for (PageNumber n : pages) {
        if (n >= pageCount()) continue;
        if (inMemory(n) || n >= file_->pageCount()) {
            flush();  // in order
            look(n, *load(n));
            continue;
        }
        if (!run.empty() && (n != numbers.back() + 1 || run.size() == kReadAheadPages)) flush();
        run.push_back(buffer[run.size()].data());
        numbers.push_back(n);
    }
    flush();
}

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
    // Another writer may have changed any page, or grown the file, while we held no lock; one
    // that died half way left its journal, to be applied before anything is read.
    try {
        file_->refresh();
        if (journal_ && recoverLocked(*file_)) file_->refresh();
    } catch (...) {
        file_->unlock();
        throw;
    }
    locked_ = true;
    cache_.clear();
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
    try {  // sync() writes the group first
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
    pagesBefore_ = pageCount();
    dropUndoCopies();
    undoable_ = true;
}

bool Pager::keepsEarlierBytes(PageNumber n) {
    // Appended pages are undone by cutting them off.
    if (!undoable_ || n >= pagesBefore_) return false;
    if (keptBefore_ < kUndoPages) return true;
    undoable_ = false;
    dropUndoCopies();
    return false;
}

PageBytes& Pager::modify(PageNumber n) { return change(n, true); }

PageBytes& Pager::overwrite(PageNumber n) { return change(n, false); }

PageBytes& Pager::reuseFreePage(PageNumber n) {
    const bool freeAtCommit = !freed_.freedSinceCommit(n);
    PageBytes& bytes = change(n, false, !freeAtCommit);
    if (freeAtCommit) {
        freed_.reused(n);
        findIn(changes_, n)->wasFree = true;
    }
    bytes.fill(0);
    return bytes;
}

PageBytes& Pager::change(PageNumber n, bool keepBytes, bool earlierBytesMatter) {
    requireWriting("change a page of");
    if (PageChange* changed = findIn(changes_, n)) return *changed->bytes;
    const bool keepWas = earlierBytesMatter && keepsEarlierBytes(n);
    if (!keepBytes && !keepWas) {
        // Neither its bytes nor a copy for an undo are wanted: the page is not even read. (The
        // cache keeps the bytes the file has until the change reaches it.)
        if (n >= pageCount())
            throw Error(Error::Kind::Corrupt, "page " + std::to_string(n) +
                                                  " is past the end of the file (" +
                                                  std::to_string(file_->pageCount()) + " pages)");
        return *addTo(changes_, PageChange{n, newBuffer(), nullptr}).bytes;
    }
    std::shared_ptr<PageBytes> was = load(n);
    // Copy on write: readers still holding the page (the cache or the pending group among
    // them) keep seeing the old bytes, and so does the undo copy. A page no one else holds is
    // changed in place; a rollback forgets it, and the file still has it.
    std::shared_ptr<PageBytes> bytes = was;
    if (keepWas || was.use_count() > 2) {  // `was` and `bytes` themselves count two
        bytes = newBuffer();
        if (keepBytes) *bytes = *was;
    }
    PageChange& change = addTo(changes_, PageChange{n, std::move(bytes), nullptr});
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

void Pager::recycle(std::shared_ptr<PageBytes>& buffer) {
    constexpr std::size_t kSpares = 64;
    if (buffer && buffer.use_count() == 1 && spare_.size() < kSpares)
        spare_.push_back(std::move(buffer));
    buffer.reset();
}

void Pager::dropUndoCopies() {
    for (PageChange& change : changes_) recycle(change.before);
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
    addTo(changes_, PageChange{n, std::move(page), nullptr});
    ++allocated_;
    return n;
}

void Pager::writePages(std::span<const PageChange> pages, PageNumber pagesBefore, WriteOrder order,
                       bool undoable, Scope scope) {
    std::vector<PageNumber> written;
    try {
        const std::vector<PageNumber> ordered = ordering_(pages, pagesBefore, order);
        if (journal_) journal_->protect(pagesToProtect(ordered));
        writeRuns(pages, ordered, written);
    } catch (const Error& e) {
        failWrite(e, pages, written, pagesBefore, undoable, scope);
    } catch (...) {
        forgetAfterFailedWrite();
        throw;
    }
}

void Pager::failWrite(const Error& e, std::span<const PageChange> pages,
                      const std::vector<PageNumber>& written, PageNumber pagesBefore, bool undoable,
                      Scope scope) {
    bool undone = false;
    if (journal_) {
        try {
            journal_->rollback();
            undone = true;
        } catch (const Error&) {
            // The journal stays: the next open puts the file back.
        }
    } else {
        undone = undoable && undoWrites(pages, written, pagesBefore);
    }
    // With a journal a batch's groups commit by time: several may go back together.
    const char* what = scope == Scope::Operation ? "the change"
                       : journal_                ? "the changes since the last commit"
                                                 : "the changes since the last write";
    forgetAfterFailedWrite();
    std::string message = std::string(e.what()) + "; " + what;
    if (undone)
        message += scope == Scope::Operation
                       ? " was not stored and the database is as it was before it"
                       : " were not stored and the database is as it was before them";
    else
        message += " may be partly stored: check the database before using it again";
    Error failure(e.kind, message);
    if (undone) {
        failure.changesUndone = true;
        failure.cause = e.what();
    }
    throw failure;
}

std::vector<PageNumber> Pager::pagesToProtect(const std::vector<PageNumber>& pages) const {
    if (!freed_.anyReused()) return pages;
    std::vector<PageNumber> out;
    out.reserve(pages.size());
    for (PageNumber n : pages)
        if (!freed_.reusedSinceCommit(n)) out.push_back(n);
    return out;
}

void Pager::commitWritten(Scope scope) {
    // Without a journal every write stands once made: it is a commit of its own.
    if (!journal_ || !journal_->active()) {
        freed_.committed();
        return;
    }
    try {
        journal_->commit();
        freed_.committed();
        unsynced_ = false;
        lastCommit_ = std::chrono::steady_clock::now();
    } catch (const Error& e) {
        failWrite(e, {}, {}, 0, false, scope);
    }
}

void Pager::writeRuns(std::span<const PageChange> pages, const std::vector<PageNumber>& order,
                      std::vector<PageNumber>& written) {
    std::vector<PageBytes> coded;  // pages of a database with a key, encoded for the file
    std::vector<const std::uint8_t*> run;
    PageNumber first = 0;
    auto flush = [&] {
        if (run.empty()) return;
        // A failed run may be partly written: it counts as written for the undo.
        for (std::size_t i = 0; i < run.size(); ++i)
            written.push_back(static_cast<PageNumber>(first + i));
        file_->writeRun(first, run);
        unsynced_ = true;
        run.clear();
        coded.clear();
    };
    if (key_ != 0) coded.reserve(std::min<std::size_t>(pages.size(), 1024));
    for (PageNumber n : order) {
        const PageBytes& bytes = *findIn(pages, n)->bytes;
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
}

bool Pager::undoWrites(std::span<const PageChange> pages, const std::vector<PageNumber>& written,
                       PageNumber pagesBefore) {
    try {
        PageBytes out;
        for (auto it = written.rbegin(); it != written.rend(); ++it) {
            if (*it >= pagesBefore) continue;             // appended: cut off below
            if (freed_.reusedSinceCommit(*it)) continue;  // its earlier bytes were no one's
            const PageChange* was = findIn(pages, *it);
            if (was == nullptr || !was->before) return false;
            out = *was->before;
            if (*it != 0 && key_ != 0) rc4CodePage(key_, *it, out);
            file_->write(*it, out);
        }
        if (file_->pageCount() > pagesBefore) file_->truncate(pagesBefore);
        return true;
    } catch (const Error&) {
        return false;
    }
}

void Pager::forgetAfterFailedWrite() {
    rollback();
    for (PageChange& pending : group_) recycle(pending.before);
    group_.clear();
    groupAppended_ = 0;
    groupOperations_ = 0;
    groupUndoable_ = true;
    // Whatever the file holds now, the cache must not pretend otherwise.
    cache_.clear();
    ++generation_;
}

void Pager::moveToCache(std::vector<PageChange>& pages) {
    if (cache_.size() + pages.size() > cacheLimit_) cache_.clear();
    for (PageChange& change : pages) {
        cache_[change.number] = std::move(change.bytes);
        recycle(change.before);
    }
    pages.clear();
}

void Pager::writeDirty() {
    writePages(changes_, pagesBefore_, order_, undoable_, Scope::Operation);
    freed_.operationWritten();
    moveToCache(changes_);
    keptBefore_ = 0;
}

void Pager::writeGroup() {
    if (group_.empty()) return;
    writePages(group_, file_->pageCount(), groupOrder_, groupUndoable_, Scope::Group);
    freed_.groupWritten();
    moveToCache(group_);
    groupAppended_ = 0;
    groupOperations_ = 0;
    groupUndoable_ = true;
    // Inside a batch a group commits once the last commit is old enough: a commit costs three
    // syncs, more than the group's writes.
    if (!batch_ || std::chrono::steady_clock::now() - lastCommit_ >= commitInterval_)
        commitWritten(Scope::Group);
}

void Pager::joinGroup() {
    if (!group_.empty() && groupOrder_ != order_) writeGroup();
    groupOrder_ = order_;
    // Without every earlier byte the operation could not be undone alone, nor can the group.
    groupUndoable_ = groupUndoable_ && undoable_;
    for (PageChange& change : changes_) mergeIntoGroup(change);
    changes_.clear();
    freed_.operationJoinedGroup();
    keptBefore_ = 0;
    groupAppended_ += allocated_;
    allocated_ = 0;
    ++groupOperations_;
    if (group_.size() >= kGroupPages || groupOperations_ >= kGroupOperations) writeGroup();
}

void Pager::mergeIntoGroup(PageChange& change) {
    PageChange* pending = findIn(group_, change.number);
    if (pending == nullptr) {
        // First changed in this group: its bytes before the operation are those before the group.
        addToCache(change.number, change.bytes);
        addTo(group_, std::move(change));
        return;
    }
    // The group keeps its earlier bytes; the operation's were the group's own pending bytes,
    // which it lets go of now.
    change.before.reset();
    std::shared_ptr<PageBytes> old = std::exchange(pending->bytes, std::move(change.bytes));
    addToCache(change.number, pending->bytes);
    recycle(old);  // after the cache let go of it
}

void Pager::endOperation() {
    allocated_ = 0;
    writing_ = false;
    earlyWrites_ = wroteEarly_ = false;
    unlockUnlessBatch();
}

void Pager::commit() {
    requireWriting("commit changes to");
    // An operation that wrote early is written on its own (the group went before it).
    if (batch_ && !earlyWrites_) {
        joinGroup();
    } else {
        writeDirty();
        commitWritten(Scope::Operation);
    }
    endOperation();
}

void Pager::allowEarlyWrites() {
    requireWriting("write early to");
    // Its pages may reach the file before it commits: the operations before it must be there,
    // committed, so that undoing it through the journal undoes nothing else.
    writeGroup();
    commitWritten(Scope::Group);
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
    if (wroteEarly_ && journal_) {
        try {  // the pages it wrote early go back as well
            journal_->rollback();
        } catch (const Error&) {
            // The journal stays: the next open puts the file back.
        }
        cache_.clear();
    }
    dropUndoCopies();
    changes_.clear();
    endOperation();
}

void Pager::sync() {
    writeGroup();
    commitWritten(Scope::Group);
    if (!unsynced_) return;
    file_->sync();
    unsynced_ = false;
}

}  // namespace mdb
