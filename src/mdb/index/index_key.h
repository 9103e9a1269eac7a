// index_key.h: the bytes of an index entry, built from the values of the indexed columns.
//
// An entry is, for each key column in the index's order:
//   flag   1 byte: 7F ascending value, 80 descending value, 00 ascending null, FF descending null
//   value  the column's bytes below (nothing after a null flag)
// and then the row pointer: the row's data page (3 bytes, big-endian) and its row number.
// Entries sort bytewise, which is the order of the index; a descending column's bytes are
// inverted. Values, all big-endian:
//   Byte                       the byte
//   Integer, Long, Currency    two's complement with the top bit flipped (Currency: the stored
//                              number of ten-thousandths)
//   Single, Double, DateTime   IEEE bits; top bit flipped when positive, all bits inverted when
//                              negative (DateTime: days since 1899-12-30)
//   Yes/No                     00 yes, FF no (under flag 7F; never null)
//   GUID, Binary               the bytes (a GUID's in text order) in groups of 8, each followed
//                              by 09 when more follows, the last one zero-padded and followed
//                              by its length (1-8); descending inverts all bytes but the 09s
//   Text, Memo                 text_key.h
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "format/column.h"
#include "mdb/row_position.h"
#include "mdb/value.h"

namespace mdb {

// The sort order a text column records (column definition bytes 11-14). Access 97 files have
// their own General order (general_97_key.h).
struct TextSortOrder {
    std::uint16_t lcid = 1033;
    std::uint8_t version = 0;
    bool access97 = false;
};

// One column of an index, as the table definition describes it.
struct KeyColumn {
    std::string name;  // only for messages
    ColumnType type = ColumnType::Long;
    bool ascending = true;
    TextSortOrder sortOrder;  // text and memo columns only
};

// The value of one key column: null, Yes/No, any integer kind (Currency in ten-thousandths),
// any floating kind (DateTime in days), a GUID (as the row stores it), text (UTF-16) or binary
// bytes.
using KeyValue = std::variant<std::monostate, bool, std::int64_t, double, Guid, std::u16string,
                              std::vector<std::uint8_t>>;

// Jet indexes have 1 to this many columns.
inline constexpr std::size_t kMaxKeyColumns = 10;

// Whether a row has an entry in the index. An index that ignores nulls (index flag 0x02) has
// none for a row whose key columns are all null (a Yes/No column is never null); every other
// index has one entry per row.
bool indexHasEntryFor(bool ignoresNulls, std::span<const KeyColumn> columns,
                      std::span<const KeyValue> values);

// Why an index on these columns cannot be kept true by this engine (a column kind or text sort
// order it cannot encode), or nullopt when every key can be built.
std::optional<std::string> whyIndexCannotBeMaintained(std::span<const KeyColumn> columns);

// The key bytes (flags and values, no row pointer) of a row. Requires that
// whyIndexCannotBeMaintained(columns) is nullopt and one value per column; throws
// std::invalid_argument when a value's alternative does not fit its column (a bool for a
// Long) or an integer is out of its column's range.
std::vector<std::uint8_t> buildIndexKey(std::span<const KeyColumn> columns,
                                        std::span<const KeyValue> values);

// The row pointer that ends a leaf entry: page (3 bytes, big-endian) and row number. Throws
// std::invalid_argument for a page number of 2^24 or more.
void appendRowPointer(std::vector<std::uint8_t>& out, RowPosition row);

}  // namespace mdb
