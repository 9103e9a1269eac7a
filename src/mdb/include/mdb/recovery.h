// recovery.h: undoing a write that a dying process or a power cut interrupted.
//
// Every open of a database does this first; the tools call recoverFile() themselves before
// opening so that they can say once that an interrupted write was undone.
#pragma once

#include <string>

namespace mdb {

// Undoes an interrupted write of the database at `path`, when a journal beside it holds one;
// true when it did. Throws Error (Refused, Locked) when the journal cannot be applied (the file
// or its folder read-only, Access's lock file beside it, or a journal that does not fit the
// file), (Io) when a read or a write fails (the journal stays for the next open).
bool recoverFile(const std::string& path);

// What the tools say once when an open undid an interrupted write.
std::string interruptedWriteUndone(const std::string& path);

}  // namespace mdb
