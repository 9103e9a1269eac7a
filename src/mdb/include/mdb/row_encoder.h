// row_encoder.h: a table's rows encoded on another thread than the one inserting them.
//
// Most of an insert's own work is turning the values into the row's bytes and the keys of its
// indexes, and that needs only the table's layout, not the file. A program that makes rows on one
// thread and inserts them on another lets the first do it: a RowEncoder (Table::rowEncoder) is a
// copy of the table's layout, usable on any thread (one encoder per thread), and
// Table::insertEncoded takes the values together with what the encoder made of them.
//
// The insert leaves exactly what insertInPlace of the same values leaves, refusals and messages
// included: it checks the row as ever and uses the encoded bytes and keys only where they are the
// ones it would make. Otherwise it encodes the values itself, so a row is never wrong, only
// slower: a row the encoder could not encode (one the table refuses, a Memo or OLE value stored
// outside the row), a table whose layout has changed since the encoder was made, a default the
// table's rules gave a column. The autonumber goes in at the insert: the encoder leaves its place.
#pragma once

#include <memory>
#include <span>

#include "mdb/value.h"

namespace mdb {

class RowEncoder;
class TableWriter;

// What an encoder made of one row; its buffers serve row after row.
class EncodedRow {
public:
    EncodedRow();
    ~EncodedRow();
    EncodedRow(EncodedRow&&) noexcept;
    EncodedRow& operator=(EncodedRow&&) noexcept;

    // Whether the last encode() encoded the row (else the insert encodes it).
    bool encoded() const;
    // Leaves the row to the insert to encode, as for a row the encoder could not encode.
    void clear();

    struct Parts;  // the engine's

private:
    friend class RowEncoder;
    friend class TableWriter;
    std::unique_ptr<Parts> parts_;
};

class RowEncoder {
public:
    struct Layout;  // the engine's
    explicit RowEncoder(std::shared_ptr<const Layout> layout);
    ~RowEncoder();
    // A copy shares the layout, not the buffers: one encoder per thread.
    RowEncoder(const RowEncoder& other);
    RowEncoder& operator=(const RowEncoder& other);

    // Encodes `values` (one per column, as insertInPlace takes them: autonumbers null, columns
    // not assigned null) into `row`. Never throws for a value: a row it cannot encode is left
    // for the insert, which refuses it or stores it as ever. Keeps its working buffers from row
    // to row, so that what it leaves in `row` is only what the insert needs.
    void encode(std::span<const Value> values, EncodedRow& row);

private:
    friend class TableWriter;
    struct Buffers;
    std::shared_ptr<const Layout> layout_;
    std::unique_ptr<Buffers> buffers_;
};

}  // namespace mdb
