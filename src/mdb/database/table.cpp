#include "mdb/table.h"

#include "database/catalog.h"
#include "database/damage.h"
#include "database/row_encoder_parts.h"
#include "database/table_writer.h"
#include "file/pager.h"
#include "format/name_compare.h"
#include "format/table_definition.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "row/property_map.h"
#include "row/row_reader.h"
#include "row/table_scan.h"

namespace mdb {

template <class Work>
decltype(auto) Table::guarded(Work&& work) const {
    return withDamageContext(pager_.fileName(), entry_->name, std::forward<Work>(work));
}

Table::Table(Pager& pager, CatalogEntry entry)
    : pager_(pager),
      entry_(std::make_unique<CatalogEntry>(std::move(entry))),
      definition_(std::make_unique<TableDefinition>()) {
    guarded([this] { properties_ = parsePropertyMaps(entry_->properties, pager_.codePage()); });
    reloadDefinition();
}

Table::~Table() = default;

const std::string& Table::name() const { return entry_->name; }
const CatalogEntry& Table::catalogEntry() const { return *entry_; }
const TableDefinition& Table::definition() const { return *definition_; }
const std::vector<Column>& Table::columns() const { return definition_->columns; }
const std::vector<Index>& Table::indexes() const { return definition_->indexes; }
const std::vector<PhysicalIndex>& Table::physicalIndexes() const {
    return definition_->physicalIndexes;
}
std::uint32_t Table::rowCount() const { return definition_->rowCount; }
std::uint32_t Table::lastAutoNumber() const { return definition_->autoNumber; }
PageNumber Table::definitionPage() const { return definition_->page; }
const std::vector<PropertyMap>& Table::properties() const { return properties_; }

void Table::reloadDefinition() {
    guarded([this] {
        *definition_ = readTableDefinition(pager_, entry_->tablePage());
        for (Column& c : definition_->columns) {
            const PropertyMap* map = nullptr;
            for (const PropertyMap& m : properties_)
                if (!m.target.empty() && sameName(m.target, c.name)) map = &m;
            c.properties = columnPropertiesFrom(map);
        }
    });
}

std::optional<std::size_t> Table::findColumn(std::string_view name) const {
    for (std::size_t i = 0; i < definition_->columns.size(); ++i)
        if (sameName(definition_->columns[i].name, name)) return i;
    return std::nullopt;
}

Table::Cursor::Cursor(const Table& table)
    : table_(table), scan_(std::make_unique<TableScan>(table.pager_, *table.definition_)) {}

Table::Cursor::~Cursor() = default;
Table::Cursor::Cursor(Cursor&&) noexcept = default;
RowPosition Table::Cursor::position() const { return scan_->row().position; }
RowPosition Table::Cursor::storedAt() const { return scan_->row().storedAt; }

Table::Cursor Table::scan() const {
    return guarded([this] { return Cursor(*this); });
}

bool Table::Cursor::next() {
    return table_.guarded([this] { return scan_->next(); });
}

Value Table::Cursor::value(std::size_t column) const {
    return table_.guarded([&] {
        const RowReader row(*table_.definition_, scan_->row().bytes);
        return row.value(table_.definition_->columns.at(column), table_.pager_);
    });
}

std::vector<Value> Table::Cursor::values() const {
    return table_.guarded([&] {
        const RowReader row(*table_.definition_, scan_->row().bytes);
        std::vector<Value> out;
        out.reserve(table_.definition_->columns.size());
        for (const Column& c : table_.definition_->columns)
            out.push_back(row.value(c, table_.pager_));
        return out;
    });
}

std::optional<std::vector<Value>> Table::readRow(RowPosition position) const {
    return guarded([&]() -> std::optional<std::vector<Value>> {
        std::optional<LocatedRow> found = locateRow(pager_, position);
        if (!found) return std::nullopt;
        const RowReader row(*definition_, found->bytes);
        std::vector<Value> out;
        for (const Column& c : definition_->columns) out.push_back(row.value(c, pager_));
        return out;
    });
}

std::vector<RowPosition> Table::rowPositions() const {
    std::vector<RowPosition> out;
    forEachRowPosition([&](RowPosition position) { out.push_back(position); });
    return out;
}

void Table::forEachRowPosition(const std::function<void(RowPosition)>& each) const {
    guarded([&] { mdb::forEachRowPosition(pager_, *definition_, each); });
}

TableWriter& Table::writer() {
    if (writer_ == nullptr) {
        if (database_ == nullptr)
            throw Error(Error::Kind::Refused, "Table '" + name() + "' was opened for reading only");
        writer_ = &database_->writer(name());
    }
    return *writer_;
}

RowPosition Table::insert(std::vector<Value> values) { return writer().insert(std::move(values)); }

RowPosition Table::insert(std::vector<Value> values, const std::vector<bool>& assigned) {
    return writer().insert(std::move(values), assigned);
}

RowPosition Table::insertInPlace(std::vector<Value>& values, const std::vector<bool>& assigned) {
    return writer().insertInPlace(values, assigned);
}

RowEncoder Table::rowEncoder() const {
    return RowEncoder(std::make_shared<const RowEncoder::Layout>(*definition_));
}

RowPosition Table::insertEncoded(std::vector<Value>& values, const std::vector<bool>& assigned,
                                 EncodedRow& encoded) {
    return writer().insertEncoded(values, assigned, encoded);
}

void Table::beginInsertRun() { writer().beginRun(); }

void Table::endInsertRun() {
    if (writer_ != nullptr) writer_->endRun();
}

RowPosition Table::insertByName(const std::vector<std::pair<std::string, Value>>& valuesByName) {
    std::vector<Value> values(columns().size());
    std::vector<bool> assigned(columns().size(), false);
    for (const auto& [columnName, value] : valuesByName) {
        const std::optional<std::size_t> column = findColumn(columnName);
        if (!column)
            throw Error(Error::Kind::NotFound,
                        "Field '" + columnName + "' not found in table '" + name() + "'");
        values[*column] = value;
        assigned[*column] = true;
    }
    return writer().insert(std::move(values), assigned);
}

void Table::remove(RowPosition position) { writer().remove(position); }

std::uint32_t Table::removeAll() { return writer().removeAll(); }

}  // namespace mdb
