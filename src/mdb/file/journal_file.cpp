#include "file/journal_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "mdb/error.h"
#include "platform/file.h"
#include "platform/paths.h"

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
        const std::optional<std::uint64_t> bytes =
            file_.isOpen() ? file_.size() : platform::fileSize(path_);
        if (!bytes) {
            if (errno == ENOENT) return 0;
            fail("Could not read '");
        }
        return *bytes;
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
        if (!file_.isOpen()) return;
        if (!file_.syncData()) fail("Could not write to '");
        if (created_) {
            // The journal's name in its folder must survive a power cut as well as its bytes.
            syncFolder();
            created_ = false;
        }
    }

    void truncate(std::uint64_t bytes) override {
        if (!file_.isOpen() && size() == 0) return;
        openFile(true);
        if (!file_.truncate(bytes)) fail("Could not write to '");
    }

    void close() override { closeFile(); }

    void remove() override {
        closeFile();
        platform::removeFile(path_);
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw Error(Error::Kind::Io, what + path_ + "': " + std::strerror(errno));
    }

    void openFile(bool create) {
        if (file_.isOpen()) return;
        const bool existed = platform::exists(path_);
        file_ = platform::File::open(
            path_, platform::Access::ReadWrite,
            create ? platform::Creation::OpenOrCreate : platform::Creation::OpenExisting);
        if (!file_.isOpen()) fail(create ? "Could not create '" : "Could not open '");
        created_ = !existed;
    }

    void closeFile() { file_.close(); }

    void syncFolder() {
        std::filesystem::path folder = platform::fromUtf8(path_).parent_path();
        if (folder.empty()) folder = ".";
        platform::syncFolder(platform::toUtf8(folder));
    }

    void transfer(std::uint64_t at, std::uint8_t* data, std::size_t size, bool writing) {
        std::size_t done = 0;
        while (done < size) {
            const std::uint64_t offset = at + done;
            const std::int64_t r = writing ? file_.writeAt(data + done, size - done, offset)
                                           : file_.readAt(data + done, size - done, offset);
            if (r < 0) fail(writing ? "Could not write to '" : "Could not read '");
            if (r == 0) {
                errno = EIO;
                fail("Could not read '");
            }
            done += static_cast<std::size_t>(r);
        }
    }

    std::string path_;
    platform::File file_;
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
