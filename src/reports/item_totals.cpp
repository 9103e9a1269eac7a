#include "reports/item_totals.h"

#include <map>
#include <utility>

namespace reports {
namespace {

// Extended precision keeps a million additions of cents from drifting into the shown digits.
struct Sum {
    std::size_t lines = 0;
    long double taxable = 0;
};

}  // namespace

ItemTotals ItemTotals::load(RollSource& source) {
    std::map<std::pair<std::string, std::string>, Sum> sums;
    Sum all;
    source.readItems([&](ItemRow&& row) {
        Sum& s = sums[{std::move(row.category), std::move(row.type)}];
        ++s.lines;
        ++all.lines;
        if (row.taxable) {
            s.taxable += *row.taxable;
            all.taxable += *row.taxable;
        }
    });
    ItemTotals totals;
    for (auto& [key, sum] : sums)
        totals.groups.push_back(
            {key.first, key.second, sum.lines, static_cast<double>(sum.taxable)});
    totals.lines = all.lines;
    totals.taxable = static_cast<double>(all.taxable);
    return totals;
}

}  // namespace reports
