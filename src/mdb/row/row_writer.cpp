#include "row/row_writer.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "mdb/error.h"
#include "row/value_encoding.h"

namespace mdb {
namespace {

// Bytes a fixed column takes in the fixed area (its definition's length for kinds without a
// size of their own: Yes/No, fixed Text and Binary).
std::size_t fixedWidth(const Column& c) {
    const std::size_t size = fixedSize(c.type);
    return size != 0 ? size : c.length;
}

std::size_t rowSize(const RowLayout& layout, const PreparedRow& row) {
    std::size_t variable = 0;
    for (std::size_t i : layout.variableColumns())
        if (row.fields[i].present) variable += row.fields[i].size;
    return layout.rowSize(variable);
}

// Appends the 12-byte header of a long value, with the data after it when it stays in the
// row; returns where the field lies.
PreparedRow::Field appendLongValueField(Binary& out, ByteView data, bool inlined,
                                        std::size_t maxLongValueRowSize) {
    const PreparedRow::Field field{true, out.size(),
                                   kLongValueHeaderSize + (inlined ? data.size() : 0)};
    const auto length = static_cast<std::uint32_t>(data.size());
    std::uint8_t type = kLongValueInline;
    // One row holds up to a data page's worth; longer values are a chain of rows.
    if (!inlined) type = data.size() <= maxLongValueRowSize ? kLongValueSingleRow : kLongValueChain;
    out.insert(out.end(),
               {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                static_cast<std::uint8_t>(length >> 16), type});
    out.resize(field.offset + kLongValueHeaderSize, 0);
    if (inlined) out.insert(out.end(), data.begin(), data.end());
    return field;
}

bool asBoolean(const Value& v, std::string_view table, const Column& c) {
    if (const auto* b = std::get_if<bool>(&v)) return *b;
    if (const auto* i = std::get_if<std::int32_t>(&v)) return *i != 0;
    if (const auto* s = std::get_if<std::int16_t>(&v)) return *s != 0;
    if (const auto* u = std::get_if<std::uint8_t>(&v)) return *u != 0;
    throw Error(Error::Kind::Refused, "Data type mismatch: field '" + std::string(table) + "." +
                                          c.name + "' (Boolean) needs Yes or No");
}

// Jet 4, from the slot count at `countAt` backwards: slot 0's offset, slot 1's, ..., the end.
void writeJet4Offsets(const std::vector<std::size_t>& offsets, std::size_t countAt, Binary& out) {
    put16le(out, countAt, static_cast<std::uint16_t>(offsets.size() - 1));
    for (std::size_t slot = 0; slot < offsets.size(); ++slot)
        put16le(out, countAt - 2 - 2 * slot, static_cast<std::uint16_t>(offsets[slot]));
}

// Jet 3, from the slot count byte at `countAt` backwards: the jump table (entry j names the
// first slot whose offset reaches (j + 1) * 256), then the low bytes of slot 0's offset, slot
// 1's, ..., the end. A last jump no offset reaches, there because the row's length asks for
// it, reads 0xFF, as Access leaves it.
void writeJet3Offsets(const RowLayout& layout, const std::vector<std::size_t>& offsets,
                      std::size_t countAt, Binary& out) {
    const std::size_t slots = offsets.size() - 1;
    const std::size_t jumps = layout.jumpCount(out.size());
    out[countAt] = static_cast<std::uint8_t>(slots);
    for (std::size_t j = 0; j < jumps; ++j) {
        std::size_t first = 0;
        while (first <= slots && offsets[first] < 256 * (j + 1)) ++first;
        out[countAt - 1 - j] = static_cast<std::uint8_t>(first <= slots ? first : 0xFF);
    }
    const std::size_t firstOffsetAt = countAt - jumps - 1;
    for (std::size_t slot = 0; slot <= slots; ++slot)
        out[firstOffsetAt - slot] = static_cast<std::uint8_t>(offsets[slot] % 256);
}

// Whether a reader can find every offset of a row of `size` bytes: a Jet 3 row's jumps are
// counted from its length, and at most the last of them may lie beyond the end of its data.
bool offsetsReadable(const RowLayout& layout, std::size_t size) {
    const std::size_t jumps = layout.jumpCount(size);
    if (jumps == 0) return true;
    const std::size_t slots = layout.variableSlots();
    const std::size_t dataEnd = size - layout.maskSize() - 1 - jumps - (slots + 1);
    return dataEnd / 256 + 1 >= jumps && slots + 1 < 256;
}

}  // namespace

std::size_t variableSlotCount(const TableDefinition& table) {
    std::size_t slots = table.variableColumns;
    for (const Column& c : table.columns)
        if (!c.isFixed()) slots = std::max<std::size_t>(slots, c.varIndex + 1u);
    return slots;
}

RowLayout::RowLayout(const TableDefinition& table)
    : table_(table),
      countSize_(table.format->rowCountSize),
      variableSlots_(variableSlotCount(table)) {
    columnCount_ = table.maxColumns;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const Column& c = table.columns[i];
        columnCount_ = std::max<std::size_t>(columnCount_, c.number + 1u);
        if (c.isFixed())
            fixedAreaSize_ = std::max(fixedAreaSize_, std::size_t{c.fixedOffset} + fixedWidth(c));
        else
            variableColumns_.push_back(i);
    }
    std::sort(variableColumns_.begin(), variableColumns_.end(), [&](std::size_t a, std::size_t b) {
        return table.columns[a].varIndex < table.columns[b].varIndex;
    });
    emptyRowSize_ = rowSize(0);
}

