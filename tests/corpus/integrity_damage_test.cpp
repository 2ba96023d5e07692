// The integrity checker over damaged copies of real files: one structure at a
// time is broken the way a faulty writer or a bad disk would break it, and the
// checker must name it as an error -- never crash, never call the copy clean.
#include <gtest/gtest.h>

#include <random>

#include "catalog/database_impl.h"
#include "format/index_page.h"
#include "format/usage_map.h"
#include "integrity_test_support.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/pager.h"
#include "support/test_files.h"
#include "table/table_impl.h"

namespace {

using jet::ProblemArea;
using jet::ProblemSeverity;
using jet::RowId;
using qbtest::DatabaseImage;
using qbtest::describe;
using qbtest::hasError;

constexpr std::size_t kTdefRowCount = 16;
constexpr std::size_t kTdefAutoNumber = 20;
constexpr std::size_t kDataFreeSpace = 2;
constexpr std::size_t kSlotTable = 14;
constexpr std::uint16_t kSlotDeleted = 0x8000;
constexpr std::uint16_t kSlotOverflow = 0x4000;

// What a test needs to know about a table of an image: its definition and pages.
struct TableFacts {
  jet::TableDefinition definition;
  std::vector<RowId> rows;
  std::vector<std::uint32_t> dataPages;
};

TableFacts factsOf(const DatabaseImage& image, std::u16string_view name) {
  auto db = image.open();
  auto table = db->table(name);
  TableFacts facts;
  facts.definition = table->impl().definition;
  facts.rows = table->rowIds();
  facts.dataPages =
      jet::readUsageMap(*db->impl().context->pager, facts.definition.ownedPages, jet::kJet4Format);
  return facts;
}

std::vector<std::uint32_t> mapPages(const DatabaseImage& image, RowId map) {
  auto db = image.open();
  return jet::readUsageMap(*db->impl().context->pager, map, jet::kJet4Format);
}

jet::IndexPage decodeIndexPage(DatabaseImage& image, std::uint32_t number) {
  jet::IndexPage page;
  page.decode(image.page(number), number, jet::kJet4IndexPage);
  return page;
}

// Sets (or clears) the bit of `page` in the inline usage map at `map`.
void setMapBit(DatabaseImage& image, RowId map, std::uint32_t page, bool on) {
  const auto bytes = image.page(map.page());
  const std::size_t row = image.rowOffset(map);
  ASSERT_EQ(bytes[row], 0) << "an inline map";
  const std::uint32_t bit = page - qbtest::loadU32(bytes, row + 1);
  std::uint8_t& b = bytes[row + 5 + bit / 8];
  b = static_cast<std::uint8_t>(on ? b | 1 << (bit % 8) : b & ~(1 << (bit % 8)));
}

// --- Files and pages ---

TEST(IntegrityDamage, APartialPageAtTheEndOfTheFile) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-empty.mdb");
  image.bytes().resize(image.bytes().size() + 100, 0);
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::File, "not a whole number of 4096-byte pages"))
      << describe(report);
}

TEST(IntegrityDamage, AUsedPageMarkedFreeInThePageMap) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-compIndexTestV2000.mdb");
  const TableFacts t = factsOf(image, u"Table1");
  setMapBit(image, RowId::of(1, 0), t.dataPages.back(), true);
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::PageMap,
                       "page " + std::to_string(t.dataPages.back()) +
                           " is a data page of table 'Table1', but the "
                           "file's page map marks it free"))
      << describe(report);
}

TEST(IntegrityDamage, APageUsedByTwoLongValueColumns) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-test2V2000.mdb");
  const TableFacts projects = factsOf(image, u"MSP_PROJECTS");
  const TableFacts catalog = factsOf(image, u"MSysObjects");
  const jet::LongValueColumnMaps& chained = *std::find_if(
      projects.definition.longValueMaps.begin(), projects.definition.longValueMaps.end(),
      [&](const jet::LongValueColumnMaps& m) { return mapPages(image, m.ownedPages).size() > 1; });
  const std::uint32_t stolen = mapPages(image, chained.ownedPages).front();
  setMapBit(image, catalog.definition.longValueMaps.front().ownedPages, stolen, true);
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::PageMap, "page " + std::to_string(stolen) + " is used twice"))
      << describe(report);
}

