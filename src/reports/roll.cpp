#include "reports/roll.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <stdexcept>

namespace reports {
namespace {

// Null sorts before every number; a null "id doc" matches no document.
bool before(const std::optional<std::int32_t>& a, const std::optional<std::int32_t>& b) {
    return a < b;
}

// A document packed: which of its values are not null, those values, then its texts, each after
// its length. Lengths and amounts are variable-length integers, seven bits to a byte: texts are
// short, and an amount is nearly always a whole number of cents, a few bytes where a double
// takes eight. Two hundred thousand documents take half the memory this way.
class Packer {
public:
    explicit Packer(std::deque<char>& out) : out_(out) {}
    template <class T>
    void value(const T& v) {
        char bytes[sizeof(T)];
        std::memcpy(bytes, &v, sizeof(T));
        out_.insert(out_.end(), bytes, bytes + sizeof(T));
    }
    void count(std::uint64_t v) {
        for (; v >= 0x80; v >>= 7) out_.push_back(static_cast<char>(v | 0x80));
        out_.push_back(static_cast<char>(v));
    }
    // Cents, doubled and zigzagged so the sign takes the lowest bit but one; or 1, then the
    // double itself when it is not a whole number of cents.
    void amount(double v) {
        if (std::isfinite(v) && std::fabs(v) < 1e15 && !(v == 0 && std::signbit(v))) {
            const long long cents = std::llround(v * 100);
            if (static_cast<double>(cents) / 100 == v) {
                const auto zigzag = static_cast<std::uint64_t>((cents << 1) ^ (cents >> 63));
                count(zigzag << 1);
                return;
            }
        }
        count(1);
        value(v);
    }
    void text(const std::string& s) {
        count(s.size());
        out_.insert(out_.end(), s.begin(), s.end());
    }

private:
    std::deque<char>& out_;
};

class Unpacker {
public:
    Unpacker(const std::deque<char>& in, std::size_t at)
        : at_(in.begin() + static_cast<std::ptrdiff_t>(at)) {}
    template <class T>
    T value() {
        char bytes[sizeof(T)];
        std::copy_n(at_, sizeof(T), bytes);
        at_ += sizeof(T);
        T v;
        std::memcpy(&v, bytes, sizeof(T));
        return v;
    }
    std::uint64_t count() {
        std::uint64_t v = 0;
        for (int shift = 0;; shift += 7) {
            const auto byte = static_cast<unsigned char>(*at_++);
            v |= std::uint64_t{byte & 0x7Fu} << shift;
            if (byte < 0x80) return v;
        }
    }
    double amount() {
        const std::uint64_t packed = count();
        if (packed & 1) return value<double>();
        const std::uint64_t zigzag = packed >> 1;
        const auto cents =
            static_cast<long long>(zigzag >> 1) ^ -static_cast<long long>(zigzag & 1);
        return static_cast<double>(cents) / 100;
    }
    std::string text() {
        const auto size = static_cast<std::ptrdiff_t>(count());
        std::string s(at_, at_ + size);
        at_ += size;
        return s;
    }

private:
    std::deque<char>::const_iterator at_;
};

enum : std::uint32_t {
    kHasIdDoc = 1u << 16,
    kHasDate = 1u << 17,
    kHasNumber = 1u << 18,
    kHasTotalDue = 1u << 19
};

void pack(const DocumentRow& d, std::deque<char>& out) {
    std::uint32_t present = 0;  // the low bits: the amounts not null
    for (std::size_t i = 0; i < kAmountCount; ++i)
        if (d.amounts[i]) present |= 1u << i;
    if (d.idDoc) present |= kHasIdDoc;
    if (d.date) present |= kHasDate;
    if (d.number) present |= kHasNumber;
    if (d.totalDue) present |= kHasTotalDue;
    Packer p(out);
    p.count(present);
    if (d.idDoc) p.value(*d.idDoc);
    if (d.date) p.value(*d.date);
    if (d.number) p.value(*d.number);
    if (d.totalDue) p.amount(*d.totalDue);
    for (const auto& amount : d.amounts)
        if (amount) p.amount(*amount);
    for (const std::string* s : {&d.taxpayer, &d.residence, &d.birthDate, &d.birthPlace, &d.taxCode,
                                 &d.birthProvince, &d.vatNumber})
        p.text(*s);
}

DocumentRow unpack(const std::deque<char>& in, std::size_t at) {
    Unpacker u(in, at);
    DocumentRow d;
    const auto present = static_cast<std::uint32_t>(u.count());
    if (present & kHasIdDoc) d.idDoc = u.value<std::int32_t>();
    if (present & kHasDate) d.date = u.value<Date>();
    if (present & kHasNumber) d.number = u.value<std::int32_t>();
    if (present & kHasTotalDue) d.totalDue = u.amount();
    for (std::size_t i = 0; i < kAmountCount; ++i)
        if (present & (1u << i)) d.amounts[i] = u.amount();
    for (std::string* s : {&d.taxpayer, &d.residence, &d.birthDate, &d.birthPlace, &d.taxCode,
                           &d.birthProvince, &d.vatNumber})
        *s = u.text();
    return d;
}

}  // namespace

StringPool::Id Roll::LastText::intern(StringPool& pool, const std::string& s) {
    if (s != text) {
        id = pool.intern(s);
        text = s;
    }
    return id;
}

DocumentRow Roll::document(std::size_t i) const {
    return unpack(documentBytes_, documentAt_[order_[i]]);
}

// Positions in `ids` sorted by "id doc", equal numbers in table order.
std::vector<std::uint32_t> Roll::orderOf(const Ids& ids) {
    if (ids.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many rows for one report");
    std::vector<std::uint32_t> order(ids.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    if (!std::is_sorted(ids.begin(), ids.end(), before))
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return before(ids[a], ids[b]); });
    return order;
}

template <class SortedIds>
void Roll::setRanges(const Ids& documentIds, const std::vector<std::uint32_t>& documentOrder,
                     const SortedIds& itemIds) {
    // Both sides are sorted by "id doc": one walk matches them.
    ranges_.clear();
    ranges_.reserve(documentOrder.size());
    auto from = itemIds.begin();
    for (const std::uint32_t position : documentOrder) {
        Range range;
        if (documentIds[position]) {
            const auto [first, end] =
                std::equal_range(from, itemIds.end(), documentIds[position], before);
            range = {static_cast<std::uint32_t>(first - itemIds.begin()),
                     static_cast<std::uint32_t>(end - itemIds.begin())};
            from = first;  // a later document with the same number gets the same lines
        }
        ranges_.push_back(range);
    }
}

void Roll::addDocument(const DocumentRow& row) {
    documentAt_.push_back(documentBytes_.size());
    pack(row, documentBytes_);
}

void Roll::addItem(const ItemRow& row) {
    std::array<LastText, 8>& last = lastTexts_;
    StringPool& p = texts_;
    Item item{last[0].intern(p, row.category), last[1].intern(p, row.description),
              last[2].intern(p, row.type),     last[3].intern(p, row.quantity),
              last[4].intern(p, row.unit),     last[5].intern(p, row.price),
              last[6].intern(p, row.start),    last[7].intern(p, row.end)};
    // A null amount and a NaN read from the file alike show nothing.
    if (row.taxable) item.taxable_ = *row.taxable;
    items_.push_back(item);
}

Roll Roll::load(RollSource& source) {
    Roll roll;
    Ids ids;  // in table order
    source.readDocuments([&](DocumentRow&& row) {
        ids.push_back(row.idDoc);
        roll.addDocument(row);
    });
    roll.order_ = orderOf(ids);

    // Beside items_, in the same order; a deque too.
    std::deque<std::optional<std::int32_t>> itemIds;
    source.readItems([&](ItemRow&& row) {
        roll.addItem(row);
        itemIds.push_back(row.idDoc);
    });
    if (roll.items_.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many detail lines for one report");
    // The import writes the lines in file order, which is usually "id doc" order already; then
    // no sort is needed.
    if (!std::is_sorted(itemIds.begin(), itemIds.end(), before)) {
        std::vector<std::uint32_t> order(itemIds.size());
        for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return before(itemIds[a], itemIds[b]);
        });
        // Line j takes the place of line order[j], moved round each cycle of the permutation
        // in place: a sorted copy would hold a million lines twice.
        for (std::uint32_t i = 0; i < order.size(); ++i) {
            if (order[i] == i) continue;
            const Item item = roll.items_[i];
            const std::optional<std::int32_t> id = itemIds[i];
            std::uint32_t j = i;
            for (;;) {
                const std::uint32_t k = order[j];
                order[j] = j;
                if (k == i) break;
                roll.items_[j] = roll.items_[k];
                itemIds[j] = itemIds[k];
                j = k;
            }
            roll.items_[j] = item;
            itemIds[j] = id;
        }
    }
    roll.setRanges(ids, roll.order_, itemIds);
    roll.documentCount_ = roll.documentAt_.size();
    roll.itemCount_ = roll.items_.size();
    return roll;
}

