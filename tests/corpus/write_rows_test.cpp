// Row writes on copies of files written by Microsoft's software: inserted,
// updated and deleted rows read back exactly, by our reader and by mdbtools.
#include <gtest/gtest.h>

#include "corpus/write_mdbtools_check.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"
#include "support/table_rows.h"

namespace {

using qbtest::rowsOf;
using jet::Value;

TEST(WriteRows, InsertUpdateAndDeleteOnACorpusTable) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-V2000-testV2000.mdb");
  std::vector<std::vector<Value>> expected;
  {
    auto db = jet::Database::open(path);
    qbtest::recordIndexCalls(*db);
    auto t = db->table(u"Table1");
    expected = rowsOf(*t);
    std::vector<Value> row{Value::text(u"inserted"), Value::text(u"ümlaut Ω"), Value::byte(7),
                           Value::integer(-3), Value::longInt(123456), Value::dbl(2.5),
                           Value::dateTime(jet::DateTime{36526.5}), Value::currency(jet::Currency{-12345}),
                           Value::boolean(true)};
    const jet::RowId id = t->insertRow(row);
    expected.push_back(row);
    EXPECT_EQ(t->readRow(id), row);

    std::vector<Value> changed = row;
    changed[0] = Value::text(std::u16string(50, u'x'));
    changed[1] = Value();
    t->updateRow(id, changed);
    expected.back() = changed;
    EXPECT_EQ(t->readRow(id), changed);

    const auto ids = t->rowIds();
    t->deleteRow(ids.front());
    expected.erase(expected.begin());
    EXPECT_EQ(rowsOf(*t), expected);
    EXPECT_EQ(t->storedRowCount(), expected.size());
  }
  auto db = jet::Database::open(path);
  auto t = db->table(u"Table1");
  EXPECT_EQ(rowsOf(*t), expected);
  qbtest::expectMdbExportReadsTheSameRows(path, *db, *t);
}

}  // namespace
