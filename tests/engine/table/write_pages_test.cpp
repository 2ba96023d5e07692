// Changing data pages and usage maps: rows added up to the last byte and the
// last slot, rows resized and deleted without disturbing their neighbours,
// damaged pages refused, and usage maps that move their window or become
// reference maps as pages are added far apart.
#include <gtest/gtest.h>

#include <numeric>

#include "format/data_page.h"
#include "format/data_page_writer.h"
#include "format/usage_map_writer.h"
#include "jet/error.h"
#include "support/write_fixtures.h"
#include "table/write_scope.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kPage = 4096;

Bytes rowOf(std::size_t length, std::uint8_t fill) { return Bytes(length, fill); }

Bytes rowAt(const Bytes& page, unsigned slot) {
  const jet::DataPage view(page, 9, jet::kJet4Format);
  const auto r = view.row(slot);
  return Bytes(r.begin(), r.end());
}

std::uint16_t freeField(const Bytes& page) { return static_cast<std::uint16_t>(page[2] | page[3] << 8); }

TEST(DataPageEditor, FillsAPageToTheLastByte) {
  Bytes page(kPage);
  jet::DataPageEditor::format(page, 42, jet::kJet4Format);
  jet::DataPageEditor editor(page, 9, jet::kJet4Format);
  EXPECT_EQ(editor.freeSpace(), 4082u);
  EXPECT_EQ(freeField(page), 4082);
  EXPECT_EQ(editor.owner(), 42u);
  EXPECT_TRUE(editor.canInsert(4080));
  EXPECT_FALSE(editor.canInsert(4081));
  EXPECT_EQ(jet::insertableLength(page, jet::kJet4Format), 4080u);
  EXPECT_EQ(editor.insert(rowOf(4000, 1)), 0u);
  EXPECT_EQ(editor.insert(rowOf(78, 2)), 1u);
  EXPECT_EQ(editor.freeSpace(), 0u);
  EXPECT_FALSE(editor.canInsert(0));
  EXPECT_EQ(rowAt(page, 0), rowOf(4000, 1));
  EXPECT_EQ(rowAt(page, 1), rowOf(78, 2));
}

TEST(DataPageEditor, TheLastSlotNumberIsReusedOnlyAfterADelete) {
  Bytes page(kPage);
  jet::DataPageEditor::format(page, 42, jet::kJet4Format);
  jet::DataPageEditor editor(page, 9, jet::kJet4Format);
  for (unsigned i = 0; i < jet::kMaxSlotsPerPage; ++i) editor.insert(rowOf(4, static_cast<std::uint8_t>(i)));
  EXPECT_GT(editor.freeSpace(), 100u);
  EXPECT_FALSE(editor.canInsert(4));
  EXPECT_EQ(jet::insertableLength(page, jet::kJet4Format), 0u);
  editor.remove(17);
  EXPECT_TRUE(editor.canInsert(40));
  EXPECT_EQ(editor.insert(rowOf(40, 0xEE)), 17u);
  EXPECT_EQ(rowAt(page, 17), rowOf(40, 0xEE));
  EXPECT_EQ(rowAt(page, 16), rowOf(4, 16));
  EXPECT_EQ(rowAt(page, 18), rowOf(4, 18));
  // A slot holding a moved row's data (0x8000 alone) is never taken.
  editor.replace(3, rowOf(4, 3), jet::kSlotDeleted);
  EXPECT_FALSE(editor.canInsert(4));
}

