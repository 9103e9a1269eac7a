#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace platform {
namespace {

int fd(std::intptr_t handle) { return static_cast<int>(handle); }

int openFlags(Access access, Creation creation) {
    int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    if (creation == Creation::CreateNew) flags |= O_CREAT | O_EXCL;
    if (creation == Creation::OpenOrCreate) flags |= O_CREAT;
    return flags;
}

}  // namespace

File::~File() { close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kClosed;
    }
    return *this;
}

File File::open(const std::string& path, Access access, Creation creation, Sharing) {
    const int mode = creation == Creation::CreateNew ? 0666 : 0644;
    int result;
    do {
        result = ::open(path.c_str(), openFlags(access, creation), mode);
    } while (result < 0 && errno == EINTR);
    return File(result < 0 ? kClosed : result);
}

bool File::isOpen() const { return handle_ != kClosed; }

bool File::close() {
    if (!isOpen()) return true;
    const int result = ::close(fd(handle_));
    handle_ = kClosed;
    return result == 0;
}

bool File::isRegular() const {
    struct stat st {};
    return ::fstat(fd(handle_), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::uint64_t> File::size() const {
    struct stat st {};
    if (::fstat(fd(handle_), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::int64_t File::readAt(void* data, std::size_t size, std::uint64_t offset) const {
    ssize_t r;
    do {
        r = ::pread(fd(handle_), data, size, static_cast<off_t>(offset));
    } while (r < 0 && errno == EINTR);
    return r;
}

std::int64_t File::writeAt(const void* data, std::size_t size, std::uint64_t offset) {
    ssize_t r;
    do {
        r = ::pwrite(fd(handle_), data, size, static_cast<off_t>(offset));
    } while (r < 0 && errno == EINTR);
    return r;
}

std::int64_t File::writeGatheredAt(std::span<const std::uint8_t* const> blocks,
                                   std::size_t blockSize, std::uint64_t offset) {
    std::vector<iovec> vectors;
    vectors.reserve(blocks.size());
    for (const std::uint8_t* block : blocks)
        vectors.push_back({const_cast<std::uint8_t*>(block), blockSize});  // iovec is not const
    ssize_t r;
    do {
        r = ::pwritev(fd(handle_), vectors.data(), static_cast<int>(vectors.size()),
                      static_cast<off_t>(offset));
    } while (r < 0 && errno == EINTR);
    return r;
}

std::size_t File::maxGatheredBlocks() { return IOV_MAX; }

void File::startWriteback(std::uint64_t offset, std::uint64_t length) const {
#ifdef __linux__
    // A hint: when it fails, the sync that follows still writes everything.
    (void)::sync_file_range(fd(handle_), static_cast<off_t>(offset), static_cast<off_t>(length),
                            SYNC_FILE_RANGE_WRITE);
#else
    (void)offset;
    (void)length;
#endif
}

bool File::truncate(std::uint64_t bytes) {
    int r;
    do {
        r = ::ftruncate(fd(handle_), static_cast<off_t>(bytes));
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

bool File::sync() { return ::fsync(fd(handle_)) == 0; }

bool File::syncData() { return ::fdatasync(fd(handle_)) == 0; }

LockResult File::tryLockExclusive() {
    while (::flock(fd(handle_), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        return errno == EWOULDBLOCK ? LockResult::HeldElsewhere : LockResult::Failed;
    }
    return LockResult::Taken;
}

void File::unlock() { ::flock(fd(handle_), LOCK_UN); }

// Both kinds of lock another program may hold: flock's, and fcntl's record locks over the file.
bool File::lockedByAnother() const {
    if (::flock(fd(handle_), LOCK_SH | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;  // the whole file
    if (::fcntl(fd(handle_), F_OFD_GETLK, &probe) != 0) return false;
    return probe.l_type != F_UNLCK;
}

}  // namespace platform
