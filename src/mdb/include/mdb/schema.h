// schema.h: how a table is described: its columns and indexes as stored (what Table reports)
// and as a caller asks for them (what createTable and createDatabase take).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mdb/row_position.h"

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

// Column properties that Access keeps in the catalogue (MSysObjects.LvProp) rather than in the
// table definition. Absent properties stay empty: the engine invents no defaults.
struct ColumnProperties {
    std::optional<bool> required;
    std::optional<bool> allowZeroLength;
    std::optional<std::string> defaultValue;  // an expression, e.g. "0" or "\"x\""
    std::optional<std::string> validationRule;
    std::optional<std::string> validationText;
};

// A column as the table definition stores it.
struct Column {
    std::string name;
    ColumnType type = ColumnType::Binary;
    std::uint16_t number = 0;       // bit in the null mask; what indexes refer to
    std::uint16_t varIndex = 0;     // slot in the row's variable offset table
    std::uint16_t fixedOffset = 0;  // offset in the row's fixed area (after the column count)
    std::uint16_t length = 0;       // bytes; Text counts 2 per character (1 in Access 97)
    std::uint8_t flags = 0;
    std::uint8_t extFlags = 0;
    std::uint8_t precision = 0;   // Numeric
    std::uint8_t scale = 0;       // Numeric
    std::uint16_t sortOrder = 0;  // Text and Memo: locale id of the collation
    std::uint8_t sortVersion = 0;
    // Text and Memo in an Access 97 file: the code page their 8-bit text is in (0: UTF-16).
    std::uint16_t codePage = 0;
    // Memo and OLE columns: the usage maps of their long-value pages.
    std::optional<RowPosition> longValueOwnedMap;
    std::optional<RowPosition> longValueFreeMap;
    ColumnProperties properties;

    // The bits of `flags` and `extFlags`.
    static constexpr std::uint8_t kFixedFlag = 0x01, kUpdatableFlag = 0x02, kAutoNumberFlag = 0x04,
                                  kAutoGuidFlag = 0x40, kHyperlinkFlag = 0x80;
    static constexpr std::uint8_t kCompressedUnicodeFlag = 0x01;

    bool isFixed() const { return (flags & kFixedFlag) != 0; }
    bool isAutoNumber() const { return (flags & kAutoNumberFlag) != 0; }
    bool isAutoGuid() const { return (flags & kAutoGuidFlag) != 0; }
    bool isHyperlink() const { return (flags & kHyperlinkFlag) != 0; }
    bool compressesUnicode() const { return (extFlags & kCompressedUnicodeFlag) != 0; }
};

// An index's key column, by column number.
struct IndexColumn {
    std::uint16_t columnNumber = 0;
    bool ascending = true;
};

// An index as stored: its key columns and its B-tree.
struct PhysicalIndex {
    int number = 0;
    std::vector<IndexColumn> columns;
    RowPosition usageMap;  // the index's own pages
    PageNumber rootPage = 0;
    std::uint8_t flags = 0;
    std::uint32_t uniqueEntryCount = 0;

    // The bits of `flags`.
    static constexpr std::uint8_t kUniqueFlag = 0x01, kIgnoreNullsFlag = 0x02, kRequiredFlag = 0x08;

    bool isUnique() const { return (flags & kUniqueFlag) != 0; }
    bool ignoresNulls() const { return (flags & kIgnoreNullsFlag) != 0; }
    bool isRequired() const { return (flags & kRequiredFlag) != 0; }
};

// An index as Access shows it (primary key, foreign key, plain); several may share one
// physical index.
struct Index {
    enum class Kind : std::uint8_t { Normal = 0, PrimaryKey = 1, ForeignKey = 2 };
    std::string name;
    int number = 0;
    int physicalIndex = 0;
    Kind kind = Kind::Normal;
    std::uint8_t relatedTableType = 0;
    std::int32_t relatedIndex = -1;  // -1: none
    PageNumber relatedTablePage = 0;
    std::uint8_t cascadeUpdates = 0;
    std::uint8_t cascadeDeletes = 0;
};

// A table a caller wants: createTable and createDatabase check it and write what Access would.
struct ColumnSchema {
    std::string name{};
    ColumnType type = ColumnType::Text;
    std::uint16_t size = 0;          // Text: characters (1-255); Binary: bytes (1-255)
    bool autoNumber = false;         // Long Integer only
    bool compressedUnicode = false;  // Text and Memo only
    ColumnProperties properties{};   // recorded in the catalogue (Required, AllowZeroLength, ...)
};

struct IndexSchema {
    enum class Kind { Normal, Unique, PrimaryKey };
    struct Key {
        std::string column{};
        bool ascending = true;
    };
    std::string name{};
    std::vector<Key> columns{};  // 1 to 10
    Kind kind = Kind::Normal;
    bool required = false;     // no key column may be null (implied by a primary key)
    bool ignoreNulls = false;  // rows whose key columns are all null get no entry
};

struct TableSchema {
    std::string name{};
    std::vector<ColumnSchema> columns{};
    std::vector<IndexSchema> indexes{};
};

// Shorthands for schemas written in code: a column with no options, and an index on the named
// columns, all ascending.
ColumnSchema columnSchema(std::string name, ColumnType type, std::uint16_t size = 0);
IndexSchema indexSchema(std::string name, std::vector<std::string> columns,
                        IndexSchema::Kind kind = IndexSchema::Kind::Normal);

}  // namespace mdb
