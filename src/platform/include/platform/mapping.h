// mapping.h: a shared, writable memory mapping of a file, where the system offers a safe one.
//
// Only used to change pages already in a file (mdb's file/file_mapping.h says when). On Windows
// mappingSafe() is false and every page is written with writeAt instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file.h"

namespace platform {

// The file sits on a local file system whose mapped pages fail only by running out of space.
bool mappingSafe(const File& file);
// `bytes` of the file mapped shared and writable from its start, or nullptr.
std::uint8_t* mapShared(const File& file, std::size_t bytes);
void unmap(std::uint8_t* base, std::size_t bytes);
// Drops the mapped pages from this process; changed ones stay in the system's cache.
void dropMappedPages(std::uint8_t* base, std::size_t bytes);
// Reserves disk blocks for the first `bytes` of the file without changing its size. errno says
// why when the result is not Done.
enum class Reservation { Done, DiskFull, Unsupported };
Reservation reserveBlocks(const File& file, std::uint64_t bytes);

}  // namespace platform
