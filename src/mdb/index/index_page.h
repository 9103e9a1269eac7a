// index_page.h: one page of a Jet 4 index, a node (0x03) or a leaf (0x04); 4096 bytes, header
// little-endian, entries big-endian.
//   OFFSET  SIZE  DESCRIPTION
//      0     1    page type: 0x03 node, 0x04 leaf
//      1     1    0x01
//      2     2    free bytes: 4096 - 480 - the bytes the entries take
//      4     4    page number of the owning table definition
//      8     4    0
//     12     4    previous page on the same level (0 = first)
//     16     4    next page on the same level (0 = last)
//     20     4    child-tail page: a node's last child, the one without an entry here
//     24     2    prefix length: the first entry is stored whole, every later one without
//                 that many leading bytes (which all entries of the page share)
//     26     1    unknown; written 0
//     27   453    entry-end bitmap: bit i (least significant first) set = an entry ends at
//                 480 + i, so at most 3616 bytes of entries
//    480     -    the entries, sorted bytewise
// Jet 3 pages (2048 bytes) move the fields from 12 on 4 bytes down (previous page at 8, prefix
// length at 20, one byte) and have the bitmap at 22 and the entries from 248 (jet_format.h).
// A leaf entry is key (index_key.h) + row pointer (3-byte page, row); a node entry adds its
// child page (4 bytes) and carries the key and row of the last entry under that child.
// An empty index is a root leaf without entries.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/format_constants.h"
#include "format/jet_format.h"
#include "index/index_key.h"

namespace mdb {

struct IndexEntry {
    std::vector<std::uint8_t> key;
    RowPosition row;
    std::uint32_t child = 0;  // node entries only
    friend bool operator==(const IndexEntry&, const IndexEntry&) = default;
};

// The index order: key bytes, then row pointer (child pages do not take part).
bool entryBefore(const IndexEntry& a, const IndexEntry& b);

struct IndexPage {
    enum class Kind : std::uint8_t { Node = kIndexNodePageType, Leaf = kIndexLeafPageType };
    static constexpr std::size_t kSize = 4096;
    static constexpr std::size_t kEntriesStart = 480;
    static constexpr std::size_t kMaxEntryBytes = kSize - kEntriesStart;  // 3616
    // Header fields (see above).
    static constexpr std::size_t kFreeSpaceAt = 2, kTdefAt = 4, kPrevAt = 12, kNextAt = 16,
                                 kChildTailAt = 20, kPrefixLengthAt = 24, kBitmapAt = 27;

    const JetFormat* format = &jet4Format();
    Kind kind = Kind::Leaf;
    std::uint32_t tdefPage = 0;
    std::uint32_t prevPage = 0;
    std::uint32_t nextPage = 0;
    std::uint32_t childTailPage = 0;
    std::vector<IndexEntry> entries;  // in index order
    // How many leading bytes the entries after the first omit. Decoding sets the page's value
    // (Access often stores 0); nullopt lets encoding share the longest prefix of the keys, as
    // a writer should after changing the entries.
    std::optional<std::size_t> prefixLength;

    bool isLeaf() const { return kind == Kind::Leaf; }

    // Decodes every entry of page `pageNo` (the number only names the page in messages). Throws
    // Error (Kind::Corrupt) when the bytes are not an index page or contradict themselves:
    // wrong size or type, entries past the page end or too short for their pointers, a prefix
    // longer than the first entry, entries out of order.
    // `bytes` may be a page buffer longer than a Jet 3 page; the rest is not looked at.
    static IndexPage decode(std::span<const std::uint8_t> bytes, std::uint32_t pageNo,
                            const JetFormat& format = jet4Format());

    // The prefix encode uses: prefixLength if set (checked as encode says), else the longest.
    std::size_t effectivePrefix() const;
    // The bytes the entries take on the page, shared prefix stored once.
    std::size_t entryBytes() const;
    bool fits() const { return entryBytes() <= maxEntryBytes(*format); }

    // How many of the first entries fit on one page of this kind, with the longest shared
    // prefix: the split point for a writer.
    static std::size_t countFitting(Kind kind, std::span<const IndexEntry> entries,
                                    const JetFormat& format = jet4Format());

    // The longest prefix a page of the format can record (Jet 3 keeps it in one byte).
    static std::size_t maxPrefix(const JetFormat& format) {
        return format.indexPrefixLengthSize == 1 ? 0xFF : 0xFFFF;
    }
    // The bytes of entries a page of the format holds (3616 in Jet 4, 1800 in Jet 3).
    static std::size_t maxEntryBytes(const JetFormat& format) {
        return format.pageSize - format.indexFirstEntryOffset;
    }

    // Writes the whole page (4096 bytes; a Jet 3 page fills the first 2048 of a buffer of 2048
    // or 4096, the rest zero) into `out`. Returns false, and writes nothing, when the
    // entries do not fit (the writer then splits the page; that is not an error).
    // Requires entries in index order; throws std::invalid_argument when a set prefixLength is
    // not shared by every entry or leaves an entry after the first without bytes of its own.
    bool encode(std::span<std::uint8_t> out) const;
};

}  // namespace mdb
