// relationships.h: the relationships between tables that the database enforces.
//
// Access records each relationship in MSysRelationships, one row per column pair:
//   szRelationship      its name
//   grbit               flags: 0x1 one-to-one, 0x2 NOT enforced, 0x4 between linked tables
//                       (their own database enforces it), 0x100 cascade updates, 0x1000
//                       cascade deletes, 0x2000 set Null on delete (Access 2010)
//   ccolumn, icolumn    how many column pairs, and which one this row is (from 0)
//   szObject, szColumn  the table holding the foreign key (the child) and its column
//   szReferencedObject, szReferencedColumn    the referenced table (the parent) and column
// An enforced relationship also leaves a foreign-key logical index in both tables' definitions
// (table_definition.h): the child's names the parent's definition page and index (related
// table type 2), the parent's points back (type 1), and each carries the cascade bytes.
// Both are read; a foreign key found only in a definition is enforced too, named after its
// index, with the definition's cascade bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mdb {

class RuleTables;

struct Relationship {
    static constexpr std::uint32_t kOneToOne = 0x1;
    static constexpr std::uint32_t kNotEnforced = 0x2;
    static constexpr std::uint32_t kInherited = 0x4;
    static constexpr std::uint32_t kCascadeUpdates = 0x100;
    static constexpr std::uint32_t kCascadeDeletes = 0x1000;
    static constexpr std::uint32_t kCascadeNulls = 0x2000;

    std::string name;
    std::string childTable;  // holds the foreign key
    std::vector<std::string> childColumns;
    std::string parentTable;                 // is referred to
    std::vector<std::string> parentColumns;  // pairs with childColumns, in order
    std::uint32_t flags = 0;

    bool enforced() const { return (flags & (kNotEnforced | kInherited)) == 0; }
    bool cascadesDeletes() const { return (flags & kCascadeDeletes) != 0; }
    bool setsNullOnDelete() const { return (flags & kCascadeNulls) != 0; }
};

// Every relationship of the database, enforced or not, in MSysRelationships' order, then those
// found only in table definitions. Throws Error (Corrupt) when a relationship's rows disagree
// (a column pair missing or given twice), or when an enforced one names a table or column that
// does not exist.
std::vector<Relationship> readRelationships(RuleTables& database);

}  // namespace mdb
