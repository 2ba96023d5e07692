// Action statements through the public statement API: what kind of statement
// they are and how they are carried out, autonumbers and default values of the
// fields an INSERT leaves out, and a large UPDATE crashed at every write of
// its commit on the simulated disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "storage/memory_vfs.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"
#include "table/table_impl.h"

namespace {

using jet::DataType;
using jet::Value;

jet::DateTime fixedNow() { return jet::fromCivil({2003, 6, 15, 10, 30, 45, 0}); }

std::uint64_t run(jet::Database& db, const std::u16string& sql) {
  jet::ExecuteOptions options;
  options.clock = fixedNow;
  return jet::Statement::prepare(db, sql).run(options).rowsAffected;
}

jet::ColumnSpec column(const char16_t* name, DataType type, std::uint16_t size = 0) {
  jet::ColumnSpec c;
  c.name = name;
  c.type = type;
  c.size = size;
  return c;
}

// Items (ID autonumber key, Code text unique, Qty, Price, Added, Note) on a new database in memory.
class ItemsTable : public testing::Test {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    disk_ = qbtest::MemoryDatabase::fromCorpus("jackcess-empty.mdb");
    db_ = disk_.open();
    jet::TableSpec spec;
    spec.name = u"Items";
    spec.columns = {column(u"ID", DataType::Long), column(u"Code", DataType::Text, 10), column(u"Qty", DataType::Long),
                    column(u"Price", DataType::Currency), column(u"Added", DataType::DateTime),
                    column(u"Note", DataType::Memo)};
    spec.columns[0].autoNumber = true;
    spec.indexes = {{u"PrimaryKey", {{u"ID"}}, true}, {u"Code", {{u"Code"}}, false, true}};
    db_->createTable(spec);
  }

  std::vector<std::vector<Value>> rows() {
    std::vector<std::vector<Value>> out;
    db_->table(u"Items")->scan([&](jet::RowId, const std::vector<Value>& row) {
      out.push_back(row);
      return true;
    });
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a[0].asLong() < b[0].asLong(); });
    return out;
  }

  qbtest::MemoryDatabase disk_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(ItemsTable, ActionStatementsAreRunNotExecuted) {
  for (const auto& [sql, kind] : std::vector<std::pair<std::u16string, jet::StatementKind>>{
           {u"INSERT INTO Items (Code) VALUES ('a')", jet::StatementKind::Insert},
           {u"UPDATE Items SET Qty = 1", jet::StatementKind::Update},
           {u"DELETE FROM Items", jet::StatementKind::Delete},
           {u"SELECT * INTO Copy FROM Items", jet::StatementKind::MakeTable}}) {
    jet::Statement s = jet::Statement::prepare(*db_, sql);
    EXPECT_EQ(s.kind(), kind) << jet::toUtf8(sql);
    EXPECT_FALSE(s.returnsRows());
    EXPECT_TRUE(s.columns().empty());
    EXPECT_THROW(s.execute(), jet::Error);
    EXPECT_THROW(s.executeAll(), jet::Error);
  }
  jet::Statement query = jet::Statement::prepare(*db_, u"SELECT * FROM Items");
  EXPECT_TRUE(query.returnsRows());
  EXPECT_THROW(query.run(), jet::Error);
}

TEST_F(ItemsTable, ParametersOfActionStatementsAreAskedFor) {
  jet::Statement s = jet::Statement::prepare(*db_, u"PARAMETERS [How many] Long; INSERT INTO Items (Code, Qty) VALUES ([Which], [How many])");
  ASSERT_EQ(s.parameters().size(), 2u);
  EXPECT_EQ(s.parameters()[0].name, u"How many");
  EXPECT_EQ(s.parameters()[1].name, u"Which");
  try {
    s.run();
    ADD_FAILURE() << "ran without its parameters";
  } catch (const jet::Error& e) {
    EXPECT_EQ(std::string(e.what()), "No value given for one or more required parameters: 'How many', 'Which'");
  }
  s.setParameter(u"which", Value::text(u"k1"));
  s.setParameter(u"How many", Value::text(u"12"));
  EXPECT_EQ(s.run().rowsAffected, 1u);
  ASSERT_EQ(rows().size(), 1u);
  EXPECT_EQ(rows()[0][2], Value::longInt(12));
}

