#include "database/catalog.h"

#include "format/name_compare.h"
#include "format/table_definition.h"
#include "mdb/error.h"
#include "row/row_reader.h"
#include "row/table_scan.h"

namespace mdb {
namespace {

const Column* column(const TableDefinition& t, const char* name, bool required) {
    for (const Column& c : t.columns)
        if (sameName(c.name, name)) return &c;
    if (required)
        throw Error(Error::Kind::Corrupt,
                    std::string("the catalogue (MSysObjects) has no column ") + name);
    return nullptr;
}

template <class T>
T as(const Value& v, T fallback) {
    if (const T* p = std::get_if<T>(&v)) return *p;
    return fallback;
}

}  // namespace

std::vector<CatalogEntry> readCatalog(Pager& pager) {
    const TableDefinition t = readTableDefinition(pager, kCatalogPage);
    const Column* id = column(t, "Id", true);
    const Column* parentId = column(t, "ParentId", true);
    const Column* name = column(t, "Name", true);
    const Column* type = column(t, "Type", true);
    const Column* flags = column(t, "Flags", true);
    const Column* created = column(t, "DateCreate", false);
    const Column* updated = column(t, "DateUpdate", false);
    const Column* props = column(t, "LvProp", false);

    std::vector<CatalogEntry> entries;
    TableScan scan(pager, t);
    while (scan.next()) {
        const RowReader row(t, scan.row().bytes);
        CatalogEntry e;
        e.id = as<std::int32_t>(row.value(*id, pager), 0);
        e.parentId = as<std::int32_t>(row.value(*parentId, pager), 0);
        e.name = as<std::string>(row.value(*name, pager), "");
        e.type = as<std::int16_t>(row.value(*type, pager), 0);
        e.flags = static_cast<std::uint32_t>(as<std::int32_t>(row.value(*flags, pager), 0));
        if (created) e.created = as<DateTime>(row.value(*created, pager), {});
        if (updated) e.updated = as<DateTime>(row.value(*updated, pager), {});
        if (props) e.properties = as<Binary>(row.value(*props, pager), {});
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace mdb
