#include "index/index_key.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <stdexcept>

#include "index/general_97_key.h"
#include "index/text_key.h"

namespace mdb {
namespace {

constexpr std::uint8_t kAscendingValue = 0x7F, kDescendingValue = 0x80;
constexpr std::uint8_t kAscendingNull = 0x00, kDescendingNull = 0xFF;
constexpr std::uint8_t kBinaryMore = 0x09;

std::string describe(const KeyColumn& c) { return "column '" + c.name + "'"; }

bool isText(ColumnType type) { return type == ColumnType::Text || type == ColumnType::Memo; }

// The sort order Jet 4 writes for "General" is 1033 version 0; 0 is what some other writers
// leave there, and readers take it as the database's default, which for Jet 4 is the same one.
bool isGeneralLegacy(TextSortOrder s) { return s.lcid == 0 || (s.lcid == 1033 && s.version == 0); }

void invert(std::vector<std::uint8_t>& key, std::size_t from) {
    for (std::size_t i = from; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(~key[i]);
}

void appendBigEndian(std::vector<std::uint8_t>& key, std::uint64_t bits, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        key.push_back(static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFF));
}

[[noreturn]] void badValue(const KeyColumn& c, const char* why) {
    throw std::invalid_argument(describe(c) + ": " + why);
}

void appendInteger(std::vector<std::uint8_t>& key, const KeyColumn& c, std::int64_t v) {
    int bytes = 8;
    std::int64_t low = std::numeric_limits<std::int64_t>::min();
    std::int64_t high = std::numeric_limits<std::int64_t>::max();
    switch (c.type) {
        case ColumnType::Byte:
            bytes = 1, low = 0, high = 255;
            break;
        case ColumnType::Integer:
            bytes = 2, low = -32768, high = 32767;
            break;
        case ColumnType::Long:
            bytes = 4, low = std::numeric_limits<std::int32_t>::min(),
            high = std::numeric_limits<std::int32_t>::max();
            break;
        case ColumnType::Currency:
            break;
        default:
            badValue(c, "an integer value for a column that does not hold integers");
    }
    if (v < low || v > high) badValue(c, "value out of the column's range");
    std::uint64_t bits = static_cast<std::uint64_t>(v);
    // Byte is unsigned and stored as is; the signed kinds flip their sign bit so that negative
    // numbers sort first.
    if (c.type != ColumnType::Byte) bits ^= std::uint64_t{1} << (8 * bytes - 1);
    const std::size_t from = key.size();
    appendBigEndian(key, bits, bytes);
    if (!c.ascending) invert(key, from);
}

void appendFloating(std::vector<std::uint8_t>& key, const KeyColumn& c, double v) {
    std::uint64_t bits = 0;
    int bytes = 8;
    if (c.type == ColumnType::Single) {
        bits = std::bit_cast<std::uint32_t>(static_cast<float>(v));
        bytes = 4;
    } else if (c.type == ColumnType::Double || c.type == ColumnType::DateTime) {
        bits = std::bit_cast<std::uint64_t>(v);
    } else {
        badValue(c, "a floating value for a column that does not hold one");
    }
    const std::size_t from = key.size();
    const std::uint64_t sign = std::uint64_t{1} << (8 * bytes - 1);
    const bool negative = (bits & sign) != 0;
    if (!negative) bits ^= sign;
    appendBigEndian(key, bits, bytes);
    // A negative number's magnitude sorts backwards, so its bits are inverted; descending
    // inverts once more.
    if (negative == c.ascending) invert(key, from);
}

// Groups of 8 bytes: a full group is followed by 09 ("more follows"), which descending order
// leaves as is; the last group is zero-padded and followed by its length, all inverted when
// descending.
void appendBinary(std::vector<std::uint8_t>& key, bool ascending, std::span<const std::uint8_t> v) {
    while (!v.empty()) {
        const std::size_t n = std::min<std::size_t>(8, v.size());
        const std::size_t from = key.size();
        key.insert(key.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
        v = v.subspan(n);
        if (v.empty()) {
            key.insert(key.end(), 8 - n, 0x00);
            key.push_back(static_cast<std::uint8_t>(n));
            if (!ascending) invert(key, from);
        } else {
            if (!ascending) invert(key, from);
            key.push_back(kBinaryMore);
        }
    }
}

void appendGuid(std::vector<std::uint8_t>& key, const KeyColumn& c, const Guid& guid) {
    if (c.type != ColumnType::Guid) badValue(c, "a GUID value for a column that is not one");
    // Text order: the first three groups are stored little-endian in the row.
    const auto& stored = guid.bytes;
    const std::array<std::uint8_t, 16> g = {stored[3],  stored[2],  stored[1],  stored[0],
                                            stored[5],  stored[4],  stored[7],  stored[6],
                                            stored[8],  stored[9],  stored[10], stored[11],
                                            stored[12], stored[13], stored[14], stored[15]};
    appendBinary(key, c.ascending, g);
}

void appendValue(std::vector<std::uint8_t>& key, const KeyColumn& c, const KeyValue& value) {
    if (c.type == ColumnType::Boolean) {
        // Yes/No has no null: a missing value is No.
        const bool* yes = std::get_if<bool>(&value);
        if (!yes && !std::holds_alternative<std::monostate>(value))
            badValue(c, "a Yes/No column needs a bool");
        const bool v = yes && *yes;
        key.push_back(c.ascending ? kAscendingValue : kDescendingValue);
        key.push_back(v == c.ascending ? 0x00 : 0xFF);
        return;
    }
    if (std::holds_alternative<std::monostate>(value)) {
        key.push_back(c.ascending ? kAscendingNull : kDescendingNull);
        return;
    }
    key.push_back(c.ascending ? kAscendingValue : kDescendingValue);
    if (const auto* i = std::get_if<std::int64_t>(&value)) {
        appendInteger(key, c, *i);
    } else if (const auto* d = std::get_if<double>(&value)) {
        appendFloating(key, c, *d);
    } else if (const auto* g = std::get_if<Guid>(&value)) {
        appendGuid(key, c, *g);
    } else if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) {
        if (c.type != ColumnType::Binary) badValue(c, "bytes for a column that is not Binary");
        appendBinary(key, c.ascending, *bytes);
    } else if (const auto* t = std::get_if<std::u16string>(&value)) {
        if (!isText(c.type)) badValue(c, "a text value for a column that is not text");
        if (c.sortOrder.access97)
            appendGeneral97TextKey(key, *t, c.ascending);
        else
            appendGeneralLegacyTextKey(key, *t, c.ascending);
    } else {
        badValue(c, "a Yes/No value for a column that is not Yes/No");
    }
}

std::optional<std::string> whyColumnCannotBeMaintained(const KeyColumn& c) {
    switch (c.type) {
        case ColumnType::Boolean:
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long:
        case ColumnType::Currency:
        case ColumnType::Single:
        case ColumnType::Double:
        case ColumnType::DateTime:
        case ColumnType::Guid:
        case ColumnType::Binary:
            return std::nullopt;
        case ColumnType::Text:
        case ColumnType::Memo:
            if (isGeneralLegacy(c.sortOrder)) return std::nullopt;
            return describe(c) + " uses the text sort order " + std::to_string(c.sortOrder.lcid) +
                   " version " + std::to_string(c.sortOrder.version) +
                   ", whose index keys this program cannot build (only the General sort order)";
        default:
            return describe(c) + " has a type (code " + std::to_string(static_cast<int>(c.type)) +
                   ") whose index keys this program cannot build";
    }
}

}  // namespace

std::optional<std::string> whyIndexCannotBeMaintained(std::span<const KeyColumn> columns) {
    if (columns.empty() || columns.size() > kMaxKeyColumns)
        return "an index with " + std::to_string(columns.size()) +
               " columns (Jet indexes have 1 to " + std::to_string(kMaxKeyColumns) + ")";
    for (const KeyColumn& c : columns)
        if (auto why = whyColumnCannotBeMaintained(c)) return why;
    return std::nullopt;
}

std::vector<std::uint8_t> buildIndexKey(std::span<const KeyColumn> columns,
                                        std::span<const KeyValue> values) {
    if (columns.size() != values.size())
        throw std::invalid_argument("index key: " + std::to_string(values.size()) + " values for " +
                                    std::to_string(columns.size()) + " columns");
    // Sized once for the usual keys: a flag and at most 8 bytes per number, and for a text
    // about a byte or two per character and a few section bytes.
    std::size_t expected = 0;
    for (const KeyValue& v : values) {
        const auto* text = std::get_if<std::u16string>(&v);
        expected += text ? 2 * std::min(text->size(), kMaxIndexedTextLength) + 16 : 9;
    }
    std::vector<std::uint8_t> key;
    key.reserve(expected);
    for (std::size_t i = 0; i < columns.size(); ++i) appendValue(key, columns[i], values[i]);
    return key;
}

bool indexHasEntryFor(bool ignoresNulls, std::span<const KeyColumn> columns,
                      std::span<const KeyValue> values) {
    if (!ignoresNulls) return true;
    for (std::size_t i = 0; i < columns.size() && i < values.size(); ++i)
        if (columns[i].type == ColumnType::Boolean ||
            !std::holds_alternative<std::monostate>(values[i]))
            return true;
    return false;
}

void appendRowPointer(std::vector<std::uint8_t>& out, RowPosition row) {
    if (row.page >= (1u << 24))
        throw std::invalid_argument("row pointer: page " + std::to_string(row.page) +
                                    " does not fit 3 bytes");
    appendBigEndian(out, row.page, 3);
    out.push_back(row.row);
}

}  // namespace mdb
