// Long values as the writer stores them: inline, in one row, or chained, at
// the exact sizes where the form changes; old values freed on update and
// delete until every long-value page is back in the file; damaged chains
// freed as far as they are sound, never followed forever.
#include <gtest/gtest.h>

#include "format/data_page_writer.h"
#include "format/long_value.h"
#include "format/long_value_writer.h"
#include "support/write_checks.h"
#include "support/write_fixtures.h"
#include "table/row_writer.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace {

using jet::Value;

jet::TableSpec blobsSpec() {
  jet::TableSpec spec;
  spec.name = u"Blobs";
  qbtest::addColumn(spec, u"ID", jet::DataType::Long);
  qbtest::addColumn(spec, u"Picture", jet::DataType::Ole);
  qbtest::addColumn(spec, u"Notes", jet::DataType::Memo);
  return spec;
}

struct Fixture : qbtest::NewTableFixture {
  Fixture() : NewTableFixture(blobsSpec()) {}

  jet::RowId insert(std::size_t pictureSize, const std::u16string& notes = u"") {
    std::vector<Value> row{Value::longInt(1), Value::binary(pattern(pictureSize)), Value::text(notes)};
    return table->insertRow(row);
  }

  static jet::Bytes pattern(std::size_t n) {
    jet::Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return b;
  }

  jet::LongValueReference reference(jet::RowId id, std::vector<std::uint8_t>& holder) {
    jet::RowWriter writer(table->impl());
    holder = writer.longValueReferences(id)[1];
    return jet::parseLongValueReference(holder);
  }

  std::set<std::uint32_t> longValuePages() {
    const auto& maps = table->impl().definition.longValueMaps;
    std::set<std::uint32_t> pages;
    for (const auto& m : maps) {
      for (const auto p : qbtest::mapPages(qbtest::pagerOf(*db), m.ownedPages)) pages.insert(p);
    }
    return pages;
  }
};

TEST(LongValueWrite, TheStorageFormChangesAtTheRightSizes) {
  QB_REQUIRE_CORPUS();
  Fixture f;
  struct Case {
    std::size_t size;
    jet::LongValueKind kind;
    std::size_t links;
  };
  const std::vector<Case> cases = {
      {0, jet::LongValueKind::Inline, 0},       {64, jet::LongValueKind::Inline, 0},
      {65, jet::LongValueKind::SingleRow, 1},   {4076, jet::LongValueKind::SingleRow, 1},
      {4077, jet::LongValueKind::Chain, 2},     {8144, jet::LongValueKind::Chain, 2},
      {8145, jet::LongValueKind::Chain, 3},     {100000, jet::LongValueKind::Chain, 25},
  };
  jet::RowWriter writer(f.table->impl());
  for (const Case& c : cases) {
    const jet::RowId id = f.insert(c.size);
    std::vector<std::uint8_t> holder;
    const jet::LongValueReference ref = f.reference(id, holder);
    EXPECT_EQ(ref.kind, c.kind) << c.size;
    EXPECT_EQ(ref.length, c.size);
    EXPECT_EQ(writer.longValues().rowsOf(holder).size(), c.links) << c.size;
    EXPECT_EQ(f.table->readValue(id, 1), Value::binary(Fixture::pattern(c.size))) << c.size;
  }
  for (const std::string& p : qbtest::tableProblems(*f.db, *f.table)) ADD_FAILURE() << p;
}

TEST(LongValueWrite, UpdatesAndDeletesGiveTheOldValuesPagesBack) {
  QB_REQUIRE_CORPUS();
  Fixture f;
  std::vector<jet::RowId> ids;
  for (int i = 0; i < 6; ++i) ids.push_back(f.insert(30000, std::u16string(3000, u'n')));
  const std::set<std::uint32_t> ours = f.longValuePages();
  const std::size_t pagesWithValues = ours.size();
  EXPECT_GE(pagesWithValues, 6u * 8u);

  // A value that did not change keeps its rows; a changed one frees them.
  std::vector<std::uint8_t> before;
  f.reference(ids[0], before);
  std::vector<Value> row = f.table->readRow(ids[0]);
  row[0] = Value::longInt(99);
  f.table->updateRow(ids[0], row);
  std::vector<std::uint8_t> after;
  f.reference(ids[0], after);
  EXPECT_EQ(after, before);
  row[1] = Value::binary(Fixture::pattern(10));
  f.table->updateRow(ids[0], row);
  EXPECT_LT(f.longValuePages().size(), pagesWithValues);
  EXPECT_EQ(f.table->readValue(ids[0], 1), Value::binary(Fixture::pattern(10)));

  for (const jet::RowId id : ids) f.table->deleteRow(id);
  EXPECT_TRUE(f.longValuePages().empty());
  const auto free = qbtest::freePages(qbtest::pagerOf(*f.db));
  for (const std::uint32_t p : ours) EXPECT_TRUE(free.count(p)) << "long-value page " << p << " was kept";
  for (const std::string& p : qbtest::tableProblems(*f.db, *f.table)) ADD_FAILURE() << p;
}

TEST(LongValueWrite, ADamagedChainIsFreedOnlyAsFarAsItIsSound) {
  QB_REQUIRE_CORPUS();
  Fixture f;
  const jet::RowId id = f.insert(20000);
  std::vector<std::uint8_t> holder;
  f.reference(id, holder);
  jet::Pager& pager = qbtest::pagerOf(*f.db);
  jet::WriteScope scope(*f.db->impl().context);
  jet::LongValueWriter writer(pager, jet::kJet4Format);
  const std::vector<jet::RowId> links = writer.rowsOf(holder);
  ASSERT_EQ(links.size(), 5u);
  // The third link points back at the first: a loop.
  {
    jet::DataPageEditor page(pager.modify(links[2].page()), links[2].page(), jet::kJet4Format);
    const auto bytes = page.row(links[2].slot());
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(links[0].value >> (8 * i));
  }
  EXPECT_EQ(writer.rowsOf(holder).size(), 3u);
  writer.release(nullptr, holder);
  for (std::size_t i = 0; i < 3; ++i) {
    jet::DataPageEditor page(pager.modify(links[i].page()), links[i].page(), jet::kJet4Format);
    EXPECT_TRUE(page.isDeleted(links[i].slot()));
  }
  jet::DataPageEditor rest(pager.modify(links[3].page()), links[3].page(), jet::kJet4Format);
  EXPECT_FALSE(rest.isDeleted(links[3].slot()));  // beyond the damage: left alone
}

}  // namespace
