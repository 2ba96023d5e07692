// Action statements on copies of files written by Microsoft's software: the
// enforced relationships of jackcess-V2000-indexTestV2000.mdb cascade or
// refuse, a refused row leaves the file byte for byte as it was, the columns'
// default values fill fields left out, and the saved action queries of the
// query test file run by name.
//
//   Table1 (id, otherfk1 -> Table2.id deletes cascade, otherfk2 -> Table3.id
//   updates cascade, data, otherfk3): (0, 0, 10) (1, 1, 11) (2, 1, 11) (3, 2, 13)
//   Table2 id: 0 1 2          Table3 id: 10 11 12 13
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/error_of.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"

namespace {

using jet::Value;

std::uint64_t run(jet::Database& db, const std::u16string& sql) {
  return jet::Statement::prepare(db, sql).run().rowsAffected;
}

// The first column of a query's rows, as text, sorted.
std::vector<std::string> firstColumn(jet::Database& db, const std::u16string& sql) {
  auto cursor = jet::Statement::prepare(db, sql).execute();
  std::vector<std::string> out;
  while (cursor->next()) {
    const Value& v = cursor->row()[0];
    out.push_back(v.kind() == jet::ValueKind::Long ? std::to_string(v.asLong()) : jet::toUtf8(v.asText()));
  }
  std::sort(out.begin(), out.end());
  return out;
}

void expectClean(jet::Database& db) {
  jet::IntegrityOptions strict;
  strict.strictness = jet::IntegrityStrictness::Strict;
  for (const auto& p : jet::checkIntegrity(db, strict).problems) ADD_FAILURE() << p.message;
}

class ActionsOnRelatedTables : public testing::Test {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    disk_ = qbtest::MemoryDatabase::fromCorpus("jackcess-V2000-indexTestV2000.mdb");
    db_ = disk_.open();
  }

  // Runs `sql`, expecting it refused with a message holding every one of
  // `mentions`, and the file byte for byte as before, no journal left.
  void expectRefused(const std::u16string& sql, jet::ErrorCode code, const std::vector<std::string>& mentions) {
    const auto before = disk_.bytes();
    try {
      run(*db_, sql);
      ADD_FAILURE() << jet::toUtf8(sql) << ": not refused";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), code) << e.what();
      for (const std::string& m : mentions) EXPECT_NE(std::string(e.what()).find(m), std::string::npos) << e.what();
    }
    EXPECT_EQ(disk_.bytes(), before) << jet::toUtf8(sql);
    EXPECT_FALSE(disk_.vfs->exists(disk_.journal()));
  }

  qbtest::MemoryDatabase disk_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(ActionsOnRelatedTables, DeletesCascadeAndUpdatesCascade) {
  EXPECT_EQ(run(*db_, u"DELETE FROM Table2 WHERE id = 1"), 1u);  // the rows it cascades to are not counted
  EXPECT_EQ(firstColumn(*db_, u"SELECT id FROM Table1"), (std::vector<std::string>{"0", "3"}));
  EXPECT_EQ(run(*db_, u"UPDATE Table3 SET id = id + 100 WHERE id = 13"), 1u);
  EXPECT_EQ(firstColumn(*db_, u"SELECT otherfk2 FROM Table1"), (std::vector<std::string>{"10", "113"}));
  expectClean(*db_);
  db_.reset();
  db_ = disk_.open();
  EXPECT_EQ(firstColumn(*db_, u"SELECT id FROM Table3"), (std::vector<std::string>{"10", "11", "113", "12"}));
}

TEST_F(ActionsOnRelatedTables, ARefusedRowUndoesTheWholeStatement) {
  // 12 has no child and goes first; 13 is still referred to by Table1.
  expectRefused(u"DELETE FROM Table3 WHERE id >= 12", jet::ErrorCode::Constraint, {"Table3", "Table1"});
  // Every row but the last finds its parent.
  expectRefused(u"UPDATE Table1 SET otherfk1 = id WHERE id <= 3", jet::ErrorCode::Constraint,
                {"Table2", "id = 3"});
  // Copies of the rows with new ids: the last one's parent is missing.
  expectRefused(u"INSERT INTO Table1 (id, otherfk1, otherfk2) SELECT id + 10, otherfk1, IIf(id = 3, 99, otherfk2) "
                u"FROM Table1",
                jet::ErrorCode::Constraint, {"Table3", "99"});
  // A make-table query whose third row does not fit: the new table goes too.
  expectRefused(u"SELECT IIf(id = 2, String(300, 'x'), 'short') AS Wide INTO Made FROM Table2",
                jet::ErrorCode::InvalidArgument, {"Wide"});
  EXPECT_FALSE(db_->hasTable(u"Made"));
  expectClean(*db_);
}

