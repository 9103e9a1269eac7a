#include "index/index_leaf.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "format/byte_order.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::size_t kPointerSize = 4;

std::array<std::uint8_t, 4> pointerBytes(RowPosition row) {
    if (row.page >= (1u << 24))
        throw Error(Error::Kind::Refused,
                    "row page " + std::to_string(row.page) + " does not fit an index entry");
    return {static_cast<std::uint8_t>(row.page >> 16), static_cast<std::uint8_t>(row.page >> 8),
            static_cast<std::uint8_t>(row.page), row.row};
}

// An entry's bytes as two pieces: the page's shared prefix and what the entry stores.
struct Pieces {
    std::span<const std::uint8_t> head, tail;
    std::size_t size() const { return head.size() + tail.size(); }
    std::uint8_t at(std::size_t k) const {
        return k < head.size() ? head[k] : tail[k - head.size()];
    }
    // Compares bytes [from, from + other.size()) with `other`, like memcmp.
    int compare(std::size_t from, std::span<const std::uint8_t> other) const {
        std::size_t k = 0;
        if (from < head.size()) {
            const std::size_t n = std::min(head.size() - from, other.size());
            if (const int c = n ? std::memcmp(head.data() + from, other.data(), n) : 0) return c;
            k = n;
        }
        const std::size_t rest = other.size() - k;
        if (rest == 0) return 0;
        const std::size_t at = from + k - head.size();
        return std::memcmp(tail.data() + at, other.data() + k, rest);
    }
};

std::size_t sharedLength(const Pieces& a, std::span<const std::uint8_t> b, std::size_t limit) {
    const std::size_t n = std::min({limit, a.size(), b.size()});
    std::size_t k = 0;
    while (k < n && a.at(k) == b[k]) ++k;
    return k;
}

}  // namespace

LeafPage::LeafPage(std::uint32_t tdefPage, const JetFormat& format) : format_(&format) {
    bytes_[0] = static_cast<std::uint8_t>(IndexPage::Kind::Leaf);
    bytes_[1] = 0x01;
    put32le(bytes_, IndexPage::kTdefAt, tdefPage);
    writeBitmapFrom(0, 0);
}

LeafPage::LeafPage(const PageBytes& bytes, PageNumber number, const JetFormat& format)
    : format_(&format) {
    auto corrupt = [number](const std::string& what) {
        throw Error(Error::Kind::Corrupt, "index page " + std::to_string(number) + ": " + what);
    };
    if (bytes[0] != static_cast<std::uint8_t>(IndexPage::Kind::Leaf))
        corrupt("page type " + std::to_string(bytes[0]) + " where a leaf belongs");
    bytes_ = bytes;
    prefix_ = storedPrefix();
    const std::size_t bitmapAt = format.indexEntryMaskOffset;
    const std::size_t maxEntryBytes = IndexPage::maxEntryBytes(format);
    // The checks IndexPage::decode makes, without building the entries: ends inside the
    // page, every entry long enough for its pointer, the prefix within the first entry, and
    // the entries in order.
    for (std::size_t bit = 0; bit < (entriesAt() - bitmapAt) * 8; ++bit) {
        if ((bytes_[bitmapAt + bit / 8] & (1u << (bit % 8))) == 0) continue;
        if (bit > maxEntryBytes) corrupt("an entry ends past the page end");
        const std::size_t length = bit - used() + (ends_.empty() ? 0 : prefix_);
        if (bit == used()) corrupt("an entry of no bytes");
        if (length < kPointerSize)
            corrupt("entry " + std::to_string(ends_.size()) + " is too short for its pointers");
        ends_.push_back(static_cast<std::uint16_t>(bit));
        if (ends_.size() == 1 && prefix_ > bit)
            corrupt("shared prefix longer than the first entry");
    }
    std::vector<std::uint8_t> before;  // entry i - 1, whole
    for (std::size_t i = 1; i < size(); ++i) {
        const auto own = stored(i - 1);
        before.assign(own.begin(), own.end());
        if (i > 1)
            before.insert(before.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(entriesAt()),
                          bytes_.begin() + static_cast<std::ptrdiff_t>(entriesAt() + prefix_));
        const std::size_t keyLength = before.size() - kPointerSize;
        const std::span<const std::uint8_t> whole(before);
        if (compare(i, whole.first(keyLength), whole.subspan(keyLength).first<4>()) <= 0)
            corrupt("entry " + std::to_string(i) + " is out of order");
    }
    // Access's pages may share a shorter prefix than the longest, and keep old bytes after the
    // entries or in the byte after the prefix length (Jet 4); the first change then encodes the
    // page whole.
    if (!ends_.empty()) normalized_ = prefix_ == sharedBetween(0, size() - 1);
    const std::size_t unknownAt = prefixAt() + format.indexPrefixLengthSize;
    normalized_ = normalized_ && (unknownAt >= bitmapAt || bytes_[unknownAt] == 0) &&
                  std::all_of(bytes_.begin() + static_cast<std::ptrdiff_t>(entriesAt() + used()),
                              bytes_.end(), [](std::uint8_t b) { return b == 0; });
}

