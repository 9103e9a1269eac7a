// recovery.h: undoing a write that a dying process or a power cut interrupted, before anything
// of the database is read.
//
// A journal with a valid header beside the database (journal.h) is hot when no live writer
// holds the database's lock: its pages are put back, the file is cut to its length at the last
// commit and synced, and the journal is deleted. A database that cannot be written (read-only,
// or Access's lock file beside it) is refused rather than read half written, and so is a
// journal that does not fit the file (another program changed it since).
#pragma once

#include <string>

#include "file/page_file.h"
#include "mdb/recovery.h"

namespace mdb {

// Undoes an interrupted write of `database`, if there is one to undo; true when it did. Takes
// the lock for the time it works. Throws Error (Refused, Locked) as above, (Io) when a read or
// a write fails (the journal stays for the next open).
bool recoverAtOpen(PageFile& database);

// The same for a writer that has just taken the lock (pager.h): another process may have died
// writing while we held none.
bool recoverLocked(PageFile& database);

// Whether the database at `path` has a journal that may need applying (a cheap look: only its
// length).
bool mayNeedRecovery(const std::string& path);

}  // namespace mdb