TEST(IntegrityDamage, DataPageFreeSpaceFieldsThatDisagreeWithTheRows) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-testV2000.mdb");
  const std::uint32_t page = factsOf(image, u"Table1").dataPages.front();
  const std::uint16_t free = qbtest::loadU16(image.page(page), kDataFreeSpace);

  // More free space than there is would let a writer overwrite rows.
  qbtest::storeU16(image.page(page), kDataFreeSpace, static_cast<std::uint16_t>(free + 100));
  auto report = image.check();
  EXPECT_TRUE(
      hasError(report, ProblemArea::DataPage, "records " + std::to_string(free + 100) + " bytes free"))
      << describe(report);

  // Less only wastes space.
  qbtest::storeU16(image.page(page), kDataFreeSpace, static_cast<std::uint16_t>(free - 10));
  report = image.check();
  EXPECT_EQ(report.errorCount, 0u) << describe(report);
  EXPECT_EQ(qbtest::countProblems(report, ProblemSeverity::Warning, ProblemArea::DataPage, "bytes free"), 1u);
}

TEST(IntegrityDamage, RowSlotsThatOverlap) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-testV2000.mdb");
  const std::uint32_t page = factsOf(image, u"Table1").dataPages.front();
  // Slot 1's row must end where slot 0's starts; move it past the page end.
  qbtest::storeU16(image.page(page), kSlotTable + 2, 4095);
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::DataPage, "row slot 1 starts at byte 4095")) << describe(report);
}

// --- Rows and overflow pointers ---

TEST(IntegrityDamage, ARowCarryingMoreColumnsThanTheTableHasHad) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-indexTestV2000.mdb");
  const RowId row = factsOf(image, u"Table2").rows.front();
  qbtest::storeU16(image.page(row.page()), image.rowOffset(row), 7);
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::Row, "carries 7 columns, more than the table has ever had (2)"))
      << describe(report);
}

TEST(IntegrityDamage, BrokenOverflowPointers) {
  QB_REQUIRE_CORPUS();
  DatabaseImage original("jackcess-V2000-overflowTestV2000.mdb");
  const TableFacts t = factsOf(original, u"Table1");
  // Find a moved row: a live slot holding a pointer to its data elsewhere.
  RowId moved;
  RowId target;
  for (const std::uint32_t page : t.dataPages) {
    const auto bytes = original.page(page);
    for (unsigned slot = 0; slot < qbtest::loadU16(bytes, 12); ++slot) {
      const std::uint16_t word = qbtest::loadU16(bytes, kSlotTable + 2 * slot);
      if ((word & (kSlotDeleted | kSlotOverflow)) == kSlotOverflow) {
        moved = RowId::of(page, static_cast<std::uint8_t>(slot));
        target = RowId{qbtest::loadU32(bytes, word & 0x1FFF)};
      }
    }
  }
  ASSERT_NE(moved.value, 0u) << "the file has overflow rows";

  {
    // The moved data no longer flagged: a scan of its page reads it as a row of its own.
    DatabaseImage image = original;
    const auto bytes = image.page(target.page());
    const std::size_t at = kSlotTable + 2 * target.slot();
    qbtest::storeU16(bytes, at, static_cast<std::uint16_t>(qbtest::loadU16(bytes, at) & ~kSlotDeleted));
    const auto report = image.check();
    EXPECT_TRUE(hasError(report, ProblemArea::Row, "not flagged as moved data")) << describe(report);
  }
  {
    DatabaseImage image = original;
    qbtest::storeU32(image.page(moved.page()), image.rowOffset(moved), RowId::of(9999, 0).value);
    const auto report = image.check();
    EXPECT_TRUE(hasError(report, ProblemArea::Row, "leads to page 9999 slot 0, beyond the end of the file"))
        << describe(report);
  }
}

// --- Long values ---

