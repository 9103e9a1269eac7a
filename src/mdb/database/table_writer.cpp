#include "database/table_writer.h"

#include <limits>
#include <map>
#include <random>
#include <stdexcept>
#include <utility>

#include "database/claimed_pages.h"
#include "database/damage.h"
#include "database/damage_check.h"
#include "database/row_encoder_parts.h"
#include "format/jet_text.h"
#include "mdb/error.h"
#include "row/row_reader.h"
#include "row/row_writer.h"
#include "row/stored_key_values.h"
#include "row/table_scan.h"

namespace mdb {
namespace {

constexpr std::size_t kDefinitionPageHeader = 8;
constexpr std::size_t kUniqueCountInIndexHeader = 4;

const char* const kDuplicateMessage =
    "The changes you requested to the table were not successful because they would create "
    "duplicate values in the index, primary key, or relationship.  Change the data in the field "
    "or fields that contain duplicate data, remove the index, or redefine the index to permit "
    "duplicate entries and try again";
const char* const kNullKeyMessage = "Index or primary key cannot contain a Null value";

// Writes 4-byte fields of a table definition at offsets of the joined definition (the first
// page whole, then bytes 8.. of each further page), asking the pager for each page once in a
// row rather than once per byte.
class DefinitionFields {
public:
    DefinitionFields(Pager& pager, const TableDefinition& def)
        : pager_(pager), def_(def), pageSize_(pager.pageSize()) {}

