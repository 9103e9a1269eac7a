// usage_map.h: a set of page numbers, stored as a row on a data page.
//
// Every table has two (the pages it owns, and those of its pages with free space), every
// physical index and every Memo/OLE column has its own, and page 1 row 0 is the database's
// global map (there a set bit means the page is free). Two layouts, told apart by byte 0:
//
//   type 0, inline:     OFFSET SIZE DESCRIPTION
//                          0    1   0x00
//                          1    4   first page the bitmap covers
//                          5    n   bitmap: bit i (least significant first) = page start + i
//   type 1, reference:     0    1   0x01
//                          1   4*k  page numbers of bitmap pages (0 = none yet); bitmap page j
//                                   covers pages j*32736 to (j+1)*32736-1 (Jet 3: j*16352...)
//   bitmap page:           0    4   05 01 00 00
//                          4  4092  bitmap, bit i = page j*32736 + i (Jet 3: 2044 bytes)
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "file/pager.h"
#include "format/format_constants.h"
#include "mdb/row_position.h"

namespace mdb {

constexpr std::size_t kPagesPerMapPage = (kPageSize - 4) * 8;

class UsageMap {
public:
    enum class Kind : std::uint8_t { Inline = 0, Reference = 1 };

    // Reads the map stored in the row at `where`. Throws Error (Corrupt) naming the row when
    // the row is missing, empty or of an unknown type.
    static UsageMap read(Pager& pager, RowPosition where);

    Kind kind() const { return kind_; }
    RowPosition where() const { return where_; }
    PageNumber inlineStart() const { return start_; }                            // inline maps only
    std::size_t inlineSpan() const { return bitmap_.size() * 8; }                // pages it covers
    const std::vector<PageNumber>& bitmapPages() const { return bitmapPages_; }  // reference

    // What a set bit for a page past the end of the file means: nothing for the global map,
    // which marks such pages free, but damage (a truncated file) for a table's own pages.
    enum class PastEnd { Ignore, Corrupt };

    // The pages whose bit is set, in ascending order. Throws Error (Corrupt) when a bitmap
    // page is missing or of the wrong type, or (PastEnd::Corrupt) a page is past the end.
    std::vector<PageNumber> pages(Pager& pager, PastEnd pastEnd = PastEnd::Corrupt) const;
    // The same pages, one call each, without holding them all (a large table's map lists
    // many pages).
    void forEachPage(Pager& pager, const std::function<void(PageNumber)>& visit,
                     PastEnd pastEnd = PastEnd::Corrupt) const;

private:
    Kind kind_ = Kind::Inline;
    RowPosition where_;
    PageNumber start_ = 0;
    std::vector<std::uint8_t> bitmap_;     // inline maps
    std::vector<PageNumber> bitmapPages_;  // reference maps
};

}  // namespace mdb
