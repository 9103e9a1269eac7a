#include "database/table.h"

#include "database/damage.h"
#include "format/name_compare.h"
#include "row/row_reader.h"

namespace mdb {

template <class Work>
decltype(auto) Table::guarded(Work&& work) const {
    return withDamageContext(pager_.fileName(), entry_.name, std::forward<Work>(work));
}

Table::Table(Pager& pager, CatalogEntry entry) : pager_(pager), entry_(std::move(entry)) {
    guarded([this] { properties_ = parsePropertyMaps(entry_.properties); });
    reloadDefinition();
}

void Table::reloadDefinition() {
    guarded([this] {
        definition_ = readTableDefinition(pager_, entry_.tablePage());
        for (Column& c : definition_.columns) {
            const PropertyMap* map = nullptr;
            for (const PropertyMap& m : properties_)
                if (!m.target.empty() && sameName(m.target, c.name)) map = &m;
            c.properties = columnPropertiesFrom(map);
        }
    });
}

std::optional<std::size_t> Table::findColumn(std::string_view name) const {
    for (std::size_t i = 0; i < definition_.columns.size(); ++i)
        if (sameName(definition_.columns[i].name, name)) return i;
    return std::nullopt;
}

Table::Cursor::Cursor(const Table& table) : table_(table), scan_(table.pager_, table.definition_) {}

Table::Cursor Table::scan() const {
    return guarded([this] { return Cursor(*this); });
}

bool Table::Cursor::next() {
    return table_.guarded([this] { return scan_.next(); });
}

Value Table::Cursor::value(std::size_t column) const {
    return table_.guarded([&] {
        const RowReader row(table_.definition_, scan_.row().bytes);
        return row.value(table_.definition_.columns.at(column), table_.pager_);
    });
}

std::vector<Value> Table::Cursor::values() const {
    return table_.guarded([&] {
        const RowReader row(table_.definition_, scan_.row().bytes);
        std::vector<Value> out;
        out.reserve(table_.definition_.columns.size());
        for (const Column& c : table_.definition_.columns)
            out.push_back(row.value(c, table_.pager_));
        return out;
    });
}

std::optional<std::vector<Value>> Table::readRow(RowPosition position) const {
    return guarded([&]() -> std::optional<std::vector<Value>> {
        std::optional<LocatedRow> found = locateRow(pager_, position);
        if (!found) return std::nullopt;
        const RowReader row(definition_, found->bytes);
        std::vector<Value> out;
        for (const Column& c : definition_.columns) out.push_back(row.value(c, pager_));
        return out;
    });
}

std::vector<RowPosition> Table::rowPositions() const {
    return guarded([this] {
        std::vector<RowPosition> out;
        TableScan scan(pager_, definition_);
        while (scan.next()) out.push_back(scan.row().position);
        return out;
    });
}

}  // namespace mdb
