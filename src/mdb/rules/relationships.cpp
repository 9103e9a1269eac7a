#include "rules/relationships.h"

#include <algorithm>
#include <map>
#include <optional>

#include "format/name_compare.h"
#include "mdb/error.h"
#include "rules/rule_tables.h"

namespace mdb {
namespace {

const char* const kRelationshipsTable = "MSysRelationships";
constexpr std::uint8_t kChildSide = 2;  // related table type of the foreign key's own index
constexpr std::uint8_t kCascadeYes = 1;

[[noreturn]] void corrupt(const std::string& what) {
    throw Error(Error::Kind::Corrupt, std::string(kRelationshipsTable) + ": " + what);
}

std::string textAt(const std::vector<Value>& row, std::optional<std::size_t> column) {
    if (!column) return {};
    const auto* s = std::get_if<std::string>(&row[*column]);
    return s ? *s : std::string();
}

std::int64_t numberAt(const std::vector<Value>& row, std::optional<std::size_t> column) {
    if (!column) return 0;
    if (const auto* l = std::get_if<std::int32_t>(&row[*column])) return *l;
    if (const auto* i = std::get_if<std::int16_t>(&row[*column])) return *i;
    return 0;
}

// One relationship's rows, gathered.
struct Pairs {
    Relationship relationship;
    std::int64_t count = 0;
    std::map<std::int64_t, std::pair<std::string, std::string>> columns;  // by icolumn
};

std::vector<Relationship> fromCatalogue(RuleTables& db) {
    if (!db.hasTable(kRelationshipsTable)) return {};
    Table& table = db.table(kRelationshipsTable);
    const auto col = [&](const char* name) { return table.findColumn(name); };
    const auto name = col("szRelationship"), grbit = col("grbit"), ccolumn = col("ccolumn"),
               icolumn = col("icolumn"), object = col("szObject"), column = col("szColumn"),
               parent = col("szReferencedObject"), parentColumn = col("szReferencedColumn");
    if (!name || !object || !column || !parent || !parentColumn)
        corrupt("the table lacks a column a relationship needs");

    std::vector<Pairs> found;
    for (Table::Cursor c = table.scan(); c.next();) {
        const std::vector<Value> row = c.values();
        Relationship r;
        r.name = textAt(row, name);
        r.childTable = textAt(row, object);
        r.parentTable = textAt(row, parent);
        r.flags = static_cast<std::uint32_t>(numberAt(row, grbit));
        auto same = [&](const Pairs& p) {
            return sameName(p.relationship.name, r.name) &&
                   sameName(p.relationship.childTable, r.childTable) &&
                   sameName(p.relationship.parentTable, r.parentTable);
        };
        auto at = std::find_if(found.begin(), found.end(), same);
        if (at == found.end()) {
            found.push_back({r, numberAt(row, ccolumn), {}});
            at = std::prev(found.end());
        }
        const std::int64_t i = numberAt(row, icolumn);
        if (!at->columns.emplace(i, std::pair(textAt(row, column), textAt(row, parentColumn)))
                 .second)
            corrupt("relationship '" + r.name + "' gives column pair " + std::to_string(i) +
                    " twice");
    }

    std::vector<Relationship> out;
    for (Pairs& p : found) {
        Relationship& r = p.relationship;
        const auto expected = static_cast<std::size_t>(std::max<std::int64_t>(p.count, 1));
        if (p.columns.size() != expected)
            corrupt("relationship '" + r.name + "' lists " + std::to_string(p.columns.size()) +
                    " of its " + std::to_string(expected) + " column pairs");
        std::int64_t next = 0;
        for (const auto& [i, pair] : p.columns) {
            if (i != next++) corrupt("relationship '" + r.name + "' skips a column pair");
            r.childColumns.push_back(pair.first);
            r.parentColumns.push_back(pair.second);
        }
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<std::string> indexColumnNames(const Table& table, int physicalIndex) {
    std::vector<std::string> names;
    for (const PhysicalIndex& p : table.physicalIndexes()) {
        if (p.number != physicalIndex) continue;
        for (const IndexColumn& ic : p.columns)
            for (const Column& c : table.columns())
                if (c.number == ic.columnNumber) names.push_back(c.name);
    }
    return names;
}

bool sameColumns(std::vector<std::string> a, std::vector<std::string> b) {
    if (a.size() != b.size()) return false;
    for (std::string& s : a) s = foldCase(s);
    for (std::string& s : b) s = foldCase(s);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

// Foreign keys the table definitions hold that the catalogue does not describe.
void addFromDefinitions(RuleTables& db, std::vector<Relationship>& out) {
    for (const std::string& childName : db.tableNames()) {
        Table& child = db.table(childName);
        for (const Index& fk : child.indexes()) {
            if (fk.kind != Index::Kind::ForeignKey || fk.relatedTableType != kChildSide) continue;
            const std::optional<std::string> parentName = db.tableNameAt(fk.relatedTablePage);
            if (!parentName) continue;
            Table& parent = db.table(*parentName);
            std::optional<int> parentPhysical;
            for (const Index& i : parent.indexes())
                if (i.number == fk.relatedIndex) parentPhysical = i.physicalIndex;
            if (!parentPhysical) continue;

            Relationship r;
            r.name = fk.name;
            r.childTable = child.name();
            r.childColumns = indexColumnNames(child, fk.physicalIndex);
            r.parentTable = parent.name();
            r.parentColumns = indexColumnNames(parent, *parentPhysical);
            if (fk.cascadeUpdates == kCascadeYes) r.flags |= Relationship::kCascadeUpdates;
            if (fk.cascadeDeletes == kCascadeYes) r.flags |= Relationship::kCascadeDeletes;
            const bool described = std::any_of(out.begin(), out.end(), [&](const Relationship& o) {
                return o.enforced() && sameName(o.childTable, r.childTable) &&
                       sameName(o.parentTable, r.parentTable) &&
                       sameColumns(o.childColumns, r.childColumns);
            });
            if (!described && !r.childColumns.empty() &&
                r.childColumns.size() == r.parentColumns.size())
                out.push_back(std::move(r));
        }
    }
}

void checkNames(RuleTables& db, const Relationship& r) {
    auto check = [&](const std::string& table, const std::vector<std::string>& columns) {
        if (!db.hasTable(table))
            corrupt("relationship '" + r.name + "' names table '" + table +
                    "', which does not exist");
        Table& t = db.table(table);
        for (const std::string& c : columns)
            if (!t.findColumn(c))
                corrupt("relationship '" + r.name + "' names field '" + table + "." + c +
                        "', which does not exist");
    };
    check(r.childTable, r.childColumns);
    check(r.parentTable, r.parentColumns);
}

}  // namespace

std::vector<Relationship> readRelationships(RuleTables& database) {
    std::vector<Relationship> out = fromCatalogue(database);
    for (const Relationship& r : out)
        if (r.enforced()) checkNames(database, r);
    addFromDefinitions(database, out);
    return out;
}

}  // namespace mdb
