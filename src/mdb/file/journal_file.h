// journal_file.h: the file beside a database that holds its rollback journal (journal.h): plain
// bytes at offsets, created by its first write.
//
// On disk it is the database's path with "-journal" appended. An empty or missing journal means
// the database is as its last commit left it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace mdb {

class JournalFile {
public:
    virtual ~JournalFile() = default;

    // The path, for messages.
    virtual const std::string& name() const = 0;
    // Its length in bytes; 0 when there is no file. Throws Error (Io).
    virtual std::uint64_t size() = 0;
    // REQUIRES: at + out.size() <= size(). Throws Error (Io).
    virtual void read(std::uint64_t at, std::span<std::uint8_t> out) = 0;
    // Creates the file when there is none. Throws Error (Io).
    virtual void write(std::uint64_t at, std::span<const std::uint8_t> in) = 0;
    // Makes the writes and cuts so far durable. Throws Error (Io).
    virtual void sync() = 0;
    // Cuts the file to `bytes` (nothing when there is none). Throws Error (Io).
    virtual void truncate(std::uint64_t bytes) = 0;
    // Deletes the file, if any; errors are ignored (an empty journal is harmless).
    virtual void remove() = 0;
    // Lets go of the open file between commits: another writer may delete and create it anew
    // while we do not hold the database's lock, and our next commit must use that file.
    virtual void close() {}
};

// The journal of the database at `databasePath`.
std::unique_ptr<JournalFile> diskJournalFile(const std::string& databasePath);

// A journal in memory, for tests and the fuzzer.
class MemoryJournalFile : public JournalFile {
public:
    explicit MemoryJournalFile(std::string name = "memory-journal") : name_(std::move(name)) {}
    const std::string& name() const override { return name_; }
    std::uint64_t size() override { return bytes_.size(); }
    void read(std::uint64_t at, std::span<std::uint8_t> out) override;
    void write(std::uint64_t at, std::span<const std::uint8_t> in) override;
    void sync() override {}
    void truncate(std::uint64_t bytes) override;
    void remove() override { bytes_.clear(); }

    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::string name_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace mdb
