#include "create/catalog_template.h"

#include <bit>

#include "create/table_schema.h"
#include "format/name_compare.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::uint8_t kSystemColumnFlag = 0x10;
constexpr std::uint8_t kAccountColumnFlag = 0x20;
// Binary columns of the catalogue hold up to 510 bytes, more than a user's Binary column may.
constexpr std::uint16_t kSystemBinaryLength = 510;
// The bits of adox_jet4.mdb's creation date, 42329.944803009 days.
constexpr std::uint64_t kAdoxCreationDateBits = 0x40E4AB3E3BD3853EULL;

ColumnSchema column(std::string name, ColumnType type) {
    return columnSchema(std::move(name), type);
}
ColumnSchema text(std::string name) { return columnSchema(std::move(name), ColumnType::Text, 255); }
ColumnSchema binary(std::string name) {
    return columnSchema(std::move(name), ColumnType::Binary, 255);
}

// A user table's definition turned into the engine's own: see the header comment.
// `indexFlags` are the physical indexes' flags, in order.
TableDefinition systemTable(const TableSchema& schema, std::vector<std::uint8_t> indexFlags) {
    TableDefinition t = tableDefinitionFor(schema);
    t.tableType = 'S';
    t.blockOrder = TableDefinition::BlockOrder::ByName;
    for (Column& c : t.columns) {
        c.flags |= kSystemColumnFlag;
        if (sameName(c.name, "Owner") || sameName(c.name, "SID")) c.flags |= kAccountColumnFlag;
        if (c.type == ColumnType::Binary) c.length = kSystemBinaryLength;
    }
    for (std::size_t i = 0; i < t.physicalIndexes.size(); ++i)
        t.physicalIndexes[i].flags = indexFlags.at(i);
    return t;
}

TableDefinition objects() {
    using T = ColumnType;
    const TableSchema s{
        .name = "MSysObjects",
        .columns = {column("Id", T::Long), column("ParentId", T::Long), text("Name"),
                    column("Type", T::Integer), column("DateCreate", T::DateTime),
                    column("DateUpdate", T::DateTime), binary("Owner"), column("Flags", T::Long),
                    column("Database", T::Memo), column("Connect", T::Memo), text("ForeignName"),
                    binary("RmtInfoShort"), column("RmtInfoLong", T::Ole), column("Lv", T::Ole),
                    column("LvProp", T::Ole), column("LvModule", T::Ole),
                    column("LvExtra", T::Ole)},
        .indexes = {indexSchema("ParentIdName", {"ParentId", "Name"}, IndexSchema::Kind::Unique),
                    indexSchema("Id", {"Id"}, IndexSchema::Kind::PrimaryKey)}};
    return systemTable(s, {0x81, 0x81});  // unique, the primary key too
}

TableDefinition aces() {
    const TableSchema s{
        .name = "MSysACEs",
        .columns = {column("ObjectId", ColumnType::Long), binary("SID"),
                    column("ACM", ColumnType::Long), column("FInheritable", ColumnType::Boolean)},
        .indexes = {indexSchema("ObjectId", {"ObjectId"}, IndexSchema::Kind::Normal)}};
    return systemTable(s, {0x88});  // required
}

TableDefinition queries() {
    using T = ColumnType;
    const TableSchema s{
        .name = "MSysQueries",
        .columns = {column("ObjectId", T::Long), column("Attribute", T::Byte), binary("Order"),
                    text("Name1"), text("Name2"), column("Expression", T::Memo),
                    column("Flag", T::Integer), column("LvExtra", T::Long)},
        .indexes = {indexSchema("ObjectIdAttribute", {"ObjectId", "Attribute", "Order"},
                                IndexSchema::Kind::PrimaryKey)}};
    return systemTable(s, {0x81});  // unique
}

TableDefinition relationships() {
    using T = ColumnType;
    const TableSchema s{
        .name = "MSysRelationships",
        .columns = {text("szRelationship"), column("grbit", T::Long), column("ccolumn", T::Long),
                    column("icolumn", T::Long), text("szObject"), text("szColumn"),
                    text("szReferencedObject"), text("szReferencedColumn")},
        .indexes = {
            indexSchema("szRelationship", {"szRelationship"}, IndexSchema::Kind::Normal),
            indexSchema("szObject", {"szObject"}, IndexSchema::Kind::Normal),
            indexSchema("szReferencedObject", {"szReferencedObject"}, IndexSchema::Kind::Normal)}};
    return systemTable(s, {0x82, 0x82, 0x82});  // ignore nulls
}

