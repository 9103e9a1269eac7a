// table.h: one table of an open database: its schema, its rows, and the writes to it.
//
// Rows are read in storage order and are named by their position (page, row), which holds until
// the row is deleted: keep positions, not rows, and read a row again by position.
//
// Each insert or delete is one operation: the database's own rules (defaults, Required,
// validation rules, relationships) and everything else that can refuse it are checked before
// anything changes, and its pages are in the file when it returns, unless a batch is open
// (database.h). A refused or failed operation leaves the file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mdb/row_encoder.h"
#include "mdb/row_position.h"
#include "mdb/schema.h"
#include "mdb/value.h"

namespace mdb {

// The engine's own types, which this interface only names.
class Database;
class Pager;
class TableScan;
class TableWriter;
struct CatalogEntry;
struct PropertyMap;
struct TableDefinition;

class Table {
public:
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::string& name() const;
    const std::vector<Column>& columns() const;
    const std::vector<Index>& indexes() const;
    const std::vector<PhysicalIndex>& physicalIndexes() const;
    // Column index into columns() by name, ignoring case; nullopt when absent.
    std::optional<std::size_t> findColumn(std::string_view name) const;

    // The row count and last autonumber the definition records (not a scan).
    std::uint32_t rowCount() const;
    std::uint32_t lastAutoNumber() const;
    // The first page of the table's definition: the table's id in the catalogue.
    PageNumber definitionPage() const;

    class Cursor {
    public:
        ~Cursor();
        Cursor(Cursor&&) noexcept;
        // Moves to the next row; false at the end. The first call moves to the first row.
        bool next();
        RowPosition position() const;
        // Where the row's bytes are: differs from position() for overflow rows.
        RowPosition storedAt() const;
        Value value(std::size_t column) const;
        std::vector<Value> values() const;

    private:
        friend class Table;
        explicit Cursor(const Table& table);
        const Table& table_;
        std::unique_ptr<TableScan> scan_;
    };
    Cursor scan() const;

    // The row at `position` (following an overflow pointer); nullopt when it is deleted.
    std::optional<std::vector<Value>> readRow(RowPosition position) const;
    std::vector<RowPosition> rowPositions() const;
    // Calls `each` with the position of every row, in scan order: the same as a scan's
    // positions, only cheaper, as the rows themselves are not read.
    void forEachRowPosition(const std::function<void(RowPosition)>& each) const;

    // Inserts a row: one value per column in columns() order (std::monostate = null).
    // Autonumber columns must be null and get the next number. Returns the new row's position.
    // Throws Error (Refused) with a provider-like message for a value that does not fit its
    // column, a duplicate or null key an index forbids, a rule the row breaks, a row too large
    // for a page; (Unsupported) when the table has an index this engine cannot keep true.
    RowPosition insert(std::vector<Value> values);
    // The same for a row whose columns were not all assigned: assigned[i] false leaves column i
    // its default value.
    RowPosition insert(std::vector<Value> values, const std::vector<bool>& assigned);
    // The same on the caller's vector, which afterwards holds the row as stored (autonumbers and
    // defaults filled in): a caller writing many rows keeps its text buffers from row to row.
    // In an insert run (below) it holds an earlier row's buffers instead.
    RowPosition insertInPlace(std::vector<Value>& values, const std::vector<bool>& assigned);
    // An encoder of this table's rows as the table is now, for use on any thread, and the insert
    // of a row it encoded (row_encoder.h): the same as insertInPlace(values, assigned), only
    // cheaper. REQUIRES: `encoded` was made from `values` (it is used up), by an encoder of
    // this table that (or a copy of which) still exists.
    RowEncoder rowEncoder() const;
    RowPosition insertEncoded(std::vector<Value>& values, const std::vector<bool>& assigned,
                              EncodedRow& encoded);
    // Between beginInsertRun() and endInsertRun(), inserts into this table are gathered into
    // operations of a few hundred rows: far cheaper per row, and each insert still leaves what
    // it would leave as an operation of its own (a refused row stores nothing and the rows
    // before it stay). The rows are in the file (or the batch's group) once their operation
    // ends: every few hundred rows, at endInsertRun(), or when this table is written otherwise.
    // Writing another table meanwhile is refused as another update under way; end the run
    // before the batch ends or the database closes, which would drop its unfinished operation.
    // endInsertRun() throws as a commit does.
    void beginInsertRun();
    void endInsertRun();
    // Inserts a row given by column name (ignoring case); the columns not named take their
    // defaults. Throws as insert() does, and Error (NotFound) for a name that is not a column of
    // the table.
    RowPosition insertByName(const std::vector<std::pair<std::string, Value>>& valuesByName);

    // Deletes the live row at `position` (and the rows relationships cascade to). Throws Error
    // (NotFound) when there is none.
    void remove(RowPosition position);
    // Deletes every row as one operation; returns how many were deleted.
    std::uint32_t removeAll();

    // The engine's own view of the table.
    Table(Pager& pager, CatalogEntry entry);  // reads the definition; throws Error (Corrupt)
    const CatalogEntry& catalogEntry() const;
    const TableDefinition& definition() const;
    // Properties of the table itself (target "") and of its columns, from the catalogue.
    const std::vector<PropertyMap>& properties() const;

private:
    friend class Database;     // lets the tables it opens write through its writers
    friend class TableWriter;  // keeps the definition current as it writes
    template <class Work>
    decltype(auto) guarded(Work&& work) const;
    // Reads the definition again (a writer changed it, or another program may have).
    void reloadDefinition();
    TableWriter& writer();

    Pager& pager_;
    std::unique_ptr<CatalogEntry> entry_;
    std::unique_ptr<TableDefinition> definition_;
    std::vector<PropertyMap> properties_;
    Database* database_ = nullptr;   // the database that opened the table; none in engine tests
    TableWriter* writer_ = nullptr;  // its writer of this table, found at the first write
};

}  // namespace mdb
