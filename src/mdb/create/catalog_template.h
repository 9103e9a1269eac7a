// catalog_template.h: the four tables the database engine creates in every new Jet 4 database, as
// an empty database the engine made by itself (without Access) holds them.
//
//   MSysObjects        one row per object: containers, the database, tables, queries
//   MSysACEs           access rights: object, account (SID), rights mask, inheritable
//   MSysQueries        the stored queries' parts (empty)
//   MSysRelationships  the relationships (empty)
//
// They differ from a user table as the engine writes them: table type 'S', blocks sorted by
// name, column flags 0x10 added (0x20 too on the account columns Owner and SID), every column
// recording sort order 1033, and the flags of the primary keys without the required bit (0x81,
// where Access writes 0x89). docs/jet-format.md says where these facts come from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/table_definition.h"
#include "mdb/value.h"

namespace mdb {

// Object ids of the catalogue's fixed rows.
namespace object_id {
inline constexpr std::int32_t kRoot = 0x0F000000;  // parent of the three containers
inline constexpr std::int32_t kTables = 0x0F000001;
inline constexpr std::int32_t kDatabases = 0x0F000002;
inline constexpr std::int32_t kRelationships = 0x0F000003;
inline constexpr std::int32_t kDatabase = 0x10000000;  // MSysDb, the database's own object
}  // namespace object_id

// The system flag of MSysObjects rows the engine makes.
inline constexpr std::int32_t kSystemObjectFlags = static_cast<std::int32_t>(0x80000000u);
// ACM (rights mask) a new table's accounts get, as Jackcess gives them: every right.
inline constexpr std::int32_t kFullAccess = 0x000FFFFF;

// The definitions of MSysObjects, MSysACEs, MSysQueries and MSysRelationships, in that order,
// without pages (new_table_pages.h places them).
std::vector<TableDefinition> systemTableDefinitions();

// The accounts (SIDs) of the new database's access rights and object owners. The engine stores
// them encrypted with a key of its own, which is not known; these are the bytes such an empty
// database holds, and they go with that file's creation date (header_page.h): files that share a
// creation date share these bytes, files with different dates never do. The roles are guessed from
// the rights the accounts hold.
namespace sid {
// Owner of MSysDb (the database's owner); new tables take it as their Owner.
inline const Binary kDatabaseOwner{0x64, 0x8B};
// Owner of the containers and system tables.
inline const Binary kSystem{0x65, 0x89};
// Read rights on the system tables, full inheritable rights on the containers: the users.
inline const Binary kUsers{0x65, 0x8B};
// Inheritable rights F00FE on the Tables and Relationships containers: the creator.
inline const Binary kCreator{0x65, 0x8E};
}  // namespace sid

// That empty database's creation date (2015-11-21 22:40:31.98), which its SIDs go with.
double adoxCreationDate();

// An MSysObjects row as the engine writes one; the columns not named here are null.
struct CatalogRow {
    std::int32_t id = 0;
    std::int32_t parentId = 0;
    std::string name{};
    std::int16_t type = 0;  // CatalogEntry::Type
    Binary owner{};
    std::int32_t flags = 0;
    Binary properties{};  // LvProp; empty = null
};

// An MSysACEs row: the rights `rights` of account `sid` on object `objectId`.
struct AceRow {
    std::int32_t objectId = 0;
    Binary sid{};
    std::int32_t rights = 0;
    bool inheritable = false;
};

// The rows of a new database's MSysObjects and MSysACEs, in the order the engine stores them.
// `tablePages` are the definition pages of the four system tables (their ids).
std::vector<CatalogRow> systemCatalogRows(const std::vector<PageNumber>& tablePages);
std::vector<AceRow> systemAceRows(const std::vector<PageNumber>& tablePages);

// The rows' values in the column order of `objects` (MSysObjects) or `aces` (MSysACEs), both
// dates set to `created`. Throws Error (Corrupt) when the table lacks a column the row needs.
std::vector<Value> catalogRowValues(const TableDefinition& objects, const CatalogRow& row,
                                    DateTime created);
std::vector<Value> aceRowValues(const TableDefinition& aces, const AceRow& row);

}  // namespace mdb
