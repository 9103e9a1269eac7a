// dataset.h: a table dataset of the data module (`TTestate`, `TDettaglioVoci`): the rows of one
// table behind a cursor, and new records appended one at a time through the dataset's fields.
//
// Opening runs the dataset's "select * from <table>": it finds the table, binds each field to the
// column of its name (ignoring case) and notes where the table's rows are. Only their positions
// are kept, never their values, so counting and deleting the rows of a large table costs a few
// bytes a row. Appended records are written at once, one row per post; the cursor moves over the
// rows found by open, not over rows posted since.
//
// Errors about the dataset itself carry its name first ("TTestate: Field 'iva' not found");
// errors of the database engine keep its own text, without a final point and without prefix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/field.h"
#include "mdb/row_encoder.h"
#include "mdb/row_position.h"
#include "mdb/schema.h"
#include "mdb/value.h"

namespace mdb {
class Database;
class Table;
}  // namespace mdb

namespace data {

// How a record whose fields are all assigned becomes a row of its table (Dataset::rowShape).
struct RowShape {
    std::vector<std::size_t> columnOf;       // per field: its column's index in the table
    std::vector<bool> assigned;              // per column: a field assigns it
    std::size_t columns = 0;                 // in the table
    std::optional<mdb::RowEncoder> encoder;  // of the table's rows; one thread per copy

    // The row post() makes of `fields` (the fields rowShape was given, in that order, all
    // assigned): each field's value in its column, every other column null. `row` keeps its
    // texts' buffers from call to call.
    void fill(const std::vector<Field*>& fields, std::vector<mdb::Value>& row) const;
    // Encodes such a row for postRow, so that the posting thread need not (mdb/row_encoder.h).
    void encode(const std::vector<mdb::Value>& row, mdb::EncodedRow& encoded);
};

class Dataset {
public:
    enum class State { Inactive, Browse, Insert };

    // `fields` are the persistent fields, in the table's field order; they must outlive the
    // dataset, which takes over their store hooks.
    Dataset(std::string name, Connection& connection, std::string tableName,
            std::vector<Field*> fields);
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    const std::string& name() const { return name_; }
    const std::string& tableName() const { return tableName_; }
    std::string commandText() const { return "select * from " + tableName_; }
    const std::vector<Field*>& fields() const { return fields_; }
    State state() const { return state_; }
    bool active() const { return state_ != State::Inactive; }

    // Connects the connection first when it is not connected. Does nothing when already open.
    void open();
    // Discards a record being appended; nothing of it is written.
    void close();

    // The rows found by the last open; rows posted since are counted from the next open.
    std::size_t recordCount() const;
    void first();
    // Deletes the current row from the table at once and moves to the next row, or to the
    // previous one when it was the last; deleting the only row left sets eof().
    void deleteRecord();  // the dataset's "Delete"
    // True when the dataset holds no rows or the cursor moved past the last one.
    bool eof() const;

    // Starts a new record with every field null. A record being appended is posted first when a
    // field was assigned, else dropped.
    void append();
    // Writes the appended record as one new row, with the fields assigned since append() in the
    // order of their first assignment; columns never assigned get the table's default value
    // (the engine's rules, mdb/table_rules.h) or stay null. If the database refuses the row
    // (its rules, mdb/database_rules.h), nothing is stored and the record stays appended. Does
    // nothing when no record is being appended.
    void post();
    void cancel();

    // Posts between beginPostingRun() and endPostingRun() are written a few hundred rows per
    // operation of the engine (mdb/table.h, insert runs), which makes a long series of posts
    // much cheaper; each post still stores its row or refuses it as it would alone. End the run
    // before the batch ends or anything else is written. endPostingRun() raises the engine's
    // error when writing the last rows fails; it does nothing when no run was begun.
    void beginPostingRun();
    void endPostingRun();

    // For a record assigning each of `fields` (this dataset's, in that order) once: the row
    // post() makes of it, so that another thread can build it ahead (storeColumnValue of each
    // field's value into its column, the other columns null).
    RowShape rowShape(const std::vector<Field*>& fields) const;
    // Appends and posts such a record given as its row, without the fields: the same checks and
    // the same row as append(), assigning every field and post(). Returns false when the
    // database refuses the row; nothing is stored then and the record stays appended, with no
    // field assigned. Raises every other error as post() does. `row` is left holding buffers
    // for the next row. `encoded` is what shape.encode() made of `row`, or nothing (it is used
    // up either way).
    bool postRow(std::vector<mdb::Value>& row, const RowShape& shape, mdb::EncodedRow& encoded);

private:
    [[noreturn]] void fail(const std::string& text) const;
    void requireActive() const;
    mdb::Database& database() const;
    mdb::Table& writer();  // the table written to, found once per open
    void bindFields(const mdb::Table& table);
    void noteAssignment(std::size_t field);
    void clearRecord();
    void finishPendingRecord();

    std::string name_;
    Connection& connection_;
    std::string tableName_;
    std::vector<Field*> fields_;
    std::vector<std::size_t> columnOf_;  // per field: its column's index in the table
    std::size_t columnCount_ = 0;

    State state_ = State::Inactive;
    const mdb::Database* openedOn_ = nullptr;  // the database the rows were read from
    mdb::Table* writer_ = nullptr;
    mdb::Table* running_ = nullptr;  // the table of the posting run under way
    // The rows found by open, as 4-byte row pointers (page << 8 | row): a million rows take
    // 4 MB.
    std::deque<std::uint32_t> rows_;
    std::size_t current_ = 0;
    bool eof_ = true;
    std::vector<bool> assigned_;              // per field, since the last append
    std::vector<std::size_t> assignedOrder_;  // fields in the order of their first assignment
    std::vector<mdb::Value> rowValues_;       // post's row, per column, kept for its buffers
    std::vector<bool> rowAssigned_;           // per column: assigned by a field
};

}  // namespace data
