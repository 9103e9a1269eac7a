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
    if (auto d = dirty_.find(n); d != dirty_.end()) return d->second;
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
    if (!file_->writable())
        throw Error(Error::Kind::Refused,
                    "Cannot update '" + file_->name() + "': the database is opened read-only");
    if (!file_->tryLockExclusive())
        throw Error(Error::Kind::Locked, "Could not use '" + file_->name() +
                                             "'; the database is locked by another program");
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
}

PageBytes& Pager::modify(PageNumber n) {
    requireWriting("change a page of");
    if (auto d = dirty_.find(n); d != dirty_.end()) return *d->second;
    std::shared_ptr<PageBytes> bytes = load(n);
    clean_.erase(n);
    // Copy on write: readers still holding the clean page keep seeing the old bytes. A page no
    // one else holds is changed in place; a rollback forgets it, and the file still has it.
    if (bytes.use_count() > 1) bytes = std::make_shared<PageBytes>(*bytes);
    return *dirty_.emplace(n, std::move(bytes)).first->second;
}

PageNumber Pager::allocate() {
    requireWriting("add a page to");
    const PageNumber n = pageCount();
    if (n >= 0xFFFFFF)
        throw Error(Error::Kind::Refused, "Cannot add a page to '" + file_->name() +
                                              "': the file has reached its largest size");
    dirty_.emplace(n, std::make_shared<PageBytes>());
    ++allocated_;
    return n;
}

void Pager::writeDirty() {
    try {
        std::vector<PageBytes> coded;  // pages of a database with a key, encoded for the file
        std::vector<const std::uint8_t*> run;
        PageNumber first = 0;
        auto flush = [&] {
            if (run.empty()) return;
            file_->writeRun(first, run);
            unsynced_ = true;
            run.clear();
            coded.clear();
        };
        if (key_ != 0) coded.reserve(std::min<std::size_t>(dirty_.size(), 1024));
        for (const auto& [n, bytes] : dirty_) {
            if (!run.empty() && (n != first + run.size() || run.size() == 1024)) flush();
            if (run.empty()) first = n;
            if (n != 0 && key_ != 0) {
                coded.push_back(*bytes);
                rc4CodePage(key_, n, coded.back());
                run.push_back(coded.back().data());
            } else {
                run.push_back(bytes->data());
            }
        }
        flush();
    } catch (...) {
        // Part of the operation may be in the file; the cache must not pretend otherwise.
        rollback();
        clean_.clear();
        throw;
    }
    if (clean_.size() + dirty_.size() > cacheLimit_) clean_.clear();
    for (auto& [n, bytes] : dirty_) clean_[n] = std::move(bytes);
    dirty_.clear();
}

void Pager::commit() {
    requireWriting("commit changes to");
    writeDirty();
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
    if (!writing_ || !earlyWrites_ || dirty_.size() < kEarlyWriteLimit) return;
    writeDirty();
    wroteEarly_ = true;
    // Appended pages are in the file now: pageCount() counts them there.
    allocated_ = 0;
}

void Pager::rollback() {
    if (!writing_) return;
    // State drawn from pages that are now forgotten (or already written) must be read again.
    if (!dirty_.empty() || wroteEarly_) ++generation_;
    dirty_.clear();
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