// Sets the value of column `name` in `values` (laid out as `t`'s columns).
void set(const TableDefinition& t, std::vector<Value>& values, const char* name, Value value) {
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        if (!sameName(t.columns[i].name, name)) continue;
        values[i] = std::move(value);
        return;
    }
    throw Error(Error::Kind::Corrupt, std::string("the catalogue has no column ") + name);
}

}  // namespace

std::vector<Value> catalogRowValues(const TableDefinition& objects, const CatalogRow& row,
                                    DateTime created) {
    std::vector<Value> values(objects.columns.size());
    set(objects, values, "Id", row.id);
    set(objects, values, "ParentId", row.parentId);
    set(objects, values, "Name", row.name);
    set(objects, values, "Type", row.type);
    set(objects, values, "DateCreate", created);
    set(objects, values, "DateUpdate", created);
    set(objects, values, "Owner", row.owner);
    set(objects, values, "Flags", row.flags);
    if (!row.properties.empty()) set(objects, values, "LvProp", row.properties);
    return values;
}

std::vector<Value> aceRowValues(const TableDefinition& aces, const AceRow& row) {
    std::vector<Value> values(aces.columns.size());
    set(aces, values, "ObjectId", row.objectId);
    set(aces, values, "SID", row.sid);
    set(aces, values, "ACM", row.rights);
    set(aces, values, "FInheritable", row.inheritable);
    return values;
}

std::vector<TableDefinition> systemTableDefinitions() {
    return {objects(), aces(), queries(), relationships()};
}

double adoxCreationDate() { return std::bit_cast<double>(kAdoxCreationDateBits); }

std::vector<CatalogRow> systemCatalogRows(const std::vector<PageNumber>& tablePages) {
    using namespace object_id;
    std::vector<CatalogRow> rows = {
        {kTables, kRoot, "Tables", 3, sid::kSystem, kSystemObjectFlags},
        {kDatabases, kRoot, "Databases", 3, sid::kSystem, kSystemObjectFlags},
        {kRelationships, kRoot, "Relationships", 3, sid::kSystem, kSystemObjectFlags},
        {kDatabase, kDatabases, "MSysDb", 2, sid::kDatabaseOwner, kSystemObjectFlags},
    };
    const char* names[] = {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};
    for (std::size_t i = 0; i < tablePages.size() && i < 4; ++i)
        rows.push_back({static_cast<std::int32_t>(tablePages[i]), kTables, names[i], 1,
                        sid::kSystem, kSystemObjectFlags});
    return rows;
}

std::vector<AceRow> systemAceRows(const std::vector<PageNumber>& tablePages) {
    using namespace object_id;
    const auto page = [&](std::size_t i) { return static_cast<std::int32_t>(tablePages.at(i)); };
    const std::int32_t objects = page(0), aces = page(1), queries = page(2),
                       relationships = page(3);
    // In adox_jet4.mdb's storage order.
    return {
        {objects, sid::kDatabaseOwner, 0x60000, false},
        {aces, sid::kDatabaseOwner, 0x60000, false},
        {queries, sid::kDatabaseOwner, 0x60000, false},
        {relationships, sid::kDatabaseOwner, 0xE0000, false},
        {kTables, sid::kCreator, 0xF00FE, true},
        {kTables, sid::kDatabaseOwner, 0x60001, false},
        {kRelationships, sid::kCreator, 0xF00FE, true},
        {kRelationships, sid::kDatabaseOwner, 0x60001, false},
        {kDatabases, sid::kDatabaseOwner, 0x60000, false},
        {kDatabase, sid::kDatabaseOwner, 0x6000E, false},
        {kDatabase, sid::kUsers, 0x0000E, false},
        {queries, sid::kUsers, 0x00014, false},
        {relationships, sid::kUsers, 0x00014, false},
        {objects, sid::kUsers, 0x00014, false},
        {kTables, sid::kUsers, 0xFFEFF, true},
        {kRelationships, sid::kUsers, 0xFFFFF, true},
    };
}

}  // namespace mdb
