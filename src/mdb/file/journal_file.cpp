#include "file/journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "mdb/error.h"

namespace mdb {
namespace {

class DiskJournalFile : public JournalFile {
public:
    explicit DiskJournalFile(std::string path) : path_(std::move(path)) {}
    ~DiskJournalFile() override { closeFile(); }
    DiskJournalFile(const DiskJournalFile&) = delete;
    DiskJournalFile& operator=(const DiskJournalFile&) = delete;

    const std::string& name() const override { return path_; }

    std::uint64_t size() override {
        struct stat st {};
        const int r = fd_ >= 0 ? ::fstat(fd_, &st) : ::stat(path_.c_str(), &st);
        if (r != 0) {
            if (errno == ENOENT) return 0;
            fail("Could not read '");
        }
        return static_cast<std::uint64_t>(st.st_size);
    }

    void read(std::uint64_t at, std::span<std::uint8_t> out) override {
        openFile(false);
        transfer(at, out.data(), out.size(), false);
    }

    void write(std::uint64_t at, std::span<const std::uint8_t> in) override {
        openFile(true);
        transfer(at, const_cast<std::uint8_t*>(in.data()), in.size(), true);
    }

    void sync() override {
        if (fd_ < 0) return;
        if (::fdatasync(fd_) != 0) fail("Could not write to '");
        if (created_) {
            // The journal's name in its folder must survive a power cut as well as its bytes.
            syncFolder();
            created_ = false;
        }
    }

    void truncate(std::uint64_t bytes) override {
        if (fd_ < 0 && size() == 0) return;
        openFile(true);
        int r;
        do {
            r = ::ftruncate(fd_, static_cast<off_t>(bytes));
        } while (r != 0 && errno == EINTR);
        if (r != 0) fail("Could not write to '");
    }

    void close() override { closeFile(); }

    void remove() override {
        closeFile();
        ::unlink(path_.c_str());
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw Error(Error::Kind::Io, what + path_ + "': " + std::strerror(errno));
    }

    void openFile(bool create) {
        if (fd_ >= 0) return;
        const bool existed = ::access(path_.c_str(), F_OK) == 0;
        do {
            fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
        } while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0) fail(create ? "Could not create '" : "Could not open '");
        created_ = !existed;
    }

    void closeFile() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    void syncFolder() {
        std::filesystem::path folder = std::filesystem::path(path_).parent_path();
        if (folder.empty()) folder = ".";
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return;  // the bytes are synced; a folder we cannot open we cannot sync
        ::fsync(dir);
        ::close(dir);
    }

    void transfer(std::uint64_t at, std::uint8_t* data, std::size_t size, bool writing) {
        std::size_t done = 0;
        while (done < size) {
            const off_t offset = static_cast<off_t>(at + done);
            const ssize_t r = writing ? ::pwrite(fd_, data + done, size - done, offset)
                                      : ::pread(fd_, data + done, size - done, offset);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) fail(writing ? "Could not write to '" : "Could not read '");
            if (r == 0) {
                errno = EIO;
                fail("Could not read '");
            }
            done += static_cast<std::size_t>(r);
        }
    }

    std::string path_;
    int fd_ = -1;
    bool created_ = false;  // created by this process and its folder not synced since
};

}  // namespace

std::unique_ptr<JournalFile> diskJournalFile(const std::string& databasePath) {
    return std::make_unique<DiskJournalFile>(databasePath + "-journal");
}

void MemoryJournalFile::read(std::uint64_t at, std::span<std::uint8_t> out) {
    if (at + out.size() > bytes_.size())
        throw Error(Error::Kind::Io, "Could not read '" + name_ + "': past the end of the file");
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at), out.size(), out.begin());
}

void MemoryJournalFile::write(std::uint64_t at, std::span<const std::uint8_t> in) {
    if (bytes_.size() < at + in.size()) bytes_.resize(at + in.size());
    std::copy(in.begin(), in.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
}

void MemoryJournalFile::truncate(std::uint64_t bytes) {
    bytes_.resize(std::min<std::uint64_t>(bytes_.size(), bytes));
}

}  // namespace mdb
