// INSERT ... SELECT and SELECT ... INTO writing many rows in one statement,
// with the pager writing pages to the file early as they pile up: the rows and
// their long values arrive whole, the row count is right, and a row refused at
// the end (with the row writer's message) takes every row back out of the
// file, which is then byte for byte what it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "catalog/database_impl.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/statement.h"
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

constexpr int kRows = 600;

std::uint64_t run(jet::Database& db, const std::u16string& sql) {
  return jet::Statement::prepare(db, sql).run().rowsAffected;
}

// Source (ID, Code, Amount, Note) with a memo on most rows, some of them
// several pages long; Code repeats on the last row ("C0").
class BulkInsertTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    file_ = dir_.copyCorpusFile("jackcess-empty.mdb");
    db_ = jet::Database::open(file_);
    jet::sql::runDataDefinition(*db_, jet::sql::parseDataDefinitionStatement(
                                          u"CREATE TABLE Source (ID LONG, Code TEXT(10), Amount CURRENCY, Note MEMO)"));
    jet::sql::runDataDefinition(*db_, jet::sql::parseDataDefinitionStatement(
                                          u"CREATE TABLE Target (ID COUNTER PRIMARY KEY, Code TEXT(10) "
                                          u"CONSTRAINT UniqueCode UNIQUE, Amount CURRENCY, Note MEMO)"));
    db_->beginTransaction();
    auto source = db_->table(u"Source");
    for (int i = 0; i < kRows; ++i) {
      const bool last = i == kRows - 1;
      Value note;
      if (i % 5 == 1) note = Value::text(u"n" + jet::fromUtf8(std::to_string(i)));
      if (i % 5 == 2) note = Value::text(std::u16string(7000 + i, static_cast<char16_t>(u'A' + i % 26)));
      std::vector<Value> row{Value::longInt(i + 1),
                             Value::text(last ? u"C0" : u"C" + jet::fromUtf8(std::to_string(i))),
                             Value::currency(jet::Currency{i * 1234}), note};
      source->insertRow(row);
    }
    db_->commitTransaction();
    reopen();
  }

  void reopen() {
    db_.reset();
    db_ = jet::Database::open(file_);
    // Pages are written early past this many modified ones.
    db_->impl().context->pager->setSpillThreshold(8);
  }

  qbtest::TempDir dir_;
  std::filesystem::path file_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(BulkInsertTest, ARowRefusedAtTheEndTakesEveryRowWrittenEarlyBackOut) {
  const std::string before = qbtest::readFileBytes(file_);
  const std::string refused = errorOf([&] {
    run(*db_, u"INSERT INTO Target (Code, Amount, Note) SELECT Code, Amount, Note FROM Source");
  });
  // The row writer's own message, naming the table, index and value.
  EXPECT_NE(refused.find("table 'Target'"), std::string::npos) << refused;
  EXPECT_NE(refused.find("index 'UniqueCode' already has a row with the value 'C0'"), std::string::npos) << refused;
  EXPECT_TRUE(rowsOf(*db_->table(u"Target")).empty());
  EXPECT_EQ(db_->table(u"Target")->storedRowCount(), 0u);
  db_.reset();
  EXPECT_EQ(qbtest::readFileBytes(file_), before);
  EXPECT_FALSE(std::filesystem::exists(file_.string() + "-journal"));
}

TEST_F(BulkInsertTest, AllRowsArriveWithTheirLongValuesAndTheirCount) {
  EXPECT_EQ(run(*db_, u"INSERT INTO Target (Code, Amount, Note) SELECT Code, Amount, Note FROM Source WHERE ID < 600"),
            static_cast<std::uint64_t>(kRows - 1));
  EXPECT_EQ(run(*db_, u"SELECT * INTO Copy FROM Source"), static_cast<std::uint64_t>(kRows));
  reopen();
  const auto source = rowsOf(*db_->table(u"Source"));
  const auto target = rowsOf(*db_->table(u"Target"));
  const auto copy = rowsOf(*db_->table(u"Copy"));
  ASSERT_EQ(target.size(), static_cast<std::size_t>(kRows - 1));
  ASSERT_EQ(copy.size(), static_cast<std::size_t>(kRows));
  for (std::size_t i = 0; i < target.size(); ++i) {
    EXPECT_EQ(target[i][0], Value::longInt(static_cast<std::int32_t>(i + 1)));
    EXPECT_EQ(target[i][1], source[i][1]);
    EXPECT_EQ(target[i][3], source[i][3]) << "note of row " << i;
  }
  EXPECT_EQ(copy, source);
  EXPECT_EQ(db_->table(u"Target")->storedRowCount(), static_cast<std::uint32_t>(kRows - 1));
  EXPECT_EQ(db_->table(u"Copy")->storedRowCount(), static_cast<std::uint32_t>(kRows));
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

TEST_F(BulkInsertTest, AMakeTableRefusedAtTheLastRowLeavesNoTableAndTheFileAsItWas) {
  const std::string before = qbtest::readFileBytes(file_);
  const std::string refused = errorOf([&] {
    run(*db_, u"SELECT ID, Note, IIf(ID = 600, String(300, 'x'), Code) AS Wide INTO Made FROM Source");
  });
  EXPECT_NE(refused.find("'Wide'"), std::string::npos) << refused;
  EXPECT_FALSE(db_->hasTable(u"Made"));
  db_.reset();
  EXPECT_EQ(qbtest::readFileBytes(file_), before);
}

TEST_F(BulkInsertTest, InsideATransactionTheRowsWaitForItsEndAndARefusalUndoesOnlyTheStatement) {
  db_->beginTransaction();
  EXPECT_EQ(run(*db_, u"SELECT * INTO Copy FROM Source WHERE ID <= 300"), 300u);
  EXPECT_THROW(run(*db_, u"INSERT INTO Target (Code, Note) SELECT Code, Note FROM Source"), jet::Error);
  EXPECT_EQ(run(*db_, u"INSERT INTO Copy SELECT * FROM Source WHERE ID > 300"), 300u);
  db_->commitTransaction();
  reopen();
  EXPECT_EQ(rowsOf(*db_->table(u"Copy")), rowsOf(*db_->table(u"Source")));
  EXPECT_TRUE(rowsOf(*db_->table(u"Target")).empty());
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

}  // namespace
