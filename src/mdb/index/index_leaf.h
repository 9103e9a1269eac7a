// index_leaf.h: a leaf page of an index (layout in index_page.h), changed in its own bytes.
//
// Adding or removing one entry moves the bytes after it and rewrites the entry-end bitmap,
// instead of decoding and encoding every entry of the page: this is the index writer's common
// case, once per index per row. The page always reads as IndexPage::encode would write it:
// the longest prefix the first and last keys share, nothing but zeros after the entries. When
// a change would alter the prefix, the page is encoded whole.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "file/page_file.h"
#include "index/index_page.h"

namespace mdb {

class LeafPage {
public:
    // An empty leaf of the table whose definition is on `tdefPage`.
    explicit LeafPage(std::uint32_t tdefPage, const JetFormat& format = jet4Format());
    // The leaf in `bytes`. Throws Error (Corrupt) as IndexPage::decode does, or when the page
    // is not a leaf.
    LeafPage(const PageBytes& bytes, PageNumber number, const JetFormat& format = jet4Format());

    const PageBytes& bytes() const { return bytes_; }
    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    PageNumber prevPage() const;
    PageNumber nextPage() const;
    void setPrevPage(PageNumber n);
    void setNextPage(PageNumber n);

    IndexEntry entry(std::size_t i) const;
    std::vector<IndexEntry> entries() const;
    // Whether entry i's key is exactly `key`.
    bool keyEquals(std::size_t i, std::span<const std::uint8_t> key) const;
    // The first entry not before (key, row) in entryBefore order, or size().
    std::size_t lowerBound(std::span<const std::uint8_t> key, RowPosition row) const;
    std::size_t lowerBound(const IndexEntry& target) const {
        return lowerBound(target.key, target.row);
    }
    // Whether entry i is exactly (key, row).
    bool holds(std::size_t i, std::span<const std::uint8_t> key, RowPosition row) const;

    // Puts `e` at position i (REQUIRES: it sorts there). Returns false, changing nothing, when
    // the page would overflow.
    bool insert(std::size_t i, std::span<const std::uint8_t> key, RowPosition row);
    bool insert(std::size_t i, const IndexEntry& e) { return insert(i, e.key, e.row); }
    void erase(std::size_t i);
    // Replaces every entry. Returns false, changing nothing, when they do not fit.
    bool assign(const std::vector<IndexEntry>& entries);

private:
    std::size_t start(std::size_t i) const { return i == 0 ? 0 : ends_[i - 1]; }
    // Entry i's stored bytes (without the shared prefix for i > 0).
    std::span<const std::uint8_t> stored(std::size_t i) const;
    // -1, 0, 1 as entry i compares with (key, pointer bytes).
    int compare(std::size_t i, std::span<const std::uint8_t> key,
                std::span<const std::uint8_t, 4> pointer) const;
    std::size_t used() const { return ends_.empty() ? 0 : ends_.back(); }
    // How many leading bytes entry i's key shares with `key`, and with entry j's key.
    std::size_t sharedWith(std::size_t i, std::span<const std::uint8_t> key) const;
    std::size_t sharedBetween(std::size_t i, std::size_t j) const;
    // Rewrites the header's free space and prefix, and the entry-end bits of entries `first`
    // on, the entries having ended no later than `oldUsed` before the change.
    void writeBitmapFrom(std::size_t first, std::size_t oldUsed);
    std::size_t entriesAt() const { return format_->indexFirstEntryOffset; }
    std::size_t prefixAt() const { return format_->indexPrevPageOffset + 12; }
    std::size_t storedPrefix() const;
    void storePrefix(std::size_t prefix);

    const JetFormat* format_;
    PageBytes bytes_{};
    std::vector<std::uint16_t> ends_;  // end of each entry, from the start of the entries
    std::size_t prefix_ = 0;           // as the header says
    bool normalized_ = true;           // prefix_ is the longest the first and last keys share
};

}  // namespace mdb
