// pager.h: the one way to pages. Every page the engine reads or writes passes through here.
//
// The pager caches pages, decodes those of a database with a key, and is the only write path:
// an operation (beginWrite() ... commit() or rollback()) changes pages in memory and its commit
// writes them in the order the format gives, through the journal when the file keeps one; a
// batch holds the lock and writes its operations in groups. docs/architecture.md ("The write
// path") has the whole story: locks, commits, batches and groups, failed and early writes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "file/freed_pages.h"
#include "file/journal.h"
#include "file/page_change.h"
#include "file/page_file.h"

namespace mdb {

struct Error;

class Pager {
public:
    explicit Pager(std::unique_ptr<PageFile> file, std::size_t cachePages = 4096);
    // Syncs written pages; errors are lost here, call sync() first to see them.
    ~Pager();
    Pager(const Pager&) = delete;
    Pager& operator=(const Pager&) = delete;

    const std::string& fileName() const { return file_->name(); }
    bool writable() const { return file_->writable(); }
    // 4096, or 2048 for a Jet 3 file (page_file.h): pages still come in 4096-byte buffers.
    std::size_t pageSize() const { return file_->pageSize(); }
    // Pages in the file, plus pages appended by the pending group and by this operation.
    PageNumber pageCount() const;

    // Pages above 0 are RC4-coded with this key; 0 means they are stored plain.
    void setDatabaseKey(std::uint32_t key) { key_ = key; }
    std::uint32_t databaseKey() const { return key_; }
    // The database's code page, in which an Access 97 file stores its text and names.
    void setCodePage(std::uint16_t codePage) { codePage_ = codePage; }
    std::uint16_t codePage() const { return codePage_; }

    // Page n, plain. It stays valid while held, even if the page is changed later. Throws Error
    // (Corrupt) when n is past the end of the file.
    PageRef page(PageNumber n);

    // Reads those of `pages` not in memory yet into the cache, runs of consecutive pages with one
    // call each: for a caller about to go through them in order (a scan). Pages past the end of
    // the file are left to page(), which says so.
    void readAhead(std::span<const PageNumber> pages);
    // For a caller going through `pages` in order, now at `next`: reads the next
    // kReadAheadPages of them ahead each time `next` reaches a multiple of it.
    void readAheadWhileGoing(std::span<const PageNumber> pages, std::size_t next);
    // A table's pages mostly follow one another in the file: they are read this many at a time.
    static constexpr std::size_t kReadAheadPages = 32;
    // Calls `look` with each of `pages` in turn, as page() would give it, skipping those past the
    // end of the file. Pages not in memory are read in runs into one buffer and not kept: for
    // going once through many pages that are not needed again.
    void lookThrough(std::span<const PageNumber> pages,
                     const std::function<void(PageNumber, const PageBytes&)>& look);

    // Takes the lock (if not held) and keeps it until endBatch(). Throws Error (Locked) at once
    // when another program holds it, (Refused) for a file opened read-only.
    void beginBatch();
    // Ends the batch: rolls back an unfinished operation, writes the pending group, syncs,
    // releases the lock. Throws Error (Io) when the write or the sync fails (the lock is
    // released all the same).
    void endBatch();
    bool inBatch() const { return batch_; }

    // Throws as beginBatch() does when the lock must be taken. REQUIRES: not writing().
    void beginWrite();
    bool writing() const { return writing_; }
    PageBytes& modify(PageNumber n);
    // Page n for writing anew, marked dirty: its bytes are unspecified and the caller sets every
    // one of them (it saves modify()'s copy of the old bytes, and reading them at all when the
    // operation keeps no undo copy of the page).
    PageBytes& overwrite(PageNumber n);
    // Appends a zeroed page, dirty.
    PageNumber allocate();
    // The caller marked page n free in the global usage map (format/page_allocator.h). Until
    // the next commit it counts as a page in use: a crash goes back to where it is one.
    void noteFreed(PageNumber n) { freed_.freed(n); }
    // Page n, which the global usage map marks free, handed out again: zero-filled and dirty.
    // When it was already free at the last commit its old bytes belong to no one: they are not
    // read, and neither the journal nor an undo keeps them (file/freed_pages.h).
    PageBytes& reuseFreePage(PageNumber n);
    // Ends the operation: outside a batch its pages are in the file when this returns; inside
    // one they join the pending group. Releases the lock unless a batch holds it.
    void commit();
    // Forgets the operation's dirty pages; releases the lock unless a batch holds it.
    void rollback();
    // From allowEarlyWrites() on (once nothing can refuse the operation any more),
    // writeEarlyIfLarge() writes the operation's dirty pages when they pass a limit; neither a
    // rollback nor a failed write can undo them then. Call writeEarlyIfLarge() only where no
    // page reference from modify() is held.
    void allowEarlyWrites();
    void writeEarlyIfLarge();

