#include "row/stored_key_values.h"

#include "row/value_decoding.h"

namespace mdb {

void storedKeyValues(const TableDefinition& def, const PreparedRow& row,
                     const std::vector<bool>& keyColumns, std::vector<Value>& out) {
    out.resize(def.columns.size());  // the other columns stay null from row to row
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        if (!keyColumns[i]) continue;
        const Column& c = def.columns[i];
        const std::optional<ByteView> field = row.field(i);
        if (c.type == ColumnType::Boolean) {
            out[i] = field.has_value();
            continue;
        }
        if (!field) {
            out[i] = std::monostate{};
            continue;
        }
        ByteView bytes = *field;
        if (isLongValue(c.type)) {
            Binary data;
            if (bytes[3] == kLongValueInline) {
                data.assign(bytes.begin() + kLongValueHeaderSize, bytes.end());
            } else {
                for (const PreparedRow::External& e : row.external)
                    if (e.column == i) data = e.data;
            }
            if (c.type == ColumnType::Memo)
                out[i] = decodeColumnText(c, data);
            else
                out[i] = std::move(data);
            continue;
        }
        out[i] = decodeValue(c, bytes);
    }
}

}  // namespace mdb