std::size_t RowLayout::rowSize(std::size_t variableBytes) const {
    std::size_t size = countSize_ + fixedAreaSize_ + maskSize();
    if (!table_.hasVariableColumns()) return size;
    const std::size_t offsetSize = table_.format->varOffsetSize;
    // The offsets of every slot and of the data's end, then the slot count.
    size += variableBytes + offsetSize * (variableSlots_ + 1) + offsetSize;
    if (offsetSize != 1) return size;
    // A Jet 3 row of n bytes carries (n - 1) / 256 jumps, n counting the jumps themselves.
    std::size_t jumps = 0;
    while ((size + jumps - 1) / 256 > jumps) ++jumps;
    return size + jumps;
}

std::size_t RowLayout::jumpCount(std::size_t size) const {
    if (table_.format->varOffsetSize != 1 || !table_.hasVariableColumns() || size == 0) return 0;
    return (size - 1) / 256;
}

std::size_t smallestRowSize(const TableDefinition& table) {
    return RowLayout(table).emptyRowSize();
}

std::optional<ByteView> PreparedRow::field(std::size_t column) const {
    const Field& f = fields.at(column);
    if (!f.present) return std::nullopt;
    return ByteView(data).subspan(f.offset, f.size);
}

void PreparedRow::setExternalPosition(std::size_t column, RowPosition first) {
    const Field& f = fields.at(column);
    if (!f.present) throw std::logic_error("PreparedRow::setExternalPosition: a null field");
    put32le(std::span(data).subspan(f.offset, f.size), 4, pointerFromRowPosition(first));
}

PreparedRow prepareRow(const TableDefinition& table, std::span<const Value> values,
                       std::string_view tableName) {
    PreparedRow row;
    prepareRow(RowLayout(table), values, tableName, row);
    return row;
}

