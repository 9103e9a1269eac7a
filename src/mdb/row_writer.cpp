#include "mdb/row_writer.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "mdb/error.h"
#include "mdb/value_encoding.h"

namespace mdb {
namespace {

// Bytes a fixed column takes in the fixed area (its definition's length for kinds without a
// size of their own: Yes/No, fixed Text and Binary).
std::size_t fixedWidth(const Column& c) {
    const std::size_t size = fixedSize(c.type);
    return size != 0 ? size : c.length;
}

std::size_t fixedAreaSize(const TableDefinition& table) {
    std::size_t end = 0;
    for (const Column& c : table.columns)
        if (c.isFixed()) end = std::max(end, std::size_t{c.fixedOffset} + fixedWidth(c));
    return end;
}

std::size_t columnCountField(const TableDefinition& table) {
    std::size_t count = table.maxColumns;
    for (const Column& c : table.columns) count = std::max<std::size_t>(count, c.number + 1u);
    return count;
}

std::size_t rowSize(const TableDefinition& table, const PreparedRow& row) {
    std::size_t size = 2 + fixedAreaSize(table) + (columnCountField(table) + 7) / 8;
    if (!table.hasVariableColumns()) return size;
    size += 2 + 2 * variableSlotCount(table) + 2;  // EOD, offsets, slot count
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (!table.columns[i].isFixed() && row.fields[i]) size += row.fields[i]->size();
    return size;
}

// The 12-byte header of a long value, with the data after it when it stays in the row.
Binary longValueField(const Binary& data, bool inlined) {
    Binary field(kLongValueHeaderSize, 0);
    const auto length = static_cast<std::uint32_t>(data.size());
    field[0] = static_cast<std::uint8_t>(length);
    field[1] = static_cast<std::uint8_t>(length >> 8);
    field[2] = static_cast<std::uint8_t>(length >> 16);
    if (inlined) {
        field[3] = kLongValueInline;
        field.insert(field.end(), data.begin(), data.end());
    } else {
        // One row holds up to a data page's worth; longer values are a chain of rows.
        field[3] = data.size() <= kMaxLongValueRowSize ? kLongValueSingleRow : kLongValueChain;
    }
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

}  // namespace

std::size_t variableSlotCount(const TableDefinition& table) {
    std::size_t slots = table.variableColumns;
    for (const Column& c : table.columns)
        if (!c.isFixed()) slots = std::max<std::size_t>(slots, c.varIndex + 1u);
    return slots;
}

std::size_t smallestRowSize(const TableDefinition& table) {
    PreparedRow empty;
    empty.fields.resize(table.columns.size());
    return rowSize(table, empty);
}

void PreparedRow::setExternalPosition(std::size_t column, RowPosition first) {
    Binary& header = fields.at(column).value();
    put32le(header, 4, pointerFromRowPosition(first));
}

PreparedRow prepareRow(const TableDefinition& table, std::span<const Value> values,
                       std::string_view tableName) {
    if (values.size() != table.columns.size())
        throw std::invalid_argument("prepareRow: one value per column is needed");
    PreparedRow row;
    row.fields.resize(values.size());
    std::vector<std::size_t> inlined;  // long values kept in the row, by column index
    for (std::size_t i = 0; i < values.size(); ++i) {
        const Column& c = table.columns[i];
        if (c.type == ColumnType::Boolean) {
            if (!isNull(values[i]) && asBoolean(values[i], tableName, c)) row.fields[i] = Binary{};
            continue;
        }
        if (isNull(values[i])) continue;
        Binary bytes = encodeColumnValue(c, values[i], tableName);
        if (!isLongValue(c.type)) {
            row.fields[i] = std::move(bytes);
        } else if (bytes.size() <= kMaxInlineLongValue) {
            row.fields[i] = longValueField(bytes, true);
            inlined.push_back(i);
        } else {
            row.fields[i] = longValueField(bytes, false);
            row.external.push_back({i, std::move(bytes)});
        }
    }
    row.size = rowSize(table, row);
    // Too large with its short long values inline: move them out, longest first.
    std::sort(inlined.begin(), inlined.end(), [&](std::size_t a, std::size_t b) {
        return row.fields[a]->size() > row.fields[b]->size();
    });
    for (std::size_t i : inlined) {
        if (row.size <= kMaxRowSize) break;
        Binary data(row.fields[i]->begin() + kLongValueHeaderSize, row.fields[i]->end());
        row.fields[i] = longValueField(data, false);
        row.external.push_back({i, std::move(data)});
        row.size = rowSize(table, row);
    }
    if (row.size > kMaxRowSize) throw Error(Error::Kind::Refused, "Record is too large");
    return row;
}

Binary encodeRow(const TableDefinition& table, const PreparedRow& row) {
    const std::size_t columnCount = columnCountField(table);
    Binary out(2 + fixedAreaSize(table), 0);
    put16le(out, 0, static_cast<std::uint16_t>(columnCount));
    Binary mask((columnCount + 7) / 8, 0);
    std::vector<std::size_t> variable;  // column indexes, in slot order
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const Column& c = table.columns[i];
        if (row.fields[i]) mask[c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
        if (!c.isFixed()) {
            variable.push_back(i);
        } else if (row.fields[i] && !row.fields[i]->empty()) {
            const Binary& bytes = *row.fields[i];
            std::copy_n(bytes.begin(), std::min(bytes.size(), fixedWidth(c)),
                        out.begin() + 2 + c.fixedOffset);
        }
    }
    if (table.hasVariableColumns()) {
        std::sort(variable.begin(), variable.end(), [&](std::size_t a, std::size_t b) {
            return table.columns[a].varIndex < table.columns[b].varIndex;
        });
        const std::size_t slots = variableSlotCount(table);
        std::vector<std::uint16_t> offsets;
        offsets.reserve(slots + 1);
        for (std::size_t i : variable) {
            // Slots of deleted columns before this one start (and end) here.
            while (offsets.size() <= table.columns[i].varIndex)
                offsets.push_back(static_cast<std::uint16_t>(out.size()));
            if (row.fields[i]) out.insert(out.end(), row.fields[i]->begin(), row.fields[i]->end());
        }
        while (offsets.size() <= slots) offsets.push_back(static_cast<std::uint16_t>(out.size()));
        // From the end backwards: slot count, slot 0's offset, slot 1's, ..., the end of data.
        Binary table16(2 * (slots + 2), 0);
        for (std::size_t k = 0; k <= slots; ++k) put16le(table16, 2 * (slots - k), offsets[k]);
        put16le(table16, 2 * (slots + 1), static_cast<std::uint16_t>(slots));
        out.insert(out.end(), table16.begin(), table16.end());
    }
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

}  // namespace mdb
