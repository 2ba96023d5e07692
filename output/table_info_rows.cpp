// Table information rows and the names of the data types.
#include "output/table_info_rows.h"

namespace qb {

QString typeDisplayName(TFieldType type) {
  switch (type) {
    case TFieldType::ftUnknown:
      return QStringLiteral("Unknown");
    case TFieldType::ftString:
      return QStringLiteral("Character");
    case TFieldType::ftSmallint:
      return QStringLiteral("SmallInt");
    // Two names: "Numberic" for 32-bit integers, "Numeric" for 16-bit words.
    case TFieldType::ftInteger:
      return QStringLiteral("Numberic");
    case TFieldType::ftWord:
      return QStringLiteral("Numeric");
    case TFieldType::ftBoolean:
      return QStringLiteral("Boolean");
    case TFieldType::ftFloat:
      return QStringLiteral("Float");
    case TFieldType::ftCurrency:
      return QStringLiteral("Currency");
    case TFieldType::ftBCD:
      return QStringLiteral("BCD");
    case TFieldType::ftDate:
      return QStringLiteral("Date");
    case TFieldType::ftTime:
      return QStringLiteral("Time");
    case TFieldType::ftDateTime:
      return QStringLiteral("DateTime");
    case TFieldType::ftBytes:
      return QStringLiteral("Bytes");
    case TFieldType::ftBlob:
      return QStringLiteral("BLOB");
    case TFieldType::ftMemo:
      return QStringLiteral("Memo");
    case TFieldType::ftGraphic:
      return QStringLiteral("Graphic");
    default:
      return QString();
  }
}

std::vector<TableInfoRow> tableInfoRows(const std::vector<FieldDef>& defs) {
  std::vector<TableInfoRow> rows;
  rows.reserve(defs.size());
  for (const FieldDef& def : defs) {
    rows.push_back({QString::fromStdU16String(def.name), typeDisplayName(def.dataType), def.size, def.fieldNo});
  }
  return rows;
}

}  // namespace qb
