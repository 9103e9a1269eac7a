// write_guard.h: what a table writer asks before it changes a table, so that the database's own
// rules (defaults, Required, validation rules, relationships; database_rules.h) are honoured on
// every write.
//
// Each call comes inside the writer's operation (pager.h) and before any page changes: a guard
// that throws refuses the write and nothing of it is stored. A guard may delete related rows
// (a cascade) through TableWriter::removeWithin, which joins them to the same operation.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "mdb/row_position.h"
#include "mdb/value.h"

namespace mdb {

class Table;

class WriteGuard {
public:
    virtual ~WriteGuard() = default;

    // A new row of `table`: `values` holds one value per column; assigned[i] is false for a
    // column the caller never assigned, which the guard may fill (its default). Autonumber
    // columns already hold their new values. Throws Error (Refused) when a rule refuses the row.
    virtual void beforeInsert(Table& table, std::vector<Value>& values,
                              const std::vector<bool>& assigned) = 0;

    // The live row at `position` of `table`, whose values are `row`, is about to be deleted.
    // Throws Error (Refused) when a rule forbids it; deletes related rows that cascade.
    virtual void beforeRemove(Table& table, RowPosition position, std::span<const Value> row) = 0;

    // Whether checking a new row of `table` may look keys up in `table`'s own indexes (a
    // relationship of the table to itself): a writer that holds back its index pages during an
    // insert run (table_writer.h) must not then.
    virtual bool looksUpOwnKeys(Table& table) = 0;

    // Whether every row of `table` may go at once, without beforeRemove for each (no rule
    // looks at the rows deleted). Throws Error when no write to the table is allowed.
    virtual bool mayRemoveAllAtOnce(Table& table) = 0;
};

}  // namespace mdb
