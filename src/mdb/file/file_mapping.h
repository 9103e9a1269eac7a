// file_mapping.h: changing pages already in a file through a shared memory mapping of it.
//
// Every insert changes three to five pages that are already in the file (its data page, the
// table definition, index leaves). A pwrite each costs a system call apiece, more than encoding
// the row; copying into a shared mapping of the file puts the bytes in the same page cache,
// where every reader of the file sees them at once, with no system call. Durability is the
// same as with pwrite: both leave the bytes to the kernel until a sync, and on Linux fsync of the
// file writes the pages changed through the mapping too, as they are the same page-cache pages.
// (msync is not used: over a whole file of a few hundred megabytes it took the file's pages into
// the process's resident memory for the time it ran.)
//
// A mapping turns I/O failures into signals, so it is only used where that cannot surprise
// (never on Windows: platform/mapping.h):
//   - on local file systems (ext4, XFS, Btrfs, tmpfs, F2FS); elsewhere (network shares above
//     all) usable() is false and the caller writes with pwrite;
//   - after fallocate has reserved every block of the file, so that filling a hole a copy left
//     (cp makes files sparse) cannot run out of space; a full disk is an error there;
//   - only for pages below the file's end; appended pages go through pwrite.
// Pages copied in are dropped from the process's mapping every few hundred, so resident
// memory does not grow with the file (the page cache keeps them).
#pragma once

#include <cstdint>
#include <string>

#include "file/page_file.h"
#include "platform/file.h"

namespace mdb {

class FileMapping {
public:
    FileMapping(const platform::File& file, std::string path)
        : file_(file), path_(std::move(path)) {}
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    // Copies page n (its first `pageSize` bytes) into the file; false when the mapping cannot be
    // used (then nothing was written and the caller writes it itself). REQUIRES: n < pages, the
    // file's page count. Throws Error (Io) when the file's blocks cannot be reserved (a full disk).
    bool write(PageNumber n, PageNumber pages, const std::uint8_t* data, std::size_t pageSize);
    // Starts over after another program may have changed the file (the lock was taken again).
    void fileChanged() { reserved_ = false; }

private:
    bool prepare(PageNumber pages, std::size_t pageSize);

    const platform::File& file_;
    std::string path_;
    bool usable_ = true;     // false once the file system or the kernel said no
    bool reserved_ = false;  // blocks reserved since the lock was last taken
    std::uint8_t* base_ = nullptr;
    std::size_t touched_ = 0;  // pages copied in since the mapping was last dropped
};

}  // namespace mdb