PageNumber LeafPage::prevPage() const { return get32le(bytes_, format_->indexPrevPageOffset); }
PageNumber LeafPage::nextPage() const { return get32le(bytes_, format_->indexPrevPageOffset + 4); }
void LeafPage::setPrevPage(PageNumber n) { put32le(bytes_, format_->indexPrevPageOffset, n); }
void LeafPage::setNextPage(PageNumber n) { put32le(bytes_, format_->indexPrevPageOffset + 4, n); }

std::size_t LeafPage::storedPrefix() const {
    return format_->indexPrefixLengthSize == 1 ? bytes_[prefixAt()] : get16le(bytes_, prefixAt());
}

void LeafPage::storePrefix(std::size_t prefix) {
    if (format_->indexPrefixLengthSize == 1)
        bytes_[prefixAt()] = static_cast<std::uint8_t>(prefix);
    else
        put16le(bytes_, prefixAt(), static_cast<std::uint16_t>(prefix));
}

std::span<const std::uint8_t> LeafPage::stored(std::size_t i) const {
    return std::span<const std::uint8_t>(bytes_).subspan(entriesAt() + start(i),
                                                         ends_[i] - start(i));
}

IndexEntry LeafPage::entry(std::size_t i) const {
    std::vector<std::uint8_t> full;
    if (i > 0)
        full.assign(stored(0).begin(), stored(0).begin() + static_cast<std::ptrdiff_t>(prefix_));
    const auto own = stored(i);
    full.insert(full.end(), own.begin(), own.end());
    IndexEntry e;
    const std::size_t keyLength = full.size() - kPointerSize;
    e.row.page = std::uint32_t{full[keyLength]} << 16 | std::uint32_t{full[keyLength + 1]} << 8 |
                 std::uint32_t{full[keyLength + 2]};
    e.row.row = full[keyLength + 3];
    full.resize(keyLength);
    e.key = std::move(full);
    return e;
}

std::vector<IndexEntry> LeafPage::entries() const {
    std::vector<IndexEntry> out;
    out.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) out.push_back(entry(i));
    return out;
}

