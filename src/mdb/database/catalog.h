// catalog.h: the catalogue, table MSysObjects, whose definition is always on page 2.
//
// One row per object: tables, queries, forms, reports, containers. The columns read here:
//   Id        a table's Id is its definition page (low 24 bits)
//   ParentId  the container (0x0F000001 "Tables" for tables)
//   Name      the object's name
//   Type      1 local table, 4 ODBC-linked table, 5 query, 6 linked table, 3 container, ...
//   Flags     0x80000000 and 0x00000002 mark system objects, 0x00000008 hidden ones
//   LvProp    the object's and its columns' properties (property_map.h)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file/pager.h"
#include "format/format_constants.h"
#include "mdb/value.h"

namespace mdb {

struct CatalogEntry {
    enum Type : std::int16_t {
        kTable = 1,
        kDatabase = 2,
        kContainer = 3,
        kOdbcLinkedTable = 4,
        kQuery = 5,
        kLinkedTable = 6,
        kRelationship = 8,
    };
    static constexpr std::uint32_t kSystemFlags = 0x80000002;
    static constexpr std::uint32_t kHiddenFlag = 0x00000008;

    std::int32_t id = 0;
    std::int32_t parentId = 0;
    std::string name;
    std::int16_t type = 0;
    std::uint32_t flags = 0;
    DateTime created;
    DateTime updated;
    Binary properties;  // the LvProp blob; empty when null

    PageNumber tablePage() const { return static_cast<PageNumber>(id) & 0x00FFFFFF; }
    bool isLocalTable() const { return type == kTable; }
    bool isSystem() const { return (flags & kSystemFlags) != 0; }
    bool isHidden() const { return (flags & kHiddenFlag) != 0; }
    // A table the user made: local and not a system table (hidden ones included).
    bool isUserTable() const { return isLocalTable() && !isSystem(); }
};

// Reads every catalogue row, in storage order. Throws Error (Corrupt) when MSysObjects lacks a
// needed column or its pages are damaged.
std::vector<CatalogEntry> readCatalog(Pager& pager);

}  // namespace mdb
