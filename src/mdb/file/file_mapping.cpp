#include "file/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/vfs.h>

#include <cerrno>
#include <cstring>

#include "mdb/error.h"

namespace mdb {
namespace {

// The largest Jet 4 file: mapping this much once means the mapping never has to move.
constexpr std::size_t kMappedBytes = std::size_t{0x80000000u};
// Pages copied in before the mapping is dropped from the process. A copy may map more than its
// own page: the kernel maps the whole block of the page cache holding it (tens of kilobytes on
// average on ext4, measured), so 2048 copies spread over a big file kept about 90 MB resident.
constexpr std::size_t kPagesBeforeDrop = 256;

bool localFileSystem(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53:      // ext2/3/4
        case 0x58465342:  // XFS
        case 0x9123683E:  // Btrfs
        case 0x01021994:  // tmpfs
        case 0xF2F52010:  // F2FS
            return true;
        default:
            return false;
    }
}

}  // namespace

FileMapping::~FileMapping() {
    if (base_ != nullptr) ::munmap(base_, kMappedBytes);
}

bool FileMapping::prepare(PageNumber pages, std::size_t pageSize) {
    if (!usable_) return false;
    if (base_ == nullptr) {
        if (!localFileSystem(fd_)) {
            usable_ = false;
            return false;
        }
        void* p = ::mmap(nullptr, kMappedBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (p == MAP_FAILED) {
            usable_ = false;
            return false;
        }
        base_ = static_cast<std::uint8_t*>(p);
    }
    if (!reserved_) {
        const off_t bytes = static_cast<off_t>(pages) * static_cast<off_t>(pageSize);
        if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, bytes) != 0) {
            if (errno == ENOSPC || errno == EDQUOT)
                throw Error(Error::Kind::Io,
                            "Could not write to '" + path_ + "': " + std::strerror(errno));
            usable_ = false;  // the file system cannot reserve: pwrite it is
            return false;
        }
        reserved_ = true;
    }
    return true;
}

bool FileMapping::write(PageNumber n, PageNumber pages, const std::uint8_t* data,
                        std::size_t pageSize) {
    const std::size_t at = static_cast<std::size_t>(n) * pageSize;
    if (n >= pages || at + pageSize > kMappedBytes || !prepare(pages, pageSize)) return false;
    std::memcpy(base_ + at, data, pageSize);
    if (++touched_ >= kPagesBeforeDrop) {
        // For a shared file mapping this only unmaps: changed pages stay in the page cache,
        // marked for writing, and later copies map them again.
        ::madvise(base_, kMappedBytes, MADV_DONTNEED);
        touched_ = 0;
    }
    return true;
}

}  // namespace mdb