    void put32(std::size_t offset, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) {
            std::size_t at = offset + i;
            std::size_t page = 0;
            if (at >= pageSize_) {
                const std::size_t rest = at - pageSize_;
                page = 1 + rest / (pageSize_ - kDefinitionPageHeader);
                at = kDefinitionPageHeader + rest % (pageSize_ - kDefinitionPageHeader);
            }
            modify(page)[at] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

private:
    PageBytes& modify(std::size_t page) {
        if (bytes_ != nullptr && page == page_) return *bytes_;
        if (page >= def_.pages.size())
            throw Error(Error::Kind::Corrupt, "table definition at page " +
                                                  std::to_string(def_.page) +
                                                  ": a count lies past its last page");
        bytes_ = &pager_.modify(def_.pages[page]);
        page_ = page;
        return *bytes_;
    }

    Pager& pager_;
    const TableDefinition& def_;
    std::size_t pageSize_;
    std::size_t page_ = 0;
    PageBytes* bytes_ = nullptr;  // page_ of the definition, as modify() gave it
};

Guid randomGuid() {
    static std::mt19937_64 generator{std::random_device{}()};
    Guid g;
    for (std::size_t i = 0; i < 16; i += 8) {
        const std::uint64_t r = generator();
        for (std::size_t k = 0; k < 8; ++k)
            g.bytes[i + k] = static_cast<std::uint8_t>(r >> (8 * k));
    }
    g.bytes[7] = static_cast<std::uint8_t>((g.bytes[7] & 0x0F) | 0x40);  // version 4
    g.bytes[8] = static_cast<std::uint8_t>((g.bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return g;
}

}  // namespace

struct TableWriter::State {
    State(Pager& pager, const Table& table)
        : generation(pager.generation()),
          allocator(pager),
          maps(pager, allocator),
          placer(pager, allocator, maps,
                 {table.definition().ownedPagesMap, table.definition().freePagesMap},
                 table.definition().page, smallestRowSize(table.definition())),
          layout(table.definition()) {
        allocator.setClaimedPages([&pager] { return claimedFreePages(pager); });
        const TableDefinition& def = table.definition();
        keyColumns.assign(def.columns.size(), false);
        for (std::size_t i = 0; i < def.physicalIndexes.size() && !readOnly; ++i) {
            if (auto why = IndexTree::whyCannotMaintain(def, def.physicalIndexes[i])) {
                readOnly = "Cannot change table '" + table.name() + "': " + *why;
                continue;
            }
            indexes.emplace_back(pager, allocator, def, i);
            for (const IndexColumn& k : def.physicalIndexes[i].columns)
                for (std::size_t c = 0; c < def.columns.size(); ++c)
                    if (def.columns[c].number == k.columnNumber) keyColumns[c] = true;
        }
        for (std::size_t i = 0; i < def.columns.size(); ++i) {
            const Column& c = def.columns[i];
            if (c.isAutoNumber() || c.isAutoGuid()) autoColumns.push_back(i);
            if (isLongValue(c.type) && c.longValueOwnedMap && c.longValueFreeMap)
                longValues.emplace(i, std::make_unique<LongValueWriter>(pager, allocator, maps, c));
        }
    }

    LongValueWriter& longValueWriter(const Table& table, std::size_t column) {
        auto it = longValues.find(column);
        if (it == longValues.end())
            throw Error(Error::Kind::Unsupported, "Cannot store a long value in field '" +
                                                      table.name() + "." +
                                                      table.definition().columns[column].name +
                                                      "': the column has no long-value page maps");
        return *it->second;
    }

    std::uint64_t generation;
    PageAllocator allocator;
    UsageMapWriter maps;
    RowPlacer placer;
    std::vector<IndexTree> indexes;        // one per physical index, in order
    std::vector<bool> keyColumns;          // by column index: some index holds it
    std::vector<std::size_t> autoColumns;  // autonumber and Replication ID columns, by index
    std::map<std::size_t, std::unique_ptr<LongValueWriter>> longValues;  // by column index
    std::optional<std::string> readOnly;

    // Worked out once per definition, and buffers an insert reuses rather than allocating.
    RowLayout layout;
    PreparedRow row;
    std::vector<Value> stored;                  // the key columns' values as stored
    std::vector<std::optional<IndexKey>> keys;  // one per index
    std::vector<const IndexKey*> keyOf;         // per index: the row's key, or null for none
    Binary rowBytes;
    // The encoder layout found to fit this definition (insertEncoded), so that it is compared
    // once rather than for every row.
    std::shared_ptr<const RowEncoder::Layout> fittingEncoder;
};

struct TableWriter::Run {
    bool open = false;     // its operation is under way
    std::size_t rows = 0;  // inserted in that operation
    // Those rows as stored, for inserting them again after a failure.
    std::vector<std::vector<Value>> values;
    bool changing = false;  // the row being inserted has begun changing pages
};

TableWriter::TableWriter(Pager& pager, Table& table) : pager_(pager), table_(table) {}

TableWriter::~TableWriter() = default;

void TableWriter::refresh() {
    if (state_ && state_->generation == pager_.generation()) return;
    state_.reset();
    table_.reloadDefinition();
    checkBeforeWriting(pager_, table_.definition());
    state_ = std::make_unique<State>(pager_, table_);
}

template <class Work>
decltype(auto) TableWriter::operation(Work&& work) {
    return withDamageContext(pager_.fileName(), table_.name(), [&]() -> decltype(auto) {
        if (run_) commitRun();
        beginOperation();
        try {
            auto result = work();
            pager_.commit();
            return result;
        } catch (...) {
            abandonOperation();
            throw;
        }
    });
}

void TableWriter::beginOperation() {
    pager_.beginWrite();
    try {
        refresh();
        if (state_->readOnly) throw Error(Error::Kind::Unsupported, *state_->readOnly);
    } catch (...) {
        abandonOperation();
        throw;
    }
}

void TableWriter::abandonOperation() {
    // The definition and placer may hold changes the file never got.
    state_.reset();
    pager_.rollback();
}

std::optional<std::string> TableWriter::whyReadOnly() {
    return withDamageContext(pager_.fileName(), table_.name(), [&] {
        if (run_) commitRun();
        if (!state_ || state_->generation != pager_.generation()) {
            state_.reset();
            table_.reloadDefinition();
            state_ = std::make_unique<State>(pager_, table_);
        }
        return state_->readOnly;
    });
}

void TableWriter::writeCounters() {
    const TableDefinition& def = *table_.definition_;
    const JetFormat& format = *def.format;
    DefinitionFields fields(pager_, def);
    fields.put32(format.tdefRowCountOffset, def.rowCount);
    fields.put32(format.tdefAutoNumberOffset, def.autoNumber);
    for (std::size_t i = 0; i < def.physicalIndexes.size(); ++i)
        fields.put32(format.tdefIndexHeaderOffset + format.tdefIndexHeaderSize * i +
                         kUniqueCountInIndexHeader,
                     def.physicalIndexes[i].uniqueEntryCount);
}

RowPosition TableWriter::insert(std::vector<Value> values) {
    allAssigned_.assign(values.size(), true);
    return insert(std::move(values), allAssigned_);
}

RowPosition TableWriter::insert(std::vector<Value> values, const std::vector<bool>& assigned) {
    return insertInPlace(values, assigned);
}

RowPosition TableWriter::insertInPlace(std::vector<Value>& values,
                                       const std::vector<bool>& assigned) {
    if (run_) return insertInRun(values, assigned, nullptr);
    return operation([&] { return insertRow(values, assigned); });
}

RowPosition TableWriter::insertEncoded(std::vector<Value>& values,
                                       const std::vector<bool>& assigned, EncodedRow& encoded) {
    if (run_) return insertInRun(values, assigned, &encoded);
    return operation([&] { return insertRow(values, assigned, &encoded); });
}

bool TableWriter::encodingFits(const RowEncoder::Layout& encoder, const std::vector<Value>& values,
                               const std::vector<bool>& assigned) {
    const TableDefinition& def = *table_.definition_;
    if (&encoder != state_->fittingEncoder.get()) {
        if (!encoder.fits(def)) return false;
        state_->fittingEncoder = encoder.shared_from_this();
    }
    // The encoder saw every column the caller did not assign as null: the rules may have given
    // one a default since.
    if (guard_)
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!assigned[i] && !def.columns[i].isAutoNumber() && !isNull(values[i])) return false;
    return true;
}

void TableWriter::beginRun() {
    if (!run_) run_ = std::make_unique<Run>();
}

void TableWriter::endRun() {
    if (!run_) return;
    withDamageContext(pager_.fileName(), table_.name(), [&] { commitRun(); });
    run_.reset();
}

void TableWriter::openRunOperation() {
    beginOperation();
    try {
        // Index pages are written once, when the operation ends, unless the rules would look
        // keys up in them meanwhile.
        const bool hold = !guard_ || !guard_->looksUpOwnKeys(table_);
        for (IndexTree& index : state_->indexes) index.holdWrites(hold);
    } catch (...) {
        abandonOperation();
        throw;
    }
    run_->open = true;
    run_->rows = 0;
}

void TableWriter::commitRun() {
    if (!run_ || !run_->open) return;
    run_->open = false;
    try {
        for (IndexTree& index : state_->indexes) index.holdWrites(false);
        if (run_->rows > 0) writeCounters();
        pager_.commit();
    } catch (...) {
        abandonOperation();
        throw;
    }
}

RowPosition TableWriter::insertInRun(std::vector<Value>& values, const std::vector<bool>& assigned,
                                     EncodedRow* encoded) {
    Run& run = *run_;
    std::optional<RowPosition> at;
    withDamageContext(pager_.fileName(), table_.name(), [&] {
        if (!run.open) openRunOperation();
        run.changing = false;
        try {
            at = insertRow(values, assigned, encoded);
        } catch (const Error& e) {
            if (run.changing || e.kind != Error::Kind::Refused) return;  // replayed below
            // Refused before anything changed: the rows before it stand, as their own
            // operations would have left them.
            commitRun();
            state_.reset();  // as a failed operation leaves it
            throw;
        } catch (...) {
            return;  // replayed below, outside this context
        }
        // The run keeps the row as stored, and the caller gets the buffers of an earlier one.
        if (run.rows == run.values.size())
            run.values.push_back(values);
        else
            std::swap(values, run.values[run.rows]);
        if (++run.rows == kRunRows) commitRun();
    });
    if (!at) return replayRun(values, assigned);
    return *at;
}

RowPosition TableWriter::replayRun(std::vector<Value>& values, const std::vector<bool>& assigned) {
    Run& run = *run_;
    const std::size_t earlier = run.rows;
    run.open = false;
    run.rows = 0;
    abandonOperation();
    // The rows hold the autonumbers they were given: they get them again.
    const TableDefinition& def = table_.definition();
    const auto asGiven = [&def](std::vector<Value>& row) {
        for (std::size_t i = 0; i < def.columns.size() && i < row.size(); ++i)
            if (def.columns[i].isAutoNumber() || def.columns[i].isAutoGuid())
                row[i] = std::monostate{};
    };
    // As stored they also hold their defaults: every column counts as assigned.
    for (std::size_t i = 0; i < earlier; ++i) {
        std::vector<Value>& row = run.values[i];
        asGiven(row);
        allAssigned_.assign(row.size(), true);
        operation([&] { return insertRow(row, allAssigned_); });
    }
    asGiven(values);
    return operation([&] { return insertRow(values, assigned); });
}

std::optional<std::uint32_t> TableWriter::assignAutoNumbers(std::vector<Value>& values) {
    const TableDefinition& def = *table_.definition_;
    std::optional<std::uint32_t> autoNumber;
    for (const std::size_t i : state_->autoColumns) {
        const Column& c = def.columns[i];
        if (!isNull(values[i]))
            throw Error(Error::Kind::Refused,
                        "Cannot update '" + c.name + "'; field not updateable");
        if (c.isAutoGuid()) {
            values[i] = randomGuid();
            continue;
        }
        if (!autoNumber) {
            if (def.autoNumber >=
                static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
                throw Error(Error::Kind::Refused,
                            "Cannot add a row to table '" + table_.name() +
                                "': its autonumber has reached its largest value");
            autoNumber = def.autoNumber + 1;
        }
        values[i] = static_cast<std::int32_t>(*autoNumber);
    }
    return autoNumber;
}

void TableWriter::checkKeys(const std::vector<Value>& values, const std::vector<Value>& stored,
                            EncodedRow::Parts* ready, const RowEncoder::Layout* encoder) {
    // The keys the encoder built are read where they lie: freeing them here would hand the
    // other thread's memory back from this one.
    std::vector<std::optional<IndexKey>>& built = state_->keys;
    std::vector<const IndexKey*>& keys = state_->keyOf;
    built.resize(state_->indexes.size());
    keys.assign(state_->indexes.size(), nullptr);
    for (std::size_t i = 0; i < state_->indexes.size(); ++i) {
        IndexTree& index = state_->indexes[i];
        // An encoded row's autonumber key is built from the values, which hold the number.
        const bool encodedKey = ready != nullptr && !encoder->keyIsAutoNumber[i];
        std::optional<IndexKey>& key = encodedKey ? ready->keys[i] : built[i];
        if (!encodedKey) key = index.keyFor(ready != nullptr ? values : stored);
        if (!key) continue;
        keys[i] = &*key;
        switch (index.check(*key)) {
            case KeyCheck::Ok:
                break;
            case KeyCheck::Duplicate:
                throw Error(Error::Kind::Refused, kDuplicateMessage);
            case KeyCheck::NullInRequired:
                throw Error(Error::Kind::Refused, kNullKeyMessage);
        }
    }
}

RowPosition TableWriter::insertRow(std::vector<Value>& values, const std::vector<bool>& assigned,
                                   EncodedRow* encoded) {
    // An encoded row is used up, whichever way the insert goes.
    EncodedRow::Parts* ready = nullptr;
    const RowEncoder::Layout* encoder = nullptr;
    if (encoded != nullptr && encoded->encoded()) {
        ready = encoded->parts_.get();
        encoder = std::exchange(ready->madeBy, nullptr);
    }
    TableDefinition& def = *table_.definition_;
    if (values.size() != def.columns.size())
        throw std::invalid_argument("TableWriter::insert: one value per column is needed");
    const std::optional<std::uint32_t> autoNumber = assignAutoNumbers(values);
    if (guard_) guard_->beforeInsert(table_, values, assigned);

    // Encoded elsewhere, or here: the same bytes and keys.
    if (ready != nullptr && !encodingFits(*encoder, values, assigned)) ready = nullptr;
    PreparedRow& row = state_->row;
    std::vector<Value>& stored = state_->stored;
    if (ready != nullptr) {
        if (autoNumber) ready->setAutoNumber(*encoder, static_cast<std::int32_t>(*autoNumber));
    } else {
        prepareRow(state_->layout, values, table_.name(), row);
        if (!state_->indexes.empty()) storedKeyValues(def, row, state_->keyColumns, stored);
    }
    checkKeys(values, stored, ready, encoder);

    // Nothing can refuse the row any more: change the pages.
    if (run_) run_->changing = true;
    if (ready == nullptr) {
        for (const PreparedRow::External& e : row.external)
            row.setExternalPosition(e.column,
                                    state_->longValueWriter(table_, e.column).store(e.data));
        encodeRow(state_->layout, row, state_->rowBytes);
    }
    const RowPosition at = state_->placer.place(ready != nullptr ? ready->bytes : state_->rowBytes);
    const std::vector<const IndexKey*>& keys = state_->keyOf;
    for (std::size_t i = 0; i < state_->indexes.size(); ++i)
        if (keys[i] != nullptr && state_->indexes[i].insert(*keys[i], at))
            ++def.physicalIndexes[i].uniqueEntryCount;
    ++def.rowCount;
    if (autoNumber) def.autoNumber = *autoNumber;
    if (!run_ || !run_->open) writeCounters();  // else once, when the run's operation ends
    return at;
}

void TableWriter::remove(RowPosition position) {
    operation([&] {
        pager_.setWriteOrder(WriteOrder::RowsDisappear);
        removeRow(position);
        return 0;
    });
}

void TableWriter::removeWithin(RowPosition position) {
    if (!pager_.writing())
        throw std::logic_error("TableWriter::removeWithin: no operation is under way");
    withDamageContext(pager_.fileName(), table_.name(), [&] {
        try {
            refresh();
            if (state_->readOnly) throw Error(Error::Kind::Unsupported, *state_->readOnly);
            removeRow(position);
        } catch (...) {
            state_.reset();  // the operation's rollback forgets the pages it changed
            throw;
        }
    });
}

void TableWriter::removeRow(RowPosition position) {
    TableDefinition& def = *table_.definition_;
    const std::optional<LocatedRow> found = locateRow(pager_, position);
    if (!found) throw Error(Error::Kind::NotFound, "Record is deleted");
    const RowReader reader(def, found->bytes);
    std::vector<Value> values;
    values.reserve(def.columns.size());
    for (const Column& c : def.columns) values.push_back(reader.value(c, pager_));
    if (guard_) guard_->beforeRemove(table_, position, values);

    for (IndexTree& index : state_->indexes)
        if (auto key = index.keyFor(values)) index.remove(*key, position);
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        const Column& c = def.columns[i];
        if (isLongValue(c.type) && !reader.isNull(c) && !reader.bytes(c).empty())
            state_->longValueWriter(table_, i).remove(reader.bytes(c));
    }
    state_->placer.remove(position);
    if (found->storedAt != position) state_->placer.removeOverflowTarget(found->storedAt);
    if (def.rowCount > 0) --def.rowCount;
    writeCounters();
}

std::uint32_t TableWriter::removeAll() {
    return operation([&] {
        pager_.setWriteOrder(WriteOrder::RowsDisappear);
        TableDefinition& def = *table_.definition_;
        if (guard_ && !guard_->mayRemoveAllAtOnce(table_)) {
            // Rules look at each row (relationships): delete them one by one. A cascade from an
            // earlier row may already have deleted a later one of the same table.
            std::uint32_t deleted = 0;
            for (RowPosition position : table_.rowPositions()) {
                if (!locateRow(pager_, position)) continue;
                removeRow(position);
                ++deleted;
            }
            return deleted;
        }
        const std::uint32_t rows = def.rowCount;
        // Nothing can refuse the operation now; a big table's freed pages need not all wait in
        // memory for the commit.
        pager_.allowEarlyWrites();
        for (auto& [column, writer] : state_->longValues) writer->removeAll();
        state_->placer.releaseAll();
        for (IndexTree& index : state_->indexes) index.clear();
        def.rowCount = 0;
        for (PhysicalIndex& index : def.physicalIndexes) index.uniqueEntryCount = 0;
        writeCounters();
        return rows;
    });
}

}  // namespace mdb
