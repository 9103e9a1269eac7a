#include "import/import_run.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <future>
#include <optional>
#include <vector>

#include "data/error_text.h"
#include "data/file_exists.h"
#include "data/messages.h"
#include "data/user_error.h"
#include "import/concurrent_check.h"
#include "import/detail_layout.h"
#include "import/header_layout.h"
#include "import/input_check.h"
#include "import/read_ahead.h"
#include "import/row_origins.h"
#include "import/text_file_reader.h"

namespace importer {
namespace {

const std::string kDeleteHeaders = "delete from testate";
const std::string kDeleteDetails = "delete from DettaglioVoci";

// Holds the database against other writers from the first write to the end of the run. A run
// that fails still releases it; the error that ended the run is the one reported.
class WriteBatch {
public:
    explicit WriteBatch(data::Connection& connection) : connection_(connection) {}
    ~WriteBatch() {
        if (!open_) return;
        try {
            connection_.endBatch();
        } catch (...) {  // the run's own error is already on its way
        }
    }
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // Does nothing when the batch has begun already.
    void begin() {
        if (open_) return;
        connection_.beginBatch();
        open_ = true;
    }
    void end() {
        if (!open_) return;
        open_ = false;
        connection_.endBatch();
    }

private:
    data::Connection& connection_;
    bool open_ = false;
};

// The run's steps, sharing the host, the data module and the one reader.
class Run {
public:
    Run(const ImportRequest& request, data::TDM& dm, ImportHost& host)
        : request_(request), dm_(dm), host_(host), batch_(dm.Con) {}

    ImportOutcome go();

private:
    void reopen(data::Dataset& dataset);
    void checkFilesWhileOpening();
    void deleteHeaders();
    void headerPass();
    void detailPass();
    void executeStatement(const std::string& statement);
    // After a failed write of the database file (`failure`, the engine's text): what each table
    // holds, as the message the run ends with; empty when that cannot be told.
    std::string tablesAfterWriteFailure(const data::DatabaseIoError& failure);
    std::string tableAfterWriteFailure(data::Dataset& table, const RowOrigins& origins,
                                       const std::string& path);
    void step();  // "PB.Position := PB.Position + 1": the bar caps it at its maximum
    void readTitleRow();
    // The lines of the open reader after its title row, each given to handle(line, fields)
    // between the bar's two steps, under the activity text; the bar's maximum follows the size.
    // The read-ahead makes each line's row for `dataset` and asks `accepts` whether it is kept.
    template <class Handle>
    void readLines(Pass pass, const std::string& activity, const ColumnLayout& layout,
                   data::Dataset& dataset, const RecordRule& accepts, Handle&& handle);
    // The next line of the pass; raises the reader's error where reading it failed.
    static ConvertedLine& nextLine(ReadAhead& ahead);
    // Whether the pass has read its last line; raises the reader's error when looking failed.
    static bool endOfFile(const ConvertedLine& line);

