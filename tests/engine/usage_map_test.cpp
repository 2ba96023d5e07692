// Usage maps on crafted rows and bitmap pages.
#include <gtest/gtest.h>

#include "engine/page_images.h"
#include "format/usage_map.h"
#include "jet/error.h"

namespace {

using qbtest::Bytes;
using qbtest::concat;
using Pages = std::vector<std::uint32_t>;

TEST(UsageMap, InlineMapsListSetBitsFromTheirStartPage) {
  auto pager = qbtest::pagerOver({Bytes{}});
  Bytes bitmap(64, 0);
  bitmap[0] = 0b1000'0101;  // pages start+0, +2, +7
  bitmap[63] = 0x80;        // page start+511
  const Bytes row = concat({Bytes{0x00}, qbtest::u32Bytes(1000), bitmap});
  EXPECT_EQ(jet::decodeUsageMap(row, *pager, jet::kJet4Format), (Pages{1000, 1002, 1007, 1511}));
  // Bits past the largest page number are dropped rather than wrapped around.
  const Bytes high = concat({Bytes{0x00}, qbtest::u32Bytes(0xFFFFFFFE), Bytes{0xFF}});
  EXPECT_EQ(jet::decodeUsageMap(high, *pager, jet::kJet4Format), (Pages{0xFFFFFFFE, 0xFFFFFFFF}));
  EXPECT_TRUE(jet::decodeUsageMap(Bytes{0x00, 0, 0, 0, 0}, *pager, jet::kJet4Format).empty());
}

TEST(UsageMap, ReferenceMapsReadBitmapPagesAndSkipUnusedSlots) {
  Bytes bitmapPage(qbtest::kPageSize, 0);
  bitmapPage[0] = 0x05;
  bitmapPage[1] = 0x01;
  bitmapPage[4] = 0b0000'0110;  // pages base+1, base+2
  // Slot 0: none; slot 1: page 1; slot 2: beyond the file; slot 3: the odd value seen in real files.
  const Bytes row = concat({Bytes{0x01}, qbtest::u32Bytes(0), qbtest::u32Bytes(1), qbtest::u32Bytes(77),
                            qbtest::u32Bytes(0xFFFFFF80)});
  auto pager = qbtest::pagerOver({Bytes{}, bitmapPage});
  const std::uint32_t base = jet::kJet4Format.usageMapPagesPerBitmapPage;  // slot 1 covers from here
  EXPECT_EQ(base, 32736u);
  EXPECT_EQ(jet::decodeUsageMap(row, *pager, jet::kJet4Format), (Pages{base + 1, base + 2}));
}

TEST(UsageMap, RefusesUnknownTypesAndWrongPages) {
  auto pager = qbtest::pagerOver({Bytes{}, qbtest::dataPage(0, {})});
  const auto corrupt = [&](const Bytes& row) {
    try {
      jet::decodeUsageMap(row, *pager, jet::kJet4Format);
    } catch (const jet::Error& e) {
      return e.code() == jet::ErrorCode::Corruption;
    }
    return false;
  };
  EXPECT_TRUE(corrupt(Bytes{}));
  EXPECT_TRUE(corrupt(Bytes{0x02, 0, 0, 0, 0}));
  EXPECT_TRUE(corrupt(Bytes{0x00, 1, 2}));                           // inline map cut inside its start page
  EXPECT_TRUE(corrupt(concat({Bytes{0x01}, qbtest::u32Bytes(1)})));  // page 1 is a data page

  // readUsageMap names where the map lives.
  try {
    jet::readUsageMap(*pager, jet::RowId::of(1, 3), jet::kJet4Format);
    ADD_FAILURE();
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("usage map at page 1 slot 3"), std::string::npos) << e.what();
  }
}

}  // namespace
