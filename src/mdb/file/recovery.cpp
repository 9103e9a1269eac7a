#include "file/recovery.h"

#include <optional>

#include "file/journal.h"
#include "mdb/error.h"

namespace mdb {
namespace {

std::string mustApplyFirst(PageFile& database, JournalFile& journal) {
    return "Cannot open '" + database.name() +
           "': a write to it was interrupted, and its journal '" + journal.name() +
           "' must be applied before the database is read, but ";
}

// Releases the lock on leaving, however that happens.
class HeldLock {
public:
    explicit HeldLock(PageFile& file) : file_(file) {}
    ~HeldLock() { file_.unlock(); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    PageFile& file_;
};

// The journal numbers pages as the database's format does: an Access 97 file (byte 0x14 of
// its header 0) has 2 KB pages.
void usePageSizeOfFormat(PageFile& database) {
    if (database.pageSize() != kPageSize || database.pageCount() == 0) return;
    PageBytes first;
    database.read(0, first);
    constexpr std::size_t kVersionAt = 0x14;
    if (first[kVersionAt] == 0) database.setPageSize(kJet3PageSize);
}

}  // namespace

bool recoverLocked(PageFile& database) {
    JournalFile* journal = database.journal();
    if (journal == nullptr || journal->size() == 0) return false;
    usePageSizeOfFormat(database);
    const std::optional<JournalContents> contents = readJournal(*journal);
    if (!contents) return false;
    if (!contents->damage.empty())
        throw Error(Error::Kind::Refused,
                    "Cannot open '" + database.name() + "': its journal '" + journal->name() +
                        "', left by an interrupted write, is damaged: " + contents->damage +
                        ". The database cannot be put back as its last completed write left "
                        "it; keep both files as they are and restore the database from a copy");
    const std::string mismatch = journalMismatch(database, *contents);
    if (!mismatch.empty())
        throw Error(Error::Kind::Refused,
                    "Cannot open '" + database.name() + "': its journal '" + journal->name() +
                        "', left by an interrupted write, does not match it: " + mismatch +
                        ". Another program may have changed the database since; move the "
                        "journal away to open the database as it is");
    restoreFromJournal(database, *journal, *contents);
    journal->remove();
    return true;
}

bool recoverAtOpen(PageFile& database) {
    JournalFile* journal = database.journal();
    if (journal == nullptr || journal->size() == 0 || !readJournal(*journal)) return false;
    // A live writer's journal is its own business: it commits or rolls back itself.
    if (!database.tryLockExclusive()) return false;
    const HeldLock held(database);
    if (!database.writable()) {
        const std::string why = database.readOnlyReason();
        throw Error(Error::Kind::Refused, mustApplyFirst(database, *journal) +
                                              (why.empty() ? "it is opened read-only" : why));
    }
    if (const std::optional<std::string> ldb = database.foreignLockFile())
        throw Error(Error::Kind::Locked,
                    mustApplyFirst(database, *journal) +
                        "another program may be using the database (its lock file '" + *ldb +
                        "' exists)");
    // The writer may have finished between the look above and the lock.
    database.refresh();
    return recoverLocked(database);
}

bool mayNeedRecovery(const std::string& path) { return diskJournalFile(path)->size() > 0; }

bool recoverFile(const std::string& path) {
    return mayNeedRecovery(path) && recoverAtOpen(*openDiskPageFileForUpdate(path));
}

std::string interruptedWriteUndone(const std::string& path) {
    return "An interrupted write to '" + path +
           "' was undone: the database is as its last completed write left it";
}

}  // namespace mdb
