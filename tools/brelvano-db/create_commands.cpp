// The commands that make databases and tables: create, create-table.
//
// A column is described as NAME:TYPE[:OPTION]..., an index as
// NAME:COLUMN[ desc][,COLUMN[ desc]]...[:primary|:unique][:required][:ignorenulls]; the usage
// text in main.cpp lists the types and options.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands.h"
#include "data/roll_tables.h"
#include "mdb/create.h"
#include "mdb/error.h"

namespace tool {
namespace {

using mdb::ColumnType;

[[noreturn]] void badDescription(const std::string& text, const std::string& why) {
    throw mdb::Error(mdb::Error::Kind::Refused, "'" + text + "': " + why);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type from = 0;
    for (;;) {
        const std::string::size_type at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

// "text(50)" -> ("text", 50); "long" -> ("long", 0). Returns false when the size is not a
// number.
bool typeAndSize(const std::string& word, std::string& type, long& size) {
    size = 0;
    const std::string::size_type open = word.find('(');
    type = word.substr(0, open);
    if (open == std::string::npos) return true;
    if (word.back() != ')') return false;
    const std::string digits = word.substr(open + 1, word.size() - open - 2);
    char* end = nullptr;
    size = std::strtol(digits.c_str(), &end, 10);
    return !digits.empty() && *end == '\0' && size > 0 && size <= 0xFFFF;
}

ColumnType columnType(const std::string& text, const std::string& type, bool sized) {
    struct Named {
        const char* name;
        ColumnType type;
        bool sized;
    };
    static const Named types[] = {
        {"text", ColumnType::Text, true},          {"memo", ColumnType::Memo, false},
        {"long", ColumnType::Long, false},         {"integer", ColumnType::Integer, false},
        {"byte", ColumnType::Byte, false},         {"double", ColumnType::Double, false},
        {"single", ColumnType::Single, false},     {"currency", ColumnType::Currency, false},
        {"datetime", ColumnType::DateTime, false}, {"yesno", ColumnType::Boolean, false},
        {"guid", ColumnType::Guid, false},         {"ole", ColumnType::Ole, false},
        {"binary", ColumnType::Binary, true},
    };
    for (const Named& n : types) {
        if (type != n.name) continue;
        if (sized != n.sized)
            badDescription(text, n.sized ? type + " needs a size, as in " + type + "(50)"
                                         : type + " takes no size");
        return n.type;
    }
    badDescription(text, "unknown type " + type);
}

mdb::ColumnSchema parseColumn(const std::string& text) {
    const std::vector<std::string> parts = split(text, ':');
    if (parts.size() < 2) badDescription(text, "a column is NAME:TYPE[:OPTION]...");
    std::string type;
    long size = 0;
    if (!typeAndSize(parts[1], type, size)) badDescription(text, "bad size in " + parts[1]);
    mdb::ColumnSchema c{.name = parts[0]};
    c.type = columnType(text, type, parts[1].find('(') != std::string::npos);
    c.size = static_cast<std::uint16_t>(size);
    bool required = false, zeroLength = false;
    for (std::size_t i = 2; i < parts.size(); ++i) {
        const std::string& option = parts[i];
        if (option == "autonumber") {
            c.autoNumber = true;
        } else if (option == "compressed") {
            c.compressedUnicode = true;
        } else if (option == "required") {
            required = true;
        } else if (option == "zerolength") {
            zeroLength = true;
        } else if (option.starts_with("default=")) {
            c.properties.defaultValue = option.substr(8);
        } else {
            badDescription(text, "unknown option " + option);
        }
    }
    // As Access records them: both rules on every text column, Required where it is set.
    if (c.type == ColumnType::Text || c.type == ColumnType::Memo) {
        c.properties.required = required;
        c.properties.allowZeroLength = zeroLength;
    } else if (required) {
        c.properties.required = true;
    } else if (zeroLength) {
        badDescription(text, "zerolength is for text and memo columns");
    }
    return c;
}

mdb::IndexSchema parseIndex(const std::string& text) {
    const std::vector<std::string> parts = split(text, ':');
    if (parts.size() < 2 || parts[1].empty())
        badDescription(text, "an index is NAME:COLUMN[ desc][,COLUMN...][:OPTION]...");
    mdb::IndexSchema index{.name = parts[0]};
    for (std::string column : split(parts[1], ',')) {
        bool ascending = true;
        if (column.ends_with(" desc")) {
            column.resize(column.size() - 5);
            ascending = false;
        } else if (column.ends_with(" asc")) {
            column.resize(column.size() - 4);
        }
        index.columns.push_back({.column = column, .ascending = ascending});
    }
    for (std::size_t i = 2; i < parts.size(); ++i) {
        const std::string& option = parts[i];
        if (option == "primary") {
            index.kind = mdb::IndexSchema::Kind::PrimaryKey;
        } else if (option == "unique") {
            index.kind = mdb::IndexSchema::Kind::Unique;
        } else if (option == "required") {
            index.required = true;
        } else if (option == "ignorenulls") {
            index.ignoreNulls = true;
        } else {
            badDescription(text, "unknown index option " + option);
        }
    }
    return index;
}

}  // namespace

void createDatabaseFile(const std::string& file, bool roll, std::ostream& out) {
    if (roll) {
        data::createRollDatabase(file);
        out << "Created " << file << " with tables Testate and DettaglioVoci\n";
    } else {
        mdb::createDatabase(file);
        out << "Created " << file << '\n';
    }
}

void addRollTablesToFile(const std::string& file, std::ostream& out) {
    data::addRollTables(file);
    out << "Added tables Testate and DettaglioVoci to " << file << '\n';
}

mdb::TableSchema parseTableDescription(const std::string& table,
                                       const std::vector<std::string>& columns,
                                       const std::vector<std::string>& indexes) {
    mdb::TableSchema schema{.name = table};
    for (const std::string& text : columns) schema.columns.push_back(parseColumn(text));
    for (const std::string& text : indexes) schema.indexes.push_back(parseIndex(text));
    return schema;
}

void createTableFromDescription(const std::string& file, const mdb::TableSchema& schema,
                                std::ostream& out) {
    mdb::createTable(file, schema);
    out << "Created table " << schema.name << " in " << file << '\n';
}

}  // namespace tool