int LeafPage::compare(std::size_t i, std::span<const std::uint8_t> key,
                      std::span<const std::uint8_t, 4> pointer) const {
    const Pieces full{i == 0 ? std::span<const std::uint8_t>{} : stored(0).first(prefix_),
                      stored(i)};
    const std::size_t keyLength = full.size() - kPointerSize;
    const std::size_t common = std::min(keyLength, key.size());
    if (const int c = full.compare(0, key.first(common))) return c < 0 ? -1 : 1;
    if (keyLength != key.size()) return keyLength < key.size() ? -1 : 1;
    const int c = full.compare(keyLength, pointer);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::size_t LeafPage::sharedWith(std::size_t i, std::span<const std::uint8_t> key) const {
    const Pieces full{i == 0 ? std::span<const std::uint8_t>{} : stored(0).first(prefix_),
                      stored(i)};
    return sharedLength(full, key,
                        std::min(full.size() - kPointerSize, IndexPage::maxPrefix(*format_)));
}

std::size_t LeafPage::sharedBetween(std::size_t i, std::size_t j) const {
    const IndexEntry other = entry(j);
    return sharedWith(i, other.key);
}

bool LeafPage::holds(std::size_t i, std::span<const std::uint8_t> key, RowPosition row) const {
    return compare(i, key, pointerBytes(row)) == 0;
}

bool LeafPage::keyEquals(std::size_t i, std::span<const std::uint8_t> key) const {
    const Pieces full{i == 0 ? std::span<const std::uint8_t>{} : stored(0).first(prefix_),
                      stored(i)};
    return full.size() - kPointerSize == key.size() && full.compare(0, key) == 0;
}

std::size_t LeafPage::lowerBound(std::span<const std::uint8_t> key, RowPosition row) const {
    const auto pointer = pointerBytes(row);
    std::size_t low = 0, high = size();
    // Keys mostly arrive in order (autonumbers, ascending codes): one comparison with the last
    // entry then answers.
    if (high > 0 && compare(high - 1, key, pointer) < 0) return high;
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (compare(mid, key, pointer) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

bool LeafPage::insert(std::size_t i, std::span<const std::uint8_t> key, RowPosition row) {
    const std::size_t n = size();
    // The prefix stays when the first and last keys stay (a middle insert on a page already
    // encoded the usual way) or when the new end key shares exactly as much.
    const bool samePrefix = normalized_ && n > 0 &&
                            ((i > 0 && i < n) || sharedWith(i == 0 ? n - 1 : 0, key) == prefix_);
    if (!samePrefix) {
        std::vector<IndexEntry> all = entries();
        all.insert(all.begin() + static_cast<std::ptrdiff_t>(i),
                   IndexEntry{{key.begin(), key.end()}, row, 0});
        return assign(all);
    }
    const auto pointer = pointerBytes(row);
    const std::size_t length = key.size() + kPointerSize;
    const std::size_t delta = length - prefix_;  // the prefix lies within the key
    const std::size_t oldUsed = used();
    if (oldUsed + delta > IndexPage::maxEntryBytes(*format_)) return false;

    std::uint8_t* entries = bytes_.data() + entriesAt();
    // Writes the new entry's bytes from `skip` on at `to`.
    auto write = [&](std::uint8_t* to, std::size_t skip) {
        std::memcpy(to, key.data() + skip, key.size() - skip);
        std::memcpy(to + key.size() - skip, pointer.data(), kPointerSize);
    };
    if (i == 0) {
        // The new entry is stored whole; the old first one loses the shared prefix.
        std::memmove(entries + length, entries + prefix_, oldUsed - prefix_);
        write(entries, 0);
        for (std::uint16_t& end : ends_) end = static_cast<std::uint16_t>(end + delta);
        ends_.insert(ends_.begin(), static_cast<std::uint16_t>(length));
    } else {
        const std::size_t at = start(i);
        std::memmove(entries + at + delta, entries + at, oldUsed - at);
        write(entries + at, prefix_);
        for (std::size_t j = i; j < n; ++j) ends_[j] = static_cast<std::uint16_t>(ends_[j] + delta);
        ends_.insert(ends_.begin() + static_cast<std::ptrdiff_t>(i),
                     static_cast<std::uint16_t>(at + delta));
    }
    writeBitmapFrom(i, oldUsed);
    return true;
}

void LeafPage::erase(std::size_t i) {
    const std::size_t n = size();
    const bool samePrefix = normalized_ && n > 2 &&
                            ((i > 0 && i + 1 < n) ||
                             sharedBetween(i == 0 ? 1 : 0, i + 1 == n ? n - 2 : n - 1) == prefix_);
    if (!samePrefix) {
        std::vector<IndexEntry> all = entries();
        all.erase(all.begin() + static_cast<std::ptrdiff_t>(i));
        assign(all);  // fewer entries always fit
        return;
    }
    std::uint8_t* entries = bytes_.data() + entriesAt();
    const std::size_t oldUsed = used();
    if (i == 0) {
        // Entry 1 becomes the first and is stored whole: the prefix goes back in front of it.
        std::array<std::uint8_t, IndexPage::kMaxEntryBytes> prefix;
        std::memcpy(prefix.data(), entries, prefix_);
        const std::size_t removed = ends_[0] - prefix_;
        std::memmove(entries + prefix_, entries + ends_[0], oldUsed - ends_[0]);
        std::memcpy(entries, prefix.data(), prefix_);
        ends_.erase(ends_.begin());
        for (std::uint16_t& end : ends_) end = static_cast<std::uint16_t>(end - removed);
    } else {
        const std::size_t at = start(i), removed = ends_[i] - at;
        std::memmove(entries + at, entries + ends_[i], oldUsed - ends_[i]);
        ends_.erase(ends_.begin() + static_cast<std::ptrdiff_t>(i));
        for (std::size_t j = i; j < ends_.size(); ++j)
            ends_[j] = static_cast<std::uint16_t>(ends_[j] - removed);
    }
    std::memset(entries + used(), 0, oldUsed - used());
    writeBitmapFrom(i, oldUsed);
}

bool LeafPage::assign(const std::vector<IndexEntry>& all) {
    IndexPage page;
    page.format = format_;
    page.kind = IndexPage::Kind::Leaf;
    page.tdefPage = get32le(bytes_, IndexPage::kTdefAt);
    page.prevPage = prevPage();
    page.nextPage = nextPage();
    page.entries = all;
    PageBytes out{};
    if (!page.encode(out)) return false;
    bytes_ = out;
    prefix_ = page.effectivePrefix();
    ends_.clear();
    std::size_t end = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        end += all[i].key.size() + kPointerSize - (i == 0 ? 0 : prefix_);
        ends_.push_back(static_cast<std::uint16_t>(end));
    }
    normalized_ = true;
    return true;
}

void LeafPage::writeBitmapFrom(std::size_t first, std::size_t oldUsed) {
    std::uint8_t* bitmap = bytes_.data() + format_->indexEntryMaskOffset;
    // Bits before the end of entry first - 1 stay; the rest, up to the old end, are redone.
    const std::size_t from = first == 0 ? 0 : ends_[first - 1] + 1;
    const std::size_t to = std::max(oldUsed, used());
    for (std::size_t bit = from; bit <= to && bit % 8 != 0; ++bit)
        bitmap[bit / 8] = static_cast<std::uint8_t>(bitmap[bit / 8] & ~(1u << (bit % 8)));
    const std::size_t fromByte = (from + 7) / 8;
    if (fromByte <= to / 8) std::memset(bitmap + fromByte, 0, to / 8 + 1 - fromByte);
    for (std::size_t j = first; j < ends_.size(); ++j)
        bitmap[ends_[j] / 8] =
            static_cast<std::uint8_t>(bitmap[ends_[j] / 8] | 1u << (ends_[j] % 8));
    put16le(bytes_, IndexPage::kFreeSpaceAt,
            static_cast<std::uint16_t>(IndexPage::maxEntryBytes(*format_) - used()));
    storePrefix(prefix_);
}

}  // namespace mdb