TEST(IntegrityDamage, LongValueChainsThatLoopOrLeaveTheFile) {
  QB_REQUIRE_CORPUS();
  DatabaseImage original("jackcess-V2000-test2V2000.mdb");
  const TableFacts t = factsOf(original, u"MSP_PROJECTS");
  std::uint32_t linkPage = 0;
  for (const auto& m : t.definition.longValueMaps) {
    const auto pages = mapPages(original, m.ownedPages);
    if (pages.size() > 1) linkPage = pages.front();
  }
  ASSERT_NE(linkPage, 0u) << "a value chained over several pages";
  const RowId link = RowId::of(linkPage, 0);
  ASSERT_NE(qbtest::loadU32(original.page(linkPage), original.rowOffset(link)), 0u)
      << "a link with a successor";

  DatabaseImage loop = original;
  qbtest::storeU32(loop.page(linkPage), loop.rowOffset(link), link.value);
  auto report = loop.check();
  EXPECT_TRUE(hasError(report, ProblemArea::LongValue,
                       "the long-value chain loops back to page " + std::to_string(linkPage) + " slot 0"))
      << describe(report);

  DatabaseImage away = original;
  qbtest::storeU32(away.page(linkPage), away.rowOffset(link), RowId::of(70000, 3).value);
  report = away.check();
  EXPECT_TRUE(hasError(report, ProblemArea::LongValue, "names page 70000 slot 3, beyond the end of the file"))
      << describe(report);
}

TEST(IntegrityDamage, ALongValueRowDeletedUnderItsValue) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-empty.mdb");
  const TableFacts catalog = factsOf(image, u"MSysObjects");
  std::uint32_t page = 0;
  for (const auto& m : catalog.definition.longValueMaps) {
    const auto pages = mapPages(image, m.ownedPages);
    if (!pages.empty()) page = pages.front();
  }
  ASSERT_NE(page, 0u);
  const auto bytes = image.page(page);
  qbtest::storeU16(bytes, kSlotTable,
                   static_cast<std::uint16_t>(qbtest::loadU16(bytes, kSlotTable) | kSlotDeleted));
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::LongValue,
                       "names page " + std::to_string(page) + " slot 0, a deleted row"))
      << describe(report);
}

// --- Indexes ---

TEST(IntegrityDamage, AnIndexEntryPointingAtNoRow) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-indexTestV2000.mdb");
  const TableFacts t = factsOf(image, u"Table2");
  const std::uint32_t root = t.definition.realIndexes[1].rootPage;  // the primary key
  const jet::IndexPage leaf = decodeIndexPage(image, root);
  ASSERT_EQ(leaf.kind, jet::IndexPageKind::Leaf);
  const RowId row = leaf.row(0);
  // The slot byte ends the first entry, which is stored whole.
  image.page(root)[jet::kJet4IndexPage.entryData + leaf.key(0).size() + 3] = 0xEE;
  const auto report = image.check();
  const std::string pointsAt =
      "points at page " + std::to_string(row.page()) + " slot 238, which holds no live row";
  const std::string missing = "the row at page " + std::to_string(row.page()) + " slot " +
                              std::to_string(row.slot()) + " has no entry";
  EXPECT_TRUE(hasError(report, ProblemArea::Index, pointsAt)) << describe(report);
  EXPECT_TRUE(hasError(report, ProblemArea::Index, missing)) << describe(report);
}

TEST(IntegrityDamage, DuplicateKeysInAUniqueIndex) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-indexTestV2000.mdb");
  const TableFacts t = factsOf(image, u"Table2");
  ASSERT_GE(t.rows.size(), 2u);
  // Column "id" is a fixed Long at offset 0 of the fixed area (row byte 2).
  const RowId a = t.rows[0];
  const RowId b = t.rows[1];
  qbtest::storeU32(image.page(b.page()), image.rowOffset(b) + 2,
                   qbtest::loadU32(image.page(a.page()), image.rowOffset(a) + 2));
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::Index, "have the same key, but the index is unique"))
      << describe(report);
  EXPECT_TRUE(hasError(report, ProblemArea::Index, "holds a key the row's values do not give"))
      << describe(report);
}

TEST(IntegrityDamage, ANullInARequiredIndex) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-empty.mdb");
  const TableFacts aces = factsOf(image, u"MSysACEs");
  const RowId row = aces.rows.front();
  // The null mask ends the row; column 0 (ObjectId) is its lowest bit.
  const auto bytes = image.page(row.page());
  const std::size_t end =
      row.slot() == 0 ? 4096 : qbtest::loadU16(bytes, kSlotTable + 2 * (row.slot() - 1u)) & 0x1FFF;
  bytes[end - 1] = static_cast<std::uint8_t>(bytes[end - 1] & ~1);
  const auto report = image.check();
  EXPECT_TRUE(
      hasError(report, ProblemArea::Index, "has no value in a key column, but the index requires one"))
      << describe(report);
}

