// page_file.h: the database file seen as numbered pages of 4096 bytes (Jet 4) or 2048 bytes
// (Jet 3).
//
// Page n starts at byte n * pageSize(); a partial page at the end of a file is not a page. A
// page is always handed out in a 4096-byte buffer: a 2048-byte page fills its first half and
// the rest is zero. The
// engine reaches the file only through this interface (and only through the Pager above it),
// so tests and the fuzzer can run on bytes in memory, as LevelDB's Env does for its files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file/journal_file.h"
#include "mdb/row_position.h"

namespace mdb {

constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kJet3PageSize = 2048;
using PageBytes = std::array<std::uint8_t, kPageSize>;
// A page as the pager hands it out: shared, and never changed while anyone holds it.
using PageRef = std::shared_ptr<const PageBytes>;

class PageFile {
public:
    virtual ~PageFile() = default;

    // The size of the file's pages: kPageSize unless the format says otherwise (kJet3PageSize).
    std::size_t pageSize() const { return pageSize_; }
    // REQUIRES: size is kPageSize or kJet3PageSize. Pages are counted and read anew.
    void setPageSize(std::size_t size);

    // The name used in messages: the path for a file on disk.
    virtual const std::string& name() const = 0;
    virtual bool writable() const = 0;
    virtual PageNumber pageCount() const = 0;

    // REQUIRES: n < pageCount(). Throws Error (Io) when the system refuses.
    virtual void read(PageNumber n, std::span<std::uint8_t, kPageSize> out) = 0;
    // Reads consecutive pages first, first + 1, ... into `pages` (kPageSize bytes each). The same
    // as a read() per page, which is what this default does; a file on disk makes one system call.
    virtual void readRun(PageNumber first, std::span<std::uint8_t* const> pages);
    // REQUIRES: writable() and n <= pageCount(); n == pageCount() appends a page. Only the
    // first pageSize() bytes of `in` are written.
    virtual void write(PageNumber n, std::span<const std::uint8_t, kPageSize> in) = 0;
    // Writes consecutive pages first, first + 1, ... (each pageSize() bytes). The same as a
    // write() per page, which is what this default does; a file on disk makes one system call.
    virtual void writeRun(PageNumber first, std::span<const std::uint8_t* const> pages);
    // Makes written pages durable.
    virtual void sync() = 0;

    // An exclusive advisory lock that writers take to exclude each other (readers take none).
    // Returns false, without waiting, when another open file holds it.
    virtual bool tryLockExclusive() = 0;
    virtual void unlock() = 0;
    // Re-reads the size, which another writer may have grown.
    virtual void refresh() = 0;

    // Cuts the file back to its first `pages` pages (pages a failed write appended). Throws
    // Error (Io); the default cannot.
    virtual void truncate(PageNumber pages);
    // Why a file opened for updating can only be read ("the file is read-only"), or "".
    virtual std::string readOnlyReason() const { return {}; }
    // The lock file another program keeps beside the database while it has it open (Access's
    // <name>.ldb), when there is one.
    virtual std::optional<std::string> foreignLockFile() const { return std::nullopt; }
    // The rollback journal kept beside the file (journal.h), or nullptr when it keeps none.
    virtual JournalFile* journal() { return nullptr; }

private:
    std::size_t pageSize_ = kPageSize;
};

// Opens a file on disk. Throws Error (Io) naming the path when it cannot be opened. Its journal
// is "<path>-journal", unless the environment sets BRELVANO_NO_JOURNAL=1 (for measuring what
// the journal costs; a crash may then leave a damaged database).
std::unique_ptr<PageFile> openDiskPageFile(const std::string& path, bool writable);
// Opens a file on disk for updating, or only for reading when the file, its folder or its file
// system allow no more (the database engine then opens a database read-only): the file is not
// writable() and readOnlyReason() says why. A file or folder counts as read-only when no write
// permission bit is set, even for a user the system would let write (root), as a file marked
// read-only is for everyone. Throws Error (Io) as openDiskPageFile does.
std::unique_ptr<PageFile> openDiskPageFileForUpdate(const std::string& path);

// A file held in memory, for tests and the fuzzer. Its lock always succeeds.
class MemoryPageFile : public PageFile {
public:
    explicit MemoryPageFile(std::vector<std::uint8_t> bytes, std::string name = "memory",
                            bool writable = true);
    const std::string& name() const override { return name_; }
    bool writable() const override { return writable_; }
    PageNumber pageCount() const override;
    void read(PageNumber n, std::span<std::uint8_t, kPageSize> out) override;
    void write(PageNumber n, std::span<const std::uint8_t, kPageSize> in) override;
    void sync() override {}
    bool tryLockExclusive() override { return true; }
    void unlock() override {}
    void refresh() override {}
    void truncate(PageNumber pages) override;
    JournalFile* journal() override { return &journal_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    MemoryJournalFile& journalFile() { return journal_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::string name_;
    bool writable_;
    MemoryJournalFile journal_;
};

}  // namespace mdb
