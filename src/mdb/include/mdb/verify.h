// verify.h: checking that a database's tables, indexes and page maps agree with each other.
//
// For every table (system tables included) and each of its physical indexes:
//   - the index holds exactly one entry per row it should index (key built from the row's
//     values, row pointer to the row's position), in index order, and its tree is sound;
//   - the table definition's row count equals the live rows, its autonumber is at least every
//     autonumber column value, each unique entry count is at least the index's distinct keys;
//   - the owned-pages map holds exactly the table's data pages, the free-space map only owned
//     pages, each index's map exactly the pages of its tree;
// and across the file: no page is used twice, and no used page is marked free in the global map.
// Each problem is one line of text naming the table, index or page.
// Memory stays within a few tens of megabytes whatever the file's size: pages are read through the
// pager's bounded cache, and the entries the rows give are sorted through a temporary file.
#pragma once

#include <string>
#include <vector>

#include "mdb/database.h"

namespace mdb {

// Every problem found; empty when the database is sound. Reads through the database's pager
// (definitions are read afresh, so a database just written to can be checked). Damage that stops
// a part of the check (an unreadable definition or index page) is reported as a problem too.
std::vector<std::string> verifyDatabase(Database& database);

// The same for a file, opened read-only. Throws Error when it cannot be opened.
std::vector<std::string> verifyFile(const std::string& path);

}  // namespace mdb
