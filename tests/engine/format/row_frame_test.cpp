// Row frames on crafted rows: the null mask, fixed and variable areas, rows
// that carry fewer columns than the table defines now, and damaged counts.
#include <gtest/gtest.h>

#include "format/row_frame.h"
#include "jet/error.h"
#include "support/page_images.h"

namespace {

using qbtest::Bytes;

std::string text(jet::ByteSpan b) {
  return std::string(b.begin(), b.end());
}

TEST(RowFrame, FindsFixedAndVariableValues) {
  // Four columns: 0 fixed Long at 0, 1 variable slot 0, 2 variable slot 1 (null), 3 fixed Integer at 4.
  const Bytes row =
      qbtest::jet4Row(4, Bytes{7, 0, 0, 0, 9, 0}, {Bytes{'a', 'b', 'c'}, std::nullopt}, {0, 1, 3});
  const jet::RowFrame frame(row, true, jet::kJet4Format);
  EXPECT_EQ(frame.columnCount(), 4u);
  EXPECT_EQ(frame.variableSlotCount(), 2u);
  EXPECT_TRUE(frame.maskBit(0));
  EXPECT_TRUE(frame.maskBit(1));
  EXPECT_FALSE(frame.maskBit(2));
  EXPECT_EQ(frame.fixedBytes(0, 4)[0], 7);
  EXPECT_EQ(frame.fixedBytes(4, 2)[0], 9);
  EXPECT_EQ(text(frame.variableBytes(0)), "abc");
  EXPECT_TRUE(frame.variableBytes(1).empty());
}

TEST(RowFrame, ColumnsBeyondTheRowsCountReadAsAbsent) {
  // Written when the table had 2 columns; a third was added later.
  const Bytes row = qbtest::jet4Row(2, Bytes{1, 0, 0, 0}, {Bytes{'x'}}, {0, 1});
  const jet::RowFrame frame(row, true, jet::kJet4Format);
  EXPECT_TRUE(frame.maskBit(1));
  EXPECT_FALSE(frame.maskBit(2));
  EXPECT_FALSE(frame.maskBit(9));
  EXPECT_FALSE(frame.maskBit(0xFFFF));
}

TEST(RowFrame, RowsOfTablesWithoutVariableColumnsHaveNoOffsetTable) {
  const Bytes row = qbtest::jet4Row(9, Bytes{1, 2, 3}, {}, {0, 8}, false);
  ASSERT_EQ(row.size(), 2u + 3u + 2u);
  const jet::RowFrame frame(row, false, jet::kJet4Format);
  EXPECT_EQ(frame.variableSlotCount(), 0u);
  EXPECT_TRUE(frame.maskBit(8));
  EXPECT_EQ(frame.fixedBytes(2, 1)[0], 3);
}

TEST(RowFrame, RefusesCountsAndOffsetsOutsideTheRow) {
  const auto corrupt = [](const Bytes& row, bool hasVariable) {
    try {
      const jet::RowFrame frame(row, hasVariable, jet::kJet4Format);
      for (unsigned s = 0; s < frame.variableSlotCount(); ++s) frame.variableBytes(s);
      frame.fixedBytes(0, 4);
    } catch (const jet::Error& e) {
      return e.code() == jet::ErrorCode::Corruption;
    }
    return false;
  };
  EXPECT_TRUE(corrupt(Bytes{}, true));
  EXPECT_TRUE(corrupt(Bytes{1}, true));
  EXPECT_TRUE(corrupt(Bytes{0xFF, 0xFF, 0, 0}, false));  // 65535 columns, a 2-byte mask area
  Bytes good = qbtest::jet4Row(2, Bytes{1, 0, 0, 0}, {Bytes{'x', 'y'}}, {0, 1});
  EXPECT_FALSE(corrupt(good, true));

  Bytes slots = good;
  slots[slots.size() - 3] = 0x40;  // variable slot count 0x4001
  EXPECT_TRUE(corrupt(slots, true));

  Bytes reversed = good;  // slot 0 starts after the end of the data
  reversed[reversed.size() - 5] = static_cast<std::uint8_t>(good.size());
  EXPECT_TRUE(corrupt(reversed, true));

  Bytes shortFixed = qbtest::jet4Row(2, Bytes{1, 0}, {Bytes{}}, {0});  // fixed area of 2 bytes, a 4-byte read
  EXPECT_TRUE(corrupt(shortFixed, true));
}

}  // namespace
