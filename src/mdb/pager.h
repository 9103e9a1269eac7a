// pager.h: the one way to pages. Every page the engine reads or writes passes through here.
//
// The pager caches plain pages, decodes pages of databases that carry a database key (RC4
// keyed by key XOR page number; page 0 is never encoded), and is the single write path. A
// write is one operation (one inserted or deleted row, one emptied table):
//
//   beginWrite()   starts an operation; takes the exclusive advisory lock first when it is not
//                  held (writers exclude each other; readers take no lock);
//   modify(n)      returns page n for changing and marks it dirty;
//   allocate()     appends a zeroed page at the end of the file, dirty;
//   commit()       encodes and writes every dirty page (in the order below), so the operation
//                  is in the file when it returns; releases the lock unless a batch holds it;
//   rollback()     forgets the dirty pages (the file is untouched); releases the lock unless a
//                  batch holds it.
//
// Nothing is synced per operation: a sync per row would cost more than the row. A batch
// (beginBatch() ... endBatch(), one import run) keeps the lock across its operations and syncs
// when it ends; sync() (called when the database closes) makes any other written pages durable.
//
// Whenever the lock is taken the cached pages are forgotten, because another writer may have
// changed the file while it was not held. generation() counts those moments and rollbacks, so
// that code above the pager that keeps its own state drawn from pages (a table writer's copy of
// its definition) knows when to read it again.
//
// An operation's pages are written in the order write_order.h describes (set by
// setWriteOrder()), so that a reader never sees half a row. When a write fails (a full disk, an
// I/O error), the pages of the operation already written are put back as they were and pages it
// appended are cut off, so the file is as it was before the operation; for that the pager keeps
// the bytes each page had before the operation, up to kUndoPages of them (an operation that
// changes more, emptying a big table, can then only report that it may be half done).
//
// A file that could only be opened for reading refuses writes naming why (page_file.h); a
// lock file of another program beside the database (Access's .ldb) refuses them too, each time
// the lock is taken: that program may be writing, and our lock cannot see it.
//
// Dirty pages stay in memory until commit or rollback, with one exception: once an operation
// has passed every check that could refuse it, it may call allowEarlyWrites(), and from then on
// writeEarlyIfLarge() writes its dirty pages when they pass a limit, so that emptying a big
// table needs no memory in proportion to it (a rollback can no longer undo what was written,
// and from the first early write on, a failed write cannot be undone either).
// Runs of consecutive pages are written with one system call. Clean pages are dropped when the
// cache grows past its limit. A page handed out by page() stays valid for as long as its holder
// keeps it, even if the page is later modified (modify() copies a page that is still shared).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "mdb/page_file.h"
#include "mdb/write_order.h"

namespace mdb {

class Pager {
public:
    explicit Pager(std::unique_ptr<PageFile> file, std::size_t cachePages = 4096);
    // Syncs written pages; errors are lost here, call sync() first to see them.
    ~Pager();
    Pager(const Pager&) = delete;
    Pager& operator=(const Pager&) = delete;

    const std::string& fileName() const { return file_->name(); }
    bool writable() const { return file_->writable(); }
    // Pages in the file, plus pages allocated and not yet committed.
    PageNumber pageCount() const;

    // Pages above 0 are RC4-coded with this key; 0 means they are stored plain.
    void setDatabaseKey(std::uint32_t key) { key_ = key; }
    std::uint32_t databaseKey() const { return key_; }

    // Page n, plain. Throws Error (Corrupt) when n is past the end of the file.
    PageRef page(PageNumber n);

    // Takes the lock (if not held) and keeps it until endBatch(). Throws Error (Locked) at once
    // when another program holds it, (Refused) for a file opened read-only.
    void beginBatch();
    // Ends the batch: rolls back an unfinished operation, syncs, releases the lock. Throws
    // Error (Io) when the sync fails (the lock is released all the same).
    void endBatch();
    bool inBatch() const { return batch_; }

