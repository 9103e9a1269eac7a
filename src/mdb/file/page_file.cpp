#include "file/page_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "file/file_mapping.h"
#include "mdb/error.h"
#include "platform/file.h"
#include "platform/paths.h"

namespace mdb {
namespace {

std::string systemText(int err) { return std::strerror(err); }

// A file on disk, read with pread and written with pwrite so that no file position is shared;
// pages already in the file are changed through a shared mapping where that is safe
// (file_mapping.h).
class DiskPageFile : public PageFile {
public:
    DiskPageFile(std::string path, platform::File file, bool writable,
                 std::string readOnlyReason = {})
        : path_(std::move(path)),
          file_(std::move(file)),
          writable_(writable),
          readOnlyReason_(std::move(readOnlyReason)),
          mapping_(file_, path_) {
        refresh();
        const char* off = std::getenv("BRELVANO_NO_JOURNAL");
        if (off == nullptr || std::string(off) != "1") journal_ = diskJournalFile(path_);
    }
    // The mapping (declared after the file) is unmapped before the file closes.
    ~DiskPageFile() override = default;
    DiskPageFile(const DiskPageFile&) = delete;
    DiskPageFile& operator=(const DiskPageFile&) = delete;

    const std::string& name() const override { return path_; }
    bool writable() const override { return writable_; }
    PageNumber pageCount() const override { return pages_; }

    void read(PageNumber n, std::span<std::uint8_t, kPageSize> out) override {
        transfer(n, out.data(), false);
    }

    void readRun(PageNumber first, std::span<std::uint8_t* const> pages) override {
        const std::size_t size = pageSize();
        run_.resize(pages.size() * size);
        const std::int64_t r = file_.readAt(run_.data(), run_.size(), std::uint64_t{first} * size);
        if (r < 0)
            throw Error(Error::Kind::Io, "Could not read '" + path_ + "': " + systemText(errno));
        for (std::size_t i = 0; i < pages.size(); ++i) {
            // A short read (the file shrank): the rest one by one, which says what is missing.
            if (static_cast<std::uint64_t>(r) < (i + 1) * size) {
                transfer(static_cast<PageNumber>(first + i), pages[i], false);
                continue;
            }
            std::copy_n(run_.data() + i * size, size, pages[i]);
            std::fill(pages[i] + size, pages[i] + kPageSize, std::uint8_t{0});
        }
    }

    void write(PageNumber n, std::span<const std::uint8_t, kPageSize> in) override {
        if (!writable_)
            throw Error(Error::Kind::Io, "Cannot update '" + path_ + "': opened read-only");
        if (mapping_.write(n, pages_, in.data(), pageSize())) return;
        // pwrite takes a non-const pointer only through the shared helper.
        transfer(n, const_cast<std::uint8_t*>(in.data()), true);
        pages_ = std::max(pages_, n + 1);
    }

    void writeRun(PageNumber first, std::span<const std::uint8_t* const> pages) override {
        if (!writable_)
            throw Error(Error::Kind::Io, "Cannot update '" + path_ + "': opened read-only");
        const std::size_t size = pageSize();
        // Pages already in the file through the mapping, the rest appended in big writes.
        while (!pages.empty() && mapping_.write(first, pages_, pages.front(), size)) {
            ++first;
            pages = pages.subspan(1);
        }
        for (std::size_t done = 0; done < pages.size();) {
            const std::size_t count =
                std::min<std::size_t>(pages.size() - done, platform::File::maxGatheredBlocks());
            const std::uint64_t at = std::uint64_t{first + done} * size;
            const std::int64_t r = file_.writeGatheredAt(pages.subspan(done, count), size, at);
            if (r < 0)
                throw Error(Error::Kind::Io,
                            "Could not write to '" + path_ + "': " + systemText(errno));
            // A short write: the pages it finished are done, the rest go one by one.
            const std::size_t whole = static_cast<std::size_t>(r) / size;
            if (whole < count) {
                for (std::size_t i = whole; i < count; ++i)
                    write(static_cast<PageNumber>(first + done + i),
                          std::span<const std::uint8_t, kPageSize>(pages[done + i], kPageSize));
            }
            done += count;
            pages_ = std::max(pages_, static_cast<PageNumber>(first + done));
        }
        // The commit's sync would wait for the appended pages: their writing can begin now.
        // (Asking the same for the scattered pages written through the mapping cost more than
        // it saved.)
        if (!pages.empty()) file_.startWriteback(std::uint64_t{first} * size, pages.size() * size);
    }

