// column.h: a column as a table definition describes it, and the column types of Jet 4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "format/row_position.h"

namespace mdb {

// The type byte of a column block. Values other than these occur (0x11 in MSysAccessObjects)
// and are read as binary data.
enum class ColumnType : std::uint8_t {
    Boolean = 0x01,   // stored only in the row's null mask
    Byte = 0x02,      // unsigned 8-bit
    Integer = 0x03,   // signed 16-bit
    Long = 0x04,      // signed 32-bit
    Currency = 0x05,  // signed 64-bit count of 1/10000
    Single = 0x06,    // IEEE float
    Double = 0x07,    // IEEE double
    DateTime = 0x08,  // double, days since 1899-12-30
    Binary = 0x09,    // up to 255 bytes in the row
    Text = 0x0A,      // UTF-16, possibly compressed; up to 255 characters
    Ole = 0x0B,       // long value: bytes
    Memo = 0x0C,      // long value: text
    Guid = 0x0F,      // 16 bytes, "Replication ID"
    Numeric = 0x10,   // 17 bytes: sign byte + 128-bit magnitude
};

// "Long Integer", "Text", ... as Access names the types; "Unknown 0x11" for others.
std::string typeName(ColumnType type);
// Bytes a fixed-size type takes in a row (0 for Boolean, Text, Binary, Memo, OLE and unknown).
std::size_t fixedSize(ColumnType type);
inline bool isLongValue(ColumnType t) { return t == ColumnType::Memo || t == ColumnType::Ole; }

// Column properties that Access keeps in the catalogue (MSysObjects.LvProp) rather than in the
// table definition. Absent properties stay empty: the engine invents no defaults.
struct ColumnProperties {
    std::optional<bool> required;
    std::optional<bool> allowZeroLength;
    std::optional<std::string> defaultValue;  // an expression, e.g. "0" or "\"x\""
    std::optional<std::string> validationRule;
    std::optional<std::string> validationText;
};

struct Column {
    std::string name;
    ColumnType type = ColumnType::Binary;
    std::uint16_t number = 0;       // bit in the null mask; what indexes refer to
    std::uint16_t varIndex = 0;     // slot in the row's variable offset table
    std::uint16_t fixedOffset = 0;  // offset in the row's fixed area (after the column count)
    std::uint16_t length = 0;       // bytes; Text counts 2 per character
    std::uint8_t flags = 0;
    std::uint8_t extFlags = 0;
    std::uint8_t precision = 0;   // Numeric
    std::uint8_t scale = 0;       // Numeric
    std::uint16_t sortOrder = 0;  // Text and Memo: locale id of the collation
    std::uint8_t sortVersion = 0;
    // Memo and OLE columns: the usage maps of their long-value pages.
    std::optional<RowPosition> longValueOwnedMap;
    std::optional<RowPosition> longValueFreeMap;
    ColumnProperties properties;

    bool isFixed() const { return (flags & 0x01) != 0; }
    bool isAutoNumber() const { return (flags & 0x04) != 0; }
    bool isAutoGuid() const { return (flags & 0x40) != 0; }
    bool isHyperlink() const { return (flags & 0x80) != 0; }
    bool compressesUnicode() const { return (extFlags & 0x01) != 0; }
};

}  // namespace mdb
