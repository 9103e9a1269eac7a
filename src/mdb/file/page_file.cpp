#include "file/page_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "file/file_mapping.h"
#include "mdb/error.h"

namespace mdb {
namespace {

std::string systemText(int err) { return std::strerror(err); }

// A file on disk, read with pread and written with pwrite so that no file position is shared;
// pages already in the file are changed through a shared mapping where that is safe
// (file_mapping.h).
class DiskPageFile : public PageFile {
public:
    DiskPageFile(std::string path, int fd, bool writable, std::string readOnlyReason = {})
        : path_(std::move(path)),
          fd_(fd),
          writable_(writable),
          readOnlyReason_(std::move(readOnlyReason)),
          mapping_(fd, path_) {
        refresh();
        const char* off = std::getenv("BRELVANO_NO_JOURNAL");
        if (off == nullptr || std::string(off) != "1") journal_ = diskJournalFile(path_);
    }
    // The mapping (a member) is unmapped after the descriptor closes, which is allowed.
    ~DiskPageFile() override { ::close(fd_); }
    DiskPageFile(const DiskPageFile&) = delete;
    DiskPageFile& operator=(const DiskPageFile&) = delete;

    const std::string& name() const override { return path_; }
    bool writable() const override { return writable_; }
    PageNumber pageCount() const override { return pages_; }

    void read(PageNumber n, std::span<std::uint8_t, kPageSize> out) override {
        transfer(n, out.data(), false);
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
        std::vector<iovec> vectors;
        for (std::size_t done = 0; done < pages.size();) {
            const std::size_t count = std::min<std::size_t>(pages.size() - done, IOV_MAX);
            vectors.clear();
            for (std::size_t i = 0; i < count; ++i)
                vectors.push_back({const_cast<std::uint8_t*>(pages[done + i]), size});
            const off_t at = static_cast<off_t>(first + done) * static_cast<off_t>(size);
            const ssize_t r = ::pwritev(fd_, vectors.data(), static_cast<int>(count), at);
            if (r < 0 && errno == EINTR) continue;
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
    }

    void sync() override {
        if (::fsync(fd_) != 0)
            throw Error(Error::Kind::Io,
                        "Could not write to '" + path_ + "': " + systemText(errno));
    }

    bool tryLockExclusive() override {
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            if (errno == EWOULDBLOCK) return false;
            throw Error(Error::Kind::Io, "Could not lock '" + path_ + "': " + systemText(errno));
        }
        return true;
    }

    void unlock() override { ::flock(fd_, LOCK_UN); }

    void refresh() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            throw Error(Error::Kind::Io, "Could not read '" + path_ + "': " + systemText(errno));
        const auto pages = static_cast<std::uint64_t>(st.st_size) / pageSize();
        // Page numbers are 24 bits in row pointers; anything larger is not a Jet file.
        pages_ = static_cast<PageNumber>(std::min<std::uint64_t>(pages, 0x1000000));
        mapping_.fileChanged();
    }

    void truncate(PageNumber pages) override {
        const off_t bytes = static_cast<off_t>(pages) * static_cast<off_t>(pageSize());
        int r;
        do {
            r = ::ftruncate(fd_, bytes);
        } while (r != 0 && errno == EINTR);
        if (r != 0)
            throw Error(Error::Kind::Io,
                        "Could not write to '" + path_ + "': " + systemText(errno));
        refresh();
    }

    std::string readOnlyReason() const override { return readOnlyReason_; }

    JournalFile* journal() override { return journal_.get(); }

    // Access names its lock file after the database, with the extension .ldb.
    std::optional<std::string> foreignLockFile() const override {
        std::filesystem::path lock(path_);
        for (const char* extension : {".ldb", ".LDB"}) {
            lock.replace_extension(extension);
            std::error_code ignored;
            if (std::filesystem::exists(lock, ignored)) return lock.string();
        }
        return std::nullopt;
    }

private:
    void transfer(PageNumber n, std::uint8_t* data, bool writing) {
        const std::size_t size = pageSize();
        const off_t base = static_cast<off_t>(n) * static_cast<off_t>(size);
        if (!writing) std::fill(data + size, data + kPageSize, std::uint8_t{0});
        std::size_t done = 0;
        while (done < size) {
            const off_t at = base + static_cast<off_t>(done);
            const ssize_t r = writing ? ::pwrite(fd_, data + done, size - done, at)
                                      : ::pread(fd_, data + done, size - done, at);
            if (r < 0 && errno == EINTR) continue;
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
    int fd_;
    bool writable_;
    std::string readOnlyReason_;
    PageNumber pages_ = 0;
    FileMapping mapping_;  // used only once the file is written
    std::unique_ptr<JournalFile> journal_;
};

// A descriptor of the regular file at `path`, or -1 with errno set when open() refuses. Throws
// Error (Io) for a path that is not a regular file.
int openRegularFile(const std::string& path, bool writable) {
    int fd;
    do {
        fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Error(Error::Kind::Io, "Could not open file '" + path + "': not a regular file");
    }
    return fd;
}

[[noreturn]] void cannotOpen(const std::string& path, int err) {
    if (err == ENOENT) throw Error(Error::Kind::Io, "Could not find file '" + path + "'");
    throw Error(Error::Kind::Io, "Could not open file '" + path + "': " + systemText(err));
}

bool noWriteBit(const struct stat& st) { return (st.st_mode & 0222) == 0; }

// Why a database at `path` can only be read, or "" when it may be written.
std::string whyOnlyReadable(const std::string& path) {
    struct statvfs fs {};
    if (::statvfs(path.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0)
        return "the file system holding it is read-only";
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (noWriteBit(st) || ::access(path.c_str(), W_OK) != 0))
        return "the file is read-only";
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    struct stat dir {};
    if (::stat(folder.c_str(), &dir) == 0 &&
        (noWriteBit(dir) || ::access(folder.c_str(), W_OK) != 0))
        return "its folder is read-only";
    return "";
}

}  // namespace

std::unique_ptr<PageFile> openDiskPageFile(const std::string& path, bool writable) {
    const int fd = openRegularFile(path, writable);
    if (fd < 0) cannotOpen(path, errno);
    return std::make_unique<DiskPageFile>(path, fd, writable);
}

std::unique_ptr<PageFile> openDiskPageFileForUpdate(const std::string& path) {
    std::string why = whyOnlyReadable(path);
    if (why.empty()) {
        const int fd = openRegularFile(path, true);
        if (fd >= 0) return std::make_unique<DiskPageFile>(path, fd, true);
        const int err = errno;
        if (err == EACCES || err == EPERM) why = "the file is read-only";
        if (err == EROFS) why = "the file system holding it is read-only";
        if (why.empty()) cannotOpen(path, err);
    }
    const int fd = openRegularFile(path, false);
    if (fd < 0) cannotOpen(path, errno);
    return std::make_unique<DiskPageFile>(path, fd, false, why);
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
