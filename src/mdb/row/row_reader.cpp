#include "row/row_reader.h"

#include "format/jet_text.h"
#include "mdb/error.h"
#include "row/long_value.h"
#include "row/value_decoding.h"

namespace mdb {
namespace {

[[noreturn]] void corrupt(const std::string& what) {
    throw Error(Error::Kind::Corrupt, "row: " + what);
}

}  // namespace

RowReader::RowReader(const TableDefinition& table, ByteView row) : row_(row) {
    fixedStart_ = table.format->rowCountSize;
    if (row.size() < fixedStart_) corrupt("shorter than its column count");
    columnCount_ = fixedStart_ == 1 ? row[0] : get16le(row, 0);
    const std::size_t maskSize = (columnCount_ + 7) / 8;
    if (fixedStart_ + maskSize > row.size())
        corrupt("a null mask for " + std::to_string(columnCount_) + " columns does not fit in " +
                std::to_string(row.size()) + " bytes");
    nullMask_ = row.subspan(row.size() - maskSize);
    varTableStart_ = row.size() - maskSize;
    if (!table.hasVariableColumns()) return;
    if (table.format->varOffsetSize == 1)
        readJet3Offsets(row, maskSize);
    else
        readJet4Offsets(row, maskSize);
}

void RowReader::readJet3Offsets(ByteView row, std::size_t maskSize) {
    if (1 + maskSize + 1 > row.size()) corrupt("no room for the variable column count");
    const std::size_t countAt = row.size() - maskSize - 1;
    const std::size_t varCount = row[countAt];
    std::size_t jumps = (row.size() - 1) / 256;
    // The count byte at 0, then at least the offset table and the jumps before countAt.
    if (countAt < 1 + varCount + 1 + jumps)
        corrupt(std::to_string(varCount) + " variable columns do not fit in " +
                std::to_string(row.size()) + " bytes");
    const std::size_t firstOffsetAt = countAt - jumps - 1;  // slot 0; slot k is k bytes lower
    varTableStart_ = firstOffsetAt - varCount;
    // A jump past the offset table's own start is the unused last one.
    if (jumps > 0 && varTableStart_ / 256 < jumps) --jumps;
    std::size_t passed = 0;
    varOffsets_.reserve(varCount + 1);
    for (std::size_t k = 0; k <= varCount; ++k) {
        while (passed < jumps && row[countAt - 1 - passed] == k) ++passed;
        varOffsets_.push_back(static_cast<std::uint16_t>(row[firstOffsetAt - k] + 256 * passed));
    }
}

void RowReader::readJet4Offsets(ByteView row, std::size_t maskSize) {
    if (2 + maskSize + 2 > row.size()) corrupt("no room for the variable column count");
    const std::size_t varCount = get16le(row, row.size() - maskSize - 2);
    const std::size_t tableBytes = 2 + 2 * (varCount + 1);
    if (2 + maskSize + tableBytes > row.size())
        corrupt(std::to_string(varCount) + " variable columns do not fit in " +
                std::to_string(row.size()) + " bytes");
    varTableStart_ = row.size() - maskSize - tableBytes;
    varOffsets_.reserve(varCount + 1);
    for (std::size_t k = 0; k <= varCount; ++k)
        varOffsets_.push_back(get16le(row, row.size() - maskSize - 4 - 2 * k));
}

bool RowReader::isNull(const Column& column) const {
    if (column.number >= columnCount_) return true;
    return (nullMask_[column.number / 8] & (1u << (column.number % 8))) == 0;
}

ByteView RowReader::bytes(const Column& column) const {
    if (column.type == ColumnType::Boolean || isNull(column)) return {};
    if (column.isFixed()) {
        const std::size_t size = fixedSize(column.type) ? fixedSize(column.type) : column.length;
        const std::size_t start = fixedStart_ + static_cast<std::size_t>(column.fixedOffset);
        if (!fitsIn(varTableStart_, start, size))
            corrupt("column '" + column.name + "' (" + std::to_string(size) + " bytes at " +
                    std::to_string(start) + ") lies outside the row");
        return row_.subspan(start, size);
    }
    const std::size_t slot = column.varIndex;
    if (slot + 1 >= varOffsets_.size()) return {};  // written before the column existed
    const std::size_t start = varOffsets_[slot];
    const std::size_t end = varOffsets_[slot + 1];
    if (start > end || end > varTableStart_ || start < fixedStart_)
        corrupt("column '" + column.name + "' has an invalid extent (" + std::to_string(start) +
                " to " + std::to_string(end) + ")");
    return row_.subspan(start, end - start);
}

Value RowReader::value(const Column& column, Pager& pager) const {
    if (column.type == ColumnType::Boolean) return !isNull(column);
    if (isNull(column)) return std::monostate{};
    const ByteView data = bytes(column);
    if (!column.isFixed() && std::size_t{column.varIndex} + 1 >= varOffsets_.size())
        return std::monostate{};
    if (isLongValue(column.type)) {
        if (data.empty()) {
            if (column.type == ColumnType::Memo) return std::string();
            return Binary();
        }
        Binary bytes = readLongValue(pager, data);
        if (column.type == ColumnType::Memo) return decodeColumnText(column, bytes);
        return bytes;
    }
    return decodeValue(column, data);
}

}  // namespace mdb
