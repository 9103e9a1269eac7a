#include "reports/roll.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace reports {
namespace {

// Null sorts before every number; a null "id doc" matches no document.
bool before(const std::optional<std::int32_t>& a, const std::optional<std::int32_t>& b) {
    return a < b;
}

}  // namespace

Roll Roll::load(RollSource& source) {
    Roll roll;
    source.readDocuments([&](DocumentRow&& row) { roll.documents_.push_back(std::move(row)); });
    if (roll.documents_.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many documents for one report");
    // Sorting positions rather than the rows themselves needs no second copy of the rows.
    roll.order_.resize(roll.documents_.size());
    for (std::uint32_t i = 0; i < roll.order_.size(); ++i) roll.order_[i] = i;
    std::stable_sort(roll.order_.begin(), roll.order_.end(), [&](std::uint32_t a, std::uint32_t b) {
        return before(roll.documents_[a].idDoc, roll.documents_[b].idDoc);
    });

    source.readItems([&](ItemRow&& row) {
        StringPool& p = roll.texts_;
        roll.items_.push_back(Item{row.idDoc, p.intern(row.category), p.intern(row.description),
                                   p.intern(row.type), p.intern(row.quantity), p.intern(row.unit),
                                   p.intern(row.price), p.intern(row.start), p.intern(row.end),
                                   row.taxable});
    });
    if (roll.items_.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many detail lines for one report");
    // The import writes the lines in file order, which is usually "id doc" order already; a
    // stable sort would then cost a buffer as large as all the lines for nothing.
    const auto byIdDoc = [](const Item& a, const Item& b) { return before(a.idDoc, b.idDoc); };
    if (!std::is_sorted(roll.items_.begin(), roll.items_.end(), byIdDoc))
        std::stable_sort(roll.items_.begin(), roll.items_.end(), byIdDoc);

    // Both sides are sorted by "id doc": one walk matches them.
    roll.ranges_.reserve(roll.documents_.size());
    auto from = roll.items_.begin();
    Item key;
    for (const std::uint32_t position : roll.order_) {
        const DocumentRow& document = roll.documents_[position];
        Range range;
        if (document.idDoc) {
            key.idDoc = document.idDoc;
            const auto [first, end] = std::equal_range(from, roll.items_.end(), key, byIdDoc);
            range = {static_cast<std::uint32_t>(first - roll.items_.begin()),
                     static_cast<std::uint32_t>(end - roll.items_.begin())};
            from = first;  // a later document with the same number gets the same lines
        }
        roll.ranges_.push_back(range);
    }
    return roll;
}

std::span<const Roll::Item> Roll::items(std::size_t i) const {
    const Range r = ranges_[i];
    return std::span<const Item>(items_).subspan(r.first, r.end - r.first);
}

}  // namespace reports