    void sync() override {
        if (!file_.sync())
            throw Error(Error::Kind::Io,
                        "Could not write to '" + path_ + "': " + systemText(errno));
    }

    bool tryLockExclusive() override {
        switch (file_.tryLockExclusive()) {
            case platform::LockResult::Taken:
                return true;
            case platform::LockResult::HeldElsewhere:
                return false;
            case platform::LockResult::Failed:
                break;
        }
        throw Error(Error::Kind::Io, "Could not lock '" + path_ + "': " + systemText(errno));
    }

    void unlock() override { file_.unlock(); }

    void refresh() override {
        const std::optional<std::uint64_t> bytes = file_.size();
        if (!bytes)
            throw Error(Error::Kind::Io, "Could not read '" + path_ + "': " + systemText(errno));
        const std::uint64_t pages = *bytes / pageSize();
        // Page numbers are 24 bits in row pointers; anything larger is not a Jet file.
        pages_ = static_cast<PageNumber>(std::min<std::uint64_t>(pages, 0x1000000));
        mapping_.fileChanged();
    }

    void truncate(PageNumber pages) override {
        if (!file_.truncate(std::uint64_t{pages} * pageSize()))
            throw Error(Error::Kind::Io,
                        "Could not write to '" + path_ + "': " + systemText(errno));
        refresh();
    }

    std::string readOnlyReason() const override { return readOnlyReason_; }

    JournalFile* journal() override { return journal_.get(); }

    // Access names its lock file after the database, with the extension .ldb.
    std::optional<std::string> foreignLockFile() const override {
        std::filesystem::path lock = platform::fromUtf8(path_);
        for (const char* extension : {".ldb", ".LDB"}) {
            lock.replace_extension(extension);
            const std::string name = platform::toUtf8(lock);
            if (platform::exists(name)) return name;
        }
        return std::nullopt;
    }

private:
    void transfer(PageNumber n, std::uint8_t* data, bool writing) {
        const std::size_t size = pageSize();
        const std::uint64_t base = std::uint64_t{n} * size;
        if (!writing) std::fill(data + size, data + kPageSize, std::uint8_t{0});
        std::size_t done = 0;
        while (done < size) {
            const std::uint64_t at = base + done;
            const std::int64_t r = writing ? file_.writeAt(data + done, size - done, at)
                                           : file_.readAt(data + done, size - done, at);
            if (r < 0)
                throw Error(Error::Kind::Io,
                            std::string(writing ? "Could not write to '" : "Could not read '") +
                                path_ + "': " + systemText(errno));
            if (r == 0)
                throw Error(Error::Kind::Io, "Could not read '" + path_ + "': page " +
                                                 std::to_string(n) + " is past the end of file");
            done += static_cast<std::size_t>(r);
        }
    }

