// file.h: a file on disk through the system's own calls, the same way on every platform.
//
// Reads and writes name their offset, so no file position is shared between users of one
// handle. Files are always binary: Windows would otherwise turn every 0x0A written into CR LF.
// Failures come back as errno values (Windows error codes are translated), so that callers word
// their messages once for every platform. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform {

enum class Access { Read, ReadWrite };
enum class Creation {
    OpenExisting,
    CreateNew,     // refuses a file that exists (EEXIST)
    OpenOrCreate,  // creates a missing file
};
// Who else may open the file meanwhile. Only Windows enforces it; there a text file opened with
// ReadOnly is refused while another program has it open for writing (a sharing violation,
// reported as ETXTBSY).
enum class Sharing { All, ReadOnly };

enum class LockResult { Taken, HeldElsewhere, Failed };

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // The open file, or a closed one with errno set.
    static File open(const std::string& path, Access access,
                     Creation creation = Creation::OpenExisting, Sharing sharing = Sharing::All);

    bool isOpen() const;
    // false with errno set when the system reports an error (data written may then be lost).
    bool close();
    // A plain file, not a folder or a device.
    bool isRegular() const;
    // The file's length in bytes, or nullopt with errno set.
    std::optional<std::uint64_t> size() const;

    // Bytes moved (possibly fewer than asked, 0 at the end of the file), or -1 with errno set.
    // Interrupted calls are retried here.
    std::int64_t readAt(void* data, std::size_t size, std::uint64_t offset) const;
    std::int64_t writeAt(const void* data, std::size_t size, std::uint64_t offset);
    // Writes blocks of `blockSize` bytes one after the other from `offset`, in as few calls as
    // the system allows (at most maxGatheredBlocks() blocks per call).
    std::int64_t writeGatheredAt(std::span<const std::uint8_t* const> blocks, std::size_t blockSize,
                                 std::uint64_t offset);
    static std::size_t maxGatheredBlocks();

    bool truncate(std::uint64_t bytes);
    // Starts writing the range's changed bytes to the disk and returns at once, so that a later
    // sync has less to wait for (Linux); elsewhere it does nothing. Durability is not changed.
    void startWriteback(std::uint64_t offset, std::uint64_t length) const;
    bool sync();      // data and metadata reach the disk
    bool syncData();  // data and the metadata needed to read it back

    // The writers' lock on the whole file, never blocking.
    LockResult tryLockExclusive();
    void unlock();
    // Whether another program holds an exclusive lock that a reader must respect (POSIX locks are
    // advisory; on Windows the sharing mode given to open() already refused the file).
    bool lockedByAnother() const;

    // The system's handle: a descriptor on POSIX, a HANDLE on Windows (as an integer).
    std::intptr_t nativeHandle() const { return handle_; }

private:
    explicit File(std::intptr_t handle) : handle_(handle) {}
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
};

}  // namespace platform
