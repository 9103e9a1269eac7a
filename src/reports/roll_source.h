// roll_source.h: where the reports get their rows from.
//
// The reports never touch the database themselves: they read rows through this interface, so
// the database reader (database_roll_source.h) and the tests' rows in memory feed them alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "reports/roll_rows.h"

namespace reports {

class RollSource {
public:
    virtual ~RollSource() = default;
    // Hands every `Testate` row to `take`, in the order the table gives them.
    virtual void readDocuments(const std::function<void(DocumentRow&&)>& take) = 0;
    // Hands every `DettaglioVoci` row to `take`, in the order the table gives them.
    virtual void readItems(const std::function<void(ItemRow&&)>& take) = 0;
};

// A source whose rows can also be read one at a time, so that a roll can be read a step at a
// time (Roll::open): first every row's "id doc", which is quick, then the rows as they are needed.
class RowByRowSource : public RollSource {
public:
    using Ids = std::vector<std::optional<std::int32_t>>;
    // The "id doc" of every row, in table order; the rest of each row is not read.
    virtual Ids documentIds() = 0;
    virtual Ids itemIds() = 0;
    // Row `row` of the table, counted from 0 in the order of the ids above.
    virtual DocumentRow document(std::size_t row) = 0;
    virtual ItemRow item(std::size_t row) = 0;
};

}  // namespace reports
