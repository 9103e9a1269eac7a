// read_ahead.h: reading and converting the lines of an import pass ahead of the posting.
//
// Reading a line, normalising it and converting its columns takes about a third of a pass; the
// posting takes the rest and cannot begin before. A second thread does the first part for the
// lines ahead while the run posts, so the two overlap. The run itself still goes line by line on
// its own thread, in the same order, with the same effects: each line arrives as read, and, when
// every column converted, as the row its fields would post; a line whose conversion failed is
// converted again by the run into the fields themselves, which raises the same error with the
// same fields assigned before it; and an error of the reader is raised where the reading of that
// line would have raised it.
//
// The columns are converted by scratch copies of the data module's fields (same name, kind and
// size), so the values and errors are exactly those of the fields themselves. Given the
// dataset's row shape, the thread makes the row the dataset would post from those fields and
// applies the pass's rule for keeping a record, so that the run has only the row to write; while
// it is ahead of the run it also encodes the kept rows for the table (mdb/row_encoder.h).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/dataset.h"
#include "data/field.h"
#include "import/column_layout.h"
#include "import/text_file_reader.h"
#include "mdb/row_encoder.h"
#include "mdb/value.h"

namespace importer {

// One line of the file as the run needs it.
struct ConvertedLine {
    bool empty = false;            // nothing was read before the line end
    std::string text;              // the line as read
    bool converted = false;        // every column converted
    std::exception_ptr readError;  // reading the line failed: nothing else is set
    bool last = false;             // the file has ended after this line
    std::exception_ptr endError;   // looking for more lines failed: raise after this one
    std::int64_t consumed = 0;     // bytes of the file taken up to here
    // Made when the read-ahead was given the dataset's row shape and every column converted:
    // the row the dataset would post (Dataset::postRow), and whether the pass's rule keeps it.
    bool prepared = false;
    bool accepted = true;
    std::vector<mdb::Value> row;
    mdb::EncodedRow encoded;  // the row encoded for the table, when it is kept and was encoded
};

// A pass's rule for keeping a record, asked of the line's fields (in mapping order).
using RecordRule = std::function<bool(const std::vector<data::Field*>& fields)>;

class ReadAhead {
public:
    // Starts reading the lines after the current position of `reader` (which must be open, its
    // title row already read). The reader belongs to the read-ahead until it is destroyed.
    ReadAhead(TextFileReader& reader, const ColumnLayout& layout,
              const std::vector<data::Field*>& fields);
    // The same, also making each line's row for the dataset of `shape` (Dataset::rowShape of
    // `fields`), and asking `accepts` (when given) whether the record is kept: the posting
    // thread then only writes it.
    ReadAhead(TextFileReader& reader, const ColumnLayout& layout,
              const std::vector<data::Field*>& fields, const data::RowShape& shape,
              RecordRule accepts = {});
    // Stops the reading thread and waits for it.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next line, valid until the next call. REQUIRES: the previous line was not `last` and
    // carried no error of the reader.
    ConvertedLine& next();

    // Assigns `line`'s columns to `fields` (the data module's, in mapping order) by the layout's
    // fill: the same values, or the same conversion error after the same earlier columns. The
    // line's text is used up.
    static void assign(ConvertedLine& line, const ColumnLayout& layout,
                       const std::vector<data::Field*>& fields);

private:
    void start(const std::vector<data::Field*>& fields);

    struct Shared;
    std::unique_ptr<Shared> shared_;
};

}  // namespace importer