void prepareRow(const RowLayout& layout, std::span<const Value> values, std::string_view tableName,
                PreparedRow& row) {
    const TableDefinition& table = layout.table();
    if (values.size() != table.columns.size())
        throw std::invalid_argument("prepareRow: one value per column is needed");
    row.fields.assign(values.size(), {});
    row.data.clear();
    row.external.clear();
    std::vector<std::size_t> inlined;  // long values kept in the row, by column index
    const std::size_t longRow = table.format->maxLongValueRowSize;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const Column& c = table.columns[i];
        if (c.type == ColumnType::Boolean) {
            if (!isNull(values[i]) && asBoolean(values[i], tableName, c))
                row.fields[i] = {true, row.data.size(), 0};
            continue;
        }
        if (isNull(values[i])) continue;
        if (!isLongValue(c.type)) {
            const std::size_t start = row.data.size();
            appendColumnValue(row.data, c, values[i], tableName);
            row.fields[i] = {true, start, row.data.size() - start};
            continue;
        }
        Binary bytes = encodeColumnValue(c, values[i], tableName);
        if (bytes.size() <= kMaxInlineLongValue) {
            row.fields[i] = appendLongValueField(row.data, bytes, true, longRow);
            inlined.push_back(i);
        } else {
            row.fields[i] = appendLongValueField(row.data, bytes, false, longRow);
            row.external.push_back({i, std::move(bytes)});
        }
    }
    row.size = rowSize(layout, row);
    // Too large with its short long values inline: move them out, longest first.
    std::sort(inlined.begin(), inlined.end(), [&](std::size_t a, std::size_t b) {
        return row.fields[a].size > row.fields[b].size;
    });
    for (std::size_t i : inlined) {
        if (row.size <= layout.maxRowSize()) break;
        const ByteView field = *row.field(i);
        Binary data(field.begin() + kLongValueHeaderSize, field.end());
        // The new header goes after the other fields; the old bytes stay unused.
        row.fields[i] = appendLongValueField(row.data, data, false, longRow);
        row.external.push_back({i, std::move(data)});
        row.size = rowSize(layout, row);
    }
    if (row.size > layout.maxRowSize()) throw Error(Error::Kind::Refused, "Record is too large");
    if (!offsetsReadable(layout, row.size))
        throw Error(Error::Kind::Refused, "Record is too large");
}

Binary encodeRow(const TableDefinition& table, const PreparedRow& row) {
    Binary out;
    encodeRow(RowLayout(table), row, out);
    return out;
}

void encodeRow(const RowLayout& layout, const PreparedRow& row, Binary& out) {
    const TableDefinition& table = layout.table();
    const std::size_t size = rowSize(layout, row);
    const std::size_t countSize = layout.countSize();
    out.assign(size, 0);
    if (countSize == 1)
        out[0] = static_cast<std::uint8_t>(layout.columnCount());
    else
        put16le(out, 0, static_cast<std::uint16_t>(layout.columnCount()));
    const std::size_t maskAt = size - layout.maskSize();
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const Column& c = table.columns[i];
        const PreparedRow::Field& f = row.fields[i];
        if (!f.present) continue;
        out[maskAt + c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
        if (c.isFixed() && f.size > 0)
            std::copy_n(row.data.begin() + static_cast<std::ptrdiff_t>(f.offset),
                        std::min(f.size, fixedWidth(c)),
                        out.begin() + static_cast<std::ptrdiff_t>(countSize + c.fixedOffset));
    }
    if (!table.hasVariableColumns()) return;
    // The variable columns' data in slot order; each slot's offset, the end of the data last.
    const std::size_t slots = layout.variableSlots();
    std::vector<std::size_t> offsets;
    offsets.reserve(slots + 1);
    std::size_t at = countSize + layout.fixedAreaSize();
    for (std::size_t i : layout.variableColumns()) {
        // Slots of deleted columns before this one start (and end) here.
        while (offsets.size() <= table.columns[i].varIndex) offsets.push_back(at);
        const PreparedRow::Field& f = row.fields[i];
        if (!f.present) continue;
        std::copy_n(row.data.begin() + static_cast<std::ptrdiff_t>(f.offset), f.size,
                    out.begin() + static_cast<std::ptrdiff_t>(at));
        at += f.size;
    }
    while (offsets.size() <= slots) offsets.push_back(at);
    if (countSize == 1)
        writeJet3Offsets(layout, offsets, maskAt - 1, out);
    else
        writeJet4Offsets(offsets, maskAt - 2, out);
}

}  // namespace mdb
