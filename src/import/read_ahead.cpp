#include "import/read_ahead.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

namespace importer {
namespace {

// Lines travel between the threads in batches, so that the threads meet once per batch rather
// than once per line; a few batches in flight keep memory at a few megabytes.
constexpr std::size_t kLinesPerBatch = 256;
constexpr std::size_t kBatches = 4;

struct Batch {
    std::vector<ConvertedLine> lines;
    std::size_t count = 0;
};

}  // namespace

struct ReadAhead::Shared {
    Shared(TextFileReader& r, const ColumnLayout& l) : reader(r), layout(l) {}

    // The reading thread's side.
    void produce();
    bool readOne(ConvertedLine& line);
    void convert(ConvertedLine& line);
    Batch* takeEmpty();
    void publish(Batch* batch, bool last);

    // The run's side.
    Batch* takeFull();
    void giveBack(Batch* batch);

    TextFileReader& reader;
    const ColumnLayout& layout;
    std::optional<data::RowShape> shape;  // when the lines' rows are made here
    RecordRule accepts;
    std::vector<std::unique_ptr<data::Field>> scratch;
    std::vector<data::Field*> targets;
    std::string cut;          // the line being cut into columns
    bool encodeRows = false;  // this batch's kept rows are encoded here

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Batch> batches;
    std::vector<Batch*> empty;  // for the reading thread to fill
    std::deque<Batch*> full;    // for the run, in line order
    bool stop = false;
    bool finished = false;  // the reading thread has delivered its last line

    Batch* current = nullptr;  // the batch the run is taking lines from
    std::size_t next = 0;
    std::thread thread;
};

ReadAhead::ReadAhead(TextFileReader& reader, const ColumnLayout& layout,
                     const std::vector<data::Field*>& fields, const data::RowShape& shape,
                     RecordRule accepts)
    : shared_(std::make_unique<Shared>(reader, layout)) {
    shared_->shape = shape;
    shared_->accepts = std::move(accepts);
    start(fields);
}

ReadAhead::ReadAhead(TextFileReader& reader, const ColumnLayout& layout,
                     const std::vector<data::Field*>& fields)
    : shared_(std::make_unique<Shared>(reader, layout)) {
    start(fields);
}

void ReadAhead::start(const std::vector<data::Field*>& fields) {
    Shared& s = *shared_;
    for (const data::Field* f : fields) {
        s.scratch.push_back(std::make_unique<data::Field>(f->name(), f->kind(), f->size()));
        s.targets.push_back(s.scratch.back().get());
    }
    s.batches.resize(kBatches);
    for (Batch& b : s.batches) {
        b.lines.resize(kLinesPerBatch);
        s.empty.push_back(&b);
    }
    s.thread = std::thread([&s] { s.produce(); });
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->changed.notify_all();
    shared_->thread.join();
}

ConvertedLine& ReadAhead::next() {
    Shared& s = *shared_;
    if (s.current == nullptr || s.next == s.current->count) {
        if (s.current != nullptr) s.giveBack(s.current);
        s.current = s.takeFull();
        s.next = 0;
    }
    return s.current->lines[s.next++];
}

void ReadAhead::assign(ConvertedLine& line, const ColumnLayout& layout,
                       const std::vector<data::Field*>& fields) {
    layout.fill(line.text, fields);
}

void ReadAhead::Shared::produce() {
    for (;;) {
        Batch* batch = takeEmpty();
        if (batch == nullptr) return;
        batch->count = 0;
        bool ended = false;
        while (!ended && batch->count < kLinesPerBatch)
            ended = readOne(batch->lines[batch->count++]);
        publish(batch, ended);
        if (ended) return;
    }
}

// Returns true when nothing follows this line: the file has ended, or reading failed.
bool ReadAhead::Shared::readOne(ConvertedLine& line) {
    line.readError = line.endError = nullptr;
    line.prepared = false;
    try {
        reader.readLine(line.text);
    } catch (...) {
        line.readError = std::current_exception();
        return true;
    }
    line.empty = line.text.empty();
    convert(line);
    line.consumed = reader.consumed();
    try {
        line.last = reader.atEnd();
    } catch (...) {
        line.endError = std::current_exception();
        return true;
    }
    return line.last;
}

// A line whose conversion fails is only marked: the run converts it again into its own fields,
// which raises the error.
void ReadAhead::Shared::convert(ConvertedLine& line) {
    cut = line.text;  // cutting may normalise the text in place
    try {
        layout.fill(cut, targets);
        line.converted = true;
    } catch (...) {
        line.converted = false;
    }
    line.prepared = shape && line.converted;
    if (line.prepared) {
        line.accepted = !accepts || accepts(targets);
        shape->fill(targets, line.row);
        if (line.accepted && encodeRows)
            shape->encode(line.row, line.encoded);
        else
            line.encoded.clear();  // the posting thread encodes it
    }
}

Batch* ReadAhead::Shared::takeEmpty() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return stop || !empty.empty(); });
    if (stop) return nullptr;
    Batch* batch = empty.back();
    empty.pop_back();
    // Encoding a row costs about what it saves the posting thread: this thread takes it on only
    // while it is ahead (a batch waits for the run), so that neither thread waits for the other.
    encodeRows = full.size() >= 2;
    return batch;
}

void ReadAhead::Shared::publish(Batch* batch, bool last) {
    {
        const std::lock_guard lock(mutex);
        full.push_back(batch);
        finished = last;
    }
    changed.notify_all();
}

Batch* ReadAhead::Shared::takeFull() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return finished || !full.empty(); });
    if (full.empty()) throw std::logic_error("read past the last line of an input file");
    Batch* batch = full.front();
    full.pop_front();
    return batch;
}

void ReadAhead::Shared::giveBack(Batch* batch) {
    {
        const std::lock_guard lock(mutex);
        empty.push_back(batch);
    }
    changed.notify_all();
}

}  // namespace importer