TEST(DataPageEditor, ResizingAndDeletingKeepTheOtherRows) {
  Bytes page(kPage);
  jet::DataPageEditor::format(page, 42, jet::kJet4Format);
  jet::DataPageEditor editor(page, 9, jet::kJet4Format);
  for (unsigned i = 0; i < 5; ++i) editor.insert(rowOf(100, static_cast<std::uint8_t>(i)));
  const std::size_t free = editor.freeSpace();
  editor.replace(1, rowOf(300, 0xAA), 0);
  EXPECT_EQ(editor.freeSpace(), free - 200);
  editor.replace(3, rowOf(10, 0xBB), 0);
  EXPECT_EQ(editor.freeSpace(), free - 200 + 90);
  EXPECT_EQ(freeField(page), editor.freeSpace());
  const std::vector<Bytes> expected = {rowOf(100, 0), rowOf(300, 0xAA), rowOf(100, 2), rowOf(10, 0xBB), rowOf(100, 4)};
  for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(rowAt(page, i), expected[i]) << i;

  editor.remove(2);
  EXPECT_TRUE(editor.isDeleted(2));
  EXPECT_EQ(editor.slotFlags(2), jet::kSlotDeleted | jet::kSlotOverflow);
  EXPECT_TRUE(rowAt(page, 2).empty());  // the space went back to the page
  EXPECT_EQ(editor.freeSpace(), free - 200 + 90 + 100);
  EXPECT_EQ(rowAt(page, 4), rowOf(100, 4));
  EXPECT_EQ(editor.liveRows(), 4u);
  EXPECT_TRUE(editor.canResize(0, 100 + editor.freeSpace()));
  EXPECT_FALSE(editor.canResize(0, 101 + editor.freeSpace()));
}

TEST(DataPageEditor, ADamagedPageIsNeverWrittenOver) {
  Bytes page(kPage);
  jet::DataPageEditor::format(page, 42, jet::kJet4Format);
  {
    jet::DataPageEditor editor(page, 9, jet::kJet4Format);
    editor.insert(rowOf(10, 1));
    editor.insert(rowOf(10, 2));
  }
  Bytes outOfOrder = page;
  outOfOrder[16] = static_cast<std::uint8_t>(kPage - 5);  // slot 1 starts after slot 0
  outOfOrder[17] = static_cast<std::uint8_t>((kPage - 5) >> 8);
  EXPECT_THROW(jet::DataPageEditor(outOfOrder, 9, jet::kJet4Format), jet::Error);
  Bytes tooManySlots = page;
  tooManySlots[12] = 0xFF;
  tooManySlots[13] = 0x0F;
  EXPECT_THROW(jet::DataPageEditor(tooManySlots, 9, jet::kJet4Format), jet::Error);
  Bytes notData = page;
  notData[0] = 0x02;
  EXPECT_THROW(jet::DataPageEditor(notData, 9, jet::kJet4Format), jet::Error);
  EXPECT_EQ(jet::insertableLength(notData, jet::kJet4Format), 0u);
}

TEST(UsageMapWriter, InlineMapsMoveTheirWindowThenBecomeReferenceMaps) {
  QB_REQUIRE_CORPUS();
  const auto file = qbtest::MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  jet::Pager& pager = qbtest::pagerOf(*db);
  jet::WriteScope scope(*db->impl().context);
  jet::UsageMapWriter maps(pager, jet::kJet4Format);
  const jet::RowId map = maps.create();
  const jet::RowId second = maps.create(map.page());
  EXPECT_EQ(second.page(), map.page());  // maps of one object stay together
  EXPECT_TRUE(qbtest::mapPages(pager, map).empty());

  maps.add(map, 700);
  maps.add(map, 705);
  EXPECT_EQ(qbtest::mapPages(pager, map), (std::set<std::uint32_t>{700, 705}));
  maps.add(map, 300);  // the window moves down to take it
  EXPECT_EQ(qbtest::mapPages(pager, map), (std::set<std::uint32_t>{300, 700, 705}));
  EXPECT_EQ(pager.page(map.page()).bytes()[0], 0x01);
  maps.add(map, 90000);  // too far for any window: a reference map
  EXPECT_EQ(qbtest::mapPages(pager, map), (std::set<std::uint32_t>{300, 700, 705, 90000}));
  EXPECT_TRUE(maps.contains(map, 90000));
  maps.remove(map, 700);
  maps.remove(map, 12345);  // not listed: nothing happens
  EXPECT_EQ(qbtest::mapPages(pager, map), (std::set<std::uint32_t>{300, 705, 90000}));
  EXPECT_TRUE(qbtest::mapPages(pager, second).empty());

  const std::uint32_t pagesBefore = pager.pageCount();
  maps.destroy(map);
  maps.destroy(second);
  // The bitmap pages and the emptied usage-map page went back to the file.
  const auto free = qbtest::freePages(pager);
  EXPECT_TRUE(free.count(map.page()));
  EXPECT_LE(pagesBefore, pager.pageCount());
  EXPECT_THROW(maps.add(map, 1), jet::Error);  // the row is gone
  scope.commit();
}

}  // namespace
