// Files the engine writes are held to the strict standard: after long random
// workloads of row writes on copies of real files -- rows growing past their
// page's room, long values of every storage kind coming and going -- the
// checker finds nothing at all, not even the oddities Access files carry.
#include <gtest/gtest.h>

#include <random>

#include "integrity_test_support.h"
#include "jet/database.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "support/write_fixtures.h"

namespace {

using jet::Value;

// A random value for a column: Null now and then, text up to the field's
// size, memo and OLE values from empty to several long-value pages.
Value randomValue(const jet::ColumnDef& c, std::mt19937& random) {
  if (random() % 8 == 0) return Value();
  switch (c.type) {
    case jet::DataType::Text:
      return Value::text(
          std::u16string(random() % (c.length / 2u + 1), static_cast<char16_t>(u'a' + random() % 26)));
    case jet::DataType::Memo: {
      static constexpr std::size_t kSizes[] = {0, 10, 60, 500, 2100, 4000, 9000, 20000};
      return Value::text(
          std::u16string(kSizes[random() % 8] + random() % 7, static_cast<char16_t>(0x41 + random() % 300)));
    }
    case jet::DataType::Numeric: {
      jet::Decimal d;
      d.scale = c.scale;
      d.magnitude = random() % 100000;
      d.negative = random() % 2 == 0;
      return Value::decimal(d.normalise());
    }
    default:
      return Value();
  }
}

// Inserts, updates and deletes at random, then checks the file in strict mode.
jet::IntegrityReport runWorkload(const std::string& file, const char16_t* tableName, int operations) {
  auto disk = qbtest::MemoryDatabase::fromCorpus(file);
  {
    auto db = disk.open();
    auto table = db->table(tableName);
    std::vector<jet::RowId> rows = table->rowIds();
    std::mt19937 random(7);
    for (int i = 0; i < operations; ++i) {
      std::vector<Value> values;
      for (const auto& c : table->columns()) values.push_back(randomValue(c, random));
      const unsigned op = random() % 5;
      if (op < 2 || rows.empty()) {
        rows.push_back(table->insertRow(values));
      } else if (op < 4) {
        table->updateRow(rows[random() % rows.size()], values);
      } else {
        const std::size_t at = random() % rows.size();
        table->deleteRow(rows[at]);
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(at));
      }
    }
  }
  auto db = disk.open();
  jet::IntegrityOptions strict;
  strict.strictness = jet::IntegrityStrictness::Strict;
  const jet::IntegrityReport report = jet::checkIntegrity(*db, strict);
  EXPECT_TRUE(report.clean()) << qbtest::describe(report);
  EXPECT_GT(report.rowCount, 100u);
  return report;
}

TEST(IntegrityOfWrittenFiles, RowsThatGrowAndMove) {
  QB_REQUIRE_CORPUS();
  runWorkload("jackcess-V2000-overflowTestV2000.mdb", u"Table1", 1500);
}

TEST(IntegrityOfWrittenFiles, LongValuesOfEverySizeAndDecimals) {
  QB_REQUIRE_CORPUS();
  const auto report = runWorkload("jackcess-V2000-fixedNumericTestV2000.mdb", u"test", 600);
  EXPECT_GT(report.longValueCount, 40u);
}

}  // namespace