TEST(IntegrityDamage, BrokenTreeStructure) {
  QB_REQUIRE_CORPUS();
  DatabaseImage original("jackcess-V2000-compIndexTestV2000.mdb");
  const TableFacts t = factsOf(original, u"Table1");
  const jet::RealIndexDefinition index = t.definition.realIndexes.front();
  const jet::IndexPage root = decodeIndexPage(original, index.rootPage);
  ASSERT_EQ(root.kind, jet::IndexPageKind::Node);
  ASSERT_NE(root.tailPage, 0u);
  const std::uint32_t firstLeaf = root.childPage(0);
  const std::uint32_t lastLeaf = root.tailPage;

  {
    DatabaseImage image = original;
    qbtest::storeU32(image.page(firstLeaf), jet::kJet4IndexPage.nextPage, 0);
    const auto report = image.check();
    EXPECT_TRUE(hasError(report, ProblemArea::Index,
                         "its next-leaf link names none, but the leaf after it in key "
                         "order is " +
                             std::to_string(lastLeaf)))
        << describe(report);
  }
  {
    // Both children of the root now the same page.
    DatabaseImage image = original;
    const std::size_t childAt = jet::kJet4IndexPage.entryData + root.key(0).size() + 4;
    const auto bytes = image.page(index.rootPage);
    for (int i = 0; i < 4; ++i) bytes[childAt + i] = static_cast<std::uint8_t>(lastLeaf >> (24 - 8 * i));
    const auto report = image.check();
    EXPECT_TRUE(hasError(report, ProblemArea::Index, "the tree reaches this page a second time"))
        << describe(report);
    EXPECT_TRUE(hasError(
        report, ProblemArea::Index,
        "entry 0 (for child page " + std::to_string(lastLeaf) + ") is not the last entry of that child"))
        << describe(report);
  }
  {
    DatabaseImage image = original;
    qbtest::storeU32(image.page(lastLeaf), jet::kJet4IndexPage.ownerPage, 999);
    const auto report = image.check();
    EXPECT_TRUE(hasError(report, ProblemArea::Index, "names the table defined at page 999 as its owner"))
        << describe(report);
  }
  {
    DatabaseImage image = original;
    const auto bytes = image.page(lastLeaf);
    qbtest::storeU16(bytes, jet::kJet4IndexPage.freeSpace,
                     static_cast<std::uint16_t>(qbtest::loadU16(bytes, jet::kJet4IndexPage.freeSpace) + 1));
    const auto report = image.check();
    EXPECT_TRUE(hasError(report, ProblemArea::Index, "bytes free, but its entries leave"))
        << describe(report);
  }
  {
    DatabaseImage image = original;
    setMapBit(image, index.usageMap, lastLeaf, false);
    const auto report = image.check();
    EXPECT_TRUE(hasError(report, ProblemArea::Index, "page map does not list this page of its tree"))
        << describe(report);
  }
}

// --- Definitions, counters, catalog ---

TEST(IntegrityDamage, StoredCountersThatDisagreeWithTheRows) {
  QB_REQUIRE_CORPUS();
  DatabaseImage original("jackcess-V2003-testUnicodeCompV2003.mdb");
  const TableFacts t = factsOf(original, u"Table");
  ASSERT_EQ(qbtest::loadU32(original.page(t.definition.firstPage), kTdefAutoNumber), t.rows.size());

  DatabaseImage count = original;
  qbtest::storeU32(count.page(t.definition.firstPage), kTdefRowCount,
                   static_cast<std::uint32_t>(t.rows.size() + 5));
  auto report = count.check();
  EXPECT_EQ(report.errorCount, 0u) << describe(report);
  EXPECT_EQ(qbtest::countProblems(report, ProblemSeverity::Warning, ProblemArea::Counter,
                                  "table 'Table' stores a "
                                  "row count of 13 but "
                                  "holds 8 rows"),
            1u)
      << describe(report);
  report = count.check(jet::IntegrityStrictness::Strict);
  EXPECT_TRUE(hasError(report, ProblemArea::Counter, "stores a row count of 13")) << describe(report);

  // A counter below a number present: the next insert would repeat it.
  DatabaseImage autoNumber = original;
  qbtest::storeU32(autoNumber.page(t.definition.firstPage), kTdefAutoNumber, 3);
  report = autoNumber.check();
  EXPECT_TRUE(hasError(report, ProblemArea::Counter,
                       "its autonumber counter is 3, below the largest number present (8)"))
      << describe(report);
}

