#include "rules/database_rules.h"

#include <algorithm>
#include <cstdio>

#include "format/name_compare.h"
#include "format/table_definition.h"
#include "index/index_lookup.h"
#include "index/row_key.h"
#include "mdb/error.h"
#include "row/table_scan.h"
#include "rules/expression_date.h"
#include "rules/rule_messages.h"
#include "rules/rule_tables.h"

namespace mdb {
namespace {

const char* const kRelationshipsTable = "MSysRelationships";
const char* const kCatalogueTable = "MSysObjects";

std::string hex(const std::uint8_t* bytes, std::size_t n) {
    std::string out;
    char buf[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += buf;
    }
    return out;
}

std::string numberPart(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "n%.17g", d == 0 ? 0.0 : d);
    return buf;
}

// One value of a key as the rows on both sides of a relationship must share it; nullopt for
// Null, which matches nothing.
std::optional<std::string> keyPart(const Value& v) {
    if (isNull(v)) return std::nullopt;
    if (const auto* s = std::get_if<std::string>(&v)) return "t" + foldCase(*s);
    if (const auto* b = std::get_if<Binary>(&v)) return "x" + hex(b->data(), b->size());
    if (const auto* g = std::get_if<Guid>(&v)) return "x" + hex(g->bytes.data(), g->bytes.size());
    if (const auto* d = std::get_if<DateTime>(&v)) return numberPart(linearDays(*d));
    return numberPart(numberOf(expressionValue(v)).value_or(0));
}

std::optional<std::string> matchKey(std::span<const Value> row,
                                    const std::vector<std::size_t>& columns) {
    std::string key;
    for (std::size_t c : columns) {
        std::optional<std::string> part = keyPart(row[c]);
        if (!part) return std::nullopt;
        key += *part;
        key += '\x1F';
    }
    return key;
}

std::vector<std::size_t> columnIndexes(const Table& table, const std::vector<std::string>& names) {
    std::vector<std::size_t> out;
    for (const std::string& n : names) {
        std::optional<std::size_t> i = table.findColumn(n);
        if (!i)
            throw Error(Error::Kind::Corrupt,
                        "relationship field '" + table.name() + "." + n + "' does not exist");
        out.push_back(*i);
    }
    return out;
}

// The physical index (by position) whose key columns are exactly `columns`, in any order, and
// that the engine can read keys of.
std::optional<std::size_t> indexOn(const Table& table, const std::vector<std::size_t>& columns) {
    std::vector<std::uint16_t> wanted;
    for (std::size_t c : columns) wanted.push_back(table.columns()[c].number);
    std::sort(wanted.begin(), wanted.end());
    const TableDefinition& def = table.definition();
    for (std::size_t i = 0; i < def.physicalIndexes.size(); ++i) {
        std::vector<std::uint16_t> have;
        for (const IndexColumn& ic : def.physicalIndexes[i].columns)
            have.push_back(ic.columnNumber);
        std::sort(have.begin(), have.end());
        if (have == wanted && !whyRowKeyCannotBeBuilt(def, def.physicalIndexes[i])) return i;
    }
    return std::nullopt;
}

}  // namespace

// The rows of a referring table by key, from one scan; a row deleted since is skipped when
// read, and an insert into the table drops the whole list.
struct DatabaseRules::ChildRows {
    std::unordered_map<std::string, std::vector<RowPosition>> byKey;
};

DatabaseRules::DatabaseRules(RuleTables& tables) : db_(tables), clock_(localNow) {}

DatabaseRules::~DatabaseRules() = default;

const std::vector<Relationship>& DatabaseRules::relationships() {
    if (!relationships_) relationships_ = readRelationships(db_);
    return *relationships_;
}

