// database_rules.h: the database's own rules, checked on every write before anything changes
// (the table writer's guard, write_guard.h).
//
// On an insert: the table's defaults, Required, AllowZeroLength and validation rules
// (table_rules.h); then every enforced relationship in which the table holds the foreign key:
// a row whose key columns are all filled must match a row of the referenced table (a key with
// a Null column matches nothing and is allowed, as in Access).
// On a delete: every enforced relationship that refers to the table: when rows of the other
// table refer to the row, the delete is refused, or, when the relationship cascades deletes,
// those rows are deleted too, through their own table writer and within the same operation,
// so that their indexes and related rows follow (the whole cascade stands or falls together).
// Deleting every row of a table goes row by row when a relationship refers to it.
// A table whose design holds an expression this engine cannot evaluate refuses every write,
// deletes included, so that a caller emptying and refilling it stops before it empties it.
//
// Lookups: the referenced table through the physical index on the referenced columns (its
// primary key, as Access requires); rows referring to a row by one scan of the referring table,
// kept while nothing but deletes change it. Keys match as the index compares them for numbers;
// texts match without regard to case.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "rules/relationships.h"
#include "rules/table_rules.h"
#include "rules/write_guard.h"

namespace mdb {

class RuleTables;

class DatabaseRules : public WriteGuard {
public:
    explicit DatabaseRules(RuleTables& tables);
    ~DatabaseRules() override;

    void beforeInsert(Table& table, std::vector<Value>& values,
                      const std::vector<bool>& assigned) override;
    void beforeRemove(Table& table, RowPosition position, std::span<const Value> row) override;
    bool mayRemoveAllAtOnce(Table& table) override;
    bool looksUpOwnKeys(Table& table) override;

    // The relationships read from the database (read again after a write to MSysRelationships).
    const std::vector<Relationship>& relationships();

    // Test seam: what Date(), Now() and Time() read (the computer's local time otherwise).
    void setClockForTesting(std::function<DateTime()> clock) { clock_ = std::move(clock); }

private:
    struct ChildRows;
    // What a write to a table needs to know by name, found at the table's first write rather
    // than for every row.
    struct TableFacts {
        std::string name;  // the table's, to tell a table from another at the same address
        std::unique_ptr<TableRules> rules;
        bool isCatalogue = false;      // MSysObjects: its rows describe every table
        bool isRelationships = false;  // MSysRelationships
        // Positions in relationships() of those in which the table holds the foreign key; read
        // again when the relationships are.
        std::optional<std::vector<std::size_t>> asChild;
    };
    TableFacts& factsFor(const Table& table);
    const TableRules& rulesFor(const Table& table) { return *factsFor(table).rules; }
    const std::vector<std::size_t>& relationshipsAsChild(TableFacts& facts);
    void forgetSchema();
    void startLookups();
    bool parentHasKey(std::size_t relationship, std::span<const Value> childValues);
    bool scanForKey(Table& table, const std::vector<std::size_t>& columns, const std::string& key);
    std::vector<RowPosition> childrenOf(std::size_t relationship, const std::string& key);

    RuleTables& db_;
    std::function<DateTime()> clock_;
    std::map<const Table*, TableFacts> tables_;
    std::optional<std::vector<Relationship>> relationships_;
    // Lookups made since the pager last changed generation (pager.h).
    std::uint64_t generation_ = 0;
    std::map<std::size_t, std::set<std::string>> parentKeysFound_;  // by relationship
    std::map<std::size_t, std::unique_ptr<ChildRows>> childRows_;   // by relationship
    // Rows whose delete is under way (beforeRemove on the stack): a cascade that comes back to
    // one of them leaves it to the delete already deleting it.
    std::vector<std::pair<PageNumber, RowPosition>> deleting_;
};

}  // namespace mdb
