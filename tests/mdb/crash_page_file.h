// crash_page_file.h: a database file and its journal in memory that record every write, cut and
// sync in the order the program made them, so that a test can rebuild the disk as any moment of
// the run would have left it: after a killed process (everything written so far) or a power cut
// (what was synced, plus any of the later writes, one of them perhaps torn).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "file/journal_file.h"
#include "file/page_file.h"

namespace testing_mdb {

struct DiskEvent {
    enum class File { Database, Journal };
    enum class Kind { Write, Truncate, Sync };
    File file;
    Kind kind;
    std::uint64_t offset = 0;  // where a write goes; the length a cut leaves
    std::vector<std::uint8_t> bytes;
};
using DiskLog = std::vector<DiskEvent>;

// The two files' bytes.
struct Disk {
    std::vector<std::uint8_t> database;
    std::vector<std::uint8_t> journal;

    std::vector<std::uint8_t>& of(DiskEvent::File f) {
        return f == DiskEvent::File::Database ? database : journal;
    }
    // Applies a write or a cut; `keep` bytes of a write at most (a torn one keeps fewer).
    void apply(const DiskEvent& e, std::size_t keep = SIZE_MAX) {
        std::vector<std::uint8_t>& bytes = of(e.file);
        if (e.kind == DiskEvent::Kind::Truncate) {
            bytes.resize(std::min<std::uint64_t>(bytes.size(), e.offset));
        } else if (e.kind == DiskEvent::Kind::Write) {
            const std::size_t n = std::min(keep, e.bytes.size());
            if (bytes.size() < e.offset + n) bytes.resize(e.offset + n);
            std::copy_n(e.bytes.begin(), n, bytes.begin() + static_cast<std::ptrdiff_t>(e.offset));
        }
    }
};

// The disk a process killed before event `n` leaves: the system has every write it made.
inline Disk killedBefore(Disk disk, const DiskLog& log, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) disk.apply(log[i]);
    return disk;
}

// The disk a power cut before event `n` leaves: each file as its last sync left it, then a random
// choice of the later writes and cuts, in order; with `tear`, one of the later writes is torn
// halfway.
inline Disk powerCutBefore(Disk disk, const DiskLog& log, std::size_t n, std::mt19937& random,
                           bool tear) {
    std::vector<std::size_t> pending[2];
    for (std::size_t i = 0; i < n; ++i) {
        auto& waiting = pending[static_cast<int>(log[i].file)];
        if (log[i].kind != DiskEvent::Kind::Sync) {
            waiting.push_back(i);
            continue;
        }
        for (std::size_t w : waiting) disk.apply(log[w]);
        waiting.clear();
    }
    std::vector<std::size_t> later;
    for (auto& waiting : pending) later.insert(later.end(), waiting.begin(), waiting.end());
    std::sort(later.begin(), later.end());
    std::size_t torn = SIZE_MAX;
    if (tear && !later.empty()) torn = later[random() % later.size()];
    for (std::size_t i : later) {
        if (i == torn)
            disk.apply(log[i], log[i].bytes.size() / 2);
        else if (random() % 2 == 0)
            disk.apply(log[i]);
    }
    return disk;
}

class RecordingJournalFile : public mdb::JournalFile {
public:
    explicit RecordingJournalFile(std::shared_ptr<DiskLog> log) : log_(std::move(log)) {}
    const std::string& name() const override { return file_.name(); }
    std::uint64_t size() override { return file_.size(); }
    void read(std::uint64_t at, std::span<std::uint8_t> out) override { file_.read(at, out); }
    void write(std::uint64_t at, std::span<const std::uint8_t> in) override {
        log_->push_back(
            {DiskEvent::File::Journal, DiskEvent::Kind::Write, at, {in.begin(), in.end()}});
        file_.write(at, in);
    }
    void sync() override {
        log_->push_back({DiskEvent::File::Journal, DiskEvent::Kind::Sync, 0, {}});
    }
    void truncate(std::uint64_t bytes) override {
        log_->push_back({DiskEvent::File::Journal, DiskEvent::Kind::Truncate, bytes, {}});
        file_.truncate(bytes);
    }
    void remove() override { truncate(0); }

private:
    std::shared_ptr<DiskLog> log_;
    mdb::MemoryJournalFile file_{"crash.mdb-journal"};
};

class RecordingPageFile : public mdb::PageFile {
public:
    RecordingPageFile(std::vector<std::uint8_t> bytes, std::shared_ptr<DiskLog> log)
        : file_(std::move(bytes), "crash.mdb"), log_(log), journal_(std::move(log)) {}

    const std::string& name() const override { return file_.name(); }
    bool writable() const override { return true; }
    mdb::PageNumber pageCount() const override { return file_.pageCount(); }
    void read(mdb::PageNumber n, std::span<std::uint8_t, mdb::kPageSize> out) override {
        file_.read(n, out);
    }
    void write(mdb::PageNumber n, std::span<const std::uint8_t, mdb::kPageSize> in) override {
        log_->push_back({DiskEvent::File::Database,
                         DiskEvent::Kind::Write,
                         std::uint64_t{n} * mdb::kPageSize,
                         {in.begin(), in.end()}});
        file_.write(n, in);
    }
    void sync() override {
        log_->push_back({DiskEvent::File::Database, DiskEvent::Kind::Sync, 0, {}});
    }
    bool tryLockExclusive() override { return true; }
    void unlock() override {}
    void refresh() override {}
    void truncate(mdb::PageNumber pages) override {
        log_->push_back({DiskEvent::File::Database,
                         DiskEvent::Kind::Truncate,
                         std::uint64_t{pages} * mdb::kPageSize,
                         {}});
        file_.truncate(pages);
    }
    mdb::JournalFile* journal() override { return &journal_; }

private:
    mdb::MemoryPageFile file_;
    std::shared_ptr<DiskLog> log_;
    RecordingJournalFile journal_;
};

}  // namespace testing_mdb