Roll Roll::open(std::unique_ptr<RowByRowSource> source) {
    Roll roll;
    const Ids documentIds = source->documentIds();
    roll.documentRows_ = orderOf(documentIds);
    Ids itemIds = source->itemIds();
    roll.itemRows_ = orderOf(itemIds);
    {
        Ids sorted;
        sorted.reserve(itemIds.size());
        for (const std::uint32_t row : roll.itemRows_) sorted.push_back(itemIds[row]);
        itemIds = std::move(sorted);
    }
    roll.setRanges(documentIds, roll.documentRows_, itemIds);
    roll.documentCount_ = documentIds.size();
    roll.itemCount_ = itemIds.size();
    roll.source_ = std::move(source);
    roll.readUpTo(0);  // an empty roll needs its source no longer
    return roll;
}

void Roll::readUpTo(std::size_t documents) {
    documents = std::min(documents, documentCount_);
    while (documentAt_.size() < documents) {
        const std::size_t i = documentAt_.size();
        // A document's lines first: it counts as read once it is added, lines and all.
        for (; itemsRead_ < ranges_[i].end; ++itemsRead_)
            addItem(source_->item(itemRows_[itemsRead_]));
        const DocumentRow row = source_->document(documentRows_[i]);
        order_.push_back(static_cast<std::uint32_t>(i));
        addDocument(row);
    }
    if (source_ && documentAt_.size() == documentCount_) {
        source_.reset();  // closes the database
        documentRows_ = {};
        itemRows_ = {};
    }
}

Roll::Items Roll::items(std::size_t i) const {
    const Range r = ranges_[i];
    return {items_.begin() + r.first, items_.begin() + r.end};
}

}  // namespace reports
