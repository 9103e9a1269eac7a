// roll_source.h: where the reports get their rows from.
//
// The reports never touch the database themselves: they read rows through this interface, so
// the database reader (database_roll_source.h) and the tests' rows in memory feed them alike.
#pragma once

#include <functional>

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

}  // namespace reports
