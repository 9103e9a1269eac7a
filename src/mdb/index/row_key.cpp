#include "index/row_key.h"

#include <array>
#include <stdexcept>
#include <variant>

#include "format/jet_text.h"
#include "mdb/error.h"

namespace mdb {
namespace {

// Position of column `number` in definition.columns, or -1.
int columnPosition(const TableDefinition& definition, std::uint16_t number) {
    for (std::size_t i = 0; i < definition.columns.size(); ++i)
        if (definition.columns[i].number == number) return static_cast<int>(i);
    return -1;
}

struct ToKeyValue {
    KeyValue operator()(std::monostate) const { return std::monostate{}; }
    KeyValue operator()(bool v) const { return v; }
    KeyValue operator()(std::uint8_t v) const { return std::int64_t{v}; }
    KeyValue operator()(std::int16_t v) const { return std::int64_t{v}; }
    KeyValue operator()(std::int32_t v) const { return std::int64_t{v}; }
    KeyValue operator()(Currency v) const { return v.units; }
    KeyValue operator()(float v) const { return double{v}; }
    KeyValue operator()(double v) const { return v; }
    KeyValue operator()(DateTime v) const { return v.days; }
    KeyValue operator()(const std::string& v) const { return utf16String(v); }
    KeyValue operator()(const Binary& v) const { return v; }
    KeyValue operator()(const Guid& v) const { return v; }
    KeyValue operator()(const Decimal&) const {
        throw std::invalid_argument("a Decimal value cannot be part of an index key");
    }
};

}  // namespace

std::vector<KeyColumn> keyColumns(const TableDefinition& definition, const PhysicalIndex& index) {
    std::vector<KeyColumn> out;
    for (const IndexColumn& ic : index.columns) {
        const int at = columnPosition(definition, ic.columnNumber);
        if (at < 0)
            throw Error(Error::Kind::Corrupt,
                        "index " + std::to_string(index.number) + " names column number " +
                            std::to_string(ic.columnNumber) + ", which the table does not have");
        const Column& c = definition.columns[static_cast<std::size_t>(at)];
        out.push_back(
            {c.name, c.type, ic.ascending, {c.sortOrder, c.sortVersion, c.codePage != 0}});
    }
    return out;
}

std::optional<std::string> whyRowKeyCannotBeBuilt(const TableDefinition& definition,
                                                  const PhysicalIndex& index) {
    try {
        return whyIndexCannotBeMaintained(keyColumns(definition, index));
    } catch (const Error& e) {
        return std::string(e.what());
    }
}

RowKeyBuilder::RowKeyBuilder(const TableDefinition& definition, const PhysicalIndex& index)
    : columns_(keyColumns(definition, index)), ignoresNulls_(index.ignoresNulls()) {
    for (const IndexColumn& ic : index.columns)
        positions_.push_back(static_cast<std::size_t>(columnPosition(definition, ic.columnNumber)));
}

std::optional<IndexKey> RowKeyBuilder::operator()(std::span<const Value> row) const {
    IndexKey key;
    try {
        if (columns_.size() > kMaxKeyColumns)
            throw std::invalid_argument(std::to_string(columns_.size()) + " key columns");
        // On the stack: this runs for every index of every row inserted.
        std::array<KeyValue, kMaxKeyColumns> storage;
        const std::span<KeyValue> values(storage.data(), columns_.size());
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (positions_[i] >= row.size())
                throw std::invalid_argument("the row has no value for column '" + columns_[i].name +
                                            "'");
            values[i] = std::visit(ToKeyValue{}, row[positions_[i]]);
            if (columns_[i].type != ColumnType::Boolean &&
                std::holds_alternative<std::monostate>(values[i]))
                ++key.nullColumns;
        }
        if (!indexHasEntryFor(ignoresNulls_, columns_, values)) return std::nullopt;
        key.allNull = !indexHasEntryFor(true, columns_, values);
        key.bytes = buildIndexKey(columns_, values);
    } catch (const std::invalid_argument& e) {
        throw Error(Error::Kind::Refused, std::string("Cannot index the row: ") + e.what());
    }
    return key;
}

std::optional<IndexKey> rowKey(const TableDefinition& definition, const PhysicalIndex& index,
                               std::span<const Value> row) {
    return RowKeyBuilder(definition, index)(row);
}

}  // namespace mdb
