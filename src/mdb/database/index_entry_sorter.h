// index_entry_sorter.h: index entries put in index order in bounded memory.
//
// Checking an index means comparing its entries with those its table's rows give, in index
// order. A table of a million rows gives tens of megabytes of entries per index; held in memory
// the check would need about as much memory as the file. The sorter keeps a few megabytes of
// entries, and each time they are full writes them sorted to a temporary file as one run; the
// runs are read back merged, a small buffer each.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "index/index_page.h"

namespace mdb {

class IndexEntrySorter {
public:
    // `memoryLimit`: about how many bytes of entries are held before a run is written.
    explicit IndexEntrySorter(std::size_t memoryLimit = 4u << 20);
    ~IndexEntrySorter();
    IndexEntrySorter(const IndexEntrySorter&) = delete;
    IndexEntrySorter& operator=(const IndexEntrySorter&) = delete;

    // Only the key and the row are kept. Throws Error (Io) when the temporary file cannot be
    // written. REQUIRES: next() not called yet.
    void add(IndexEntry entry);

    // The entries in entryBefore order, one per call; empty after the last. Throws Error (Io)
    // when a run cannot be read back.
    std::optional<IndexEntry> next();

private:
    struct Run;
    void writeRun();
    void startMerge();

    std::size_t memoryLimit_;
    std::size_t held_ = 0;  // bytes of `entries_`, roughly
    std::vector<IndexEntry> entries_;
    std::FILE* spill_ = nullptr;  // the runs, one after the other
    std::vector<std::unique_ptr<Run>> runs_;
    bool merging_ = false;
    std::size_t nextInMemory_ = 0;  // when nothing was written
    std::vector<Run*> heap_;        // runs with an entry left, the least first
};

}  // namespace mdb
