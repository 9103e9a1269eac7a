#include "create/table_creator.h"

#include <sys/time.h>

#include <chrono>
#include <ctime>

#include "create/catalog_template.h"
#include "create/new_table_pages.h"
#include "database/catalog.h"
#include "database/damage.h"
#include "database/table_writer.h"
#include "file/pager.h"
#include "format/name_compare.h"
#include "format/page_allocator.h"
#include "format/table_definition.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "mdb/table.h"
#include "platform/local_time.h"
#include "row/property_map.h"
#include "row/property_map_writer.h"
#include "row/row_writer.h"

namespace mdb {
namespace {

// The account Jackcess uses when a database names none (and empty.mdb's database owner).
const Binary kDefaultSid{0xA6, 0x33};

// Holds the write lock from construction to end(), and releases it however the work ends; within
// a caller's batch it leaves the lock, and the batch, to the caller.
class Batch {
public:
    explicit Batch(Pager& pager) : pager_(pager), own_(!pager.inBatch()) {
        if (own_) pager_.beginBatch();
    }
    ~Batch() {
        if (!own_) return;
        try {
            pager_.endBatch();
        } catch (const Error&) {
            // Only while another error unwinds: that one says what went wrong first.
        }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    void end() {
        if (!own_) return;
        own_ = false;
        pager_.endBatch();
    }

private:
    Pager& pager_;
    bool own_;
};

const CatalogEntry& systemTable(const std::vector<CatalogEntry>& catalog, const char* name) {
    for (const CatalogEntry& e : catalog)
        if (e.isLocalTable() && sameName(e.name, name)) return e;
    throw Error(Error::Kind::Corrupt, std::string("the catalogue has no table ") + name);
}

std::int32_t tablesContainer(const std::vector<CatalogEntry>& catalog) {
    for (const CatalogEntry& e : catalog)
        if (e.type == CatalogEntry::kContainer && sameName(e.name, "Tables")) return e.id;
    return object_id::kTables;
}

void refuseTakenName(const std::vector<CatalogEntry>& catalog, std::int32_t tables,
                     const std::string& name) {
    for (const CatalogEntry& e : catalog) {
        if (e.parentId != tables || !sameName(e.name, name)) continue;
        if (e.isLocalTable())
            throw Error(Error::Kind::Refused, "Table '" + e.name + "' already exists");
        throw Error(Error::Kind::Refused, "An object named '" + e.name + "' already exists");
    }
}

// The value of column `name` in a row of `table`, or null when it has no such column.
Value column(const Table& table, const std::vector<Value>& row, const char* name) {
    const std::optional<std::size_t> i = table.findColumn(name);
    return i && *i < row.size() ? row[*i] : Value{};
}

// The owner of MSysDb: who owns the database, and so the objects made in it.
Binary databaseOwner(const Table& objects) {
    Table::Cursor rows = objects.scan();
    while (rows.next()) {
        const std::vector<Value> row = rows.values();
        const Value name = column(objects, row, "Name");
        const Value type = column(objects, row, "Type");
        const auto* text = std::get_if<std::string>(&name);
        const auto* kind = std::get_if<std::int16_t>(&type);
        if (text == nullptr || kind == nullptr || *kind != CatalogEntry::kDatabase ||
            !sameName(*text, "MSysDb"))
            continue;
        const Value owner = column(objects, row, "Owner");
        if (const auto* sid = std::get_if<Binary>(&owner); sid != nullptr && !sid->empty())
            return *sid;
    }
    return kDefaultSid;
}

// An account's rights on a new table.
struct Grant {
    Binary sid;
    std::int32_t rights = kFullAccess;
};

// The rights the Tables container hands to whoever creates a table; Access 97 does not copy
// that entry to the table (its creator holds the owner's entry instead).
constexpr std::int32_t kCreatorRights = 0x000F00FE;

// The rights of the Tables container's entries, in storage order. Jet 4: every account on the
// container, with every right. Access 97 copies the inheritable entries with their rights, but
// the creator's.
std::vector<Grant> tableGrants(const Table& aces, std::int32_t tables, bool accessNinetySeven,
                               const Binary& owner) {
    std::vector<Grant> grants;
    Table::Cursor rows = aces.scan();
    while (rows.next()) {
        const std::vector<Value> row = rows.values();
        const Value object = column(aces, row, "ObjectId");
        const Value sid = column(aces, row, "SID");
        const auto* id = std::get_if<std::int32_t>(&object);
        const auto* bytes = std::get_if<Binary>(&sid);
        if (id == nullptr || *id != tables || bytes == nullptr) continue;
        if (!accessNinetySeven) {
            grants.push_back({*bytes, kFullAccess});
            continue;
        }
        const Value acm = column(aces, row, "ACM");
        const Value inheritable = column(aces, row, "FInheritable");
        const auto* rights = std::get_if<std::int32_t>(&acm);
        const auto* inherited = std::get_if<bool>(&inheritable);
        if (rights != nullptr && inherited != nullptr && *inherited && *rights != kCreatorRights)
            grants.push_back({*bytes, *rights});
    }
    if (grants.empty()) grants.push_back({accessNinetySeven ? owner : kDefaultSid, kFullAccess});
    return grants;
}

Binary propertiesOf(const TableDefinition& t, std::uint16_t codePage) {
    std::vector<PropertyMap> maps;
    for (const Column& c : t.columns) maps.push_back(columnPropertyMap(c));
    return encodePropertyMaps(maps, codePage);
}

// Writes the table's pages in one operation; returns its definition, placed.
TableDefinition writePages(Pager& pager, TableDefinition definition) {
    pager.beginWrite();
    try {
        PageAllocator allocator(pager);
        definition = writeNewTables(pager, allocator, {std::move(definition)}).front();
        pager.commit();
    } catch (...) {
        pager.rollback();
        throw;
    }
    return definition;
}

}  // namespace

void createTable(Pager& pager, const TableSchema& schema, DateTime created) {
    const JetFormat& format = formatOfPageSize(pager.pageSize());
    const bool accessNinetySeven = format.eightBitText;
    const std::uint16_t codePage = accessNinetySeven ? pager.codePage() : 0;
    TableDefinition definition = tableDefinitionFor(schema, format, codePage);
    const Binary properties = propertiesOf(definition, codePage);
    Batch batch(pager);
    withDamageContext(pager.fileName(), "", [&] {
        const std::vector<CatalogEntry> catalog = readCatalog(pager);
        const std::int32_t tables = tablesContainer(catalog);
        refuseTakenName(catalog, tables, schema.name);
        Table objects(pager, systemTable(catalog, "MSysObjects"));
        Table aces(pager, systemTable(catalog, "MSysACEs"));
        CatalogRow row{.parentId = tables,
                       .name = schema.name,
                       .type = CatalogEntry::kTable,
                       .owner = databaseOwner(objects),
                       .properties = properties};
        const std::vector<Grant> grants = tableGrants(aces, tables, accessNinetySeven, row.owner);
        // The catalogue row is checked before any page is written (its id does not change
        // whether it fits).
        (void)prepareRow(objects.definition(), catalogRowValues(objects.definition(), row, created),
                         objects.name());

        definition = writePages(pager, std::move(definition));
        row.id = static_cast<std::int32_t>(definition.page);
        TableWriter(pager, objects).insert(catalogRowValues(objects.definition(), row, created));
        TableWriter aceWriter(pager, aces);
        for (const Grant& g : grants)
            aceWriter.insert(aceRowValues(aces.definition(), {row.id, g.sid, g.rights, false}));
    });
    batch.end();
}

void createTable(const std::string& path, const TableSchema& schema) {
    createTables(path, {schema});
}

void createTables(const std::string& path, const std::vector<TableSchema>& schemas) {
    auto database = Database::open(path, OpenMode::ReadWrite);
    createTables(database->pager(), schemas, currentDateTime());
}

void createTables(Pager& pager, const std::vector<TableSchema>& schemas, DateTime created) {
    const JetFormat& format = formatOfPageSize(pager.pageSize());
    std::vector<TableDefinition> definitions;
    for (std::size_t i = 0; i < schemas.size(); ++i) {
        definitions.push_back(tableDefinitionFor(schemas[i], format, pager.codePage()));
        for (std::size_t j = 0; j < i; ++j)
            if (sameName(schemas[i].name, schemas[j].name))
                throw Error(Error::Kind::Refused, "Table '" + schemas[j].name + "' already exists");
    }
    // The lock is held from the checks to the last table.
    Batch batch(pager);
    withDamageContext(pager.fileName(), "", [&] {
        const std::vector<CatalogEntry> catalog = readCatalog(pager);
        const std::int32_t tables = tablesContainer(catalog);
        for (const TableSchema& schema : schemas) refuseTakenName(catalog, tables, schema.name);
    });
    // Each table is written in operations of its own: a file that ran out of room half way
    // would keep the first tables without the others.
    std::size_t pages = 0;
    for (const TableDefinition& t : definitions) pages += newTablePagesAtMost(t, pager.codePage());
    PageAllocator(pager).requireRoomAtEnd(pages);
    for (const TableSchema& schema : schemas) createTable(pager, schema, created);
    batch.end();
}

DateTime currentDateTime() {
    timeval now{};
    ::gettimeofday(&now, nullptr);
    const std::tm local = platform::localTime(now.tv_sec);
    using namespace std::chrono;
    const year_month_day date{year{local.tm_year + 1900},
                              month{static_cast<unsigned>(local.tm_mon + 1)},
                              day{static_cast<unsigned>(local.tm_mday)}};
    const auto days = (sys_days{date} - sys_days{1899y / December / 30}).count();
    const double secondOfDay = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                               static_cast<double>(now.tv_usec) / 1e6;
    return DateTime{static_cast<double>(days) + secondOfDay / 86400.0};
}

}  // namespace mdb