TEST_F(ActionsOnRelatedTables, FieldsLeftOutGetTheirDefaultValue) {
  // otherfk1..3 default to 0: Table2 has a row 0, Table3 has not.
  expectRefused(u"INSERT INTO Table1 (id, data) VALUES (7, 'new')", jet::ErrorCode::Constraint, {"Table3"});
  EXPECT_EQ(run(*db_, u"INSERT INTO Table1 (id, otherfk2, data) VALUES (7, 12, 'new')"), 1u);
  auto cursor = jet::Statement::prepare(*db_, u"SELECT otherfk1, otherfk3 FROM Table1 WHERE id = 7").execute();
  ASSERT_TRUE(cursor->next());
  EXPECT_EQ(cursor->row()[0], Value::longInt(0));
  EXPECT_EQ(cursor->row()[1], Value::longInt(0));
}

TEST_F(ActionsOnRelatedTables, AStatementInsideATransactionIsUndoneAlone) {
  db_->beginTransaction();
  EXPECT_EQ(run(*db_, u"UPDATE Table3 SET id = 14 WHERE id = 12"), 1u);
  EXPECT_THROW(run(*db_, u"DELETE FROM Table3"), jet::Error);
  EXPECT_TRUE(db_->inTransaction());
  EXPECT_EQ(firstColumn(*db_, u"SELECT id FROM Table3"), (std::vector<std::string>{"10", "11", "13", "14"}));
  db_->rollbackTransaction();
  EXPECT_EQ(firstColumn(*db_, u"SELECT id FROM Table3"), (std::vector<std::string>{"10", "11", "12", "13"}));
}

// The saved action queries of the query test file, run by name on a copy.
class SavedActionQueries : public testing::Test {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    disk_ = qbtest::MemoryDatabase::fromCorpus("jackcess-V2000-queryTestV2000.mdb");
    db_ = disk_.open();
  }
  std::size_t count(const char16_t* table) { return db_->table(table)->rowIds().size(); }

  qbtest::MemoryDatabase disk_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(SavedActionQueries, RunByNameAndDoWhatTheirSqlSays) {
  for (const char16_t* values : {u"('blah', 'x', 'y')", u"('foo', 'x', 'y')", u"('azz', 'x', 'y')"}) {
    run(*db_, u"INSERT INTO Table1 VALUES " + std::u16string(values));
  }
  // DELETE Table1.col1, ... FROM Table1 WHERE col1 > "blah"
  jet::Statement del = jet::Statement::prepare(*db_, u"DeleteQuery");
  EXPECT_EQ(del.kind(), jet::StatementKind::Delete);
  EXPECT_FALSE(del.returnsRows());
  EXPECT_THROW(del.execute(), jet::Error);
  EXPECT_EQ(del.run().rowsAffected, 1u);
  EXPECT_EQ(firstColumn(*db_, u"SELECT col1 FROM Table1"), (std::vector<std::string>{"azz", "blah"}));

  // SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4 FROM (Table2 INNER JOIN
  // Table1 ...) RIGHT JOIN Table3 ... HAVING Max(Table2.col1) = "buzz" ...: no row has "buzz".
  run(*db_, u"INSERT INTO Table3 VALUES ('a', 'b', 'x')");
  EXPECT_EQ(jet::Statement::prepare(*db_, u"MakeTableQuery").kind(), jet::StatementKind::MakeTable);
  EXPECT_EQ(run(*db_, u"MakeTableQuery"), 0u);
  std::vector<std::u16string> fields;
  for (const jet::ColumnDef& c : db_->table(u"Table4")->columns()) fields.push_back(c.name);
  std::sort(fields.begin(), fields.end());
  EXPECT_EQ(fields, (std::vector<std::u16string>{u"MaxOfcol1", u"Table2_col2", u"Table3_col2"}));
  try {
    run(*db_, u"MakeTableQuery");
    ADD_FAILURE() << "the make-table query replaced its table";
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("Table 'Table4' already exists"), std::string::npos) << e.what();
  }

  // Jet refuses these two as written: the append query names col2 twice, the
  // update query sets a field of a table its FROM clause lacks.
  EXPECT_EQ(qbtest::errorOf([&] { run(*db_, u"AppendQuery"); }),
            "In saved query 'AppendQuery': Duplicate output destination 'col2' in query at position 28");
  EXPECT_EQ(qbtest::errorOf([&] { run(*db_, u"UpdateQuery"); }),
            "In saved query 'UpdateQuery': 'Table2' in the SET clause is not a table or alias of the "
            "statement in query at position 100");
}

}  // namespace
