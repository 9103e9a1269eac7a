#include "create/table_schema.h"

#include <algorithm>
#include <set>

#include "format/code_page_text.h"
#include "format/name_compare.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::size_t kMaxNameLength = 64;     // characters, as Access limits object names
constexpr std::size_t kMaxColumns = 255;       // Access's limit per table
constexpr std::size_t kMaxIndexes = 32;        // Access's limit per table
constexpr std::size_t kMaxIndexColumns = 10;   // slots in a physical index block
constexpr std::uint16_t kMaxTextLength = 255;  // characters of a Text column, bytes of Binary
constexpr std::uint16_t kGeneralSortOrder = 1033;
constexpr std::uint8_t kFixedFlags = Column::kFixedFlag | Column::kUpdatableFlag;
constexpr std::uint8_t kVariableFlags = Column::kUpdatableFlag;
constexpr std::uint8_t kIndexAlways = 0x80;  // set on every index Access 2000 and later write
constexpr std::uint8_t kAccessCascadeBytes = 0x04;  // what Access leaves in both cascade bytes

[[noreturn]] void refuse(const std::string& what) { throw Error(Error::Kind::Refused, what); }

// An Access 97 file holds names in its code page: a name with a character the code page lacks
// would be stored with "?" in its place, and be another name.
void checkNameFitsCodePage(const std::string& name, const std::string& what,
                           const JetFormat& format, std::uint16_t codePage) {
    if (!format.eightBitText) return;
    std::vector<std::uint8_t> stored;
    (void)appendCodePageText(stored, name, codePage);
    if (decodeCodePageText(stored, codePage) != name)
        refuse("the " + what + " name '" + name +
               "' holds a character this Access 97 database cannot hold (code page " +
               std::to_string(codePage) + ")");
}

std::size_t characterCount(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool isFixed(ColumnType type) {
    switch (type) {
        case ColumnType::Text:
        case ColumnType::Binary:
        case ColumnType::Memo:
        case ColumnType::Ole:
            return false;
        default:
            return true;
    }
}

bool supported(ColumnType type) {
    switch (type) {
        case ColumnType::Boolean:
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long:
        case ColumnType::Currency:
        case ColumnType::Single:
        case ColumnType::Double:
        case ColumnType::DateTime:
        case ColumnType::Binary:
        case ColumnType::Text:
        case ColumnType::Ole:
        case ColumnType::Memo:
        case ColumnType::Guid:
            return true;
        default:
            return false;
    }
}

// The bytes a column's definition records as its length.
std::uint16_t definitionLength(const ColumnSchema& c, const JetFormat& format) {
    switch (c.type) {
        case ColumnType::Boolean:
            return 1;  // as Access records it, though the value takes no row bytes
        case ColumnType::Text:
            return static_cast<std::uint16_t>(format.eightBitText ? c.size : 2 * c.size);
        case ColumnType::Binary:
            return c.size;
        default:
            return static_cast<std::uint16_t>(fixedSize(c.type));
    }
}

Column columnFor(const ColumnSchema& s, const std::string& table, const JetFormat& format,
                 std::uint16_t codePage) {
    const std::string field = table + "." + s.name;
    checkObjectName(s.name, "column");
    checkNameFitsCodePage(s.name, "column", format, codePage);
    if (!supported(s.type))
        refuse("column " + field + ": type " + typeName(s.type) + " cannot be created");
    const bool sized = s.type == ColumnType::Text || s.type == ColumnType::Binary;
    if (sized && (s.size < 1 || s.size > kMaxTextLength))
        refuse("column " + field + ": size must be 1 to 255");
    if (s.autoNumber && s.type != ColumnType::Long)
        refuse("column " + field + ": only a Long Integer can be an autonumber");
    if (s.compressedUnicode && s.type != ColumnType::Text && s.type != ColumnType::Memo)
        refuse("column " + field + ": only Text and Memo columns compress Unicode");

    Column c;
    c.name = s.name;
    c.type = s.type;
    c.length = definitionLength(s, format);
    c.flags = static_cast<std::uint8_t>((isFixed(s.type) ? kFixedFlags : kVariableFlags) |
                                        (s.autoNumber ? Column::kAutoNumberFlag : 0));
    c.sortOrder = kGeneralSortOrder;
    c.properties = s.properties;
    if (format.eightBitText) {
        // Access 97 text is 8-bit already: there is nothing to compress. The code page sits
        // where a Jet 4 column keeps its precision, and the reader sees it there.
        if (s.type == ColumnType::Text || s.type == ColumnType::Memo) c.codePage = codePage;
        c.precision = static_cast<std::uint8_t>(codePage & 0xFF);
        c.scale = static_cast<std::uint8_t>(codePage >> 8);
        return c;
    }
    c.extFlags = s.compressedUnicode ? Column::kCompressedUnicodeFlag : 0;
    c.precision = static_cast<std::uint8_t>(kGeneralSortOrder & 0xFF);  // as the reader sees it
    c.scale = static_cast<std::uint8_t>(kGeneralSortOrder >> 8);
    return c;
}

// Numbers the columns and places them in the row, as Access does.
void layOutColumns(std::vector<Column>& columns) {
    std::uint16_t fixedOffset = 0, variableSlot = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        Column& c = columns[i];
        c.number = static_cast<std::uint16_t>(i);
        c.varIndex = variableSlot;
        if (c.type == ColumnType::Boolean) {
            c.fixedOffset = 0;  // takes no row bytes; Access records offset 0 (testV2003.mdb)
        } else if (c.isFixed()) {
            c.fixedOffset = fixedOffset;
            fixedOffset = static_cast<std::uint16_t>(fixedOffset + fixedSize(c.type));
        } else {
            ++variableSlot;
        }
    }
}