    const ImportRequest& request_;
    data::TDM& dm_;
    ImportHost& host_;
    WriteBatch batch_;
    TextFileReader reader_;
    std::string line_;
    std::int64_t lineNumber_ = 0;  // of the line being handled, the title row being line 1
    Pass filling_ = Pass::Header;
    bool detailsDeleted_ = false;
    RowOrigins headerRows_, detailRows_;
};

ImportOutcome Run::go() {
    reader_.bind(request_.headerPath);
    checkFilesWhileOpening();

    bool proceed = true;
    if (dm_.TTestate.recordCount() > 0 || dm_.TDettaglioVoci.recordCount() > 0) {
        if (host_.ask(msg::kDeleteExistingData)) {
            batch_.begin();
            deleteHeaders();
        } else {
            proceed = false;
        }
    }
    host_.activity("");
    host_.setProgressPosition(0);
    if (!proceed) return ImportOutcome::NotConfirmed;

    batch_.begin();  // unless the deletion began it
    try {
        headerPass();
        detailPass();
        batch_.end();
    } catch (const data::DatabaseIoError& failure) {
        // The engine's own message says the database is as it was before the rows it could not
        // write, which reads as if nothing had happened: the roll is half loaded.
        const std::string account = tablesAfterWriteFailure(failure);
        if (account.empty()) throw;
        throw data::UserError(account);
    }
    host_.tell(msg::kImportDone);
    return ImportOutcome::Completed;
}

void Run::reopen(data::Dataset& dataset) {
    dataset.close();
    dataset.open();
}

// The tables are opened (which reads through them) on a thread of their own while the files are
// checked. The outcome is the same as doing it all in turn: an error opening a table comes
// first, then the header file's error, then the detail file's.
void Run::checkFilesWhileOpening() {
    const auto report = [this](Pass pass) {
        return [this, pass](std::int64_t lines, std::int64_t bytes, std::int64_t size) {
            host_.linesRead(pass, lines, bytes, size);
        };
    };
    std::future<void> opened = std::async(std::launch::async, [this] {
        reopen(dm_.TTestate);
        reopen(dm_.TDettaglioVoci);
    });
    // Each file in two parts keeps both processors busy; the header file's first part is
    // checked here, reporting every line.
    ConcurrentCheck headers(request_.headerPath, headerLayout(), dm_, 2,
                            ConcurrentCheck::kMinPartBytes, ConcurrentCheck::FirstPart::InFinish);
    ConcurrentCheck details(request_.detailPath, detailLayout(), dm_, 2);
    try {
        headers.finish(report(Pass::CheckHeader));
    } catch (...) {
        opened.get();  // its error, if it has one, comes first
        throw;
    }
    opened.get();
    details.finish(report(Pass::CheckDetail));
}

void Run::deleteHeaders() {
    data::Dataset& headers = dm_.TTestate;
    headers.first();
    host_.setProgressMaximum(
        static_cast<int>(std::min<std::size_t>(headers.recordCount(), INT_MAX)));
    host_.activity(msg::kDeletingHeaders);
    executeStatement(kDeleteHeaders);
    reopen(headers);
    while (!headers.eof()) {
        headers.deleteRecord();
        step();
    }
}

void Run::executeStatement(const std::string& statement) {
    dm_.Q.close();
    dm_.Q.setStatement(statement);
    dm_.Q.execute();
}

std::string Run::tablesAfterWriteFailure(const data::DatabaseIoError& failure) {
    if (!failure.changesUndone) return {};
    try {
        const std::string headers =
            tableAfterWriteFailure(dm_.TTestate, headerRows_, request_.headerPath);
        const std::string details =
            detailsDeleted_
                ? tableAfterWriteFailure(dm_.TDettaglioVoci, detailRows_, request_.detailPath)
                : msg::tableHoldsPreviousData(dm_.TDettaglioVoci.tableName());
        if (headers.empty() || details.empty()) return {};
        const data::Dataset& filling = filling_ == Pass::Header ? dm_.TTestate : dm_.TDettaglioVoci;
        return msg::importStoppedByWriteFailure(failure.cause, filling.tableName(), headers,
                                                details);
    } catch (const data::UserError&) {
        return {};  // the tables cannot be read back: the engine's message stands
    }
}

// The rows in the file are counted anew: those of the failed write are not among them.
std::string Run::tableAfterWriteFailure(data::Dataset& table, const RowOrigins& origins,
                                        const std::string& path) {
    reopen(table);
    const std::uint64_t rows = table.recordCount();
    if (rows == 0) return msg::tableIsEmpty(table.tableName());
    if (rows > origins.rows()) return {};  // rows this run did not post
    if (const std::optional<std::int64_t> line = origins.lineOf(rows)) {
        return msg::tableHoldsRowsUpTo(table.tableName(), path, *line);
    }
    return msg::tableHoldsRows(table.tableName(), path, rows);
}

void Run::step() { host_.setProgressPosition(host_.progressPosition() + 1); }

void Run::readTitleRow() { reader_.readLine(line_); }

ConvertedLine& Run::nextLine(ReadAhead& ahead) {
    ConvertedLine& line = ahead.next();
    if (line.readError) std::rethrow_exception(line.readError);
    return line;
}

bool Run::endOfFile(const ConvertedLine& line) {
    if (line.endError) std::rethrow_exception(line.endError);
    return line.last;
}

// Releases the reader's file however a pass ends.
class ReleaseOnExit {
public:
    explicit ReleaseOnExit(TextFileReader& reader) : reader_(reader) {}
    ~ReleaseOnExit() { reader_.close(); }
    ReleaseOnExit(const ReleaseOnExit&) = delete;
    ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;

private:
    TextFileReader& reader_;
};

// Gathers a pass's posts into few operations of the engine (data/dataset.h). A pass that fails
// still ends the run, so that the rows posted before the failing line stay; the error that
// ended the pass is the one reported.
class PostingRun {
public:
    explicit PostingRun(data::Dataset& dataset) : dataset_(dataset) { dataset_.beginPostingRun(); }
    ~PostingRun() {
        try {
            dataset_.endPostingRun();
        } catch (...) {  // the pass's own error is already on its way
        }
    }
    PostingRun(const PostingRun&) = delete;
    PostingRun& operator=(const PostingRun&) = delete;

