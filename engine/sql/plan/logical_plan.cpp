// Column descriptions and sample values of computed result columns.
#include "sql/plan/logical_plan.h"

#include "value/value_ops.h"

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
