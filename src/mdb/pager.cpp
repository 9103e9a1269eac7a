#include "mdb/pager.h"

#include <algorithm>

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

void Pager::commit() {
    requireWriting("commit changes to");
    try {
        PageBytes out;
        for (const auto& [n, bytes] : dirty_) {
            if (n != 0 && key_ != 0) {
                out = *bytes;
                rc4CodePage(key_, n, out);
                file_->write(n, out);
            } else {
                file_->write(n, *bytes);
            }
            unsynced_ = true;
        }
    } catch (...) {
        // Part of the operation may be in the file; the cache must not pretend otherwise.
        rollback();
        clean_.clear();
        throw;
    }
    if (clean_.size() + dirty_.size() > cacheLimit_) clean_.clear();
    for (auto& [n, bytes] : dirty_) clean_[n] = std::move(bytes);
    dirty_.clear();
    allocated_ = 0;
    writing_ = false;
    unlockUnlessBatch();
}

void Pager::rollback() {
    if (!writing_) return;
    // State drawn from pages that are now forgotten must be read again.
    if (!dirty_.empty()) ++generation_;
    dirty_.clear();
    allocated_ = 0;
    writing_ = false;
    unlockUnlessBatch();
}

void Pager::sync() {
    if (!unsynced_) return;
    file_->sync();
    unsynced_ = false;
}

}  // namespace mdb
