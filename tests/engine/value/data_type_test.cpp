// The per-type facts every part of the engine reads, checked against what the
// file format and the value kinds say of each type.
#include <gtest/gtest.h>

#include "jet/data_type.h"
#include "jet/value.h"

namespace {

using jet::DataType;
using jet::factsOf;

TEST(DataTypeFacts, SizesKindsAndRolesOfEveryType) {
  EXPECT_EQ(factsOf(DataType::Long).fixedSize, 4);
  EXPECT_EQ(factsOf(DataType::Currency).fixedSize, 8);
  EXPECT_EQ(factsOf(DataType::Numeric).fixedSize, 17);
  EXPECT_EQ(factsOf(DataType::Guid).fixedSize, 16);
  EXPECT_EQ(factsOf(DataType::Boolean).fixedSize, 0);  // kept in the null mask
  EXPECT_EQ(factsOf(DataType::Memo).kind, jet::ValueKind::Text);
  EXPECT_EQ(factsOf(DataType::Ole).kind, jet::ValueKind::Binary);
  EXPECT_EQ(factsOf(DataType::Numeric).kind, jet::ValueKind::Decimal);
  for (DataType t : {DataType::Memo, DataType::Ole}) {
    EXPECT_TRUE(factsOf(t).longValue);
    EXPECT_TRUE(factsOf(t).variableLength);
    EXPECT_EQ(factsOf(t).fixedSize, 0);
  }
  EXPECT_TRUE(factsOf(DataType::Text).variableLength);
  EXPECT_FALSE(factsOf(DataType::Text).longValue);
  EXPECT_FALSE(factsOf(DataType::Ole).indexable);
  EXPECT_TRUE(factsOf(DataType::Memo).indexable);
  EXPECT_FALSE(factsOf(DataType::Unknown11).indexable);
  EXPECT_TRUE(factsOf(DataType::Numeric).number);
  EXPECT_FALSE(factsOf(DataType::DateTime).number);
  EXPECT_FALSE(factsOf(DataType::Boolean).number);
}

TEST(DataTypeFacts, NamesAndCodesJetDoesNotDefine) {
  EXPECT_EQ(jet::dataTypeName(DataType::Ole), "OLE");
  EXPECT_EQ(jet::dataTypeName(DataType::Guid), "GUID");
  EXPECT_EQ(jet::dataTypeName(DataType::Unknown0D), "Unknown (0x0D)");
  const auto undefined = static_cast<DataType>(0xFE);
  EXPECT_EQ(jet::dataTypeName(undefined), "Unknown (0xFE)");
  EXPECT_EQ(factsOf(undefined).kind, jet::ValueKind::Binary);
  EXPECT_FALSE(factsOf(undefined).indexable);
  EXPECT_EQ(factsOf(undefined).fixedSize, 0);
}

}  // namespace
