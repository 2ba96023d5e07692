// Data pages on crafted bytes: slot extents, flags and overflow pointers.
#include <gtest/gtest.h>

#include "format/data_page.h"
#include "jet/error.h"
#include "support/page_images.h"

namespace {

using qbtest::Bytes;

bool corrupt(const std::function<void()>& f) {
  try {
    f();
  } catch (const jet::Error& e) {
    return e.code() == jet::ErrorCode::Corruption;
  }
  return false;
}

TEST(DataPage, RowsRunFromTheirOffsetToThePreviousRow) {
  const Bytes page = qbtest::dataPage(42, {Bytes(10, 'a'), Bytes(3, 'b'), Bytes{}, Bytes(5, 'c')},
                                      {0, 0x8000, 0xC000, 0x4000});
  const jet::DataPage data(page, 7, jet::kJet4Format);
  EXPECT_EQ(data.owner(), 42u);
  EXPECT_EQ(data.slotCount(), 4u);
  EXPECT_EQ(data.row(0).size(), 10u);
  EXPECT_EQ(data.row(1).size(), 3u);
  EXPECT_EQ(data.row(1)[0], 'b');
  EXPECT_TRUE(data.row(2).empty());  // a deleted row whose space was reclaimed
  EXPECT_FALSE(data.isDeleted(0));
  EXPECT_TRUE(data.isDeleted(1));
  EXPECT_TRUE(data.isDeleted(2));
  EXPECT_TRUE(data.isOverflow(2));
  EXPECT_TRUE(data.isOverflow(3));
  EXPECT_TRUE(corrupt([&] { data.row(4); }));
}

TEST(DataPage, ReadsOverflowPointers) {
  const Bytes page =
      qbtest::dataPage(1, {qbtest::concat({qbtest::rowPointer(0x123456, 9), Bytes{0, 0}})}, {0x4000});
  const jet::DataPage data(page, 3, jet::kJet4Format);
  EXPECT_EQ(data.overflowTarget(0).page(), 0x123456u);
  EXPECT_EQ(data.overflowTarget(0).slot(), 9);
  const Bytes tiny = qbtest::dataPage(1, {Bytes{1, 2}}, {0x4000});
  EXPECT_TRUE(corrupt([&] { jet::DataPage(tiny, 3, jet::kJet4Format).overflowTarget(0); }));
}

TEST(DataPage, RefusesDamagedHeadersAndExtents) {
  Bytes page = qbtest::dataPage(1, {Bytes(4, 'x'), Bytes(4, 'y')});
  EXPECT_TRUE(corrupt([&] { jet::DataPage(jet::ByteSpan(page).first(10), 1, jet::kJet4Format); }));

  Bytes wrongType = page;
  wrongType[0] = 0x02;
  EXPECT_TRUE(corrupt([&] { jet::DataPage(wrongType, 1, jet::kJet4Format); }));

  Bytes tooManySlots = page;
  qbtest::putU16(tooManySlots, 12, 2100);  // the slot table would run past the page
  EXPECT_TRUE(corrupt([&] { jet::DataPage(tooManySlots, 1, jet::kJet4Format); }));

  Bytes intoHeader = page;
  qbtest::putU16(intoHeader, 16, 10);  // row 1 would start inside the slot table
  EXPECT_TRUE(corrupt([&] { jet::DataPage(intoHeader, 1, jet::kJet4Format).row(1); }));

  Bytes crossed = page;
  qbtest::putU16(crossed, 16, 4095);  // row 1 would start after row 0 begins
  EXPECT_TRUE(corrupt([&] { jet::DataPage(crossed, 1, jet::kJet4Format).row(1); }));

  Bytes beyond = page;
  qbtest::putU16(beyond, 14, 0x1FFF);  // offset 8191 in a 4096-byte page
  EXPECT_TRUE(corrupt([&] { jet::DataPage(beyond, 1, jet::kJet4Format).row(0); }));
}

}  // namespace
