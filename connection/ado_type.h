// ADO type codes and field attribute bits (the DataTypeEnum and
// FieldAttributeEnum of Microsoft's data access components): how ADO would
// describe a Jet column. The dataset's field types are defined by these codes
// (field_def.h), so a column's type goes engine type -> ADO code -> field type.
#pragma once

#include <cstdint>

#include "jet/table.h"

namespace qb {

enum class AdoType : int {
  Empty = 0,             // a type code Jet does not define
  SmallInt = 2,          // Integer
  Integer = 3,           // Long (also autonumber)
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,              // Date/Time
  Boolean = 11,
  UnsignedTinyInt = 17,  // Byte
  Guid = 72,             // Replication ID
  Binary = 128,          // fixed-length binary
  Numeric = 131,         // Decimal
  VarBinary = 204,       // Binary
  LongVarBinary = 205,   // OLE Object
  VarWChar = 202,        // Text
  LongVarWChar = 203,    // Memo
  WChar = 130,           // fixed-length text
};

enum AdoAttribute : std::uint32_t {
  kAdoFldUpdatable = 0x4,
  kAdoFldUnknownUpdatable = 0x8,
  kAdoFldFixed = 0x10,
  kAdoFldIsNullable = 0x20,
  kAdoFldMayBeNull = 0x40,
  kAdoFldLong = 0x80,
};

// The ADO type of a column: fixed-length text and binary columns are WChar and
// Binary, the others by their type; the two opaque types Jet names (0x0D, 0x11)
// are binary, codes Jet does not define are Empty.
AdoType adoTypeOf(const jet::ColumnDef& column);

// Updatable (unknown-updatable for an autonumber), fixed, nullable and
// may-be-null unless required, long for Memo and OLE.
std::uint32_t adoAttributesOf(const jet::ColumnDef& column);

}  // namespace qb
