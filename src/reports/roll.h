// roll.h: the roll as the "1_Ruolo" report shows it, held in memory apart from the database.
//
// Documents are shown in "id doc" order (rows with the same number in table order); the detail
// lines are sorted once by "id doc" and each document holds the range of its own lines, so
// grouping a million lines costs one sort, not a search per document. A line's texts live in a
// StringPool: a line takes a few dozen bytes. Documents are kept packed one after another in a
// single buffer and unpacked when asked for: a DocumentRow takes several times the memory.
//
// A roll is read all at once (load), or in steps (open): first every row's "id doc", which fixes
// the order and the counts, then the documents in that order with their lines, as far as asked
// (readUpTo). Only documents read so far can be asked for.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <ranges>
#include <string>
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
    // Reads only every row's "id doc" from `source`, which the roll keeps until it has read
    // every document.
    static Roll open(std::unique_ptr<RowByRowSource> source);
    // Reads documents (in "id doc" order) with their lines until `documents` of them, or all,
    // are read. What the source throws leaves the roll as it was after the last whole document,
    // and the next call tries again from there.
    void readUpTo(std::size_t documents);
    std::size_t documentsRead() const { return documentAt_.size(); }

    std::size_t documentCount() const { return documentCount_; }
    std::size_t itemCount() const { return itemCount_; }
    // Document i in "id doc" order; i below documentsRead().
    DocumentRow document(std::size_t i) const;
    // The lines whose "id doc" equals document i's (none when that is null); i below
    // documentsRead().
    using Items = std::ranges::subrange<std::deque<Item>::const_iterator>;
    Items items(std::size_t i) const;
    std::string_view text(StringPool::Id id) const { return texts_.text(id); }

private:
    struct Range {
        std::uint32_t first = 0, end = 0;
    };
    // Consecutive lines mostly repeat their category, type, unit and period: the text of the
    // line before costs a comparison instead of a lookup in the pool.
    struct LastText {
        std::string text;
        StringPool::Id id = 0;  // of the empty text
        StringPool::Id intern(StringPool& pool, const std::string& s);
    };
    using Ids = RowByRowSource::Ids;
    static std::vector<std::uint32_t> orderOf(const Ids& ids);
    // ranges_ from the documents' ids in table order and the order they are shown in, and the
    // lines' ids sorted.
    template <class SortedIds>
    void setRanges(const Ids& documentIds, const std::vector<std::uint32_t>& documentOrder,
                   const SortedIds& itemIds);
    void addDocument(const DocumentRow& row);
    void addItem(const ItemRow& row);

    std::size_t documentCount_ = 0, itemCount_ = 0;
    std::array<LastText, 8> lastTexts_{};  // by field of Item, in its order
    // While a roll opened in steps is read: its source, and the table rows of the documents and
    // of the lines in "id doc" order; items_ holds the first itemsRead_ of those lines.
    std::unique_ptr<RowByRowSource> source_;
    std::vector<std::uint32_t> documentRows_, itemRows_;
    std::size_t itemsRead_ = 0;
    // Packed, in table order (in "id doc" order when read in steps). A deque grows without
    // copying: a vector would briefly hold its bytes twice.
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
