// Table rewrites (ALTER TABLE that writes every row again) streaming the rows
// from the old pages to new ones: long values of every size carried across,
// indexes built again once at the end, the old pages given back, and a
// rewrite that fails late (on the last row, or at the index build after the
// rows were written early to the file) changing nothing at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "catalog/database_impl.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "jet/text.h"
#include "sql/ddl/data_definition.h"
#include "sql/ddl/ddl_parser.h"
#include "support/error_of.h"
#include "support/test_files.h"
#include "support/table_rows.h"

namespace {

using qbtest::strictProblems;
using qbtest::rowsOf;
using jet::Value;
using qbtest::errorOf;

constexpr int kRows = 400;

void run(jet::Database& db, const char16_t* sql) {
  jet::sql::runDataDefinition(db, jet::sql::parseDataDefinitionStatement(sql));
}

// A memo of row i: none, short enough to sit in the row, one long-value row,
// or a chain of them over several pages.
Value memoOf(int i) {
  switch (i % 4) {
    case 0: return Value();
    case 1: return Value::text(u"short note " + jet::fromUtf8(std::to_string(i)));
    case 2: return Value::text(std::u16string(1500 + i, static_cast<char16_t>(u'a' + i % 26)));
    default: return Value::text(std::u16string(9000 + i, static_cast<char16_t>(0x0400 + i % 200)));
  }
}

Value binaryOf(int i) {
  if (i % 3 == 0) return Value();
  std::vector<std::uint8_t> b(i % 3 == 1 ? 10 : 6000 + i);
  for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<std::uint8_t>(k * 7 + i);
  return Value::binary(std::move(b));
}

class TableRewrite : public testing::Test {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    file_ = dir_.copyCorpusFile("jackcess-empty.mdb");
    db_ = jet::Database::open(file_);
    run(*db_, u"CREATE TABLE T (ID COUNTER CONSTRAINT PK PRIMARY KEY, Code TEXT(10), Qty DOUBLE, "
              u"Spare LONG, Notes MEMO, Pic LONGBINARY)");
    run(*db_, u"CREATE UNIQUE INDEX ByCode ON T (Code)");
    run(*db_, u"CREATE INDEX ByQty ON T (Qty)");
    db_->beginTransaction();
    auto t = db_->table(u"T");
    for (int i = 0; i < kRows; ++i) {
      std::vector<Value> row{Value(), Value::text(jet::fromUtf8(std::to_string(1000 + i))), Value::dbl(i * 0.5),
                             Value::longInt(i), memoOf(i), binaryOf(i)};
      t->insertRow(row);
    }
    db_->commitTransaction();
  }

  // Pages modified by a write are written to the file early past this many,
  // so that a rewrite's rows reach the file before it ends.
  void spillEarly() { db_->impl().context->pager->setSpillThreshold(8); }

  void reopen() {
    db_.reset();
    db_ = jet::Database::open(file_);
  }
  std::string bytes() const { return qbtest::readFileBytes(file_); }