    // Throws as beginBatch() does when the lock must be taken. REQUIRES: not writing().
    void beginWrite();
    bool writing() const { return writing_; }
    PageBytes& modify(PageNumber n);
    // Page n for writing anew, marked dirty: its bytes are unspecified and the caller sets every
    // one of them (it saves modify()'s copy of the old bytes).
    PageBytes& overwrite(PageNumber n);
    PageNumber allocate();
    void commit();
    void rollback();
    // See above. Call writeEarlyIfLarge() only where no page reference from modify() is held.
    void allowEarlyWrites();
    void writeEarlyIfLarge();

    // The order of this operation's writes; RowsAppear unless set after beginWrite().
    void setWriteOrder(WriteOrder order) { order_ = order; }

    // Makes every page written so far durable (nothing happens when none was).
    void sync();

    // Test seam: the most pages the file may grow to (the page allocator refuses past it).
    void setPageLimitForTesting(PageNumber pages) { pageLimitForTesting_ = pages; }
    std::optional<PageNumber> pageLimitForTesting() const { return pageLimitForTesting_; }

    // Pages whose earlier bytes one operation keeps, to undo a failed write.
    static constexpr std::size_t kUndoPages = 8192;

    std::uint64_t generation() const { return generation_; }

private:
    std::shared_ptr<PageBytes> load(PageNumber n);
    PageBytes& change(PageNumber n, bool keepBytes);
    // This operation's change of page n, or nullptr.
    PageChange* findChange(PageNumber n);
    PageChange& addChange(PageNumber n, std::shared_ptr<PageBytes> bytes);
    // A page buffer to fill, from the spares when there is one.
    std::shared_ptr<PageBytes> newBuffer();
    // Ends the operation's hold on its undo copies, keeping unshared ones as spares.
    void dropUndoCopies();
    void requireWriting(const char* what) const;
    void lock();
    void unlockUnlessBatch();
    // Writes every dirty page (runs of consecutive pages together) and moves them to the cache.
    void writeDirty();
    // Whether a change of page n keeps its bytes from before the operation, for undoing a
    // failed write (past kUndoPages, no change does any more).
    bool keepsEarlierBytes(PageNumber n);
    // Puts back the pages written so far in this operation; false when that is not possible.
    bool undoWrites();

    std::unique_ptr<PageFile> file_;
    std::size_t cacheLimit_;
    std::uint32_t key_ = 0;
    std::unordered_map<PageNumber, std::shared_ptr<PageBytes>> clean_;
    // The pages this operation changed, by page number: a sorted vector, because an operation
    // changes a handful of pages and a tree node per page costs more than the search.
    std::vector<PageChange> changes_;
    PageNumber allocated_ = 0;  // pages appended since beginWrite
    bool writing_ = false;
    bool locked_ = false;
    bool batch_ = false;
    bool unsynced_ = false;     // pages written since the last sync
    bool earlyWrites_ = false;  // this operation may write before commit
    bool wroteEarly_ = false;   // ... and has
    std::uint64_t generation_ = 0;
    WriteOrder order_ = WriteOrder::RowsAppear;
    PageNumber pagesBefore_ = 0;  // the file's pages when the operation began
    // The earlier bytes of changed pages (PageChange::before) are the pages as they were
    // cached, shared rather than copied: modify() changes a copy when a page is shared.
    std::size_t keptBefore_ = 0;       // changes holding their earlier bytes
    bool undoable_ = true;             // every changed page holds them
    std::vector<PageNumber> written_;  // pages of this operation written so far
    // Buffers of earlier undo copies, reused: every post changes a handful of pages, and a
    // fresh 4 KB allocation for each costs more than encoding the row.
    std::vector<std::shared_ptr<PageBytes>> spare_;
    std::optional<PageNumber> pageLimitForTesting_;
};

}  // namespace mdb
