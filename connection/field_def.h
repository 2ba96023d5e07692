// Field data types and field definitions: how the engine's columns become the
// dataset's typed fields (through the ADO type code of each, ado_type.h), with
// their sizes and display widths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/table.h"
#include "jet/value.h"

namespace qb {

// The dataset field types, in their traditional order. Only some of them are
// ever produced from a Jet column (see fieldTypeOf); the rest exist so that
// code written against the full list compiles and compares as expected.
enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd,
};

// The enumerator's own name ("ftString"), for messages and tests.
const char* fieldTypeName(TFieldType type) noexcept;

// The field type of an ADO type code, for a column with the given
// auto-increment flag, precision and scale:
//
//   ADO code(s)                                   field type
//   2 small int, 16 tiny int                      ftSmallint
//   3 integer, 10 error, 19 unsigned int          ftInteger, or ftAutoInc for an
//                                                 auto-increment column
//   4 single, 5 double                            ftFloat
//   6 currency                                    ftBCD
//   14 decimal, 131 numeric, 139 var numeric      ftBCD; a numeric (131) with scale 0
//                                                 and precision below 10 is ftInteger
//   7 date, 64 file time, 135 timestamp,
//     137 file time                               ftDateTime
//   133 date / 134 time                           ftDate / ftTime
//   8 BSTR, 130 wchar, 202 var wchar              ftWideString
//   129 char / 200 var char                       ftFixedChar / ftString
//   201 long var char, 203 long var wchar         ftMemo
//   11 boolean                                    ftBoolean
//   17 unsigned tiny int, 18 unsigned small int   ftWord
//   20 big int, 21 unsigned big int               ftLargeint
//   72 GUID                                       ftGuid
//   128 binary / 204 var binary / 205 long binary ftBytes / ftVarBytes / ftBlob
//   9, 12, 13, 136, 138                           ftIDispatch, ftVariant, ftInterface,
//                                                 ftDataSet, ftVariant
//
// Any other code gives nullopt: such a column has no definition and no field.
// So a Jet Text column (202) is ftWideString, Byte (17) is ftWord and Currency
// (6) is ftBCD.
std::optional<TFieldType> fieldTypeOfAdoCode(int code, const jet::ColumnDef& column);

// The field type of a column: that of its ADO type code (adoTypeOf).
std::optional<TFieldType> fieldTypeOf(const jet::ColumnDef& column);

// The size a definition reports: characters for ftString, ftFixedChar and
// ftWideString; bytes for ftBytes and ftVarBytes; for ftBCD the scale (number
// of decimal places), or 4 when the engine reports a scale byte of 128-255
// (currency, whose scale reads as 255); 38 for ftGuid; 0 for every other type.
int fieldSizeOf(const jet::ColumnDef& column, TFieldType type);

// Width in characters that the field's values need on screen and in print
// (a grid column's default width is this many digit widths plus 4 pixels):
//   ftString, ftFixedChar, ftWideString   the size (at least 1)
//   ftBytes, ftVarBytes                   the size (at least 1)
//   ftSmallint 6, ftInteger and ftAutoInc 11, ftWord 5, ftLargeint 20,
//   ftBoolean 5, ftFloat, ftCurrency and ftBCD 10,
//   ftDate and ftTime 10, ftDateTime 18, ftGuid 38,
//   ftMemo, ftBlob, ftGraphic and every other type 10.
int displayWidthOf(TFieldType type, int size);

// True for the types whose values are numbers (printed and shown right-aligned).
bool isNumericFieldType(TFieldType type) noexcept;

// One field definition: a column of the dataset's source as the dataset
// describes it when it opens. The list survives a close and is replaced at the
// next successful open.
struct FieldDef {
  std::u16string name;
  TFieldType dataType = TFieldType::ftUnknown;
  int size = 0;                                    // see fieldSizeOf
  int fieldNo = 0;                                 // position in the definition list, from 1
  bool required = false;                           // the engine refuses a Null
  bool autoIncrement = false;                      // the engine fills the value on insert
  bool computed = false;                           // a query's computed column: never set
  std::size_t column = 0;                          // position of the column in the source's column list
  jet::DataType columnType = jet::DataType::Text;  // the engine's own type of the column

  friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

// The definitions of a source's columns, in column order, leaving out columns
// whose type has no field type. fieldNo counts the definitions kept.
std::vector<FieldDef> fieldDefsOf(const std::vector<jet::ColumnDef>& columns);

}  // namespace qb