    // The order of this operation's writes; RowsAppear unless set after beginWrite().
    void setWriteOrder(WriteOrder order) { order_ = order; }
    // How to order an operation's pages for writing (format/write_order.h for a database);
    // page-number order until told.
    void setPageOrdering(PageOrdering ordering) { ordering_ = ordering; }

    // Writes the pending group and makes every page written so far durable (nothing happens
    // when none was). Throws Error (Io) as commit() does.
    void sync();

    // Test seam: the most pages the file may grow to (the page allocator refuses past it).
    void setPageLimitForTesting(PageNumber pages) { pageLimitForTesting_ = pages; }
    std::optional<PageNumber> pageLimitForTesting() const { return pageLimitForTesting_; }

    // Pages whose earlier bytes one operation keeps, to undo a failed write.
    static constexpr std::size_t kUndoPages = 8192;
    // The pending group is written once it holds this many pages. An insert changes four or five
    // pages, mostly the ones the insert before it changed; a few hundred distinct pages already
    // make the writes per insert a small fraction of one, so a larger group saves little more. A
    // pending page holds its new bytes and its bytes from before the group: 512 pages are at
    // most 4 MB.
    static constexpr std::size_t kGroupPages = 512;
    // ... or this many operations: inserts that keep changing the same few pages would otherwise
    // leave the file behind, unseen by other readers and lost on a failure, for a whole run.
    static constexpr std::size_t kGroupOperations = 1024;

    // Counts the moments cached pages may have gone stale (the lock taken, a rollback): state
    // drawn from pages is read again when it changes.
    std::uint64_t generation() const { return generation_; }

    // Inside a batch, a group written commits only when the last commit is this old (groups
    // written in between join the next commit). Zero commits every group.
    void setCommitInterval(std::chrono::milliseconds interval) { commitInterval_ = interval; }
    static constexpr std::chrono::milliseconds kCommitInterval{1000};

    // The journal's largest size so far, in bytes (0 for a file that keeps none).
    std::uint64_t largestJournalSize() const { return journal_ ? journal_->largestSize() : 0; }

private:
    // How a failed write is described: one operation's change, or a group of them.
    enum class Scope { Operation, Group };

