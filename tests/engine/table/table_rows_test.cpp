// Reading rows through a table built on crafted pages: rows written under
// older definitions, booleans, values in variable columns, deleted slots,
// overflow rows and pages that are not the table's.
#include <gtest/gtest.h>

#include "jet/error.h"
#include "support/page_images.h"
#include "support/value_printer.h"
#include "table/table_impl.h"

namespace {

using jet::DataType;
using jet::RowId;
using jet::Value;
using qbtest::Bytes;
using qbtest::concat;

constexpr std::uint32_t kTablePage = 1;

jet::ColumnDefinition column(const char16_t* name, DataType type, std::uint16_t number, bool fixed,
                             std::uint16_t offsetOrSlot, std::uint16_t length, std::uint16_t position) {
  jet::ColumnDefinition c;
  c.name = name;
  c.type = type;
  c.number = number;
  c.position = position;
  c.flags = fixed ? 0x03 : 0x02;
  (fixed ? c.fixedOffset : c.varSlot) = offsetOrSlot;
  c.length = length;
  return c;
}

// Current columns: ID (Long, fixed 0), Done (Boolean), Name (Text, slot 0),
// Qty (Integer stored in variable slot 1), Added (Long, fixed 4) and Note (Text,
// slot 2). Column 4 and its fixed bytes 4..7 belonged to a deleted column.
jet::TableDefinition definition() {
  jet::TableDefinition t;
  t.firstPage = kTablePage;
  t.maxColumns = 7;
  t.varColumns = 3;
  t.ownedPages = RowId::of(2, 0);
  t.columns = {column(u"ID", DataType::Long, 0, true, 0, 4, 0),
               column(u"Note", DataType::Text, 6, false, 2, 100, 5),
               column(u"Done", DataType::Boolean, 1, true, 0, 1, 1),
               column(u"Name", DataType::Text, 2, false, 0, 100, 2),
               column(u"Qty", DataType::Integer, 3, false, 1, 2, 3),
               column(u"Added", DataType::Long, 5, true, 8, 4, 4)};
  return t;
}

// Compressed text: the FF FE marker, then one byte per character.
Bytes text(const std::string& s) {
  Bytes b(2 + s.size());
  b[0] = 0xFF;
  b[1] = 0xFE;
  std::copy(s.begin(), s.end(), b.begin() + 2);
  return b;
}

Bytes usageMap(std::initializer_list<std::uint32_t> pages) {
  Bytes bitmap(64, 0);
  for (std::uint32_t p : pages) bitmap[p / 8] = static_cast<std::uint8_t>(bitmap[p / 8] | 1u << (p % 8));
  return concat({Bytes{0x00}, qbtest::u32Bytes(0), bitmap});
}

struct CraftedTable {
  std::shared_ptr<jet::Table> table;

  explicit CraftedTable(std::vector<Bytes> pages) {
    auto context = std::make_shared<jet::DatabaseContext>();
    context->pager = qbtest::pagerOver(std::move(pages));
    context->fileName = "crafted.mdb";
    table = std::make_shared<jet::Table>(
        std::make_unique<jet::Table::Impl>(std::move(context), u"Items", false, definition()));
  }
};

// Rows of page 3: an old row, a full row, a deleted row and an overflow
// pointer; page 4 holds the moved row (flagged deleted on its own page).
std::vector<Bytes> standardPages(const Bytes& overflowPointer = qbtest::rowPointer(4, 0)) {
  // Written when the table had 3 columns (ID, Done, Name) and 1 variable slot.
  const Bytes oldRow = qbtest::jet4Row(3, qbtest::u32Bytes(1), {text("old")}, {0, 1, 2});
  const Bytes fullRow =
      qbtest::jet4Row(7, concat({qbtest::u32Bytes(2), qbtest::u32Bytes(50), qbtest::u32Bytes(99)}),
                      {text("full"), qbtest::u16Bytes(7), text("note")}, {0, 2, 3, 4, 5, 6});
  const Bytes deleted = qbtest::jet4Row(7, Bytes(12, 0), {std::nullopt, std::nullopt, std::nullopt}, {});
  const Bytes moved =
      qbtest::jet4Row(7, concat({qbtest::u32Bytes(4), qbtest::u32Bytes(0), qbtest::u32Bytes(0)}),
                      {text("moved"), std::nullopt, std::nullopt}, {0, 1, 2});
  return {Bytes{},
          Bytes{},
          qbtest::dataPage(0, {usageMap({3, 4, 5})}),
          qbtest::dataPage(kTablePage, {oldRow, fullRow, deleted, concat({overflowPointer, Bytes(8, 0)})},
                           {0, 0, 0xC000, 0x4000}),
          qbtest::dataPage(kTablePage, {moved}, {0x8000}),
          qbtest::dataPage(99, {fullRow})};  // another table's page left in the map
}

TEST(TableRows, ColumnsComeInTheStoredPositionOrder) {
  CraftedTable t(standardPages());
  std::vector<std::u16string> names;
  for (const auto& c : t.table->columns()) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"ID", u"Done", u"Name", u"Qty", u"Added", u"Note"}));
}

