// journal.h: the rollback journal, which makes every commit all or nothing, whenever the process
// dies or the power goes.
//
// Before a page that was part of the database at the last commit is overwritten for the first
// time since, its bytes go to the journal (journal_file.h), which also records the file's
// length at that commit; the journal is synced before the page is written. A commit syncs the
// database and then empties the journal. So whenever a write stops half way, the journal holds
// what is needed to put the file back as the last commit left it: its pages as they were, and
// the length to cut the pages appended since back to (recovery.h does it on the next open).
// Pages appended since the commit need no copy, nor do pages that were free at the commit and are
// reused (the pager leaves them out, file/freed_pages.h); for a page that was all zero the journal
// says only "zero".
//
// Layout (little-endian): a header of 32 bytes (the magic "BRVJRNL2", a random number chosen
// for this commit, the database's page count at the commit, a checksum of its page 0, and a
// checksum of these), then records, each a kind, a page number, the number of the journal's sync
// it precedes, the page's 4096 bytes for a copy, and a checksum over the random number and the
// record. A record whose checksum fails (a journal torn by a power cut, or bytes of an older
// commit's journal) ends the journal: every record the database's writes relied on was synced
// before them, so what follows was never needed. Unless a whole record of a later sync follows
// it: then it was synced, and has been damaged since; such a journal, and one whose records
// disagree with its header (a page past the length it records, a page twice, a first page
// other than the one it describes), is refused, as applying it would damage the database. (A
// damaged record of the last sync cannot be told from a torn one.) Besides copies and zeros, a
// record announces how far this commit may grow the file (with room to spare, as each
// announcement costs a sync), so that a file grown further since was grown by someone else.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file/journal_file.h"
#include "file/page_file.h"

namespace mdb {

// A journal as read back from its file.
struct JournalContents {
    struct Record {
        PageNumber page = 0;
        bool zero = false;         // the page was all zero; else its bytes are at `offset`
        std::uint64_t offset = 0;  // in the journal file
    };
    PageNumber committedPages = 0;  // the database's length at the last commit
    PageNumber largestPages = 0;    // the most the interrupted commit announced it may reach
    std::uint64_t firstPageChecksum = 0;
    std::vector<Record> records;
    // Why the journal cannot be applied (a record damaged since it was synced, or records that
    // disagree with the header or each other), or "".
    std::string damage;
};

// The journal's contents, or nothing when it holds no valid header (no file, an empty one, or
// a header torn before it was synced: then no page of the database was changed either).
std::optional<JournalContents> readJournal(JournalFile& journal);

// Why the database cannot be the one the journal was written for (another program changed it
// since), or "" when it may be.
std::string journalMismatch(PageFile& database, const JournalContents& contents);

// Puts back the journalled pages, cuts the file to its length at the commit, syncs it, then
// empties the journal. Repeating it after it was interrupted gives the same file. Throws Error.
void restoreFromJournal(PageFile& database, JournalFile& journal, const JournalContents& contents);

// The journal of one commit while the pager writes it.
class Journal {
public:
    Journal(PageFile& database, JournalFile& file) : database_(database), file_(file) {}

    // Whether a commit is under way: pages were written since the last commit.
    bool active() const { return active_; }

    // Called before `pages` are written to the database: journals those that the last commit
    // left and that are not journalled yet, and how far the writes grow the file. Everything is
    // durable when it returns. Throws Error (Io); nothing of the database has changed then.
    void protect(std::span<const PageNumber> pages);
    // The pages are written: syncs the database, then empties the journal. Throws Error (Io).
    void commit();
    // Puts the database back as the last commit left it. Throws Error (Io) when it cannot (the
    // journal stays: the next protect() tries again first, and so does the next open).
    void rollback();
    // Deletes the empty journal file (when the database closes).
    void removeFile();

    // Bytes in the journal at most since it was opened (for the benchmark figures).
    std::uint64_t largestSize() const { return largest_; }

private:
    void begin();
    void addRecord(std::uint32_t kind, PageNumber page, const PageBytes* bytes);
    void flush();

    PageFile& database_;
    JournalFile& file_;
    bool active_ = false;
    bool undoPending_ = false;  // a rollback failed: the journal is hot
    std::uint32_t salt_ = 0;
    std::uint32_t sync_ = 1;  // the number of the journal's next sync, from 1, in every record
    PageNumber committedPages_ = 0;
    PageNumber announcedPages_ = 0;
    // The least an announcement of growth adds past the pages about to be written.
    static constexpr PageNumber kGrowthMargin = 128;
    std::vector<bool> saved_;  // by page number, below committedPages_
    std::vector<std::uint8_t> buffer_;
    std::uint64_t end_ = 0;  // bytes in the file
    std::uint64_t largest_ = 0;
};

}  // namespace mdb
