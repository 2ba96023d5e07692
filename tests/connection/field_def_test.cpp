// Field types, sizes and display widths from the engine's column descriptions,
// including the ADO codes the engine never reports for Jet columns today.
#include <gtest/gtest.h>

#include "connection/field_def.h"
#include "memory_table.h"

namespace {

using qb::TFieldType;
using enum qb::TFieldType;

// The field type of an ADO code, for a plain column or for `column`.
std::optional<TFieldType> typeOfCode(int code, const jet::ColumnDef& column = qbtest::memoryColumn(u"c", jet::DataType::Long)) {
  return qb::fieldTypeOfAdoCode(code, column);
}

// A column of a type code Jet does not define: it maps to no ADO type.
jet::ColumnDef undefinedColumn() { return qbtest::memoryColumn(u"c", static_cast<jet::DataType>(0x0E)); }

TEST(FieldTypes, JetColumnsGetTheTypesTheProgramExpects) {
  // Text is wide text, Byte an unsigned word, Currency a BCD: the table info
  // window shows names by these types.
  EXPECT_EQ(typeOfCode(202), ftWideString);
  EXPECT_EQ(typeOfCode(130), ftWideString);
  EXPECT_EQ(typeOfCode(17), ftWord);
  EXPECT_EQ(typeOfCode(6), ftBCD);
  EXPECT_EQ(typeOfCode(7), ftDateTime);
  EXPECT_EQ(typeOfCode(203), ftMemo);
  EXPECT_EQ(typeOfCode(205), ftBlob);
  EXPECT_EQ(typeOfCode(204), ftVarBytes);
  EXPECT_EQ(typeOfCode(128), ftBytes);
  EXPECT_EQ(typeOfCode(138), ftVariant);
  // Codes outside the table give no field at all.
  for (const int code : {0, 1, 15, 132, 140, 999, -1}) {
    EXPECT_EQ(typeOfCode(code), std::nullopt) << "ADO code " << code;
  }
}

TEST(FieldTypes, AutoIncrementAndSmallNumericsBecomeWholeNumbers) {
  jet::ColumnDef id = qbtest::memoryColumn(u"c", jet::DataType::Long);
  id.autoNumber = true;
  EXPECT_EQ(typeOfCode(3, id), ftAutoInc);
  EXPECT_EQ(qb::fieldTypeOf(id), ftAutoInc);
  jet::ColumnDef n = qbtest::memoryColumn(u"c", jet::DataType::Numeric);
  n.scale = 0;
  n.precision = 9;
  EXPECT_EQ(typeOfCode(131, n), ftInteger);
  n.precision = 10;
  EXPECT_EQ(typeOfCode(131, n), ftBCD);
  n.precision = 5;
  n.scale = 1;
  EXPECT_EQ(typeOfCode(131, n), ftBCD);
  jet::ColumnDef d = n;  // only the numeric code narrows
  d.scale = 0;
  d.precision = 5;
  EXPECT_EQ(typeOfCode(14, d), ftBCD);
}

TEST(FieldTypes, SizesFollowTheType) {
  jet::ColumnDef text = qbtest::memoryColumn(u"t", jet::DataType::Text, 50);
  EXPECT_EQ(qb::fieldSizeOf(text, ftWideString), 50);
  jet::ColumnDef binary = qbtest::memoryColumn(u"b", jet::DataType::Binary, 16);
  EXPECT_EQ(qb::fieldSizeOf(binary, ftVarBytes), 16);
  EXPECT_EQ(qb::fieldSizeOf(qbtest::memoryColumn(u"c", jet::DataType::Currency), ftBCD), 4);
  jet::ColumnDef numeric = qbtest::memoryColumn(u"n", jet::DataType::Numeric);
  numeric.scale = 3;
  EXPECT_EQ(qb::fieldSizeOf(numeric, ftBCD), 3);
  numeric.scale = 200;  // a negative scale byte
  EXPECT_EQ(qb::fieldSizeOf(numeric, ftBCD), 4);
  EXPECT_EQ(qb::fieldSizeOf(qbtest::memoryColumn(u"g", jet::DataType::Guid), ftGuid), 38);
  EXPECT_EQ(qb::fieldSizeOf(qbtest::memoryColumn(u"l", jet::DataType::Long), ftInteger), 0);
  EXPECT_EQ(qb::fieldSizeOf(qbtest::memoryColumn(u"m", jet::DataType::Memo), ftMemo), 0);
}

TEST(FieldTypes, DefinitionsOfATypicalTable) {
  using jet::DataType;
  std::vector<jet::ColumnDef> columns{
      qbtest::memoryColumn(u"Name", DataType::Text, 50),  qbtest::memoryColumn(u"Id", DataType::Long),
      qbtest::memoryColumn(u"Price", DataType::Currency), qbtest::memoryColumn(u"Born", DataType::DateTime),
      qbtest::memoryColumn(u"Active", DataType::Boolean), qbtest::memoryColumn(u"Notes", DataType::Memo)};
  columns.insert(columns.begin() + 2, undefinedColumn());  // a column with no field type is left out
  const std::vector<qb::FieldDef> defs = qb::fieldDefsOf(columns);
  ASSERT_EQ(defs.size(), 6u);
  const std::vector<std::tuple<std::u16string, TFieldType, int, int, std::size_t>> expected{
      {u"Name", ftWideString, 50, 1, 0}, {u"Id", ftInteger, 0, 2, 1},     {u"Price", ftBCD, 4, 3, 3},
      {u"Born", ftDateTime, 0, 4, 4},    {u"Active", ftBoolean, 0, 5, 5}, {u"Notes", ftMemo, 0, 6, 6}};
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const auto& [name, type, size, number, column] = expected[i];
    EXPECT_EQ(defs[i].name, name);
    EXPECT_EQ(defs[i].dataType, type) << qb::fieldTypeName(defs[i].dataType);
    EXPECT_EQ(defs[i].size, size);
    EXPECT_EQ(defs[i].fieldNo, number);
    EXPECT_EQ(defs[i].column, column);
  }
}

TEST(FieldTypes, TextIsAsWideAsItsSize) {
  EXPECT_EQ(qb::displayWidthOf(ftWideString, 50), 50);
  EXPECT_EQ(qb::displayWidthOf(ftWideString, 0), 1);
  EXPECT_TRUE(qb::isNumericFieldType(ftBCD));
  EXPECT_FALSE(qb::isNumericFieldType(ftBoolean));
}

}  // namespace
