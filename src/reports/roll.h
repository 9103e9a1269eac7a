// roll.h: the roll as the "1_Ruolo" report shows it, held in memory apart from the database.
//
// Documents are shown in "id doc" order (rows with the same number in table order); the detail
// lines are sorted once by "id doc" and each document holds the range of its own lines, so
// grouping a million lines costs one sort, not a search per document. A line's texts live in a
// StringPool: a line takes a few dozen bytes. Documents are kept packed one after another in a
// single buffer and unpacked when asked for: a DocumentRow takes several times the memory.
#pragma once

#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <ranges>
#include <string_view>
#include <vector>

#include "reports/roll_rows.h"
#include "reports/roll_source.h"
#include "reports/string_pool.h"

namespace reports {

class Roll {
public:
    // A detail line in 40 bytes: a million of them make most of a whole city's roll. Its "id doc"
    // is needed only to group the lines and is not kept.
    struct Item {
        StringPool::Id category = 0, description = 0, type = 0, quantity = 0, unit = 0, price = 0,
                       start = 0, end = 0;
        std::optional<double> taxable() const {
            return std::isnan(taxable_) ? std::nullopt : std::optional<double>(taxable_);
        }
        double taxable_ = std::numeric_limits<double>::quiet_NaN();  // NaN: null
    };

    // Reads every document, then every detail line, from `source`.
    static Roll load(RollSource& source);

    std::size_t documentCount() const { return documentAt_.size(); }
    std::size_t itemCount() const { return items_.size(); }
    // Document i in "id doc" order.
    DocumentRow document(std::size_t i) const;
    // The lines whose "id doc" equals document i's (none when that is null).
    using Items = std::ranges::subrange<std::deque<Item>::const_iterator>;
    Items items(std::size_t i) const;
    std::string_view text(StringPool::Id id) const { return texts_.text(id); }

private:
    struct Range {
        std::uint32_t first = 0, end = 0;
    };
    // Packed, in table order. A deque grows without copying: a vector would briefly hold its
    // bytes twice.
    std::deque<char> documentBytes_;
    std::vector<std::size_t> documentAt_;  // where each document starts in documentBytes_
    std::vector<std::uint32_t> order_;     // documentAt_ positions in "id doc" order
    std::vector<Range> ranges_;            // one per document, in "id doc" order
    // By "id doc", nulls first. A deque: a vector of a million lines would briefly hold them
    // twice over while it grows.
    std::deque<Item> items_;
    StringPool texts_;
};

}  // namespace reports
