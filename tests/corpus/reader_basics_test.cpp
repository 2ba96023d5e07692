// Reading the baseline database: catalog, table definitions and rows of every
// simple type.
#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/corpus_database.h"
#include "support/test_files.h"
#include "support/value_printer.h"

namespace {

using jet::Value;

using qbtest::openCorpusReadOnly;

TEST(ReaderBasics, CatalogListsTheTablesUnderTheTablesContainer) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-testV2000.mdb");
  EXPECT_EQ(db->info().format, jet::FileFormat::Jet4);
  EXPECT_EQ(db->info().pageSize, 4096u);
  EXPECT_EQ(db->info().pageCount, 3043328u / 4096u);
  int tables = 0;
  for (const auto& o : db->catalog()) {
    if (o.type == 1 && o.parentId == 0x0F000001) ++tables;
  }
  EXPECT_EQ(tables, 9);  // four core system tables, MSysAccessObjects, Table1..Table4
  EXPECT_TRUE(db->hasTable(u"table1"));
  EXPECT_TRUE(db->hasTable(u"MSYSOBJECTS"));
  EXPECT_FALSE(db->hasTable(u"Table9"));
  EXPECT_FALSE(db->hasTable(u"Tables"));  // a container, not a table
}

TEST(ReaderBasics, TablesAreCachedAndLookedUpWithoutRegardToCase) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-testV2000.mdb");
  auto a = db->table(u"Table1");
  auto b = db->table(u"TABLE1");
  EXPECT_EQ(a.get(), b.get());
  EXPECT_EQ(a->name(), u"Table1");
  EXPECT_FALSE(a->isSystem());
  EXPECT_TRUE(db->table(u"MSysObjects")->isSystem());
  try {
    db->table(u"NoSuchTable");
    FAIL() << "expected NotFound";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::NotFound);
    EXPECT_NE(std::string(e.what()).find("NoSuchTable"), std::string::npos);
  }
}

TEST(ReaderBasics, ReadsEverySimpleTypeOfTheBaselineTable) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-testV2000.mdb");
  auto t = db->table(u"Table1");
  ASSERT_EQ(t->columns().size(), 9u);
  const char16_t* names[] = {u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I"};
  for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(t->columns()[i].name, names[i]);

  const auto ids = t->rowIds();
  ASSERT_EQ(ids.size(), 2u);
  const auto row = t->readRow(ids[0]);
  EXPECT_EQ(row[0], Value::text(u"abcdefg"));
  EXPECT_EQ(row[1], Value::text(u"hijklmnop"));
  EXPECT_EQ(row[2], Value::byte(2));
  EXPECT_EQ(row[3], Value::integer(222));
  EXPECT_EQ(row[4], Value::longInt(333333333));
  EXPECT_EQ(row[5], Value::dbl(444.555));
  EXPECT_EQ(jet::toIsoString(row[6].asDateTime()), "1974-09-21T00:00:00");
  EXPECT_EQ(row[7], Value::currency(jet::Currency{35000}));
  EXPECT_EQ(row[8], Value::boolean(true));

  const auto second = t->readRow(ids[1]);
  EXPECT_EQ(second[0], Value::text(u"a"));
  EXPECT_EQ(second[8], Value::boolean(false));
  EXPECT_EQ(t->readValue(ids[1], 1), Value::text(u"b"));
}

TEST(ReaderBasics, ScanVisitsTheSameRowsAsRowIds) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-compIndexTestV2000.mdb");
  auto t = db->table(u"Table1");
  const auto ids = t->rowIds();
  std::vector<jet::RowId> scanned;
  t->scan([&](jet::RowId id, const std::vector<Value>& values) {
    EXPECT_EQ(values, t->readRow(id));
    scanned.push_back(id);
    return true;
  });
  EXPECT_EQ(ids, scanned);
  EXPECT_EQ(ids.size(), 512u);
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));

  std::size_t visited = 0;
  t->scan([&](jet::RowId, const std::vector<Value>&) { return ++visited < 10; });
  EXPECT_EQ(visited, 10u);
}

}  // namespace