std::uint8_t indexFlags(const IndexSchema& s, const JetFormat& format) {
    std::uint8_t flags = format.eightBitText ? 0 : kIndexAlways;
    if (s.kind != IndexSchema::Kind::Normal) flags |= PhysicalIndex::kUniqueFlag;
    if (s.kind == IndexSchema::Kind::PrimaryKey || s.required)
        flags |= PhysicalIndex::kRequiredFlag;
    if (s.ignoreNulls) flags |= PhysicalIndex::kIgnoreNullsFlag;
    return flags;
}

PhysicalIndex physicalIndexFor(const IndexSchema& s, const std::vector<Column>& columns,
                               const std::string& table, const JetFormat& format) {
    const std::string where = "index " + s.name + " of " + table;
    if (s.columns.empty() || s.columns.size() > kMaxIndexColumns)
        refuse(where + ": an index has 1 to 10 columns");
    PhysicalIndex index;
    std::set<std::uint16_t> seen;
    for (const IndexSchema::Key& key : s.columns) {
        const auto c = std::find_if(columns.begin(), columns.end(), [&](const Column& col) {
            return sameName(col.name, key.column);
        });
        if (c == columns.end()) refuse(where + ": there is no column " + key.column);
        if (isLongValue(c->type)) refuse(where + ": a Memo or OLE column cannot be indexed");
        if (!seen.insert(c->number).second) refuse(where + ": column " + key.column + " twice");
        index.columns.push_back({c->number, key.ascending});
    }
    index.flags = indexFlags(s, format);
    return index;
}

void checkUniqueNames(const std::vector<std::string>& names, const std::string& what,
                      const std::string& table) {
    std::set<std::string> folded;
    for (const std::string& name : names)
        if (!folded.insert(foldCase(name)).second)
            refuse("table " + table + " has two " + what + " named " + name);
}

}  // namespace

ColumnSchema columnSchema(std::string name, ColumnType type, std::uint16_t size) {
    return {.name = std::move(name), .type = type, .size = size};
}

IndexSchema indexSchema(std::string name, std::vector<std::string> columns,
                        IndexSchema::Kind kind) {
    IndexSchema s{.name = std::move(name), .kind = kind};
    for (std::string& c : columns) s.columns.push_back({.column = std::move(c)});
    return s;
}

void checkObjectName(const std::string& name, const std::string& what) {
    if (name.empty()) refuse("a " + what + " needs a name");
    if (characterCount(name) > kMaxNameLength)
        refuse("the " + what + " name '" + name + "' is longer than 64 characters");
    if (name.front() == ' ') refuse("the " + what + " name '" + name + "' starts with a blank");
    for (char ch : name) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 || ch == '.' || ch == '!' || ch == '`' || ch == '[' || ch == ']')
            refuse("the " + what + " name '" + name +
                   "' holds a character names cannot hold (. ! ` [ ] or a control character)");
    }
}

TableDefinition tableDefinitionFor(const TableSchema& schema, const JetFormat& format,
                                   std::uint16_t codePage) {
    checkObjectName(schema.name, "table");
    checkNameFitsCodePage(schema.name, "table", format, codePage);
    if (schema.columns.empty()) refuse("table " + schema.name + " has no columns");
    if (schema.columns.size() > kMaxColumns)
        refuse("table " + schema.name + " has more than 255 columns");
    if (schema.indexes.size() > kMaxIndexes)
        refuse("table " + schema.name + " has more than 32 indexes");

    TableDefinition t;
    t.format = &format;
    t.tableType = 'N';
    // Jackcess: "makes autonumbering work in access"; Access 97 definitions have no such flag.
    t.autoNumberFlag = format.tdefAutoNumberFlagOffset != 0 ? 1 : 0;
    t.blockOrder = TableDefinition::BlockOrder::ByNumber;
    std::vector<std::string> names;
    for (const ColumnSchema& s : schema.columns) {
        t.columns.push_back(columnFor(s, schema.name, format, codePage));
        names.push_back(s.name);
    }
    checkUniqueNames(names, "columns", schema.name);
    layOutColumns(t.columns);
    t.maxColumns = static_cast<std::uint16_t>(t.columns.size());
    t.variableColumns = static_cast<std::uint16_t>(std::count_if(
        t.columns.begin(), t.columns.end(), [](const Column& c) { return !c.isFixed(); }));

    names.clear();
    bool primaryKey = false;
    for (const IndexSchema& s : schema.indexes) {
        checkObjectName(s.name, "index");
        checkNameFitsCodePage(s.name, "index", format, codePage);
        names.push_back(s.name);
        if (s.kind == IndexSchema::Kind::PrimaryKey) {
            if (primaryKey) refuse("table " + schema.name + " has two primary keys");
            primaryKey = true;
        }
        PhysicalIndex physical = physicalIndexFor(s, t.columns, schema.name, format);
        physical.number = static_cast<int>(t.physicalIndexes.size());
        Index logical;
        logical.name = s.name;
        logical.number = physical.number;
        logical.physicalIndex = physical.number;
        logical.kind =
            s.kind == IndexSchema::Kind::PrimaryKey ? Index::Kind::PrimaryKey : Index::Kind::Normal;
        logical.cascadeUpdates = logical.cascadeDeletes = kAccessCascadeBytes;
        t.physicalIndexes.push_back(std::move(physical));
        t.indexes.push_back(std::move(logical));
    }
    checkUniqueNames(names, "indexes", schema.name);
    // Stored sorted by name (table_definition_writer.h), and so read back.
    std::stable_sort(t.indexes.begin(), t.indexes.end(), [](const Index& a, const Index& b) {
        return foldCase(a.name) < foldCase(b.name);
    });
    return t;
}

}  // namespace mdb
