// rc4.h: the RC4 stream cipher, which Jet 4 uses twice: to mask part of the header page (fixed
// key C7 DA 39 6B) and, in databases with a non-zero database key, to encode every other page
// (key = database key XOR page number, as four little-endian bytes).
#pragma once

#include <cstdint>
#include <span>

namespace mdb {

// XORs `data` in place with the RC4 keystream of `key`; applying it twice restores the data.
void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

// The page coding of a database with a non-zero key. Page 0 is never encoded.
void rc4CodePage(std::uint32_t databaseKey, std::uint32_t pageNumber, std::span<std::uint8_t> page);

}  // namespace mdb
