#include <sstream>

#include "commands.h"
#include "mdb/database.h"

namespace tool {
namespace {

std::string typeText(const mdb::Column& c) {
    std::string text = mdb::typeName(c.type);
    // Jet 4 stores two bytes per character, Access 97 one (its text has a code page).
    const int perCharacter = c.codePage != 0 ? 1 : 2;
    if (c.type == mdb::ColumnType::Text)
        text += " (" + std::to_string(c.length / perCharacter) + ")";
    if (c.type == mdb::ColumnType::Binary) text += " (" + std::to_string(c.length) + ")";
    if (c.type == mdb::ColumnType::Numeric)
        text += " (" + std::to_string(c.precision) + ", " + std::to_string(c.scale) + ")";
    return text;
}

std::string columnNotes(const mdb::Column& c) {
    std::ostringstream s;
    auto note = [&s](const std::string& text) { s << (s.tellp() > 0 ? ", " : "") << text; };
    if (c.isAutoNumber()) note("autonumber");
    if (c.isAutoGuid()) note("autonumber GUID");
    if (c.isHyperlink()) note("hyperlink");
    if (c.compressesUnicode()) note("unicode compression");
    note(c.isFixed() ? "fixed" : "variable");
    const mdb::ColumnProperties& p = c.properties;
    if (p.required) note(std::string("required ") + (*p.required ? "yes" : "no"));
    if (p.allowZeroLength)
        note(std::string("allow zero length ") + (*p.allowZeroLength ? "yes" : "no"));
    if (p.defaultValue) note("default " + *p.defaultValue);
    if (p.validationRule) note("validation rule " + *p.validationRule);
    if (p.validationText) note("validation text " + *p.validationText);
    return s.str();
}

std::string indexKind(const mdb::Index& index) {
    switch (index.kind) {
        case mdb::Index::Kind::PrimaryKey:
            return "primary key";
        case mdb::Index::Kind::ForeignKey:
            return "foreign key";
        default:
            return "index";
    }
}

}  // namespace

void printSchema(const std::string& file, const std::string& tableName, std::ostream& out) {
    auto db = mdb::Database::open(file, mdb::OpenMode::ReadOnly);
    const mdb::Table& table = db->table(tableName);
    out << "Table " << table.name() << ": definition page " << table.definitionPage() << ", "
        << table.rowCount() << " rows, last autonumber " << table.lastAutoNumber() << '\n'
        << "Columns:\n";
    for (const mdb::Column& c : table.columns())
        out << "  " << c.name << ": " << typeText(c) << " [" << columnNotes(c) << "]\n";
    out << "Indexes:\n";
    for (const mdb::Index& index : table.indexes()) {
        const mdb::PhysicalIndex& p =
            table.physicalIndexes().at(static_cast<std::size_t>(index.physicalIndex));
        out << "  " << index.name << ": " << indexKind(index);
        if (p.isUnique()) out << ", unique";
        if (p.ignoresNulls()) out << ", ignore nulls";
        if (p.isRequired()) out << ", required";
        out << " (";
        for (std::size_t i = 0; i < p.columns.size(); ++i) {
            const auto& key = p.columns[i];
            std::string name = "#" + std::to_string(key.columnNumber);
            for (const mdb::Column& c : table.columns())
                if (c.number == key.columnNumber) name = c.name;
            out << (i ? ", " : "") << name << (key.ascending ? " ASC" : " DESC");
        }
        out << "), root page " << p.rootPage << '\n';
    }
}

}  // namespace tool
