// item_totals.h: the detail lines counted and summed per category and item type, as the
// "2_QTotaleVoci" report shows them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "reports/roll_source.h"

namespace reports {

struct ItemTotal {
    std::string category;
    std::string type;
    std::size_t lines = 0;
    double taxable = 0;  // sum of "imponibile"; a null adds nothing
};

struct ItemTotals {
    std::vector<ItemTotal> groups;  // by category, then item type (byte order of the texts)
    std::size_t lines = 0;
    double taxable = 0;

    // Reads only the detail lines; keeps one entry per group, not the lines.
    static ItemTotals load(RollSource& source);
};

}  // namespace reports
