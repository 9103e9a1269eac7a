// byte_order.h: little-endian fields read from and written to page bytes.
//
// Every read is bounds-checked: a field that would reach past the end of its buffer throws
// Error (Corrupt). Callers that can say more (which page, which row) check ranges first and
// raise their own message; these checks are the last line of defence, so that no damaged
// offset can ever read outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "mdb/error.h"

namespace mdb {

using ByteView = std::span<const std::uint8_t>;

// True when [offset, offset + length) lies inside a buffer of `size` bytes (overflow-safe).
constexpr bool fitsIn(std::size_t size, std::size_t offset, std::size_t length) {
    return offset <= size && length <= size - offset;
}

// Throws the Error (Corrupt) for a field at `offset` reaching past a block of `size` bytes. Out of
// line, so that the checks below stay small enough to be inlined where fields are read.
[[noreturn]] void failPastEnd(std::size_t size, std::size_t offset);

inline void requireRange(ByteView bytes, std::size_t offset, std::size_t length) {
    if (!fitsIn(bytes.size(), offset, length)) failPastEnd(bytes.size(), offset);
}

inline std::uint8_t get8(ByteView b, std::size_t off) {
    requireRange(b, off, 1);
    return b[off];
}

inline std::uint16_t get16le(ByteView b, std::size_t off) {
    requireRange(b, off, 2);
    return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8));
}

// Three bytes, as page numbers are stored in row pointers.
inline std::uint32_t get24le(ByteView b, std::size_t off) {
    requireRange(b, off, 3);
    return static_cast<std::uint32_t>(b[off]) | (static_cast<std::uint32_t>(b[off + 1]) << 8) |
           (static_cast<std::uint32_t>(b[off + 2]) << 16);
}

inline std::uint32_t get32le(ByteView b, std::size_t off) {
    requireRange(b, off, 4);
    return static_cast<std::uint32_t>(b[off]) | (static_cast<std::uint32_t>(b[off + 1]) << 8) |
           (static_cast<std::uint32_t>(b[off + 2]) << 16) |
           (static_cast<std::uint32_t>(b[off + 3]) << 24);
}

inline std::uint64_t get64le(ByteView b, std::size_t off) {
    requireRange(b, off, 8);
    return static_cast<std::uint64_t>(get32le(b, off)) |
           (static_cast<std::uint64_t>(get32le(b, off + 4)) << 32);
}

inline void put16le(std::span<std::uint8_t> b, std::size_t off, std::uint16_t v) {
    requireRange(b, off, 2);
    b[off] = static_cast<std::uint8_t>(v);
    b[off + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void put32le(std::span<std::uint8_t> b, std::size_t off, std::uint32_t v) {
    requireRange(b, off, 4);
    for (std::size_t i = 0; i < 4; ++i) b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace mdb
