// faulty_page_file.h: a database file in memory whose writes fail on demand, as a full disk or
// a failing one makes them fail, and that records what was written in which order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "file/page_file.h"
#include "mdb/error.h"

namespace testing_mdb {

class FaultyPageFile : public mdb::PageFile {
public:
    struct Write {
        mdb::PageNumber page;
        std::uint8_t type;  // byte 0 of what was written
    };

    // With `journal`, it keeps a rollback journal in memory (whose writes never fail).
    explicit FaultyPageFile(std::vector<std::uint8_t> bytes, std::string name = "faulty.mdb",
                            bool journal = false)
        : file_(std::move(bytes), std::move(name)), journal_(journal) {}

    // The `k`-th page written from now on (1 = the next) fails, and, when `persistent`, every
    // write after it too (a disk that has gone away).
    void failWrite(std::size_t k, bool persistent = false) {
        failAt_ = writes_.size() + k;
        persistent_ = persistent;
    }
    void heal() { failAt_.reset(); }

    const std::vector<Write>& writes() const { return writes_; }
    void forgetWrites() { writes_.clear(); }
    const std::vector<std::uint8_t>& bytes() const { return file_.bytes(); }

    const std::string& name() const override { return file_.name(); }
    bool writable() const override { return true; }
    mdb::PageNumber pageCount() const override { return file_.pageCount(); }
    void read(mdb::PageNumber n, std::span<std::uint8_t, mdb::kPageSize> out) override {
        file_.read(n, out);
    }
    void write(mdb::PageNumber n, std::span<const std::uint8_t, mdb::kPageSize> in) override {
        writes_.push_back({n, in[0]});
        if (failAt_ && (writes_.size() == *failAt_ || (persistent_ && writes_.size() > *failAt_)))
            throw mdb::Error(mdb::Error::Kind::Io,
                             "Could not write to '" + name() + "': No space left on device");
        file_.write(n, in);
    }
    void sync() override {}
    bool tryLockExclusive() override { return true; }
    void unlock() override {}
    // The format's page size (an Access 97 file's 2 KB) reaches the file underneath.
    void refresh() override {
        if (file_.pageSize() != pageSize()) file_.setPageSize(pageSize());
    }
    void truncate(mdb::PageNumber pages) override { file_.truncate(pages); }
    mdb::JournalFile* journal() override { return journal_ ? file_.journal() : nullptr; }
    mdb::MemoryJournalFile& journalFile() { return file_.journalFile(); }

private:
    mdb::MemoryPageFile file_;
    bool journal_;
    std::vector<Write> writes_;
    std::optional<std::size_t> failAt_;
    bool persistent_ = false;
};

}  // namespace testing_mdb
