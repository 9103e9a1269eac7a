#include "index/index_page.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "format/byte_order.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::size_t kFreeSpaceAt = IndexPage::kFreeSpaceAt, kTdefAt = IndexPage::kTdefAt;
constexpr std::size_t kRowPointerSize = 4, kChildSize = 4;

std::uint32_t get32be(std::span<const std::uint8_t> b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 |
           std::uint32_t{b[3]};
}

std::size_t pointerSize(IndexPage::Kind kind) {
    return kind == IndexPage::Kind::Leaf ? kRowPointerSize : kRowPointerSize + kChildSize;
}

[[noreturn]] void corrupt(std::uint32_t pageNo, const std::string& what) {
    throw Error(Error::Kind::Corrupt, "index page " + std::to_string(pageNo) + ": " + what);
}

// An entry as stored: key, row pointer and, on nodes, the child page.
IndexEntry splitEntry(std::span<const std::uint8_t> full, IndexPage::Kind kind) {
    const std::size_t keyLength = full.size() - pointerSize(kind);
    IndexEntry e;
    e.key.assign(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(keyLength));
    const auto p = full.subspan(keyLength);
    e.row.page = std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]};
    e.row.row = p[3];
    if (kind == IndexPage::Kind::Node) e.child = get32be(p.subspan(kRowPointerSize));
    return e;
}

std::vector<std::uint8_t> joinEntry(const IndexEntry& e, IndexPage::Kind kind) {
    std::vector<std::uint8_t> out = e.key;
    appendRowPointer(out, e.row);
    if (kind == IndexPage::Kind::Node)
        for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(e.child >> (8 * i)));
    return out;
}

// Writes the entry's bytes (as joinEntry gives them) from byte `skip` on into `out`, without
// building them first: pages are encoded after every change, so this is on the writer's path.
// Returns the bytes written.
std::size_t writeEntry(const IndexEntry& e, IndexPage::Kind kind, std::size_t skip,
                       std::span<std::uint8_t> out) {
    if (e.row.page >= (1u << 24))
        throw std::invalid_argument("row pointer: page " + std::to_string(e.row.page) +
                                    " does not fit 3 bytes");
    const std::array<std::uint8_t, 8> pointers = {
        static_cast<std::uint8_t>(e.row.page >> 16), static_cast<std::uint8_t>(e.row.page >> 8),
        static_cast<std::uint8_t>(e.row.page),       e.row.row,
        static_cast<std::uint8_t>(e.child >> 24),    static_cast<std::uint8_t>(e.child >> 16),
        static_cast<std::uint8_t>(e.child >> 8),     static_cast<std::uint8_t>(e.child)};
    const std::size_t keyLength = e.key.size();
    const std::size_t total = keyLength + pointerSize(kind);
    std::size_t n = 0;
    if (skip < keyLength) {
        std::copy(e.key.begin() + static_cast<std::ptrdiff_t>(skip), e.key.end(), out.begin());
        n = keyLength - skip;
    }
    for (std::size_t at = std::max(skip, keyLength); at < total; ++at)
        out[n++] = pointers[at - keyLength];
    return n;
}

// Entries of a page share the prefix of the first and last key (they are sorted, so every key
// between shares it too). Only key bytes are shared: the row pointers always differ.
std::size_t sharedPrefix(const IndexEntry& first, const IndexEntry& last, const JetFormat& format) {
    const auto [a, b] =
        std::mismatch(first.key.begin(), first.key.end(), last.key.begin(), last.key.end());
    return std::min(static_cast<std::size_t>(a - first.key.begin()), IndexPage::maxPrefix(format));
}

std::size_t storedSize(std::span<const IndexEntry> entries, IndexPage::Kind kind,
                       std::size_t prefix) {
    if (entries.empty()) return 0;
    std::size_t total = 0;
    for (const IndexEntry& e : entries) total += e.key.size() + pointerSize(kind);
    return total - (entries.size() - 1) * prefix;
}

}  // namespace

bool entryBefore(const IndexEntry& a, const IndexEntry& b) {
    const auto order = std::lexicographical_compare_three_way(a.key.begin(), a.key.end(),
                                                              b.key.begin(), b.key.end());
    if (order != 0) return order < 0;
    return a.row < b.row;
}

