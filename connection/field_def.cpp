// Field types, sizes and display widths from the engine's column descriptions.
#include "connection/field_def.h"

#include <algorithm>
#include <array>

#include "connection/ado_type.h"

namespace qb {

namespace {

constexpr std::array<const char*, 38> kFieldTypeNames{
    "ftUnknown",    "ftString",     "ftSmallint", "ftInteger",     "ftWord",      "ftBoolean",
    "ftFloat",      "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",      "ftDateTime",
    "ftBytes",      "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",      "ftGraphic",
    "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
    "ftWideString", "ftLargeint",   "ftADT",      "ftArray",       "ftReference", "ftDataSet",
    "ftOraBlob",    "ftOraClob",    "ftVariant",  "ftInterface",   "ftIDispatch", "ftGuid",
    "ftTimeStamp",  "ftFMTBcd"};

// A scale byte of 128-255 is a negative scale as a signed byte; the definition
// then reports 4 decimal places.
constexpr int kNegativeScaleSize = 4;
constexpr int kGuidTextSize = 38;

}  // namespace

const char* fieldTypeName(TFieldType type) noexcept {
  const auto i = static_cast<std::size_t>(type);
  return i < kFieldTypeNames.size() ? kFieldTypeNames[i] : "ftUnknown";
}

std::optional<TFieldType> fieldTypeOf(const jet::ColumnDef& column) {
  return fieldTypeOfAdoCode(static_cast<int>(adoTypeOf(column)), column);
}

std::optional<TFieldType> fieldTypeOfAdoCode(int code, const jet::ColumnDef& column) {
  using enum TFieldType;
  switch (code) {
    case 2:
    case 16:
      return ftSmallint;
    case 3:
    case 10:
    case 19:
      return column.autoIncrement() ? ftAutoInc : ftInteger;
    case 4:
    case 5:
      return ftFloat;
    case 6:
    case 14:
    case 139:
      return ftBCD;
    case 131:
      return column.scale == 0 && column.precision < 10 ? ftInteger : ftBCD;
    case 7:
    case 64:
    case 135:
    case 137:
      return ftDateTime;
    case 133:
      return ftDate;
    case 134:
      return ftTime;
    case 8:
    case 130:
    case 202:
      return ftWideString;
    case 129:
      return ftFixedChar;
    case 200:
      return ftString;
    case 201:
    case 203:
      return ftMemo;
    case 11:
      return ftBoolean;
    case 17:
    case 18:
      return ftWord;
    case 20:
    case 21:
      return ftLargeint;
    case 72:
      return ftGuid;
    case 128:
      return ftBytes;
    case 204:
      return ftVarBytes;
    case 205:
      return ftBlob;
    case 9:
      return ftIDispatch;
    case 12:
    case 138:
      return ftVariant;
    case 13:
      return ftInterface;
    case 136:
      return ftDataSet;
    default:
      return std::nullopt;
  }
}

// The text and byte-string types, whose size is the column's own.
bool isSizedFieldType(TFieldType type) {
  using enum TFieldType;
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftBytes || type == ftVarBytes;
}

int fieldSizeOf(const jet::ColumnDef& column, TFieldType type) {
  using enum TFieldType;
  if (isSizedFieldType(type)) return static_cast<int>(column.definedSize());
  switch (type) {
    case ftBCD:
      // Currency carries no scale of its own; it reads as 255.
      if (column.type == jet::DataType::Currency) return kNegativeScaleSize;
      return column.scale >= 128 ? kNegativeScaleSize : column.scale;
    case ftGuid:
      return kGuidTextSize;
    default:
      return 0;
  }
}

int displayWidthOf(TFieldType type, int size) {
  using enum TFieldType;
  if (isSizedFieldType(type)) return std::max(size, 1);
  switch (type) {
    case ftSmallint:
      return 6;
    case ftInteger:
    case ftAutoInc:
      return 11;
    case ftWord:
      return 5;
    case ftLargeint:
      return 20;
    case ftBoolean:
      return 5;
    case ftDate:
    case ftTime:
      return 10;
    case ftDateTime:
      return 18;
    case ftGuid:
      return kGuidTextSize;
    default:
      return 10;
  }
}

bool isNumericFieldType(TFieldType type) noexcept {
  using enum TFieldType;
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

std::vector<FieldDef> fieldDefsOf(const std::vector<jet::ColumnDef>& columns) {
  std::vector<FieldDef> defs;
  defs.reserve(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const jet::ColumnDef& c = columns[i];
    const std::optional<TFieldType> type = fieldTypeOf(c);
    if (!type) continue;
    FieldDef d;
    d.name = c.name;
    d.dataType = *type;
    d.size = fieldSizeOf(c, *type);
    d.fieldNo = static_cast<int>(defs.size()) + 1;
    d.required = c.required;
    d.autoIncrement = c.autoNumber || c.guidAutoNumber;
    d.column = i;
    d.columnType = c.type;
    defs.push_back(std::move(d));
  }
  return defs;
}

}  // namespace qb
