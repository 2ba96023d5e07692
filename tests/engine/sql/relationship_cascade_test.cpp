// Cascades of enforced relationships through DELETE and UPDATE statements
// where they come back to the table they started from: a table related to
// itself (trees and chains of rows, rows referring to themselves, cycles of
// rows) and two tables related both ways. The expectation is SQLite with
// foreign keys enforced on the same rows, or rows worked out by hand where
// SQLite stops (its cascades nest, at most 1000 deep).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/error_of.h"
#include "support/sqlite_mirror.h"
#include "support/test_files.h"
#include "support/table_rows.h"

namespace {

using qbtest::strictProblems;
using jet::Value;
using qbtest::errorOf;

std::uint64_t run(jet::Database& db, const std::string& sql) {
  return jet::Statement::prepare(db, jet::fromUtf8(sql)).run().rowsAffected;
}

std::string text(const Value& v) { return v.isNull() ? "NULL" : std::to_string(v.asLong()); }

// "ID|Boss" of every row, sorted.
std::vector<std::string> ours(jet::Database& db, const char16_t* table) {
  std::vector<std::string> out;
  db.table(table)->scan([&](jet::RowId, const std::vector<Value>& r) {
    out.push_back(text(r[0]) + "|" + text(r[1]));
    return true;
  });
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> theirs(qbtest::SqliteMirror& lite, const std::string& table) {
  std::vector<std::string> out;
  for (const auto& r : lite.query("SELECT * FROM " + table)) {
    std::string line;
    for (std::size_t i = 0; i < 2; ++i) {
      line += (i ? "|" : "") + (r[i].isNull() ? std::string("NULL") : std::to_string(std::get<long long>(r[i].v)));
    }
    out.push_back(line);
  }
  std::sort(out.begin(), out.end());
  return out;
}

class SelfRelationship : public testing::Test {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    file_ = dir_.copyCorpusFile("jackcess-empty.mdb");
    db_ = jet::Database::open(file_);
    lite_.execute("PRAGMA foreign_keys = ON");
  }

  // Staff (ID, Boss) with Boss referring to ID, in both engines.
  void staff(const std::string& actions) {
    run(*db_, "CREATE TABLE Staff (ID LONG CONSTRAINT PK PRIMARY KEY, Boss LONG, CONSTRAINT ReportsTo "
              "FOREIGN KEY (Boss) REFERENCES Staff (ID) " + actions + ")");
    lite_.execute("CREATE TABLE Staff (ID INTEGER PRIMARY KEY, Boss INTEGER REFERENCES Staff (ID) " + actions + ")");
  }
  void add(long id, std::optional<long> boss) {
    std::vector<Value> row{Value::longInt(static_cast<std::int32_t>(id)),
                           boss ? Value::longInt(static_cast<std::int32_t>(*boss)) : Value()};
    db_->table(u"Staff")->insertRow(row);
    lite_.execute("INSERT INTO Staff VALUES (" + std::to_string(id) + ", " +
                  (boss ? std::to_string(*boss) : std::string("NULL")) + ")");
  }
  // The same statement in both (in SQLite's words when they differ). The
  // rows counted are the rows its WHERE chose beforehand (SQLite's own count
  // leaves out those a cascade reached first, which depends on the order it
  // visits rows in).
  void both(const std::string& sql, const std::string& inSqlite = "") {
    const std::string theirSql = inSqlite.empty() ? sql : inSqlite;
    const auto where = theirSql.find(" WHERE ");
    const auto chosen =
        lite_.query("SELECT count(*) FROM Staff" + (where == std::string::npos ? "" : theirSql.substr(where)));
    const std::uint64_t n = run(*db_, sql);
    lite_.execute(theirSql);
    EXPECT_EQ(static_cast<long long>(n), std::get<long long>(chosen[0][0].v)) << sql;
    EXPECT_EQ(ours(*db_, u"Staff"), theirs(lite_, "Staff")) << sql;
  }
  std::vector<std::uint8_t> bytes() const {
    const std::string b = qbtest::readFileBytes(file_);
    return {b.begin(), b.end()};
  }

  qbtest::TempDir dir_;
  std::filesystem::path file_;
  std::unique_ptr<jet::Database> db_;
  qbtest::SqliteMirror lite_;
};

// A random forest (each row's boss an earlier row, or none), a few rows that
// refer to themselves; statements over scattered rows, so that cascades reach
// rows the statement comes to before, after, or not at all.
TEST_F(SelfRelationship, RandomTreesCascadeAsSqliteDoes) {
  staff("ON UPDATE CASCADE ON DELETE CASCADE");
  std::mt19937 random(11);
  db_->beginTransaction();
  for (long id = 1; id <= 400; ++id) {
    const unsigned pick = random() % 10;
    if (id == 1 || pick == 0) {
      add(id, std::nullopt);
    } else if (pick == 1) {
      add(id, id);
    } else {
      add(id, 1 + static_cast<long>(random() % static_cast<unsigned>(id - 1)));
    }
  }
  db_->commitTransaction();

  both("UPDATE Staff SET ID = ID + 1000 WHERE ID Mod 3 = 0", "UPDATE Staff SET ID = ID + 1000 WHERE ID % 3 = 0");
  both("UPDATE Staff SET ID = ID + 5000 WHERE ID < 200 OR ID > 1300");
  both("DELETE FROM Staff WHERE ID Mod 7 = 2", "DELETE FROM Staff WHERE ID % 7 = 2");
  both("DELETE FROM Staff WHERE ID > 5350");
  both("UPDATE Staff SET ID = ID - 5000 WHERE ID > 5000");
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
  both("DELETE FROM Staff WHERE Boss Is Null");
  both("DELETE FROM Staff WHERE Boss = ID");
  EXPECT_TRUE(ours(*db_, u"Staff").empty()) << "every row descends from a row without a boss or one that is its own";
}

// Deleting the head of a chain thousands of rows long deletes all of it: the
// depth of a hierarchy in one table is not a cycle of tables.
TEST_F(SelfRelationship, AChainThousandsDeepIsDeletedWhole) {
  staff("ON DELETE CASCADE");
  constexpr long kRows = 3000;
  db_->beginTransaction();
  for (long id = 1; id <= kRows; ++id) add(id, id == 1 ? std::nullopt : std::optional<long>(id - 1));
  add(kRows + 1, std::nullopt);
  db_->commitTransaction();

  EXPECT_EQ(run(*db_, "DELETE FROM Staff WHERE ID = 1"), 1u);
  EXPECT_EQ(ours(*db_, u"Staff"), std::vector<std::string>{std::to_string(kRows + 1) + "|NULL"});
  EXPECT_EQ(db_->table(u"Staff")->storedRowCount(), 1u);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

// Cascade to Null on a chain: only the direct reports of deleted rows lose
// their boss, whatever the order the statement meets them in.
TEST_F(SelfRelationship, CascadeToNullAlongAChain) {
  staff("ON DELETE SET NULL");
  db_->beginTransaction();
  for (long id = 1; id <= 2000; ++id) add(id, id == 1 ? std::nullopt : std::optional<long>(id - 1));
  db_->commitTransaction();
  both("DELETE FROM Staff WHERE ID Mod 500 = 0 OR ID = 1", "DELETE FROM Staff WHERE ID % 500 = 0 OR ID = 1");
  both("DELETE FROM Staff WHERE ID > 1990 OR ID < 5");
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

// A key change that the relationship does not cascade is refused, also when
// the only row that refers to the key is the row itself, and the file is left
// as it was; SQLite refuses the same statements. A write that changes the key
// and the row's reference to it together is allowed.
TEST_F(SelfRelationship, AKeyARowRefersToCannotChangeWithoutCascade) {
  staff("");
  add(1, 1);
  add(2, 1);
  add(3, std::nullopt);
  const auto refused = [&](const std::string& sql) {
    const auto before = bytes();
    const std::string message = errorOf([&] { run(*db_, sql); });
    EXPECT_NE(message.find("does not cascade updates"), std::string::npos) << sql << ": " << message;
    EXPECT_EQ(bytes(), before) << sql;
    EXPECT_THROW(lite_.execute(sql), std::runtime_error) << "SQLite refuses " << sql << " too";
  };
  refused("UPDATE Staff SET ID = 10 WHERE ID = 1");
  both("DELETE FROM Staff WHERE ID = 2");
  refused("UPDATE Staff SET ID = 12 WHERE ID = 1");
  both("UPDATE Staff SET ID = 12, Boss = 12 WHERE ID = 1");
  both("UPDATE Staff SET ID = 30 WHERE ID = 3");
  EXPECT_EQ(ours(*db_, u"Staff"), (std::vector<std::string>{"12|12", "30|NULL"}));
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

// Two tables that refer to each other, both cascading deletes: a delete
// goes round between them until it comes back to the rows it started from.
TEST_F(SelfRelationship, TwoTablesReferringToEachOtherCascadeRound) {
  run(*db_, "CREATE TABLE A (ID LONG CONSTRAINT PKA PRIMARY KEY, B LONG)");
  run(*db_, "CREATE TABLE B (ID LONG CONSTRAINT PKB PRIMARY KEY, A LONG CONSTRAINT BA REFERENCES A (ID) "
            "ON DELETE CASCADE)");
  lite_.execute("CREATE TABLE A (ID INTEGER PRIMARY KEY, B INTEGER REFERENCES B (ID) ON DELETE CASCADE)");
  lite_.execute("CREATE TABLE B (ID INTEGER PRIMARY KEY, A INTEGER REFERENCES A (ID) ON DELETE CASCADE)");
  db_->beginTransaction();
  for (int i = 1; i <= 50; ++i) {
    std::vector<Value> a{Value::longInt(i), Value()};
    db_->table(u"A")->insertRow(a);
    lite_.execute("INSERT INTO A VALUES (" + std::to_string(i) + ", NULL)");
  }
  for (int i = 1; i <= 50; ++i) {
    // B i refers to A i; A i+1 will refer to B i: a chain A1 <- B1 <- A2 <- B2 ...
    std::vector<Value> b{Value::longInt(i), Value::longInt(i)};
    db_->table(u"B")->insertRow(b);
    lite_.execute("INSERT INTO B VALUES (" + std::to_string(i) + ", " + std::to_string(i) + ")");
  }
  db_->commitTransaction();
  run(*db_, "ALTER TABLE A ADD CONSTRAINT AB FOREIGN KEY (B) REFERENCES B (ID) ON DELETE CASCADE");
  const std::string link = "UPDATE A SET B = ID - 1 WHERE ID > 1";
  run(*db_, link);
  lite_.execute(link);
  // Close the ring: A1 refers to B50.
  run(*db_, "UPDATE A SET B = 50 WHERE ID = 1");
  lite_.execute("UPDATE A SET B = 50 WHERE ID = 1");
  EXPECT_EQ(ours(*db_, u"A"), theirs(lite_, "A"));

  EXPECT_EQ(run(*db_, "DELETE FROM B WHERE ID = 20 OR ID = 30"), 2u);
  lite_.execute("DELETE FROM B WHERE ID = 20 OR ID = 30");
  EXPECT_EQ(ours(*db_, u"A"), theirs(lite_, "A"));
  EXPECT_EQ(ours(*db_, u"B"), theirs(lite_, "B"));
  EXPECT_TRUE(ours(*db_, u"A").empty()) << "the ring is gone whole";
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

}  // namespace
