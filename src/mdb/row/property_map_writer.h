// property_map_writer.h: object and column properties as the bytes of an LvProp blob (the layout
// is in property_map.h); the inverse of parsePropertyMaps.
//
// The blob lists every property name once, in order of first use, then one value block per map
// that holds values: type 0x00 for the object's own map (empty target), 0x01 for a column's.
// Yes/No values take one byte, 01 for true as Access writes it (Jackcess writes FF); Text and
// Memo values are plain UTF-16LE; other types are stored as a column of that type stores them.
// Access 97 writes the same blocks after "KKD\0", its names and texts 8-bit in the database's
// code page.
#pragma once

#include <cstdint>
#include <vector>

#include "row/property_map.h"

namespace mdb {

// The blob, or an empty vector when no map holds a value (the catalogue then stores null).
// Throws Error (Refused) when a value does not fit its type (a text given for a Long).
// `codePage` 0 writes Jet 4's form, any other Access 97's in that code page.
std::vector<std::uint8_t> encodePropertyMaps(const std::vector<PropertyMap>& maps,
                                             std::uint16_t codePage = 0);

// The properties of a new column as Access records them (ddl set): DefaultValue (Memo),
// Required and AllowZeroLength (Yes/No), ValidationRule and ValidationText (Memo), and
// UnicodeCompression (Yes/No) for a Text or Memo column that compresses. nullopt fields are
// left out. An empty map when there is nothing to record.
PropertyMap columnPropertyMap(const Column& column);

}  // namespace mdb
