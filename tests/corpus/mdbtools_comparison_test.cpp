// Every table of every corpus file (Jet 4 and Access 97), row by row and value by value,
// against what mdb-export prints for it.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/database_impl.h"
#include "corpus/mdbtools.h"
#include "format/data_page.h"
#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"

namespace {

using qbtest::CorpusFile;

// Whether the row's own slot holds an overflow pointer to its data.
bool isOverflowSlot(jet::Database& db, jet::RowId id) {
  const jet::Page page = db.impl().context->pager->page(id.page());
  return jet::DataPage(page.bytes(), id.page(), *db.impl().context->version).isOverflow(id.slot());
}

class MdbtoolsComparison : public testing::TestWithParam<CorpusFile> {};

TEST_P(MdbtoolsComparison, EveryTableHasTheSameRowsAndValues) {
  QB_REQUIRE_CORPUS();
  if (!qbtest::mdbtoolsAvailable()) GTEST_SKIP() << "mdbtools is not installed";
  const auto path = qbtest::corpusFile(GetParam().name);
  jet::OpenOptions options;
  options.password = GetParam().password;
  options.readOnly = true;
  auto db = jet::Database::open(path, options);

  const auto tables = qbtest::mdbTables(path);
  for (const std::string& tableName : tables) {
    SCOPED_TRACE("table " + tableName);
    auto table = db->table(jet::fromUtf8(tableName));
    const auto expected = qbtest::mdbExport(path, tableName, db->info().codePage);

    // mdb-export lists columns in definition order; match them by name.
    std::vector<std::size_t> columnOf;
    for (const std::string& header : expected.header) {
      const int at = table->findColumn(jet::fromUtf8(header));
      ASSERT_GE(at, 0) << "column " << header;
      columnOf.push_back(static_cast<std::size_t>(at));
    }
    ASSERT_EQ(columnOf.size(), table->columns().size());

    struct EngineRow {
      jet::RowId id;
      std::vector<jet::Value> values;
      bool moved = false;  // reached through an overflow pointer
      bool matched = false;
    };
    std::vector<EngineRow> rows;
    table->scan([&](jet::RowId id, const std::vector<jet::Value>& values) {
      rows.push_back(EngineRow{id, values, isOverflowSlot(*db, id), false});
      return true;
    });
    EXPECT_EQ(rows.size(), expected.rows.size());
    EXPECT_EQ(table->rowIds().size(), rows.size());

    const auto differences = [&](const EngineRow& r, const std::vector<std::optional<std::string>>& fields) {
      std::string all;
      for (std::size_t k = 0; k < fields.size() && k < columnOf.size(); ++k) {
        const std::size_t c = columnOf[k];
        const std::string d = qbtest::compareWithMdbExport(r.values[c], table->columns()[c].type, fields[k]);
        if (!d.empty()) all += "\n  column " + expected.header[k] + ": " + d;
      }
      return all;
    };
    // Rows are compared in storage order. mdb-export lists a row that was moved
    // to another page (an overflow row) where its data lies, not at the slot
    // that points to it: such rows may appear elsewhere in its output, every
    // other row must keep its order.
    std::size_t lastInPlace = 0;
    auto firstUnmatched = rows.begin();
    for (std::size_t i = 0; i < expected.rows.size(); ++i) {
      const auto& fields = expected.rows[i];
      ASSERT_EQ(fields.size(), columnOf.size()) << "row " << i;
      while (firstUnmatched != rows.end() && firstUnmatched->matched) ++firstUnmatched;
      const auto match = std::find_if(firstUnmatched, rows.end(), [&](const EngineRow& r) {
        return !r.matched && differences(r, fields).empty();
      });
      if (match == rows.end()) {
        const auto first = firstUnmatched;
        ADD_FAILURE() << "mdb-export row " << i << " matches no engine row"
                      << (first != rows.end()
                              ? "; the next engine row (page " + std::to_string(first->id.page()) + " slot " +
                                    std::to_string(first->id.slot()) +
                                    ") differs:" + differences(*first, fields)
                              : std::string());
        continue;
      }
      match->matched = true;
      if (!match->moved) {
        const auto at = static_cast<std::size_t>(match - rows.begin());
        EXPECT_GE(at + 1, lastInPlace) << "mdb-export row " << i << " is out of order";
        lastInPlace = at + 1;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Jet4Corpus, MdbtoolsComparison, testing::ValuesIn(qbtest::jet4CorpusFiles()),
                         [](const testing::TestParamInfo<CorpusFile>& param) { return qbtest::corpusTestName(param.param); });
INSTANTIATE_TEST_SUITE_P(Jet3Corpus, MdbtoolsComparison, testing::ValuesIn(qbtest::jet3CorpusFiles()),
                         [](const testing::TestParamInfo<CorpusFile>& param) { return qbtest::corpusTestName(param.param); });

}  // namespace