TEST(IntegrityDamage, TwoColumnsWithOneColumnNumber) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2003-testUnicodeCompV2003.mdb");
  const TableFacts t = factsOf(image, u"Table");
  // Column blocks follow the 63-byte header and 12 bytes per real index.
  const std::size_t secondColumn = 63 + 12 * t.definition.realIndexes.size() + 25;
  qbtest::storeU16(image.page(t.definition.firstPage), secondColumn + 5, t.definition.columns[0].number);
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::TableDefinition, "has the column number 0 of another column"))
      << describe(report);
}

TEST(IntegrityDamage, TwoCatalogRowsForOneTable) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-indexTestV2000.mdb");
  RowId table2Row;
  std::uint32_t table1Page = 0;
  {
    auto db = image.open();
    table1Page = db->table(u"Table1")->definitionPage();
    auto catalog = db->table(u"MSysObjects");
    const int nameColumn = catalog->findColumn(u"Name");
    catalog->scan([&](RowId id, const std::vector<jet::Value>& values) {
      if (values[static_cast<std::size_t>(nameColumn)] == jet::Value::text(u"Table2")) table2Row = id;
      return true;
    });
  }
  ASSERT_NE(table2Row.value, 0u);
  // Id is the catalog's first fixed column.
  qbtest::storeU32(image.page(table2Row.page()), image.rowOffset(table2Row) + 2, table1Page);
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::Catalog,
                       "the catalog places both table 'Table2' and table 'Table1' at page"))
      << describe(report);
}

TEST(IntegrityDamage, ARowWhoseForeignKeyFindsNoParent) {
  QB_REQUIRE_CORPUS();
  DatabaseImage image("jackcess-V2000-indexTestV2000.mdb");
  const TableFacts t = factsOf(image, u"Table1");
  // otherfk1 (a fixed Long at offset 8) refers to Table2.id, which holds 0, 1 and 2.
  const RowId row = t.rows.front();
  qbtest::storeU32(image.page(row.page()), image.rowOffset(row) + 2 + 8, 7);
  const auto report = image.check();
  EXPECT_TRUE(hasError(report, ProblemArea::Relationship,
                       "relationship 'Table2Table1' (table 'Table1' refers to table 'Table2'): 1 row has no "
                       "matching row in table 'Table2' (the first at page " +
                           std::to_string(row.page()) + " slot " + std::to_string(row.slot()) + ")"))
      << describe(report);
}

// --- Anything at all ---

// Random bytes in random pages: the checker reports, it never crashes or throws.
TEST(IntegrityDamage, RandomDamageNeverCrashesTheChecker) {
  QB_REQUIRE_CORPUS();
  for (const char* file : {"jackcess-empty.mdb", "jackcess-V2000-indexTestV2000.mdb"}) {
    const DatabaseImage original(file);
    const std::uint32_t pages =
        static_cast<std::uint32_t>(original.bytes().size() / DatabaseImage::kPageSize);
    std::mt19937 random(20240611);
    std::size_t damaged = 0;
    for (int round = 0; round < 100; ++round) {
      DatabaseImage image = original;
      const std::uint32_t page = 1 + random() % (pages - 1);
      const int flips = 1 + static_cast<int>(random() % 6);
      for (int i = 0; i < flips; ++i)
        image.page(page)[random() % DatabaseImage::kPageSize] ^= 1 << (random() % 8);
      std::unique_ptr<jet::Database> db;
      try {
        db = image.open();
      } catch (const jet::Error&) {
        continue;  // the catalog itself was hit
      }
      const auto report = jet::checkIntegrity(*db);
      if (report.errorCount + report.warningCount > 0) ++damaged;
    }
    // Most flips land in unused bytes; some must have been noticed.
    EXPECT_GT(damaged, 5u) << file;
  }
}

}  // namespace