TEST(TableRows, ListsLiveRowsOnceAndSkipsMovedCopiesAndOtherTablesPages) {
  CraftedTable t(standardPages());
  EXPECT_EQ(t.table->rowIds(), (std::vector<RowId>{RowId::of(3, 0), RowId::of(3, 1), RowId::of(3, 3)}));
}

TEST(TableRows, RowsWrittenBeforeColumnsWereAddedReadThemAsNull) {
  CraftedTable t(standardPages());
  const auto old = t.table->readRow(RowId::of(3, 0));
  EXPECT_EQ(old, (std::vector<Value>{Value::longInt(1), Value::boolean(true), Value::text(u"old"), Value(),
                                     Value(), Value()}));
  const auto full = t.table->readRow(RowId::of(3, 1));
  // The deleted column's bytes (50) are never read; a false boolean is not null.
  EXPECT_EQ(full, (std::vector<Value>{Value::longInt(2), Value::boolean(false), Value::text(u"full"),
                                      Value::integer(7), Value::longInt(99), Value::text(u"note")}));
  EXPECT_EQ(t.table->readValue(RowId::of(3, 1), 5), Value::text(u"note"));
}

TEST(TableRows, MovedRowsAreReadThroughTheirOriginalLocator) {
  CraftedTable t(standardPages());
  EXPECT_EQ(t.table->readValue(RowId::of(3, 3), 2), Value::text(u"moved"));
  std::vector<std::int32_t> ids;
  t.table->scan([&](RowId, const std::vector<Value>& v) {
    ids.push_back(v[0].asLong());
    return true;
  });
  EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 2, 4}));
}

TEST(TableRows, SlotsWithoutALiveRowAreNotFound) {
  CraftedTable t(standardPages());
  for (RowId id : {RowId::of(3, 2), RowId::of(4, 0), RowId::of(3, 9), RowId::of(5, 0), RowId::of(2, 0),
                   RowId::of(400, 0)}) {
    try {
      t.table->readRow(id);
      ADD_FAILURE() << id.page() << ":" << int(id.slot());
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::NotFound) << e.what();
    }
  }
}

TEST(TableRows, OverflowLoopsAndForeignTargetsAreDamagedRows) {
  for (const Bytes& pointer :
       {qbtest::rowPointer(3, 3), qbtest::rowPointer(5, 0), qbtest::rowPointer(77, 0)}) {
    CraftedTable t(standardPages(pointer));
    try {
      t.table->rowIds();
      ADD_FAILURE();
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
      EXPECT_NE(std::string(e.what()).find("table 'Items': page 3, slot 3"), std::string::npos) << e.what();
    }
    jet::ScanReport report;
    std::size_t rows = 0;
    t.table->scan([&](RowId, const std::vector<Value>&) { return ++rows, true; }, jet::ScanMode::Lenient,
                  &report);
    EXPECT_EQ(rows, 2u);
    EXPECT_EQ(report.unreadableRows, 1u);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(t.table->rowIds(jet::ScanMode::Lenient).size(), 2u);
  }
}

TEST(TableRows, PagesBeyondTheFileAndDamagedPagesAreCountedInLenientMode) {
  std::vector<Bytes> pages = standardPages();
  pages[2] = qbtest::dataPage(0, {usageMap({3, 40})});
  CraftedTable beyond(pages);
  EXPECT_THROW(beyond.table->rowIds(), jet::Error);
  jet::ScanReport report;
  EXPECT_EQ(beyond.table->rowIds(jet::ScanMode::Lenient, &report).size(), 3u);
  EXPECT_EQ(report.unreadablePages, 1u);

  pages = standardPages();
  qbtest::putU16(pages[3], 12, 3000);  // slot count past the page
  CraftedTable damaged(pages);
  report = {};
  EXPECT_EQ(damaged.table->rowIds(jet::ScanMode::Lenient, &report).size(), 0u);
  EXPECT_EQ(report.unreadablePages, 1u);
  EXPECT_NE(report.problems.at(0).find("3000 row slots"), std::string::npos) << report.problems[0];
}

TEST(TableRows, DamagedValuesNameTheRowAndColumn) {
  std::vector<Bytes> pages = standardPages();
  // The full row's Qty slot holds one byte: too short for an Integer.
  const Bytes shortQty = qbtest::jet4Row(7, Bytes(12, 0), {text("x"), Bytes{7}, std::nullopt}, {0, 3});
  pages[3] = qbtest::dataPage(kTablePage, {shortQty});
  CraftedTable t(pages);
  try {
    t.table->readRow(RowId::of(3, 0));
    ADD_FAILURE();
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
    EXPECT_NE(std::string(e.what()).find("table 'Items' (page 3, slot 0): column 'Qty'"), std::string::npos)
        << e.what();
  }
  // Lenient scans skip it; rowIds only checks the row's frame, so it lists it.
  jet::ScanReport report;
  t.table->scan([](RowId, const std::vector<Value>&) { return true; }, jet::ScanMode::Lenient, &report);
  EXPECT_EQ(report.unreadableRows, 1u);
  EXPECT_EQ(t.table->rowIds().size(), 1u);
}

}  // namespace
