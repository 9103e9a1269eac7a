// table.h: one table of an open database: its definition, its indexes and its rows.
//
// Rows are read in storage order and are named by their position (page, row): the slot an index
// entry points at. Later code should keep positions, not rows, and read a row again by position.
// Index pages themselves are read elsewhere; a table exposes only its index definitions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/catalog.h"
#include "file/pager.h"
#include "format/table_definition.h"
#include "row/property_map.h"
#include "row/table_scan.h"
#include "row/value.h"

namespace mdb {

class Table {
public:
    // Reads the definition of the catalogue entry's table. Throws Error (Corrupt) naming the
    // file and table.
    Table(Pager& pager, CatalogEntry entry);

    const std::string& name() const { return entry_.name; }
    const CatalogEntry& catalogEntry() const { return entry_; }
    const TableDefinition& definition() const { return definition_; }
    const std::vector<Column>& columns() const { return definition_.columns; }
    const std::vector<Index>& indexes() const { return definition_.indexes; }
    const std::vector<PhysicalIndex>& physicalIndexes() const {
        return definition_.physicalIndexes;
    }
    // Column index into columns() by name, ignoring case; nullopt when absent.
    std::optional<std::size_t> findColumn(std::string_view name) const;

    // The row count and last autonumber the definition records (not a scan).
    std::uint32_t rowCount() const { return definition_.rowCount; }
    std::uint32_t lastAutoNumber() const { return definition_.autoNumber; }

    // Properties of the table itself (target "") and of its columns, from the catalogue.
    const std::vector<PropertyMap>& properties() const { return properties_; }

    class Cursor {
    public:
        // Moves to the next row; false at the end. The first call moves to the first row.
        bool next();
        RowPosition position() const { return scan_.row().position; }
        // Where the row's bytes are: differs from position() for overflow rows.
        RowPosition storedAt() const { return scan_.row().storedAt; }
        Value value(std::size_t column) const;
        std::vector<Value> values() const;

    private:
        friend class Table;
        explicit Cursor(const Table& table);
        const Table& table_;
        TableScan scan_;
    };
    Cursor scan() const;

    // The row at `position` (following an overflow pointer); nullopt when it is deleted.
    std::optional<std::vector<Value>> readRow(RowPosition position) const;
    std::vector<RowPosition> rowPositions() const;

private:
    friend class TableWriter;  // keeps the definition current as it writes
    template <class Work>
    decltype(auto) guarded(Work&& work) const;
    // Reads the definition again (a writer changed it, or another program may have).
    void reloadDefinition();

    Pager& pager_;
    CatalogEntry entry_;
    TableDefinition definition_;
    std::vector<PropertyMap> properties_;
};

}  // namespace mdb