    std::string path_;
    platform::File file_;
    bool writable_;
    std::string readOnlyReason_;
    PageNumber pages_ = 0;
    FileMapping mapping_;  // used only once the file is written
    std::unique_ptr<JournalFile> journal_;
    std::vector<std::uint8_t> run_;  // readRun()'s bytes, kept for the next run
};

// The regular file at `path`, or a closed file with errno set when the system refuses. Throws
// Error (Io) for a path that is not a regular file.
platform::File openRegularFile(const std::string& path, bool writable) {
    platform::File file =
        platform::File::open(path, writable ? platform::Access::ReadWrite : platform::Access::Read);
    if (file.isOpen() && !file.isRegular())
        throw Error(Error::Kind::Io, "Could not open file '" + path + "': not a regular file");
    return file;
}

[[noreturn]] void cannotOpen(const std::string& path, int err) {
    if (err == ENOENT) throw Error(Error::Kind::Io, "Could not find file '" + path + "'");
    throw Error(Error::Kind::Io, "Could not open file '" + path + "': " + systemText(err));
}

// Why a database at `path` can only be read, or "" when it may be written.
std::string whyOnlyReadable(const std::string& path) {
    if (platform::onReadOnlyVolume(path)) return "the file system holding it is read-only";
    if (platform::isReadOnlyFile(path)) return "the file is read-only";
    std::filesystem::path folder = platform::fromUtf8(path).parent_path();
    if (folder.empty()) folder = ".";
    if (platform::isReadOnlyFolder(platform::toUtf8(folder))) return "its folder is read-only";
    return "";
}

}  // namespace

std::unique_ptr<PageFile> openDiskPageFile(const std::string& path, bool writable) {
    platform::File file = openRegularFile(path, writable);
    if (!file.isOpen()) cannotOpen(path, errno);
    return std::make_unique<DiskPageFile>(path, std::move(file), writable);
}

std::unique_ptr<PageFile> openDiskPageFileForUpdate(const std::string& path) {
    std::string why = whyOnlyReadable(path);
    if (why.empty()) {
        platform::File file = openRegularFile(path, true);
        if (file.isOpen()) return std::make_unique<DiskPageFile>(path, std::move(file), true);
        const int err = errno;
        if (err == EACCES || err == EPERM) why = "the file is read-only";
        if (err == EROFS) why = "the file system holding it is read-only";
        if (why.empty()) cannotOpen(path, err);
    }
    platform::File file = openRegularFile(path, false);
    if (!file.isOpen()) cannotOpen(path, errno);
    return std::make_unique<DiskPageFile>(path, std::move(file), false, why);
}

void PageFile::setPageSize(std::size_t size) {
    pageSize_ = size;
    refresh();
}

void PageFile::truncate(PageNumber) {
    throw Error(Error::Kind::Io, "Could not shorten '" + name() + "'");
}

void MemoryPageFile::truncate(PageNumber pages) {
    bytes_.resize(std::min(bytes_.size(), static_cast<std::size_t>(pages) * pageSize()));
}

void PageFile::readRun(PageNumber first, std::span<std::uint8_t* const> pages) {
    for (std::size_t i = 0; i < pages.size(); ++i)
        read(static_cast<PageNumber>(first + i),
             std::span<std::uint8_t, kPageSize>(pages[i], kPageSize));
}

void PageFile::writeRun(PageNumber first, std::span<const std::uint8_t* const> pages) {
    for (std::size_t i = 0; i < pages.size(); ++i)
        write(static_cast<PageNumber>(first + i),
              std::span<const std::uint8_t, kPageSize>(pages[i], kPageSize));
}

MemoryPageFile::MemoryPageFile(std::vector<std::uint8_t> bytes, std::string name, bool writable)
    : bytes_(std::move(bytes)),
      name_(std::move(name)),
      writable_(writable),
      journal_(name_ + "-journal") {}

PageNumber MemoryPageFile::pageCount() const {
    return static_cast<PageNumber>(std::min<std::size_t>(bytes_.size() / pageSize(), 0x1000000));
}

void MemoryPageFile::read(PageNumber n, std::span<std::uint8_t, kPageSize> out) {
    if (n >= pageCount())
        throw Error(Error::Kind::Io, "Could not read '" + name_ + "': page " + std::to_string(n) +
                                         " is past the end of file");
    const std::size_t size = pageSize();
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(n * size), size, out.begin());
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(size), out.end(), std::uint8_t{0});
}

void MemoryPageFile::write(PageNumber n, std::span<const std::uint8_t, kPageSize> in) {
    if (!writable_) throw Error(Error::Kind::Io, "Cannot update '" + name_ + "': opened read-only");
    if (n > pageCount())
        throw Error(Error::Kind::Io, "Could not write to '" + name_ + "': page " +
                                         std::to_string(n) + " leaves a gap after the end");
    const std::size_t size = pageSize();
    const std::size_t end = (static_cast<std::size_t>(n) + 1) * size;
    // A partial page at the end is dropped when a page is appended over it.
    if (bytes_.size() < end) bytes_.resize(end);
    std::copy_n(in.begin(), size, bytes_.begin() + static_cast<std::ptrdiff_t>(n * size));
}

}  // namespace mdb
