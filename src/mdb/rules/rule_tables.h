// rule_tables.h: what the database's rules need of the database, and no more: its pages, its
// tables by name, and the deletes a relationship cascades to. The database provides it, so the
// rules do not depend on the database that owns them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "file/pager.h"
#include "mdb/row_position.h"
#include "mdb/table.h"

namespace mdb {

class RuleTables {
public:
    virtual ~RuleTables() = default;

    virtual Pager& pager() = 0;
    // The user's tables, in catalogue order.
    virtual std::vector<std::string> tableNames() const = 0;
    virtual bool hasTable(std::string_view name) const = 0;
    // Any local table by name, ignoring case; throws Error (NotFound) when there is none.
    virtual Table& table(std::string_view name) = 0;
    // The local table whose definition starts at `definitionPage`, if there is one.
    virtual std::optional<std::string> tableNameAt(PageNumber definitionPage) const = 0;
    // Deletes the live row at `position` of `table` as part of the operation under way.
    virtual void removeWithin(std::string_view table, RowPosition position) = 0;
};

}  // namespace mdb
