// field_binding.h: which table columns a field of each kind may be bound to, and the type names
// the binding error ("Type mismatch for field ...") shows for fields and columns.
//
//   field kind      accepts columns of type                 field's type name
//   AutoIncrement   Integer, Long Integer (autonumber too)  AutoInc
//   Integer         Integer, Long Integer (autonumber too)  Integer
//   Float           Single, Double, Currency, Decimal        Float
//   DateTime        Date/Time                                DateTime
//   WideText        Text (fixed or variable length)          WideString
//
// A column's type name is the one the field of the matching kind would carry: SmallInt for a
// 16-bit Integer, Integer for a Long Integer (AutoInc when it is an autonumber), Byte, Boolean,
// Float, Currency, BCD (Decimal), DateTime, WideString, WideMemo, Bytes or VarBytes (binary of
// fixed or variable length), Blob (OLE object), Guid; Unknown for anything else.
#pragma once

#include <string>

#include "data/field.h"
#include "mdb/schema.h"

namespace data {

bool fieldAcceptsColumn(FieldKind kind, const mdb::Column& column);

std::string fieldTypeName(FieldKind kind);
std::string columnTypeName(const mdb::Column& column);

}  // namespace data
