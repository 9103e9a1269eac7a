#include "mdb/row_encoder.h"

#include "database/row_encoder_parts.h"
#include "format/byte_order.h"
#include "mdb/error.h"
#include "row/stored_key_values.h"

namespace mdb {
namespace {

bool sameColumn(const Column& a, const Column& b) {
    return a.type == b.type && a.number == b.number && a.varIndex == b.varIndex &&
           a.fixedOffset == b.fixedOffset && a.length == b.length && a.flags == b.flags &&
           a.extFlags == b.extFlags && a.precision == b.precision && a.scale == b.scale &&
           a.sortOrder == b.sortOrder && a.sortVersion == b.sortVersion && a.codePage == b.codePage;
}

bool sameKey(const PhysicalIndex& a, const PhysicalIndex& b) {
    if (a.flags != b.flags || a.columns.size() != b.columns.size()) return false;
    for (std::size_t i = 0; i < a.columns.size(); ++i)
        if (a.columns[i].columnNumber != b.columns[i].columnNumber ||
            a.columns[i].ascending != b.columns[i].ascending)
            return false;
    return true;
}

}  // namespace

RowEncoder::Layout::Layout(const TableDefinition& table) : definition(table), rows(definition) {
    const std::vector<Column>& columns = definition.columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        if (c.isAutoGuid() || (c.isAutoNumber() && (c.type != ColumnType::Long || !c.isFixed())))
            usable = false;
        else if (c.isAutoNumber())
            autoNumbers.push_back(i);
    }
    keyColumns.assign(columns.size(), false);
    for (const PhysicalIndex& index : definition.physicalIndexes) {
        if (whyRowKeyCannotBeBuilt(definition, index)) {
            usable = false;
            continue;
        }
        keys.emplace_back(definition, index);
        std::size_t autoNumberColumns = 0;
        for (const IndexColumn& k : index.columns)
            for (std::size_t c = 0; c < columns.size(); ++c) {
                if (columns[c].number != k.columnNumber) continue;
                keyColumns[c] = true;
                if (columns[c].isAutoNumber()) ++autoNumberColumns;
            }
        if (autoNumberColumns > 0 && autoNumberColumns < index.columns.size()) usable = false;
        keyIsAutoNumber.push_back(autoNumberColumns > 0);
    }
}

bool RowEncoder::Layout::fits(const TableDefinition& table) const {
    const TableDefinition& mine = definition;
    if (mine.format != table.format || mine.maxColumns != table.maxColumns ||
        mine.variableColumns != table.variableColumns ||
        mine.columns.size() != table.columns.size() ||
        mine.physicalIndexes.size() != table.physicalIndexes.size())
        return false;
    for (std::size_t i = 0; i < mine.columns.size(); ++i)
        if (!sameColumn(mine.columns[i], table.columns[i])) return false;
    for (std::size_t i = 0; i < mine.physicalIndexes.size(); ++i)
        if (!sameKey(mine.physicalIndexes[i], table.physicalIndexes[i])) return false;
    return true;
}

void EncodedRow::Parts::setAutoNumber(const RowEncoder::Layout& layout, std::int32_t number) {
    const RowLayout& rows = layout.rows;
    const std::size_t maskAt = bytes.size() - rows.maskSize();
    for (const std::size_t i : layout.autoNumbers) {
        const Column& c = layout.definition.columns[i];
        put32le(bytes, rows.countSize() + c.fixedOffset, static_cast<std::uint32_t>(number));
        bytes[maskAt + c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
    }
}

EncodedRow::EncodedRow() : parts_(std::make_unique<Parts>()) {}
EncodedRow::~EncodedRow() = default;
EncodedRow::EncodedRow(EncodedRow&&) noexcept = default;
EncodedRow& EncodedRow::operator=(EncodedRow&&) noexcept = default;
bool EncodedRow::encoded() const { return parts_ && parts_->madeBy != nullptr; }
void EncodedRow::clear() {
    if (parts_) parts_->madeBy = nullptr;
}

RowEncoder::RowEncoder(std::shared_ptr<const Layout> layout)
    : layout_(std::move(layout)), buffers_(std::make_unique<Buffers>()) {}
RowEncoder::~RowEncoder() = default;
RowEncoder::RowEncoder(const RowEncoder& other)
    : layout_(other.layout_), buffers_(std::make_unique<Buffers>()) {}
RowEncoder& RowEncoder::operator=(const RowEncoder& other) {
    layout_ = other.layout_;
    return *this;
}

void RowEncoder::encode(std::span<const Value> values, EncodedRow& row) {
    if (!row.parts_) row.parts_ = std::make_unique<EncodedRow::Parts>();
    EncodedRow::Parts& out = *row.parts_;
    out.madeBy = nullptr;
    const Layout& layout = *layout_;
    if (!layout.usable || values.size() != layout.definition.columns.size()) return;
    PreparedRow& prepared = buffers_->prepared;
    try {
        // The table's name only goes into messages, and a refused row is left to the insert.
        prepareRow(layout.rows, values, {}, prepared);
        if (!prepared.external.empty()) return;  // their pages are found at the insert
        encodeRow(layout.rows, prepared, out.bytes);
        storedKeyValues(layout.definition, prepared, layout.keyColumns, buffers_->stored);
        out.keys.resize(layout.keys.size());
        for (std::size_t i = 0; i < layout.keys.size(); ++i) {
            if (layout.keyIsAutoNumber[i])
                out.keys[i].reset();
            else
                out.keys[i] = layout.keys[i](buffers_->stored);
        }
    } catch (const Error&) {
        return;
    }
    out.madeBy = layout_.get();
}

}  // namespace mdb