IndexPage IndexPage::decode(std::span<const std::uint8_t> whole, std::uint32_t pageNo,
                            const JetFormat& format) {
    if (whole.size() < format.pageSize)
        corrupt(pageNo, "not " + std::to_string(format.pageSize) + " bytes long");
    const auto bytes = whole.first(format.pageSize);
    IndexPage page;
    page.format = &format;
    if (bytes[0] != static_cast<std::uint8_t>(Kind::Node) &&
        bytes[0] != static_cast<std::uint8_t>(Kind::Leaf))
        corrupt(pageNo, "page type " + std::to_string(bytes[0]) + " is not an index page");
    page.kind = static_cast<Kind>(bytes[0]);
    page.tdefPage = get32le(bytes, kTdefAt);
    const std::size_t prevAt = format.indexPrevPageOffset;
    page.prevPage = get32le(bytes, prevAt);
    page.nextPage = get32le(bytes, prevAt + 4);
    page.childTailPage = get32le(bytes, prevAt + 8);
    const std::size_t prefixLength =
        format.indexPrefixLengthSize == 1 ? bytes[prevAt + 12] : get16le(bytes, prevAt + 12);
    const std::size_t bitmapAt = format.indexEntryMaskOffset;
    const std::size_t entriesAt = format.indexFirstEntryOffset;
    const std::size_t maxEntryBytes = format.pageSize - entriesAt;

    const auto data = bytes.subspan(entriesAt);
    std::vector<std::uint8_t> prefix;
    std::size_t start = 0;
    for (std::size_t bit = 0; bit < (entriesAt - bitmapAt) * 8; ++bit) {
        if ((bytes[bitmapAt + bit / 8] & (1u << (bit % 8))) == 0) continue;
        // The bitmap can name positions past the page end; a damaged one may.
        if (bit > maxEntryBytes) corrupt(pageNo, "an entry ends past the page end");
        if (bit == start) corrupt(pageNo, "an entry of no bytes");
        const auto stored = data.subspan(start, bit - start);
        std::vector<std::uint8_t> full;
        if (page.entries.empty()) {
            if (prefixLength > stored.size())
                corrupt(pageNo, "shared prefix longer than the first entry");
            prefix.assign(stored.begin(),
                          stored.begin() + static_cast<std::ptrdiff_t>(prefixLength));
            full.assign(stored.begin(), stored.end());
        } else {
            full = prefix;
            full.insert(full.end(), stored.begin(), stored.end());
        }
        if (full.size() < pointerSize(page.kind))
            corrupt(pageNo, "entry " + std::to_string(page.entries.size()) +
                                " is too short for its pointers");
        IndexEntry e = splitEntry(full, page.kind);
        if (!page.entries.empty() && !entryBefore(page.entries.back(), e))
            corrupt(pageNo, "entry " + std::to_string(page.entries.size()) + " is out of order");
        page.entries.push_back(std::move(e));
        start = bit;
    }
    page.prefixLength = prefixLength;
    return page;
}

std::size_t IndexPage::effectivePrefix() const {
    if (entries.empty()) return 0;
    if (!prefixLength) return sharedPrefix(entries.front(), entries.back(), *format);
    const std::size_t prefix = *prefixLength;
    const std::vector<std::uint8_t> first = joinEntry(entries.front(), kind);
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const std::vector<std::uint8_t> e = joinEntry(entries[i], kind);
        if (e.size() <= prefix ||
            !std::equal(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(prefix),
                        e.begin()))
            throw std::invalid_argument("index page: entry " + std::to_string(i) +
                                        " does not share the page's prefix of " +
                                        std::to_string(prefix) + " bytes");
    }
    if (prefix > first.size())
        throw std::invalid_argument("index page: prefix longer than the first entry");
    return prefix;
}

std::size_t IndexPage::entryBytes() const { return storedSize(entries, kind, effectivePrefix()); }

std::size_t IndexPage::countFitting(Kind kind, std::span<const IndexEntry> entries,
                                    const JetFormat& format) {
    const std::size_t room = maxEntryBytes(format);
    // Adding an entry never shrinks the total (its pointers are never shared), so the first
    // count that does not fit ends the search.
    std::size_t whole = 0;  // the entries' sizes without prefix compression
    for (std::size_t n = 0; n < entries.size(); ++n) {
        whole += entries[n].key.size() + pointerSize(kind);
        const std::size_t shared = n * sharedPrefix(entries.front(), entries[n], format);
        if (whole - shared > room) return n;
    }
    return entries.size();
}

bool IndexPage::encode(std::span<std::uint8_t> out) const {
    const JetFormat& f = *format;
    if (out.size() < f.pageSize || out.size() > kSize || !fits())
        return false;  // fits() checks the prefix
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    out[0] = static_cast<std::uint8_t>(kind);
    out[1] = 0x01;
    put32le(out, kTdefAt, tdefPage);
    const std::size_t prevAt = f.indexPrevPageOffset;
    put32le(out, prevAt, prevPage);
    put32le(out, prevAt + 4, nextPage);
    put32le(out, prevAt + 8, childTailPage);
    const std::size_t prefix = effectivePrefix();
    if (f.indexPrefixLengthSize == 1)
        out[prevAt + 12] = static_cast<std::uint8_t>(prefix);
    else
        put16le(out, prevAt + 12, static_cast<std::uint16_t>(prefix));

    const std::size_t bitmapAt = f.indexEntryMaskOffset;
    std::size_t end = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t written = writeEntry(entries[i], kind, i == 0 ? 0 : prefix,
                                               out.subspan(f.indexFirstEntryOffset + end));
        end += written;
        out[bitmapAt + end / 8] =
            static_cast<std::uint8_t>(out[bitmapAt + end / 8] | 1u << (end % 8));
    }
    put16le(out, kFreeSpaceAt, static_cast<std::uint16_t>(maxEntryBytes(f) - end));
    return true;
}

}  // namespace mdb