  qbtest::TempDir dir_;
  std::filesystem::path file_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(TableRewrite, DropColumnCarriesLongValuesOfEverySizeAndRebuildsEachIndex) {
  spillEarly();
  const auto before = rowsOf(*db_->table(u"T"));
  run(*db_, u"ALTER TABLE T DROP COLUMN Spare");
  reopen();
  auto t = db_->table(u"T");
  const auto after = rowsOf(*t);
  ASSERT_EQ(after.size(), before.size());
  ASSERT_EQ(after[0].size(), 5u);
  for (std::size_t i = 0; i < after.size(); ++i) {
    // Rows keep their order (written in the order they were read).
    EXPECT_EQ(after[i][0], before[i][0]) << i;
    EXPECT_EQ(after[i][1], before[i][1]) << i;
    EXPECT_EQ(after[i][2], before[i][2]) << i;
    EXPECT_EQ(after[i][3], before[i][4]) << "memo of row " << i;
    EXPECT_EQ(after[i][4], before[i][5]) << "binary of row " << i;
  }
  EXPECT_EQ(t->storedRowCount(), static_cast<std::uint32_t>(kRows));
  for (std::size_t i = 0; i < t->indexes().size(); ++i) {
    EXPECT_EQ(t->rowIdsInIndexOrder(i).size(), static_cast<std::size_t>(kRows)) << jet::toUtf8(t->indexes()[i].name);
  }
  // The unique index still refuses, the autonumber goes on.
  std::vector<Value> dup{Value(), Value::text(u"1000"), Value(), Value(), Value()};
  EXPECT_NE(errorOf([&] { t->insertRow(dup); }).find("ByCode"), std::string::npos);
  std::vector<Value> next{Value(), Value::text(u"x"), Value(), Value(), Value()};
  t->insertRow(next);
  EXPECT_EQ(next[0], Value::longInt(kRows + 1));
  // Every old data, long-value and index page was given back: no page is
  // left that nothing uses.
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

TEST_F(TableRewrite, TheFreedPagesServeLaterRewrites) {
  run(*db_, u"ALTER TABLE T DROP COLUMN Spare");
  const auto once = std::filesystem::file_size(file_);
  // The second rewrite writes its rows onto the pages the first gave back.
  run(*db_, u"ALTER TABLE T ALTER COLUMN Code TEXT(20)");
  run(*db_, u"ALTER TABLE T ALTER COLUMN Code TEXT(30)");
  EXPECT_LE(std::filesystem::file_size(file_), once + once / 4);
  EXPECT_EQ(rowsOf(*db_->table(u"T")).size(), static_cast<std::size_t>(kRows));
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

TEST_F(TableRewrite, AConversionFailingOnTheLastRowLeavesTheFileByteIdentical) {
  {
    auto t = db_->table(u"T");
    std::vector<Value> last{Value(), Value::text(u"not a num"), Value(), Value(), memoOf(3), binaryOf(2)};
    t->insertRow(last);
  }
  reopen();
  spillEarly();
  const std::string before = bytes();
  const std::string refused = errorOf([&] { run(*db_, u"ALTER TABLE T ALTER COLUMN Code LONG"); });
  EXPECT_NE(refused.find("not a num"), std::string::npos) << refused;
  // Undone in memory too: the table reads as before and can be written.
  EXPECT_EQ(db_->table(u"T")->columns().at(1).type, jet::DataType::Text);
  EXPECT_EQ(rowsOf(*db_->table(u"T")).size(), static_cast<std::size_t>(kRows + 1));
  db_.reset();
  EXPECT_EQ(bytes(), before) << "the rows written early went back";
  EXPECT_FALSE(std::filesystem::exists(file_.string() + "-journal"));
}

TEST_F(TableRewrite, DuplicatesMadeByAConversionAreRefusedByTheIndexBuild) {
  // 0.5 and 1.0 and 1.5 ... rounded to whole numbers meet: the unique index
  // built after the rows are across refuses them, and nothing is kept.
  run(*db_, u"CREATE UNIQUE INDEX UniqueQty ON T (Qty)");
  reopen();
  spillEarly();
  const std::string before = bytes();
  const std::string refused = errorOf([&] { run(*db_, u"ALTER TABLE T ALTER COLUMN Qty LONG"); });
  EXPECT_NE(refused.find("UniqueQty"), std::string::npos) << refused;
  EXPECT_NE(refused.find("more than once"), std::string::npos) << refused;
  db_.reset();
  EXPECT_EQ(bytes(), before);
}

TEST_F(TableRewrite, InsideATransactionAFailedRewriteIsUndoneAloneAndAGoodOneKept) {
  db_->beginTransaction();
  auto t = db_->table(u"T");
  std::vector<Value> kept{Value(), Value::text(u"kept"), Value::dbl(1e6), Value(), Value(), Value()};
  t->insertRow(kept);
  EXPECT_THROW(run(*db_, u"ALTER TABLE T ALTER COLUMN Code LONG"), jet::Error);
  run(*db_, u"ALTER TABLE T DROP COLUMN Pic");
  db_->commitTransaction();
  reopen();
  const auto rows = rowsOf(*db_->table(u"T"));
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows + 1));
  EXPECT_EQ(rows.back()[1], Value::text(u"kept"));
  EXPECT_EQ(rows[2][4], memoOf(2));
  EXPECT_EQ(db_->table(u"T")->findColumn(u"Pic"), -1);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

}  // namespace
