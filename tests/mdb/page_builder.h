// page_builder.h: hand-built Jet 4 pages for unit tests, written from the layouts documented in
// src/mdb (data_page.h, row_reader.h, table_definition.h, usage_map.h, long_value.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "file/page_file.h"
#include "file/pager.h"
#include "format/byte_order.h"
#include "format/column.h"
#include "format/jet_text.h"
#include "mdb/row_position.h"

namespace build {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::size_t at, std::uint16_t v) { mdb::put16le(b, at, v); }
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) { mdb::put32le(b, at, v); }
inline void append16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void append32(Bytes& b, std::uint32_t v) {
    append16(b, static_cast<std::uint16_t>(v));
    append16(b, static_cast<std::uint16_t>(v >> 16));
}
inline std::uint32_t pointer(mdb::PageNumber page, std::uint8_t row) {
    return mdb::pointerFromRowPosition({page, row});
}

struct Slot {
    Bytes bytes;
    std::uint16_t flags = 0;  // kRowDeleted, kRowOverflow
};

// A data page owned by `owner` with the rows packed from the page end downwards.
inline mdb::PageBytes dataPage(std::uint32_t owner, const std::vector<Slot>& rows) {
    mdb::PageBytes page{};
    Bytes b(mdb::kPageSize, 0);
    b[0] = 0x01;
    b[1] = 0x01;
    put32(b, 4, owner);
    put16(b, 12, static_cast<std::uint16_t>(rows.size()));
    std::size_t end = mdb::kPageSize;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t start = end - rows[i].bytes.size();
        std::copy(rows[i].bytes.begin(), rows[i].bytes.end(), b.begin() + static_cast<long>(start));
        put16(b, 14 + 2 * i, static_cast<std::uint16_t>(start | rows[i].flags));
        end = start;
    }
    put16(b, 2, static_cast<std::uint16_t>(end - 14 - 2 * rows.size()));
    std::copy(b.begin(), b.end(), page.begin());
    return page;
}

// An inline usage map row listing `pages` (all at or after `start`).
inline Bytes inlineMap(mdb::PageNumber start, const std::vector<mdb::PageNumber>& pages) {
    Bytes b{0x00};
    append32(b, start);
    b.resize(5 + 64, 0);
    for (mdb::PageNumber p : pages)
        b[5 + (p - start) / 8] |= static_cast<std::uint8_t>(1u << ((p - start) % 8));
    return b;
}

struct ColumnSpec {
    std::string name;
    mdb::ColumnType type;
    std::uint16_t number;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t length = 0;
    std::uint8_t flags = 0x02;  // 0x01 fixed
};

inline ColumnSpec fixedColumn(std::string name, mdb::ColumnType type, std::uint16_t number,
                              std::uint16_t offset) {
    const auto size = static_cast<std::uint16_t>(mdb::fixedSize(type));
    return {std::move(name), type, number, 0, offset, size, 0x03};
}
inline ColumnSpec variableColumn(std::string name, mdb::ColumnType type, std::uint16_t number,
                                 std::uint16_t varIndex, std::uint16_t length = 510) {
    return {std::move(name), type, number, varIndex, 0, length, 0x02};
}

// A table definition without indexes, as one joined buffer (split it with tdefPages).
inline Bytes tableDefinition(std::uint32_t rows, const std::vector<ColumnSpec>& columns,
                             std::uint32_t ownedMap, std::uint32_t freeMap) {
    Bytes b(63, 0);
    b[0] = 0x02;
    b[1] = 0x01;
    put32(b, 16, rows);
    b[24] = 1;
    b[40] = 'N';
    std::uint16_t variable = 0;
    for (const ColumnSpec& c : columns)
        if ((c.flags & 1) == 0) ++variable;
    put16(b, 41, static_cast<std::uint16_t>(columns.size()));
    put16(b, 43, variable);
    put16(b, 45, static_cast<std::uint16_t>(columns.size()));
    put32(b, 55, ownedMap);
    put32(b, 59, freeMap);
    for (const ColumnSpec& c : columns) {
        Bytes block(25, 0);
        block[0] = static_cast<std::uint8_t>(c.type);
        put16(block, 5, c.number);
        put16(block, 7, c.varIndex);
        put16(block, 9, c.number);
        block[15] = c.flags;
        put16(block, 21, c.fixedOffset);
        put16(block, 23, c.length);
        b.insert(b.end(), block.begin(), block.end());
    }
    for (const ColumnSpec& c : columns) {
        const Bytes name = mdb::encodeUtf16(c.name);
        append16(b, static_cast<std::uint16_t>(name.size()));
        b.insert(b.end(), name.begin(), name.end());
    }
    append16(b, 0xFFFF);
    put32(b, 8, static_cast<std::uint32_t>(b.size()));
    return b;
}

// Splits a joined definition over pages: the first page whole, the rest after an 8-byte header;
// page k's next pointer is next[k] (0 ends the chain).
inline std::vector<mdb::PageBytes> tdefPages(const Bytes& joined,
                                             const std::vector<mdb::PageNumber>& next) {
    std::vector<mdb::PageBytes> pages;
    std::size_t at = 0;
    for (std::size_t k = 0; k < next.size(); ++k) {
        mdb::PageBytes page{};
        std::size_t to = k == 0 ? 0 : 8;
        while (to < mdb::kPageSize && at < joined.size()) page[to++] = joined[at++];
        page[0] = 0x02;
        page[1] = 0x01;
        mdb::put32le(page, 4, next[k]);
        pages.push_back(page);
    }
    return pages;
}

// A row as row_reader.h describes it: fixed area, variable values, offset table, null mask.
struct RowSpec {
    std::uint16_t columnCount = 0;
    Bytes fixedArea;                     // bytes after the column count
    std::vector<Bytes> variable;         // by variable slot
    std::vector<std::uint16_t> notNull;  // column numbers whose mask bit is set
    bool hasVariableTable = true;
};

inline Bytes row(const RowSpec& layout) {
    Bytes b;
    append16(b, layout.columnCount);
    b.insert(b.end(), layout.fixedArea.begin(), layout.fixedArea.end());
    std::vector<std::uint16_t> offsets;
    for (const Bytes& v : layout.variable) {
        offsets.push_back(static_cast<std::uint16_t>(b.size()));
        b.insert(b.end(), v.begin(), v.end());
    }
    offsets.push_back(static_cast<std::uint16_t>(b.size()));  // end of variable data
    if (layout.hasVariableTable) {
        for (std::size_t k = offsets.size(); k-- > 0;) append16(b, offsets[k]);
        append16(b, static_cast<std::uint16_t>(layout.variable.size()));
    }
    Bytes mask((layout.columnCount + 7) / 8, 0);
    for (std::uint16_t n : layout.notNull) mask[n / 8] |= static_cast<std::uint8_t>(1u << (n % 8));
    b.insert(b.end(), mask.begin(), mask.end());
    return b;
}

// A pager over pages held in memory (page 0 is left zero unless given).
inline std::unique_ptr<mdb::Pager> pagerOver(const std::vector<mdb::PageBytes>& pages) {
    Bytes bytes;
    for (const mdb::PageBytes& p : pages) bytes.insert(bytes.end(), p.begin(), p.end());
    return std::make_unique<mdb::Pager>(std::make_unique<mdb::MemoryPageFile>(bytes));
}

}  // namespace build
