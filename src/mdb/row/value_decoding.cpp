#include "row/value_decoding.h"

#include <algorithm>
#include <bit>

#include "format/code_page_text.h"
#include "format/jet_text.h"
#include "mdb/error.h"

namespace mdb {

std::string decodeColumnText(const Column& column, ByteView bytes) {
    if (column.codePage != 0) return decodeCodePageText(bytes, column.codePage);
    return decodeJetText(bytes);
}

Value decodeValue(const Column& column, ByteView bytes) {
    const std::size_t need = fixedSize(column.type);
    if (bytes.size() < need)
        throw Error(Error::Kind::Corrupt,
                    "column '" + column.name + "' holds " + std::to_string(bytes.size()) +
                        " bytes, " + typeName(column.type) + " needs " + std::to_string(need));
    switch (column.type) {
        case ColumnType::Boolean:
            return true;
        case ColumnType::Byte:
            return bytes[0];
        case ColumnType::Integer:
            return static_cast<std::int16_t>(get16le(bytes, 0));
        case ColumnType::Long:
            return static_cast<std::int32_t>(get32le(bytes, 0));
        case ColumnType::Currency:
            return Currency{static_cast<std::int64_t>(get64le(bytes, 0))};
        case ColumnType::Single:
            return std::bit_cast<float>(get32le(bytes, 0));
        case ColumnType::Double:
            return std::bit_cast<double>(get64le(bytes, 0));
        case ColumnType::DateTime:
            return DateTime{std::bit_cast<double>(get64le(bytes, 0))};
        case ColumnType::Guid: {
            Guid g;
            std::copy_n(bytes.begin(), 16, g.bytes.begin());
            return g;
        }
        case ColumnType::Numeric: {
            // Sign byte (0x80 = negative), then four little-endian words, most significant first.
            Decimal d;
            d.negative = (bytes[0] & 0x80) != 0;
            d.scale = column.scale;
            for (std::size_t w = 0; w < 4; ++w) d.magnitude[w] = get32le(bytes, 1 + 4 * w);
            return d;
        }
        case ColumnType::Text:
        case ColumnType::Memo:
            return decodeColumnText(column, bytes);
        default:
            return Binary(bytes.begin(), bytes.end());
    }
}

}  // namespace mdb
