#include "data/field_binding.h"

namespace data {

using mdb::ColumnType;

bool fieldAcceptsColumn(FieldKind kind, const mdb::Column& column) {
    const ColumnType t = column.type;
    switch (kind) {
        case FieldKind::AutoIncrement:
        case FieldKind::Integer:
            return t == ColumnType::Integer || t == ColumnType::Long;
        case FieldKind::Float:
            return t == ColumnType::Single || t == ColumnType::Double ||
                   t == ColumnType::Currency || t == ColumnType::Numeric;
        case FieldKind::DateTime:
            return t == ColumnType::DateTime;
        case FieldKind::WideText:
            return t == ColumnType::Text;
    }
    return false;
}

std::string fieldTypeName(FieldKind kind) {
    switch (kind) {
        case FieldKind::AutoIncrement:
            return "AutoInc";
        case FieldKind::Integer:
            return "Integer";
        case FieldKind::Float:
            return "Float";
        case FieldKind::DateTime:
            return "DateTime";
        case FieldKind::WideText:
            return "WideString";
    }
    return "Unknown";
}

std::string columnTypeName(const mdb::Column& column) {
    switch (column.type) {
        case ColumnType::Boolean:
            return "Boolean";
        case ColumnType::Byte:
            return "Byte";
        case ColumnType::Integer:
            return "SmallInt";
        case ColumnType::Long:
            return column.isAutoNumber() ? "AutoInc" : "Integer";
        case ColumnType::Currency:
            return "Currency";
        case ColumnType::Single:
        case ColumnType::Double:
            return "Float";
        case ColumnType::DateTime:
            return "DateTime";
        case ColumnType::Binary:
            return column.isFixed() ? "Bytes" : "VarBytes";
        case ColumnType::Text:
            return "WideString";
        case ColumnType::Ole:
            return "Blob";
        case ColumnType::Memo:
            return "WideMemo";
        case ColumnType::Guid:
            return "Guid";
        case ColumnType::Numeric:
            return "BCD";
    }
    return "Unknown";
}

}  // namespace data
