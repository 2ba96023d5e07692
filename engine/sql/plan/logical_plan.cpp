// Column descriptions and sample values of computed result columns.
#include "sql/plan/logical_plan.h"

#include "sql/value_ops.h"

namespace jet::sql {

namespace {

DataType dataTypeOf(ValueKind kind) {
  switch (kind) {
    case ValueKind::Boolean: return DataType::Boolean;
    case ValueKind::Byte: return DataType::Byte;
    case ValueKind::Integer: return DataType::Integer;
    case ValueKind::Long: return DataType::Long;
    case ValueKind::Currency: return DataType::Currency;
    case ValueKind::Single: return DataType::Single;
    case ValueKind::Double: return DataType::Double;
    case ValueKind::DateTime: return DataType::DateTime;
    case ValueKind::Binary: return DataType::Binary;
    case ValueKind::Guid: return DataType::Guid;
    case ValueKind::Decimal: return DataType::Numeric;
    case ValueKind::Null:
    case ValueKind::Text: break;
  }
  return DataType::Text;
}

// What the data-access layer reads from a column: the ADO type and attributes
// a computed column of a query has (not updatable, nullable).
void describeForAdo(ColumnDef& c) {
  switch (c.type) {
    case DataType::Boolean: c.adoType = AdoType::Boolean; break;
    case DataType::Byte: c.adoType = AdoType::UnsignedTinyInt; break;
    case DataType::Integer: c.adoType = AdoType::SmallInt; break;
    case DataType::Long: c.adoType = AdoType::Integer; break;
    case DataType::Currency: c.adoType = AdoType::Currency; break;
    case DataType::Single: c.adoType = AdoType::Single; break;
    case DataType::Double: c.adoType = AdoType::Double; break;
    case DataType::DateTime: c.adoType = AdoType::Date; break;
    case DataType::Guid: c.adoType = AdoType::Guid; break;
    case DataType::Numeric: c.adoType = AdoType::Numeric; break;
    case DataType::Binary: c.adoType = AdoType::VarBinary; break;
    case DataType::Memo: c.adoType = AdoType::LongVarWChar; break;
    case DataType::Ole: c.adoType = AdoType::LongVarBinary; break;
    default: c.adoType = AdoType::VarWChar; break;
  }
  c.adoAttributes = kAdoFldIsNullable | kAdoFldMayBeNull;
  if (c.fixedLength) c.adoAttributes |= kAdoFldFixed;
  if (c.type == DataType::Memo || c.type == DataType::Ole) c.adoAttributes |= kAdoFldLong;
}

}  // namespace

ColumnDef columnForKind(ValueKind kind) {
  ColumnDef c;
  c.type = dataTypeOf(kind);
  switch (c.type) {
    case DataType::Boolean:
    case DataType::Byte: c.length = 1; break;
    case DataType::Integer: c.length = 2; break;
    case DataType::Long:
    case DataType::Single: c.length = 4; break;
    case DataType::Currency:
    case DataType::Double:
    case DataType::DateTime: c.length = 8; break;
    case DataType::Guid: c.length = 16; break;
    case DataType::Numeric:
      c.length = 17;
      c.precision = 28;
      c.scale = 10;
      break;
    case DataType::Binary: c.length = 255; break;
    default: c.length = 510; break;  // 255 characters
  }
  c.fixedLength = c.type != DataType::Text && c.type != DataType::Binary;
  describeForAdo(c);
  return c;
}

Value sampleValue(ValueKind kind) {
  switch (kind) {
    case ValueKind::Boolean: return Value::boolean(true);
    case ValueKind::Byte: return Value::byte(1);
    case ValueKind::Integer: return Value::integer(1);
    case ValueKind::Long: return Value::longInt(1);
    case ValueKind::Currency: return Value::currency(Currency{10000});
    case ValueKind::Single: return Value::single(1);
    case ValueKind::Double: return Value::dbl(1);
    case ValueKind::DateTime: return Value::dateTime(DateTime{1});
    case ValueKind::Text: return Value::text(u"1");
    case ValueKind::Binary: return Value::binary({1});
    case ValueKind::Guid: return Value::guid(Guid{});
    case ValueKind::Decimal: return castTo(Value::longInt(1), ValueKind::Decimal);
    case ValueKind::Null: break;
  }
  return Value();
}

}  // namespace jet::sql
