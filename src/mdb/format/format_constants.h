// format_constants.h: the numbers of the Jet 4 format that more than one part of the engine
// relies on, each defined here once (docs/jet-format.md). Layouts private to one page kind stay
// with the code that reads it; column and index flags are with Column and PhysicalIndex
// (mdb/schema.h).
#pragma once

#include <cstdint>

#include "mdb/row_position.h"

namespace mdb {

// Byte 0 of every page but the header says what the page is.
constexpr std::uint8_t kDataPageType = 0x01;
constexpr std::uint8_t kTableDefinitionPageType = 0x02;
constexpr std::uint8_t kIndexNodePageType = 0x03;
constexpr std::uint8_t kIndexLeafPageType = 0x04;
constexpr std::uint8_t kUsageMapPageType = 0x05;

// The database's global usage map, row 0 of page 1: a set bit there means the page is free.
constexpr PageNumber kGlobalMapPage = 1;
constexpr RowPosition kGlobalMap{kGlobalMapPage, 0};

// The catalogue, MSysObjects: its definition starts at page 2.
constexpr PageNumber kCatalogPage = 2;

// "LVAL" as a little-endian owner field: a data page holding long values, owned by no table.
constexpr std::uint32_t kLongValueOwner = 0x4C41564C;

}  // namespace mdb
