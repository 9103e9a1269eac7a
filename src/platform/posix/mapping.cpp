#include "platform/mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/vfs.h>

#include <cerrno>

namespace platform {
namespace {

int fd(const File& file) { return static_cast<int>(file.nativeHandle()); }

}  // namespace

bool mappingSafe(const File& file) {
    struct statfs fs {};
    if (::fstatfs(fd(file), &fs) != 0) return false;
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

std::uint8_t* mapShared(const File& file, std::size_t bytes) {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd(file), 0);
    return p == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(p);
}

void unmap(std::uint8_t* base, std::size_t bytes) { ::munmap(base, bytes); }

// For a shared file mapping this only unmaps: changed pages stay in the page cache, marked for
// writing, and later copies map them again.
void dropMappedPages(std::uint8_t* base, std::size_t bytes) {
    ::madvise(base, bytes, MADV_DONTNEED);
}

Reservation reserveBlocks(const File& file, std::uint64_t bytes) {
    if (::fallocate(fd(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) == 0)
        return Reservation::Done;
    return errno == ENOSPC || errno == EDQUOT ? Reservation::DiskFull : Reservation::Unsupported;
}

}  // namespace platform
