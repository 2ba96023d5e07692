// ADO descriptions of the engine's columns.
#include "connection/ado_type.h"

namespace qb {

AdoType adoTypeOf(const jet::ColumnDef& column) {
  using jet::DataType;
  const bool fixed = column.fixedLength;
  switch (column.type) {
    case DataType::Boolean:
      return AdoType::Boolean;
    case DataType::Byte:
      return AdoType::UnsignedTinyInt;
    case DataType::Integer:
      return AdoType::SmallInt;
    case DataType::Long:
      return AdoType::Integer;
    case DataType::Currency:
      return AdoType::Currency;
    case DataType::Single:
      return AdoType::Single;
    case DataType::Double:
      return AdoType::Double;
    case DataType::DateTime:
      return AdoType::Date;
    case DataType::Text:
      return fixed ? AdoType::WChar : AdoType::VarWChar;
    case DataType::Memo:
      return AdoType::LongVarWChar;
    case DataType::Ole:
      return AdoType::LongVarBinary;
    case DataType::Guid:
      return AdoType::Guid;
    case DataType::Numeric:
      return AdoType::Numeric;
    case DataType::Binary:
    case DataType::Unknown0D:
    case DataType::Unknown11:
      return fixed ? AdoType::Binary : AdoType::VarBinary;
  }
  return AdoType::Empty;
}

std::uint32_t adoAttributesOf(const jet::ColumnDef& column) {
  std::uint32_t a = column.autoNumber ? kAdoFldUnknownUpdatable : kAdoFldUpdatable;
  if (column.fixedLength) a |= kAdoFldFixed;
  if (!column.required) a |= kAdoFldIsNullable | kAdoFldMayBeNull;
  if (jet::factsOf(column.type).longValue) a |= kAdoFldLong;
  return a;
}

}  // namespace qb