    void end() { dataset_.endPostingRun(); }

private:
    data::Dataset& dataset_;
};

void Run::headerPass() {
    const ReleaseOnExit release(reader_);
    // A header file removed since the first step leaves the reader unopened, and reading its
    // size then fails with "I/O error 103".
    if (data::namesExistingFile(request_.headerPath)) reader_.open();
    data::Dataset& headers = dm_.TTestate;
    PostingRun posting(headers);
    readLines(Pass::Header, msg::kImportingHeaders, headerLayout(), headers, {},
              [&](ConvertedLine& line, const std::vector<data::Field*>& fields,
                  const data::RowShape& shape) {
                  // An empty line (a trailing empty line) would be an empty document in the
                  // roll: it makes no record, but still counts.
                  if (line.empty) return;
                  if (line.prepared && headers.postRow(line.row, shape, line.encoded)) {
                      headerRows_.posted(lineNumber_);
                      return;
                  }
                  // Through the fields: a refused row is refused again, leaving them set.
                  headers.append();
                  ReadAhead::assign(line, headerLayout(), fields);
                  headers.post();
                  headerRows_.posted(lineNumber_);
              });
    posting.end();
}

void Run::detailPass() {
    const ReleaseOnExit release(reader_);
    reader_.bind(request_.detailPath);
    reader_.open();
    executeStatement(kDeleteDetails);
    detailsDeleted_ = true;
    filling_ = Pass::Detail;
    data::Dataset& details = dm_.TDettaglioVoci;
    PostingRun posting(details);
    // The rule asks the read-ahead's own fields, in the layout's order.
    const std::vector<data::Field*> mapped = detailLayout().fieldsOf(dm_);
    const auto indexOf = [&](const data::Field& field) {
        return static_cast<std::size_t>(std::find(mapped.begin(), mapped.end(), &field) -
                                        mapped.begin());
    };
    const std::size_t categoria = indexOf(dm_.TDettaglioVocicategoria);
    const std::size_t umQuantita = indexOf(dm_.TDettaglioVociumquantita);
    const RecordRule accepts = [categoria, umQuantita](const std::vector<data::Field*>& line) {
        return acceptsDetail(*line.at(categoria), *line.at(umQuantita));
    };
    readLines(Pass::Detail, msg::kImportingDetails, detailLayout(), details, accepts,
              [&](ConvertedLine& line, const std::vector<data::Field*>& fields,
                  const data::RowShape& shape) {
                  if (line.prepared) {
                      if (!line.accepted) {
                          details.append();
                          details.cancel();
                          return;
                      }
                      if (details.postRow(line.row, shape, line.encoded)) {
                          detailRows_.posted(lineNumber_);
                          return;
                      }
                  }
                  // Through the fields: a refused row is refused again, leaving them set.
                  details.append();
                  ReadAhead::assign(line, detailLayout(), fields);
                  if (acceptsDetail(dm_.TDettaglioVocicategoria, dm_.TDettaglioVociumquantita)) {
                      details.post();
                      detailRows_.posted(lineNumber_);
                  } else {
                      details.cancel();
                  }
              });
    posting.end();
}

template <class Handle>
void Run::readLines(Pass pass, const std::string& activity, const ColumnLayout& layout,
                    data::Dataset& dataset, const RecordRule& accepts, Handle&& handle) {
    const std::int64_t size = reader_.size();
    host_.setProgressMaximum(progressMaximumFor(size));
    host_.activity(activity);
    readTitleRow();
    const std::vector<data::Field*> fields = layout.fieldsOf(dm_);
    const data::RowShape shape = dataset.rowShape(fields);
    ReadAhead ahead(reader_, layout, fields, shape, accepts);
    lineNumber_ = 1;
    for (;;) {
        ConvertedLine& line = nextLine(ahead);
        ++lineNumber_;
        step();
        handle(line, fields, shape);
        step();
        host_.linesRead(pass, lineNumber_, line.consumed, size);
        if (endOfFile(line)) break;
    }
}

}  // namespace

int progressMaximumFor(std::int64_t bytes) {
    if (bytes <= 0) return 0;
    return static_cast<int>(std::min<std::int64_t>(bytes / 128 / 200, INT_MAX));
}

ImportOutcome runImport(const ImportRequest& request, data::TDM* dm, ImportHost& host) {
    // The detail file is tested only when the header file exists.
    if (!data::namesExistingFile(request.headerPath) ||
        !data::namesExistingFile(request.detailPath)) {
        host.filesNotFound();
        return ImportOutcome::FilesNotFound;
    }
    if (dm == nullptr) throw data::UserError(msg::kNoDatabaseConnected);
    if (!dm->Con.namesDatabase(request.databasePath)) {
        throw data::UserError(msg::kNotTheConnectedDatabase);
    }
    return Run(request, *dm, host).go();
}

}  // namespace importer
