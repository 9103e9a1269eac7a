#include "platform/file.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "windows/wide_text.h"

namespace platform {
namespace {

using windows::setErrnoFromLastError;

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Jet 4 files end below 2 GB: a lock on the last byte below 4 GB never covers a page, so
// Windows' mandatory locks never block a reader of the file.
constexpr DWORD kLockOffset = 0xFFFFFFFEu;

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

// One ReadFile or WriteFile moves at most a DWORD's worth; larger requests are short transfers.
DWORD chunk(std::size_t size) { return static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)); }

DWORD creationOf(Creation creation) {
    switch (creation) {
        case Creation::CreateNew:
            return CREATE_NEW;
        case Creation::OpenOrCreate:
            return OPEN_ALWAYS;
        case Creation::OpenExisting:
            break;
    }
    return OPEN_EXISTING;
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

File File::open(const std::string& path, Access access, Creation creation, Sharing sharing) {
    const DWORD rights = GENERIC_READ | (access == Access::ReadWrite ? GENERIC_WRITE : 0);
    const DWORD share = sharing == Sharing::ReadOnly
                            ? FILE_SHARE_READ
                            : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileW(windows::widen(path).c_str(), rights, share, nullptr,
                           creationOf(creation), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        setErrnoFromLastError();
        return File();
    }
    return File(reinterpret_cast<std::intptr_t>(h));
}

bool File::isOpen() const { return handle_ != kClosed; }

bool File::close() {
    if (!isOpen()) return true;
    const BOOL closed = CloseHandle(handleOf(handle_));
    handle_ = kClosed;
    if (!closed) setErrnoFromLastError();
    return closed != 0;
}

bool File::isRegular() const {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(handleOf(handle_)) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(handleOf(handle_), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::uint64_t> File::size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(handle_), &size)) {
        setErrnoFromLastError();
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::int64_t File::readAt(void* data, std::size_t size, std::uint64_t offset) const {
    OVERLAPPED where = at(offset);
    DWORD moved = 0;
    if (!ReadFile(handleOf(handle_), data, chunk(size), &moved, &where)) {
        if (GetLastError() == ERROR_HANDLE_EOF) return 0;
        setErrnoFromLastError();
        return -1;
    }
    return moved;
}

std::int64_t File::writeAt(const void* data, std::size_t size, std::uint64_t offset) {
    OVERLAPPED where = at(offset);
    DWORD moved = 0;
    if (!WriteFile(handleOf(handle_), data, chunk(size), &moved, &where)) {
        setErrnoFromLastError();
        return -1;
    }
    return moved;
}

// WriteFileGather needs unbuffered, overlapped handles: the blocks are joined and written once.
std::int64_t File::writeGatheredAt(std::span<const std::uint8_t* const> blocks,
                                   std::size_t blockSize, std::uint64_t offset) {
    std::vector<std::uint8_t> joined(blocks.size() * blockSize);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        std::memcpy(joined.data() + i * blockSize, blocks[i], blockSize);
    std::size_t done = 0;
    while (done < joined.size()) {
        const std::int64_t r = writeAt(joined.data() + done, joined.size() - done, offset + done);
        if (r < 0) return done > 0 ? static_cast<std::int64_t>(done) : -1;
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    return static_cast<std::int64_t>(done);
}

std::size_t File::maxGatheredBlocks() { return 256; }

void File::startWriteback(std::uint64_t, std::uint64_t) const {}

bool File::truncate(std::uint64_t bytes) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(bytes);
    if (!SetFileInformationByHandle(handleOf(handle_), FileEndOfFileInfo, &end, sizeof end)) {
        setErrnoFromLastError();
        return false;
    }
    return true;
}

bool File::sync() {
    if (FlushFileBuffers(handleOf(handle_))) return true;
    setErrnoFromLastError();
    return false;
}

bool File::syncData() { return sync(); }

LockResult File::tryLockExclusive() {
    OVERLAPPED where = at(kLockOffset);
    if (LockFileEx(handleOf(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &where))
        return LockResult::Taken;
    const DWORD error = GetLastError();
    errno = windows::errnoFor(error);
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? LockResult::HeldElsewhere
                                                                      : LockResult::Failed;
}

void File::unlock() {
    OVERLAPPED where = at(kLockOffset);
    UnlockFileEx(handleOf(handle_), 0, 1, 0, &where);
}

bool File::lockedByAnother() const { return false; }

}  // namespace platform
