// table_writer.h: inserting and deleting the rows of one table, keeping its pages, usage maps,
// long values, indexes and definition true.
//
// Each call is one operation of the pager (pager.h): everything that can refuse it is checked
// before anything changes, and its pages are in the file when it returns. A refused or failed
// operation leaves the file as it was.
//
// An insert changes: the long-value pages of Memo and OLE values too large for the row; the data
// page the row goes to (row_placer.h); one entry in every physical index; the definition's row
// count, its autonumber (the last value handed out) and each index's count of distinct keys.
// A delete reverses that, except the counts of distinct keys, which Access leaves as they are.
// Deleting every row hands the table's data pages, long-value pages and index pages (all but
// each root) back to the allocator, so that filling the table again reuses them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "file/pager.h"
#include "format/page_allocator.h"
#include "format/usage_map_writer.h"
#include "index/index_tree.h"
#include "mdb/row_encoder.h"
#include "mdb/table.h"
#include "row/long_value_writer.h"
#include "row/row_placer.h"
#include "rules/write_guard.h"

namespace mdb {

class TableWriter {
public:
    TableWriter(Pager& pager, Table& table);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // Inserts a row: one value per column in the definition's order (std::monostate = null, or
    // not assigned). Autonumber columns must be null and get the next number. Returns the new
    // row's position. Throws Error (Refused) with a provider-like message for a value that does
    // not fit its column, a duplicate or null key an index forbids, a row too large for a page;
    // (Unsupported) when the table has an index this engine cannot keep true.
    RowPosition insert(std::vector<Value> values);
    // The same for a row whose columns were not all assigned: assigned[i] false leaves column i
    // to the guard (its default value); every column counts as assigned without a guard.
    RowPosition insert(std::vector<Value> values, const std::vector<bool>& assigned);
    // The same on the caller's vector, which afterwards holds the row as stored (autonumbers and
    // defaults filled in): a caller posting many rows keeps its text buffers from row to row.
    RowPosition insertInPlace(std::vector<Value>& values, const std::vector<bool>& assigned);
    // The same, given what an encoder of this table made of `values` (mdb/row_encoder.h): its
    // bytes and keys are used where they are the ones this insert would make. Uses `encoded` up.
    RowPosition insertEncoded(std::vector<Value>& values, const std::vector<bool>& assigned,
                              EncodedRow& encoded);

    // From beginRun() to endRun(), inserts join one operation of up to kRunRows rows, which
    // saves each row the operation's own costs (page copies, joining the batch's group, writing
    // the definition's counters). What each insert leaves is what it would leave as its own
    // operation: a row refused before anything changes ends the operation with the rows before
    // it and throws; any other failure undoes the operation and writes its rows again one
    // operation each, so the failing row fails alone. Any other write ends the operation first.
    void beginRun();
    // Commits the rows of the run not yet committed. Throws as a commit does.
    void endRun();
    static constexpr std::size_t kRunRows = 256;

    // Deletes the live row at `position`. Throws Error (NotFound) when there is none.
    void remove(RowPosition position);

    // Deletes every row; returns how many the definition counted. Its freed pages are written
    // as it goes (Pager::allowEarlyWrites), so memory does not grow with the table; only an
    // I/O error can stop it once it has begun. When the guard says the rows must be looked at,
    // they are deleted one by one instead (as remove() does, cascades included) within the one
    // operation, and the count is of rows deleted.
    std::uint32_t removeAll();

    // Deletes the live row at `position` as part of the operation under way (a cascade started
    // by another table's delete). REQUIRES: the pager is writing.
    void removeWithin(RowPosition position);

    // Consulted before every insert and delete (write_guard.h); nullptr: none.
    void setGuard(WriteGuard* guard) { guard_ = guard; }

    // Why every write to this table is refused, or nullopt.
    std::optional<std::string> whyReadOnly();

private:
    struct State;
    struct Run;
    void refresh();
    // Begins an operation with the table as the file has it; throws, beginning nothing, when
    // the table cannot be written.
    void beginOperation();
    // Undoes the operation under way and forgets what the writer drew from its pages.
    void abandonOperation();
    template <class Work>
    decltype(auto) operation(Work&& work);
    // The insert itself, inside an operation; the counters are written unless a run defers them.
    // `encoded`, when given, is what an encoder made of `values`.
    RowPosition insertRow(std::vector<Value>& values, const std::vector<bool>& assigned,
                          EncodedRow* encoded = nullptr);
    RowPosition insertInRun(std::vector<Value>& values, const std::vector<bool>& assigned,
                            EncodedRow* encoded);
    // Gives the autonumber columns their new values; returns the new autonumber, if any.
    std::optional<std::uint32_t> assignAutoNumbers(std::vector<Value>& values);
    // Builds the row's key for each index from the key columns as `stored`, or takes the one
    // `encoder` built into `ready`, and checks it, refusing a duplicate or a null the index
    // forbids; state_->keyOf names them.
    void checkKeys(const std::vector<Value>& values, const std::vector<Value>& stored,
                   EncodedRow::Parts* ready, const RowEncoder::Layout* encoder);
    // Whether what `encoder` made of `values` is what this insert would make, now that the
    // autonumbers are set and the rules have seen the row.
    bool encodingFits(const RowEncoder::Layout& encoder, const std::vector<Value>& values,
                      const std::vector<bool>& assigned);
    void openRunOperation();
    // Writes the counters and commits the run's operation, if one is open.
    void commitRun();
    // After a failure that changed pages: the run's operation is undone and its rows are
    // inserted again one operation each, then the failing row alone.
    RowPosition replayRun(std::vector<Value>& values, const std::vector<bool>& assigned);
    void writeCounters();
    void removeRow(RowPosition position);

    WriteGuard* guard_ = nullptr;
    std::vector<bool> allAssigned_;  // insert(values)'s flags, kept from row to row

    Pager& pager_;
    Table& table_;
    std::unique_ptr<State> state_;
    std::unique_ptr<Run> run_;  // while a run is on
};

}  // namespace mdb
