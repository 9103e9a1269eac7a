#include "platform/mapping.h"

#include <cerrno>

namespace platform {

// A view of a file on Windows keeps the file from being shortened while it exists and turns a
// full disk into an access violation; the plain writes are used instead.
bool mappingSafe(const File&) { return false; }

std::uint8_t* mapShared(const File&, std::size_t) { return nullptr; }

void unmap(std::uint8_t*, std::size_t) {}

void dropMappedPages(std::uint8_t*, std::size_t) {}

Reservation reserveBlocks(const File&, std::uint64_t) {
    errno = EOPNOTSUPP;
    return Reservation::Unsupported;
}

}  // namespace platform
