// The rows of the table information list: one per field definition of the
// current table, with its name, the name of its data type, its size and its
// number.
#pragma once

#include <QString>
#include <vector>

#include "connection/field_def.h"

namespace qb {

struct TableInfoRow {
  QString fieldName;
  QString fieldType;  // typeDisplayName of the definition's data type
  int size = 0;       // as the definition reports it (fieldSizeOf)
  int fieldNo = 0;    // from 1

  friend bool operator==(const TableInfoRow&, const TableInfoRow&) = default;
};

// The name the list shows for a data type. Only these have one:
//   ftUnknown "Unknown"     ftString "Character"   ftSmallint "SmallInt"
//   ftInteger "Numberic"    ftWord "Numeric"       ftBoolean "Boolean"
//   ftFloat "Float"         ftCurrency "Currency"  ftBCD "BCD"
//   ftDate "Date"           ftTime "Time"          ftDateTime "DateTime"
//   ftBytes "Bytes"         ftBlob "BLOB"          ftMemo "Memo"
//   ftGraphic "Graphic"
// Every other type (ftWideString, the type of Jet's text columns, ftAutoInc,
// ftVarBytes, ftGuid, ftLargeint ...) shows an empty name.
QString typeDisplayName(TFieldType type);

std::vector<TableInfoRow> tableInfoRows(const std::vector<FieldDef>& defs);

}  // namespace qb
