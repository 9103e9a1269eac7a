#include "database/index_entry_sorter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "mdb/error.h"

namespace mdb {
namespace {

// Each entry in a run: its key's length (2 bytes), the key, the row's page (4) and row (1).
constexpr std::size_t kFixedBytes = 2 + 4 + 1;
constexpr std::size_t kReadBuffer = 32 * 1024;
// What an entry held in memory costs besides its key bytes (the vector, the heap block).
constexpr std::size_t kEntryOverhead = sizeof(IndexEntry) + 16;

[[noreturn]] void failed(const char* what) {
    throw Error(Error::Kind::Io,
                std::string("Cannot ") + what +
                    " the temporary file for checking an index: " + std::strerror(errno));
}

}  // namespace

// One sorted run in the temporary file, read a buffer at a time.
struct IndexEntrySorter::Run {
    long offset = 0;  // of the next byte to read
    long end = 0;
    std::vector<std::uint8_t> buffer;
    std::size_t at = 0;  // next unread byte of `buffer`
    IndexEntry current;

    // Makes `n` bytes available at buffer[at].
    void need(std::FILE* file, std::size_t n) {
        if (buffer.size() - at >= n) return;
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(at));
        at = 0;
        const std::size_t kept = buffer.size();
        const auto left = static_cast<std::size_t>(end - offset);
        const std::size_t take = std::min(left, std::max(kReadBuffer, n) - kept);
        if (kept + take < n) throw Error(Error::Kind::Io, "A run of index entries is cut short");
        buffer.resize(kept + take);
        if (std::fseek(file, offset, SEEK_SET) != 0) failed("read");
        if (std::fread(buffer.data() + kept, 1, take, file) != take) failed("read");
        offset += static_cast<long>(take);
    }

    // Reads the next entry into `current`; false at the end of the run.
    bool advance(std::FILE* file) {
        if (at == buffer.size() && offset == end) return false;
        need(file, 2);
        const std::size_t length = buffer[at] | buffer[at + 1] << 8;
        need(file, kFixedBytes + length);
        const std::uint8_t* p = buffer.data() + at + 2;
        current.key.assign(p, p + length);
        p += length;
        current.row.page = static_cast<PageNumber>(p[0] | p[1] << 8 | p[2] << 16) |
                           static_cast<PageNumber>(p[3]) << 24;
        current.row.row = p[4];
        at += kFixedBytes + length;
        return true;
    }
};

IndexEntrySorter::IndexEntrySorter(std::size_t memoryLimit) : memoryLimit_(memoryLimit) {}

IndexEntrySorter::~IndexEntrySorter() {
    if (spill_ != nullptr) std::fclose(spill_);
}

void IndexEntrySorter::add(IndexEntry entry) {
    entry.child = 0;
    held_ += entry.key.size() + kEntryOverhead;
    entries_.push_back(std::move(entry));
    if (held_ >= memoryLimit_) writeRun();
}

void IndexEntrySorter::writeRun() {
    std::sort(entries_.begin(), entries_.end(), entryBefore);
    if (spill_ == nullptr && (spill_ = std::tmpfile()) == nullptr) failed("create");
    if (std::fseek(spill_, 0, SEEK_END) != 0) failed("write");
    auto run = std::make_unique<Run>();
    run->offset = std::ftell(spill_);
    std::vector<std::uint8_t> bytes;
    for (const IndexEntry& e : entries_) {
        const std::size_t length = e.key.size();
        if (length > 0xFFFF) throw Error(Error::Kind::Unsupported, "An index key is too long");
        bytes.push_back(static_cast<std::uint8_t>(length));
        bytes.push_back(static_cast<std::uint8_t>(length >> 8));
        bytes.insert(bytes.end(), e.key.begin(), e.key.end());
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(e.row.page >> shift));
        bytes.push_back(e.row.row);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), spill_) != bytes.size()) failed("write");
    run->end = run->offset + static_cast<long>(bytes.size());
    runs_.push_back(std::move(run));
    entries_.clear();
    entries_.shrink_to_fit();
    held_ = 0;
}

namespace {

// For std::push_heap and friends, which keep the greatest first: the run whose entry comes first
// must compare greatest.
struct LaterRun {
    template <class R>
    bool operator()(const R* a, const R* b) const {
        return entryBefore(b->current, a->current);
    }
};

}  // namespace

void IndexEntrySorter::startMerge() {
    merging_ = true;
    if (runs_.empty()) {
        std::sort(entries_.begin(), entries_.end(), entryBefore);
        return;
    }
    if (!entries_.empty()) writeRun();
    if (std::fflush(spill_) != 0) failed("write");
    for (const auto& run : runs_)
        if (run->advance(spill_)) heap_.push_back(run.get());
    std::make_heap(heap_.begin(), heap_.end(), LaterRun{});
}

std::optional<IndexEntry> IndexEntrySorter::next() {
    if (!merging_) startMerge();
    if (runs_.empty()) {
        if (nextInMemory_ == entries_.size()) return std::nullopt;
        return std::move(entries_[nextInMemory_++]);
    }
    if (heap_.empty()) return std::nullopt;
    std::pop_heap(heap_.begin(), heap_.end(), LaterRun{});
    Run* run = heap_.back();
    std::optional<IndexEntry> out = run->current;
    if (run->advance(spill_)) {
        std::push_heap(heap_.begin(), heap_.end(), LaterRun{});
    } else {
        heap_.pop_back();
        run->buffer = {};
    }
    return out;
}

}  // namespace mdb
