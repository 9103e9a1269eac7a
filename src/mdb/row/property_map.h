// property_map.h: object and column properties, as the catalogue stores them in the LvProp
// column of MSysObjects.
//   "MR2\0", then blocks, each: u32 length (including these 6 bytes), u16 type
//   type 0x80  the property names: repeated u16 byte length + UTF-16LE name
//   type 0x00  the object's own properties; 0x01 one column's; 0x02 also seen
//   value block: u32 length, u16 name byte length, UTF-16LE name (the column's; empty for 0x00),
//                then values: u16 length (including this header), u8 ddl flag, u8 type (a
//                column type), u16 index into the names, u16 data size, data
// Text and Memo values are plain UTF-16LE; other types are stored as a column stores them.
#pragma once

#include <string>
#include <vector>

#include "format/byte_order.h"
#include "mdb/schema.h"
#include "mdb/value.h"

namespace mdb {

struct Property {
    std::string name;
    ColumnType type = ColumnType::Binary;
    bool ddl = false;  // set by DDL: Access treats it as part of the design
    Value value;
};

struct PropertyMap {
    std::string target;  // column name; empty for the object itself
    std::vector<Property> properties;
    // Case-insensitive lookup; nullptr when absent.
    const Property* find(std::string_view name) const;
};

// Parses an LvProp blob. An empty blob gives no maps. Throws Error (Corrupt) for a blob whose
// blocks or values run past its end or whose signature is unknown.
// Access 97 maps ("KKD") hold 8-bit text in `codePage`.
std::vector<PropertyMap> parsePropertyMaps(ByteView blob, std::uint16_t codePage = 0);

// The properties of `column` the writer honours, taken from its map (nullptr: none).
ColumnProperties columnPropertiesFrom(const PropertyMap* map);

}  // namespace mdb
