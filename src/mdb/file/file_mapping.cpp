#include "file/file_mapping.h"

#include <cerrno>
#include <cstring>

#include "mdb/error.h"
#include "platform/mapping.h"

namespace mdb {
namespace {

// The largest Jet 4 file: mapping this much once means the mapping never has to move.
constexpr std::size_t kMappedBytes = std::size_t{0x80000000u};
// Pages copied in before the mapping is dropped from the process. A copy may map more than its
// own page: the kernel maps the whole block of the page cache holding it (tens of kilobytes on
// average on ext4, measured), so 2048 copies spread over a big file kept about 90 MB resident.
constexpr std::size_t kPagesBeforeDrop = 256;

}  // namespace

FileMapping::~FileMapping() {
    if (base_ != nullptr) platform::unmap(base_, kMappedBytes);
}

bool FileMapping::prepare(PageNumber pages, std::size_t pageSize) {
    if (!usable_) return false;
    if (base_ == nullptr) {
        if (!platform::mappingSafe(file_)) {
            usable_ = false;
            return false;
        }
        base_ = platform::mapShared(file_, kMappedBytes);
        if (base_ == nullptr) {
            usable_ = false;
            return false;
        }
    }
    if (!reserved_) {
        switch (platform::reserveBlocks(file_, std::uint64_t{pages} * pageSize)) {
            case platform::Reservation::Done:
                break;
            case platform::Reservation::DiskFull:
                throw Error(Error::Kind::Io,
                            "Could not write to '" + path_ + "': " + std::strerror(errno));
            case platform::Reservation::Unsupported:
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
        platform::dropMappedPages(base_, kMappedBytes);
        touched_ = 0;
    }
    return true;
}

}  // namespace mdb