DatabaseRules::TableFacts& DatabaseRules::factsFor(const Table& table) {
    TableFacts& facts = tables_[&table];
    if (facts.rules && facts.name == table.name()) return facts;
    facts = TableFacts{};
    facts.name = table.name();
    facts.rules = std::make_unique<TableRules>(table);
    facts.isCatalogue = sameName(table.name(), kCatalogueTable);
    facts.isRelationships = sameName(table.name(), kRelationshipsTable);
    return facts;
}

const std::vector<std::size_t>& DatabaseRules::relationshipsAsChild(TableFacts& facts) {
    if (!facts.asChild) {
        const std::vector<Relationship>& all = relationships();
        facts.asChild.emplace();
        for (std::size_t i = 0; i < all.size(); ++i)
            if (sameName(all[i].childTable, facts.name)) facts.asChild->push_back(i);
    }
    return *facts.asChild;
}

void DatabaseRules::forgetSchema() {
    relationships_.reset();
    parentKeysFound_.clear();
    childRows_.clear();
    for (auto& [table, facts] : tables_) facts.asChild.reset();
}

void DatabaseRules::startLookups() {
    const std::uint64_t now = db_.pager().generation();
    if (now == generation_) return;
    // Another writer may have changed any table since: nothing looked up still holds.
    generation_ = now;
    parentKeysFound_.clear();
    childRows_.clear();
}

bool DatabaseRules::scanForKey(Table& table, const std::vector<std::size_t>& columns,
                               const std::string& key) {
    for (Table::Cursor c = table.scan(); c.next();) {
        const std::vector<Value> row = c.values();
        if (matchKey(row, columns) == key) return true;
    }
    return false;
}

bool DatabaseRules::parentHasKey(std::size_t relationship, std::span<const Value> childValues) {
    const Relationship& r = relationships()[relationship];
    Table& child = db_.table(r.childTable);
    Table& parent = db_.table(r.parentTable);
    const std::vector<std::size_t> childColumns = columnIndexes(child, r.childColumns);
    const std::vector<std::size_t> parentColumns = columnIndexes(parent, r.parentColumns);
    const std::optional<std::string> key = matchKey(childValues, childColumns);
    if (!key) return true;  // a key with a Null refers to nothing
    std::set<std::string>& found = parentKeysFound_[relationship];
    if (found.contains(*key)) return true;

    bool present = false;
    bool looked = false;
    if (const std::optional<std::size_t> index = indexOn(parent, parentColumns)) {
        std::vector<Value> row(parent.columns().size());
        for (std::size_t k = 0; k < parentColumns.size(); ++k)
            row[parentColumns[k]] = childValues[childColumns[k]];
        try {
            const IndexLookup lookup(db_.pager(), parent.definition(), *index);
            if (const std::optional<IndexKey> indexKey = lookup.keyFor(row)) {
                present = lookup.contains(*indexKey);
                looked = true;
            }
        } catch (const Error& e) {
            // A child value the parent's key cannot hold (a text where a Long belongs) is
            // looked for by value instead.
            if (e.kind != Error::Kind::Refused) throw;
        }
    }
    if (!looked) present = scanForKey(parent, parentColumns, *key);
    if (present) found.insert(*key);
    return present;
}

std::vector<RowPosition> DatabaseRules::childrenOf(std::size_t relationship,
                                                   const std::string& key) {
    const Relationship& r = relationships()[relationship];
    std::unique_ptr<ChildRows>& rows = childRows_[relationship];
    if (!rows) {
        rows = std::make_unique<ChildRows>();
        Table& child = db_.table(r.childTable);
        const std::vector<std::size_t> columns = columnIndexes(child, r.childColumns);
        for (Table::Cursor c = child.scan(); c.next();) {
            const std::vector<Value> values = c.values();
            if (std::optional<std::string> k = matchKey(values, columns))
                rows->byKey[*k].push_back(c.position());
        }
    }
    std::vector<RowPosition> live;
    const auto it = rows->byKey.find(key);
    if (it == rows->byKey.end()) return live;
    const PageNumber childPage = db_.table(r.childTable).definition().page;
    for (RowPosition p : it->second) {
        const bool beingDeleted = std::find(deleting_.begin(), deleting_.end(),
                                            std::pair(childPage, p)) != deleting_.end();
        if (!beingDeleted && locateRow(db_.pager(), p)) live.push_back(p);
    }
    return live;
}

