#include "data/dataset.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "data/column_value.h"
#include "data/dataset_messages.h"
#include "data/error_text.h"
#include "data/field_binding.h"
#include "data/user_error.h"
#include "mdb/database.h"
#include "mdb/error.h"

namespace data {
namespace {

// Runs `work`, passing the engine's errors on with its text as the program shows it.
template <class Work>
decltype(auto) engine(Work&& work) {
    try {
        return work();
    } catch (const mdb::Error& e) {
        passOnEngineError(e);
    }
}

}  // namespace

Dataset::Dataset(std::string name, Connection& connection, std::string tableName,
                 std::vector<Field*> fields)
    : name_(std::move(name)),
      connection_(connection),
      tableName_(std::move(tableName)),
      fields_(std::move(fields)),
      columnOf_(fields_.size(), 0),
      assigned_(fields_.size(), false) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        fields_[i]->setStoreHook([this, i](const Field&) { noteAssignment(i); });
    }
}

void Dataset::fail(const std::string& text) const {
    throw UserError(msg::datasetError(name_, text));
}

void Dataset::requireActive() const {
    if (!active()) fail(msg::kClosedDataset);
}

mdb::Database& Dataset::database() const {
    // The rows' positions only mean something in the database they were read from.
    if (!connection_.connected() || &connection_.database() != openedOn_) fail(msg::kClosedDataset);
    return connection_.database();
}

mdb::Table& Dataset::writer() {
    mdb::Database& db = database();  // still the database the dataset was opened on
    if (writer_ == nullptr) writer_ = &db.table(tableName_);
    return *writer_;
}

void Dataset::open() {
    if (active()) return;
    connection_.open();
    mdb::Database& db = connection_.database();
    engine([&] {
        const mdb::Table& table = db.table(tableName_);
        bindFields(table);
        columnCount_ = table.columns().size();
        rows_.clear();
        table.forEachRowPosition([this](mdb::RowPosition position) {
            rows_.push_back(mdb::pointerFromRowPosition(position));
        });
    });
    openedOn_ = &db;
    writer_ = nullptr;
    state_ = State::Browse;
    current_ = 0;
    eof_ = rows_.empty();
    clearRecord();
}

void Dataset::bindFields(const mdb::Table& table) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const Field& field = *fields_[i];
        const std::optional<std::size_t> column = table.findColumn(field.name());
        if (!column) fail(msg::fieldNotFound(field.name()));
        const mdb::Column& c = table.columns()[*column];
        if (!fieldAcceptsColumn(field.kind(), c)) {
            fail(msg::typeMismatch(field.name(), fieldTypeName(field.kind()), columnTypeName(c)));
        }
        columnOf_[i] = *column;
    }
}

void Dataset::close() {
    state_ = State::Inactive;
    openedOn_ = nullptr;
    writer_ = nullptr;
    std::deque<std::uint32_t>().swap(rows_);  // gives the memory back
    current_ = 0;
    eof_ = true;
    clearRecord();
}

std::size_t Dataset::recordCount() const {
    requireActive();
    return rows_.size();
}

void Dataset::first() {
    requireActive();
    finishPendingRecord();
    current_ = 0;
    eof_ = rows_.empty();
}

void Dataset::deleteRecord() {
    requireActive();
    if (state_ == State::Insert) {
        cancel();  // deleting a record being appended drops it
        return;
    }
    if (rows_.empty()) fail(msg::kEmptyDataset);
    engine([&] { writer().remove(mdb::rowPositionFromPointer(rows_[current_])); });
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(current_));
    if (current_ == rows_.size() && current_ > 0) --current_;
    eof_ = rows_.empty();
}

bool Dataset::eof() const { return !active() || eof_; }

void Dataset::append() {
    requireActive();
    if (database().mode() == mdb::OpenMode::ReadOnly) fail(msg::kReadOnlyDataset);
    finishPendingRecord();
    clearRecord();
    state_ = State::Insert;
}

void Dataset::post() {
    requireActive();
    if (state_ != State::Insert) return;
    // The row's values are kept from post to post, so that their texts keep their buffers.
    rowValues_.resize(columnCount_);
    rowAssigned_.assign(columnCount_, false);  // the others get the table's defaults
    for (const std::size_t i : assignedOrder_) {
        storeColumnValue(fields_[i]->value(), rowValues_[columnOf_[i]]);
        rowAssigned_[columnOf_[i]] = true;
    }
    for (std::size_t c = 0; c < columnCount_; ++c)
        if (!rowAssigned_[c]) rowValues_[c] = std::monostate{};
    // The new row does not join the rows read by open: a million posts would otherwise keep a
    // million positions for nothing. The next open counts it.
    engine([&] { writer().insertInPlace(rowValues_, rowAssigned_); });
    clearRecord();
    state_ = State::Browse;
}

void Dataset::beginPostingRun() {
    requireActive();
    engine([&] {
        mdb::Table& table = writer();
        table.beginInsertRun();
        running_ = &table;
    });
}

void Dataset::endPostingRun() {
    if (running_ == nullptr) return;
    mdb::Table& table = *std::exchange(running_, nullptr);
    engine([&] { table.endInsertRun(); });
}

RowShape Dataset::rowShape(const std::vector<Field*>& fields) const {
    requireActive();
    RowShape shape;
    shape.columns = columnCount_;
    shape.assigned.assign(columnCount_, false);
    for (const Field* field : fields) {
        const auto at = std::find(fields_.begin(), fields_.end(), field);
        if (at == fields_.end()) throw std::invalid_argument("Dataset::rowShape: not its field");
        const std::size_t column = columnOf_[static_cast<std::size_t>(at - fields_.begin())];
        shape.columnOf.push_back(column);
        shape.assigned[column] = true;
    }
    shape.encoder = engine([&] { return database().table(tableName_).rowEncoder(); });
    return shape;
}

void RowShape::fill(const std::vector<Field*>& fields, std::vector<mdb::Value>& row) const {
    row.resize(columns);
    for (std::size_t c = 0; c < columns; ++c)
        if (!assigned[c]) row[c] = std::monostate{};
    for (std::size_t i = 0; i < fields.size(); ++i)
        storeColumnValue(fields[i]->value(), row[columnOf[i]]);
}

void RowShape::encode(const std::vector<mdb::Value>& row, mdb::EncodedRow& encoded) {
    if (encoder) encoder->encode(row, encoded);
}

bool Dataset::postRow(std::vector<mdb::Value>& row, const RowShape& shape,
                      mdb::EncodedRow& encoded) {
    append();
    try {
        writer().insertEncoded(row, shape.assigned, encoded);
    } catch (const mdb::Error& e) {
        if (e.kind != mdb::Error::Kind::Refused) passOnEngineError(e);
        return false;
    }
    state_ = State::Browse;  // append() left every field clear
    return true;
}

void Dataset::cancel() {
    if (state_ != State::Insert) return;
    clearRecord();
    state_ = State::Browse;
}

void Dataset::finishPendingRecord() {
    if (state_ != State::Insert) return;
    if (assignedOrder_.empty()) {
        cancel();
    } else {
        post();
    }
}

void Dataset::noteAssignment(std::size_t field) {
    if (!active()) fail(msg::kClosedDataset);
    if (state_ != State::Insert) fail(msg::kNotEditing);
    if (!assigned_[field]) {
        assigned_[field] = true;
        assignedOrder_.push_back(field);
    }
}

void Dataset::clearRecord() {
    for (Field* field : fields_) field->clear();
    assigned_.assign(fields_.size(), false);
    assignedOrder_.clear();
}

}  // namespace data