TEST_F(ItemsTable, AutonumbersCountOnAndDefaultsFillWhatIsLeftOut) {
  // Default values as Access keeps them in the columns' properties.
  auto& columns = db_->table(u"Items")->impl().columns;
  columns[2].defaultValue = u"5";
  columns[3].defaultValue = u"=2.5 * 2";
  columns[4].defaultValue = u"Now()";
  columns[5].defaultValue = u"\"none\"";
  EXPECT_EQ(run(*db_, u"INSERT INTO Items (Code) VALUES ('a')"), 1u);
  EXPECT_EQ(run(*db_, u"INSERT INTO Items (Code, Qty, Note) VALUES ('b', Null, 'given')"), 1u);
  columns[4].defaultValue = u"Date()";
  EXPECT_EQ(run(*db_, u"INSERT INTO Items (Code) SELECT Code & '2' FROM Items"), 2u);
  const auto r = rows();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0], (std::vector<Value>{Value::longInt(1), Value::text(u"a"), Value::longInt(5),
                                      Value::currency(jet::Currency{50000}), Value::dateTime(fixedNow()),
                                      Value::text(u"none")}));
  // A Null written is a value given: no default replaces it.
  EXPECT_TRUE(r[1][2].isNull());
  EXPECT_EQ(r[1][5], Value::text(u"given"));
  EXPECT_EQ(r[2][0], Value::longInt(3));
  EXPECT_EQ(r[3][1], Value::text(u"b2"));
  EXPECT_EQ(r[3][4], Value::dateTime(jet::fromCivil({2003, 6, 15, 0, 0, 0, 0})));

  columns[2].defaultValue = u"NoSuchFunction(1)";
  try {
    run(*db_, u"INSERT INTO Items (Code) VALUES ('c')");
    ADD_FAILURE() << "a default that cannot be evaluated was ignored";
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("default value 'NoSuchFunction(1)' of field 'Qty'"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(rows().size(), 4u);
}

TEST_F(ItemsTable, AnUpdateWalkingTheIndexItChangesChangesEachRowOnce) {
  db_->beginTransaction();
  for (int i = 1; i <= 500; ++i) {
    char code[8];
    std::snprintf(code, sizeof code, "c%03d", i);
    run(*db_, u"INSERT INTO Items (Code, Qty) VALUES ('" + jet::fromUtf8(code) + u"', " +
                  jet::fromUtf8(std::to_string(i)) + u")");
  }
  db_->commitTransaction();
  // The seek walks Code upwards while each row moves further up the same index.
  jet::Statement s = jet::Statement::prepare(*db_, u"UPDATE Items SET Code = 'z' & Code, Qty = Qty * 2 WHERE Code >= 'c100'");
  EXPECT_NE(s.explain().find("Index seek on 'Items' using index 'Code'"), std::string::npos) << s.explain();
  EXPECT_EQ(s.run().rowsAffected, 401u);
  EXPECT_THROW(run(*db_, u"UPDATE Items SET ID = ID + 1"), jet::Error);  // an autonumber is not changed
  const auto r = rows();
  ASSERT_EQ(r.size(), 500u);
  for (const auto& row : r) {
    const std::int32_t n = row[0].asLong();
    char code[8];
    std::snprintf(code, sizeof code, "c%03d", n);
    EXPECT_EQ(jet::toUtf8(row[1].asText()), (n >= 100 ? "z" : "") + std::string(code)) << n;
    EXPECT_EQ(row[2].asLong(), n >= 100 ? n * 2 : n) << n;
  }
}

// A DELETE takes its rows' index entries out together, index by index: one
// that leaves a few rows, then one that empties the table, each followed by a
// strict check, a reopen and seeks through both indexes.
TEST_F(ItemsTable, DeletesOfMostAndOfAllRowsKeepTheIndexesRight) {
  db_->beginTransaction();
  for (int i = 0; i < 3000; ++i) {
    char code[8];
    std::snprintf(code, sizeof code, "c%04d", (i * 7919) % 3000);
    run(*db_, u"INSERT INTO Items (Code, Qty, Note) VALUES ('" + jet::fromUtf8(code) + u"', " +
                  jet::fromUtf8(std::to_string(i % 7)) + u", " + (i % 5 == 0 ? u"String(3000, 'n')" : u"Null") + u")");
  }
  db_->commitTransaction();
  const auto count = [&](const std::u16string& where) {
    const auto result = jet::Statement::prepare(*db_, u"SELECT Count(*) FROM Items WHERE " + where).executeAll();
    return result->row(0).at(0).asLong();
  };
  // Both indexes are unique: each holds as many distinct keys as there are rows.
  const auto expectDistinctKeys = [&](std::uint32_t n) {
    for (const auto& real : db_->table(u"Items")->impl().definition.realIndexes) EXPECT_EQ(real.uniqueCount, n);
  };
  const auto checkAndReopen = [&](const char* when) {
    jet::IntegrityOptions strict;
    strict.strictness = jet::IntegrityStrictness::Strict;
    for (const auto& p : jet::checkIntegrity(*db_, strict).problems) ADD_FAILURE() << when << ": " << p.message;
    db_.reset();
    db_ = disk_.open();
  };
  // Rows with Qty 3 stay: about one in seven, spread over every leaf.
  EXPECT_EQ(run(*db_, u"DELETE FROM Items WHERE Qty <> 3"), 3000u - 429u);
  checkAndReopen("after deleting most rows");
  EXPECT_EQ(rows().size(), 429u);
  expectDistinctKeys(429);
  jet::Statement seek = jet::Statement::prepare(*db_, u"SELECT Count(*) FROM Items WHERE Code >= 'c1000' AND Code < 'c2000'");
  EXPECT_NE(seek.explain().find("using index 'Code'"), std::string::npos) << seek.explain();
  int expected = 0;
  for (int i = 0; i < 3000; ++i) expected += i % 7 == 3 && (i * 7919) % 3000 >= 1000 && (i * 7919) % 3000 < 2000;
  EXPECT_EQ(count(u"Code >= 'c1000' AND Code < 'c2000'"), expected);
  EXPECT_EQ(count(u"ID BETWEEN 1 AND 1000"), 143);
  // A value deleted can come back (the unique index lost it); one kept cannot.
  EXPECT_EQ(run(*db_, u"INSERT INTO Items (Code, Qty) VALUES ('c0000', 1)"), 1u);
  EXPECT_THROW(run(*db_, u"INSERT INTO Items (Code, Qty) VALUES ('c2757', 1)"), jet::Error);
  EXPECT_EQ(run(*db_, u"DELETE FROM Items"), 430u);
  checkAndReopen("after deleting every row");
  EXPECT_TRUE(rows().empty());
  expectDistinctKeys(0);
  EXPECT_EQ(count(u"Code >= ''"), 0);
  EXPECT_EQ(run(*db_, u"INSERT INTO Items (Code, Qty) VALUES ('c0001', 1)"), 1u);
  EXPECT_EQ(count(u"Code = 'c0001'"), 1);
  checkAndReopen("after the table was filled again");
}

// A large UPDATE (every row of a table spanning many pages, moving rows in two
// indexes) crashed at each mutating operation of its commit: the file always
// reopens to the rows from before or from after, and checks clean.
TEST(ActionStatementCrash, AnUpdateCrashedAnywhereLeavesTheBeforeOrTheAfterRows) {
  QB_REQUIRE_CORPUS();
  auto base = qbtest::MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  {
    auto db = base.open();
    jet::TableSpec spec;
    spec.name = u"Work";
    spec.columns = {column(u"ID", DataType::Long), column(u"Code", DataType::Text, 40), column(u"Qty", DataType::Long)};
    spec.indexes = {{u"PrimaryKey", {{u"ID"}}, true}, {u"Code", {{u"Code"}}}};
    auto table = db->createTable(spec);
    db->beginTransaction();
    for (int i = 0; i < 600; ++i) {
      std::vector<Value> row{Value::longInt(i), Value::text(u"code " + jet::fromUtf8(std::to_string(i * 7919 % 600))),
                             Value::longInt(i % 13)};
      table->insertRow(row);
    }
    db->commitTransaction();
  }
  const auto before = base.bytes();
  const auto contents = [](jet::Database& db) {
    std::map<std::int32_t, std::vector<Value>> out;
    db.table(u"Work")->scan([&](jet::RowId, const std::vector<Value>& row) {
      out[row[0].asLong()] = row;
      return true;
    });
    return out;
  };
  const auto update = [](const qbtest::MemoryDatabase& f, std::optional<std::size_t> crashAt) {
    auto db = f.open();
    jet::Statement s = jet::Statement::prepare(*db, u"UPDATE Work SET Code = Code & ' and more text', Qty = -ID, ID = ID + 5000");
    if (crashAt) f.vfs->crashAt(f.vfs->operations() + *crashAt);
    const std::size_t start = f.vfs->operations();
    try {
      s.run();
    } catch (const jet::Error&) {
    }
    return f.vfs->operations() - start;
  };
  qbtest::MemoryDatabase probe;
  probe.vfs->put(probe.path, before);
  const auto old = contents(*probe.open());
  const std::size_t operations = update(probe, std::nullopt);
  const auto after = contents(*probe.open());
  ASSERT_NE(old, after);
  ASSERT_EQ(after.begin()->first, 5000);
  // Every operation near the start and the end of the commit, and a spread between.
  for (std::size_t crash = 0; crash <= operations; crash += (crash < 40 || crash + 40 > operations) ? 1 : 17) {
    qbtest::MemoryDatabase f;
    f.vfs->put(f.path, before);
    update(f, crash);
    f.vfs->powerCut(jet::MemoryVfs::Survival::Random, static_cast<std::uint32_t>(crash));
    auto db = f.open();
    const auto seen = contents(*db);
    EXPECT_TRUE(seen == old || seen == after) << "crash at operation " << crash << " of " << operations;
    jet::IntegrityOptions strict;
    strict.strictness = jet::IntegrityStrictness::Strict;
    for (const auto& p : jet::checkIntegrity(*db, strict).problems) ADD_FAILURE() << "crash " << crash << ": " << p.message;
    if (HasFailure()) return;
  }
}

}  // namespace