void DatabaseRules::beforeInsert(Table& table, std::vector<Value>& values,
                                 const std::vector<bool>& assigned) {
    // A row of the catalogue may describe a new table or change a design: every table's rules
    // are read again.
    if (factsFor(table).isCatalogue) tables_.clear();
    TableFacts& facts = factsFor(table);
    startLookups();
    facts.rules->apply(values, assigned, clock_);
    if (facts.isRelationships) {
        // Read them again at the next write, when this row (and the other rows of a
        // relationship of several columns) are there.
        forgetSchema();
        return;
    }

    const std::vector<Relationship>& all = relationships();
    for (std::size_t i : relationshipsAsChild(facts)) {
        childRows_.erase(i);  // the new row is one more that refers
        if (!all[i].enforced()) continue;
        if (!parentHasKey(i, values))
            throw Error(Error::Kind::Refused,
                        rule_messages::relatedRecordRequired(db_.table(all[i].parentTable).name()));
    }
}

bool DatabaseRules::looksUpOwnKeys(Table& table) {
    TableFacts& facts = factsFor(table);
    // Their rows change the rules themselves.
    if (facts.isCatalogue || facts.isRelationships) return true;
    const std::vector<Relationship>& all = relationships();
    for (std::size_t i : relationshipsAsChild(facts))
        if (sameName(all[i].parentTable, table.name())) return true;
    return false;
}

void DatabaseRules::beforeRemove(Table& table, RowPosition position, std::span<const Value> row) {
    startLookups();
    if (const std::optional<std::string>& why = rulesFor(table).whyUnusable())
        throw Error(Error::Kind::Refused, *why);
    if (factsFor(table).isRelationships) {
        forgetSchema();
        return;
    }

    // The deleted row's keys may be gone: lookups of them must be made again.
    const std::vector<Relationship> all = relationships();  // a copy: cascades re-enter here
    for (std::size_t i = 0; i < all.size(); ++i)
        if (sameName(all[i].parentTable, table.name())) parentKeysFound_.erase(i);

    deleting_.emplace_back(table.definition().page, position);
    struct Pop {
        std::vector<std::pair<PageNumber, RowPosition>>& stack;
        ~Pop() { stack.pop_back(); }
    } pop{deleting_};

    for (std::size_t i = 0; i < all.size(); ++i) {
        const Relationship& r = all[i];
        if (!r.enforced() || !sameName(r.parentTable, table.name())) continue;
        const std::optional<std::string> key = matchKey(row, columnIndexes(table, r.parentColumns));
        if (!key) continue;
        const std::vector<RowPosition> children = childrenOf(i, *key);
        if (children.empty()) continue;
        const std::string childName = db_.table(r.childTable).name();
        if (!r.cascadesDeletes() || r.setsNullOnDelete())
            throw Error(Error::Kind::Refused, rule_messages::relatedRecordsExist(childName));
        for (RowPosition child : children)
            if (locateRow(db_.pager(), child)) db_.removeWithin(childName, child);
    }
}

bool DatabaseRules::mayRemoveAllAtOnce(Table& table) {
    if (const std::optional<std::string>& why = rulesFor(table).whyUnusable())
        throw Error(Error::Kind::Refused, *why);
    if (factsFor(table).isRelationships) {
        forgetSchema();  // every relationship is about to go
        return true;
    }
    const std::vector<Relationship>& all = relationships();
    return std::none_of(all.begin(), all.end(), [&](const Relationship& r) {
        return r.enforced() && sameName(r.parentTable, table.name());
    });
}

}  // namespace mdb
