// Usage maps on crafted rows and bitmap pages.
#include <gtest/gtest.h>

#include <algorithm>

#include "format/usage_map.h"
#include "format/usage_map_writer.h"
#include "jet/error.h"
#include "support/page_images.h"

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

TEST(UsageMap, HighestPagesAreTheEndOfTheWholeList) {
  // Writers look at the last pages a map lists without decoding all of it:
  // the answer must be the whole list's end, read backwards, on either form.
  Bytes inlineBitmap(64, 0);
  inlineBitmap[0] = 0b0000'0011;  // start+0, +1
  inlineBitmap[9] = 0b1001'0000;  // start+76, +79
  inlineBitmap[63] = 0x80;        // start+511
  const Bytes inlineRow = concat({Bytes{0x00}, qbtest::u32Bytes(300), inlineBitmap});
  Bytes bitmapPage(qbtest::kPageSize, 0);
  bitmapPage[0] = 0x05;
  bitmapPage[1] = 0x01;
  bitmapPage[4] = 0b1000'0001;  // base+0, base+7
  bitmapPage[qbtest::kPageSize - 1] = 0x01;
  Bytes secondBitmap = bitmapPage;
  secondBitmap[4] = 0b0001'0000;  // base2+4
  secondBitmap[100] = 0x40;       // base2+774
  secondBitmap[qbtest::kPageSize - 1] = 0;
  // Slots: page 2, nothing, beyond the file, page 3 (the highest pages), nothing.
  const Bytes referenceRow = concat({Bytes{0x01}, qbtest::u32Bytes(2), qbtest::u32Bytes(0), qbtest::u32Bytes(90),
                                     qbtest::u32Bytes(3), qbtest::u32Bytes(0)});
  auto pager = qbtest::pagerOver(
      {Bytes{}, qbtest::dataPage(0, {inlineRow, referenceRow, Bytes{0x03, 0, 0, 0, 0}}), bitmapPage, secondBitmap});
  jet::UsageMapWriter maps(*pager, jet::kJet4Format);
  for (const jet::RowId map : {jet::RowId::of(1, 0), jet::RowId::of(1, 1)}) {
    Pages all = jet::readUsageMap(*pager, map, jet::kJet4Format);
    ASSERT_EQ(all.size(), 5u);
    std::reverse(all.begin(), all.end());
    for (std::size_t count = 0; count <= all.size() + 2; ++count) {
      const Pages expected(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(count, all.size())));
      EXPECT_EQ(maps.highestPages(map, count), expected) << map.slot() << " " << count;
    }
  }
  // A map of an unknown form is refused and named.
  try {
    maps.highestPages(jet::RowId::of(1, 2), 1);
    ADD_FAILURE();
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
    EXPECT_NE(std::string(e.what()).find("usage map at page 1 slot 2"), std::string::npos) << e.what();
  }
}

TEST(UsageMap, ContainsReadsOneBitAsTheWholeListWouldAnswer) {
  Bytes inlineBitmap(64, 0);
  inlineBitmap[0] = 0b0000'0011;  // start+0, +1
  inlineBitmap[63] = 0x80;        // start+511, the last bit
  const Bytes inlineRow = concat({Bytes{0x00}, qbtest::u32Bytes(300), inlineBitmap});
  Bytes bitmapPage(qbtest::kPageSize, 0);
  bitmapPage[0] = 0x05;
  bitmapPage[1] = 0x01;
  bitmapPage[4] = 0b1000'0001;              // base+0, base+7
  bitmapPage[qbtest::kPageSize - 1] = 0x80;  // the last bit of the page
  // Slots: nothing, page 2, beyond the file.
  const Bytes referenceRow =
      concat({Bytes{0x01}, qbtest::u32Bytes(0), qbtest::u32Bytes(2), qbtest::u32Bytes(90)});
  auto pager = qbtest::pagerOver({Bytes{}, qbtest::dataPage(0, {inlineRow, referenceRow}), bitmapPage});
  jet::UsageMapWriter maps(*pager, jet::kJet4Format);
  const std::uint32_t base = jet::kJet4Format.usageMapPagesPerBitmapPage;
  for (const jet::RowId map : {jet::RowId::of(1, 0), jet::RowId::of(1, 1)}) {
    const Pages all = jet::readUsageMap(*pager, map, jet::kJet4Format);
    ASSERT_FALSE(all.empty());
    Pages probes = {0, 1, 299, 300, 301, 302, 811, 812, base - 1, base, base + 1, base + 7, base + 8, 2 * base,
                    3 * base + 5, 0xFFFFFFFF};
    for (const std::uint32_t p : all) probes.push_back(p);
    for (const std::uint32_t p : probes) {
      EXPECT_EQ(maps.contains(map, p), std::binary_search(all.begin(), all.end(), p)) << map.slot() << " " << p;
    }
  }
}

}  // namespace