    std::shared_ptr<PageBytes> load(PageNumber n);
    // Whether page n is in the cache, the pending group or this operation's changes.
    bool inMemory(PageNumber n);
    // Reads the file's pages from `first` on into `pages` (one buffer each), decoded.
    void readDecoded(PageNumber first, std::span<std::uint8_t* const> pages);
    void addToCache(PageNumber n, const std::shared_ptr<PageBytes>& bytes);
    PageBytes& change(PageNumber n, bool keepBytes, bool earlierBytesMatter = true);
    // A page buffer to fill, from the spares when there is one.
    std::shared_ptr<PageBytes> newBuffer();
    // Ends the operation's hold on its undo copies, keeping unshared ones as spares.
    void dropUndoCopies();
    // Keeps the buffer as a spare when no one else holds it, and lets go of it.
    void recycle(std::shared_ptr<PageBytes>& buffer);
    void requireWriting(const char* what) const;
    void lock();
    void unlockUnlessBatch();
    // Ends the operation that commit() or rollback() finished.
    void endOperation();
    // Writes this operation's dirty pages and moves them to the cache.
    void writeDirty();
    // Adds this operation's pages to the pending group (writing the group first when the
    // operation's write order differs), and writes the group when it is full.
    void joinGroup();
    void mergeIntoGroup(PageChange& change);
    // Writes the pending group, if any, and moves its pages to the cache.
    void writeGroup();
    // Writes `pages` in the order setPageOrdering() gives, runs of consecutive pages together. When
    // a write fails, puts back what it can, forgets the operation and the group (the file may
    // no longer match them) and throws Error saying whether the file is as it was.
    void writePages(std::span<const PageChange> pages, PageNumber pagesBefore, WriteOrder order,
                    bool undoable, Scope scope);
    void writeRuns(std::span<const PageChange> pages, const std::vector<PageNumber>& order,
                   std::vector<PageNumber>& written);
    // Puts back the pages written (those below pagesBefore, from their earlier bytes) and cuts
    // off appended ones; false when that is not possible.
    bool undoWrites(std::span<const PageChange> pages, const std::vector<PageNumber>& written,
                    PageNumber pagesBefore);
    // After a failed write: the cache, the operation and the group may not match the file.
    void forgetAfterFailedWrite();
    // Puts the file back as the last commit left it (through the journal, or else from the
    // earlier bytes the pager kept), forgets what no longer matches it, and throws Error
    // saying whether the file is as it was.
    [[noreturn]] void failWrite(const Error& e, std::span<const PageChange> pages,
                                const std::vector<PageNumber>& written, PageNumber pagesBefore,
                                bool undoable, Scope scope);
    // The pages the journal must copy before `pages` are written: all but free ones reused.
    std::vector<PageNumber> pagesToProtect(const std::vector<PageNumber>& pages) const;
    // A commit point: the pages written so far become durable and the journal is emptied.
    void commitWritten(Scope scope);
    // Written pages: into the cache, their earlier bytes into the spares.
    void moveToCache(std::vector<PageChange>& pages);
    // Whether a change of page n keeps its bytes from before the operation, for undoing a
    // failed write (past kUndoPages, no change does any more).
    bool keepsEarlierBytes(PageNumber n);

    std::unique_ptr<PageFile> file_;
    std::unique_ptr<Journal> journal_;  // when the file keeps one
    FreedPages freed_;
    std::chrono::milliseconds commitInterval_ = kCommitInterval;
    std::chrono::steady_clock::time_point lastCommit_ = std::chrono::steady_clock::now();
    std::size_t cacheLimit_;
    std::uint32_t key_ = 0;
    std::uint16_t codePage_ = 0;
    // Pages as the last commit left them, by number: written ones and pending ones, so that
    // reading a page the group holds (the hot pages of a batch) costs one lookup. Pending
    // pages are also in group_, which keeps them when the cache is emptied.
    std::unordered_map<PageNumber, std::shared_ptr<PageBytes>> cache_;
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
    PageOrdering ordering_ = inPageNumberOrder;
    PageNumber pagesBefore_ = 0;  // pageCount() when the operation began
    // The earlier bytes of changed pages (PageChange::before) are the pages as they were
    // cached, shared rather than copied: modify() changes a copy when a page is shared.
    std::size_t keptBefore_ = 0;  // changes holding their earlier bytes
    bool undoable_ = true;        // every changed page holds them
    // The pending group: pages committed inside the batch and not written yet, sorted by
    // number, each with its bytes from before the group (`before`) where the operations kept
    // them. The file does not change while the group is pending, so its page count is the
    // group's pagesBefore.
    std::vector<PageChange> group_;
    WriteOrder groupOrder_ = WriteOrder::RowsAppear;
    PageNumber groupAppended_ = 0;  // pages past the file's end among them
    std::size_t groupOperations_ = 0;
    bool groupUndoable_ = true;  // every page below the file's end holds its earlier bytes
    // Buffers of earlier undo copies, reused: every operation changes a handful of pages, and a
    // fresh 4 KB allocation for each costs more than encoding the row.
    std::vector<std::shared_ptr<PageBytes>> spare_;
    std::optional<PageNumber> pageLimitForTesting_;
};

}  // namespace mdb
