// write_order.h: the order in which one operation's pages go to the file, so that a reader
// who looks between two page writes (another program reading the file, or the file as a
// crashed process left it) never sees half a row.
//
// The pages of an operation fall in four groups:
//   fresh        pages that held nothing before (appended, or free pages taken again,
//                whatever bytes they kept): nothing refers to them until the other groups
//                are written;
//   rows         the table's data pages and the usage maps (data pages owned by no table,
//                bitmap pages, the global map), which decide which rows a scan finds;
//   other        index pages and long-value (LVAL) pages;
//   definition   table definitions (row count, last autonumber, distinct key counts).
// When rows appear (an insert):     fresh, other, definition, rows.
// When rows disappear (a delete):   fresh, rows, other, definition.
// So a new row becomes visible last, after its long values and index entries are in place,
// and a deleted row vanishes first, before its long values and index entries are freed.
// What a stop between two writes can leave, besides pages nothing refers to:
//   insert: index entries pointing at a row not there yet (before "rows"); a definition that
//           counts one row more than the scan finds and has handed out its autonumber (between
//           "definition" and "rows"), so the next number is never given twice;
//   delete: index entries and long values of a row that is gone; a definition that counts the
//           row still. Never a row whose long values or index entries are already freed.
// Writes go through the operating system's cache: this is the order other programs see them
// in at once, and the order a killed process leaves them in. After a power cut only what was
// synced is sure; the pages of later operations may be on disk in any order.
// A crash no longer leaves any of this for Brelvano to read: the rollback journal (journal.h)
// holds every page a commit overwrites, synced before it is overwritten, and the next open puts
// the database back as its last commit left it (recovery.h), whatever order the pages reached
// the disk in, torn pages included. Among the "other programs" is one that opens the file after
// a crash before Brelvano has (the journal is not its format): it sees what is listed above,
// and after a power cut pages in any order.
#pragma once

#include <span>
#include <vector>

#include "file/page_change.h"

namespace mdb {

// The changed pages in writing order: by group as above, by page number within a group. A page
// without its earlier bytes counts as fresh when it lies at or past `pagesBefore` (appended),
// and is grouped by its new bytes alone otherwise. The pager is given this function
// (Pager::setPageOrdering) by whoever opens a database: it knows no page types itself.
std::vector<PageNumber> orderForWriting(std::span<const PageChange> changes, PageNumber pagesBefore,
                                        WriteOrder order);

}  // namespace mdb
