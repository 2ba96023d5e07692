// Data definition crashed on the simulated disk: for each statement, the disk
// stops after its Nth operation (every one near the start and the end of the
// statement, a spread between) and loses what it had not synced; the database
// opened again (which undoes the half-written change from its journal) holds
// the whole schema and rows of before or of after, and checks clean.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "storage/memory_vfs.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"

namespace {

using jet::Value;

std::string show(const Value& v) {
  switch (v.kind()) {
    case jet::ValueKind::Null: return "Null";
    case jet::ValueKind::Long: return std::to_string(v.asLong());
    case jet::ValueKind::Text: return "'" + jet::toUtf8(v.asText()) + "'";
    case jet::ValueKind::Double: return std::to_string(v.asDouble());
    case jet::ValueKind::Boolean: return v.asBoolean() ? "True" : "False";
    default: return "?";
  }
}

// Every user table with its columns, indexes and rows, and the relationships.
std::string state(jet::Database& db) {
  std::string out;
  for (const jet::TableListEntry& e : db.listTables(false)) {
    if (e.kind != jet::TableKind::Table) continue;
    auto t = db.table(e.name);
    out += "table " + jet::toUtf8(e.name) + ":";
    for (const jet::ColumnDef& c : t->columns()) out += " " + jet::toUtf8(c.name) + "/" + std::to_string(int(c.type));
    std::vector<std::string> indexes;
    for (const jet::IndexDef& i : t->indexes()) indexes.push_back(jet::toUtf8(i.name));
    std::sort(indexes.begin(), indexes.end());
    for (const std::string& i : indexes) out += " [" + i + "]";
    std::vector<std::string> rows;
    t->scan([&](jet::RowId, const std::vector<Value>& r) {
      std::string line;
      for (const Value& v : r) line += show(v) + ",";
      rows.push_back(line);
      return true;
    });
    std::sort(rows.begin(), rows.end());
    for (const std::string& r : rows) out += "\n  " + r;
    out += "\n";
  }
  for (const jet::RelationshipSpec& r : db.relationships()) out += "relationship " + jet::toUtf8(r.name) + "\n";
  return out;
}

// Parent (300 rows, a primary key), Kid (600 rows referring to Parent through
// an enforced relationship), and Loose (rows that could refer to Parent).
std::vector<std::uint8_t> startingFile() {
  auto base = qbtest::MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = base.open();
  const auto run = [&](const char16_t* sql) { jet::Statement::prepare(*db, sql).run(); };
  run(u"CREATE TABLE Parent (ID LONG CONSTRAINT PK PRIMARY KEY, Name TEXT(30), Qty LONG, Note MEMO)");
  run(u"CREATE TABLE Kid (ID LONG CONSTRAINT KidPK PRIMARY KEY, P LONG CONSTRAINT KidParent REFERENCES Parent (ID) "
      u"ON DELETE CASCADE, Label TEXT(20))");
  run(u"CREATE TABLE Loose (ID LONG CONSTRAINT LoosePK PRIMARY KEY, P LONG)");
  db->beginTransaction();
  for (int i = 0; i < 300; ++i) {
    std::vector<Value> row{Value::longInt(i), Value::text(u"name " + jet::fromUtf8(std::to_string(i * 37 % 300))),
                           Value::longInt(i % 17), i % 3 ? Value::text(std::u16string(200 + i, u'n')) : Value()};
    db->table(u"Parent")->insertRow(row);
  }
  for (int i = 0; i < 600; ++i) {
    std::vector<Value> kid{Value::longInt(i), Value::longInt(i % 300), Value::text(u"kid")};
    db->table(u"Kid")->insertRow(kid);
    std::vector<Value> loose{Value::longInt(i), Value::longInt(i % 290)};
    db->table(u"Loose")->insertRow(loose);
  }
  db->commitTransaction();
  return base.bytes();
}

class DataDefinitionCrash : public testing::TestWithParam<const char16_t*> {};

TEST_P(DataDefinitionCrash, LeavesTheBeforeOrTheAfterState) {
  QB_REQUIRE_CORPUS();
  static const std::vector<std::uint8_t> before = startingFile();
  const std::u16string sql = GetParam();
  const auto carryOut = [&](const qbtest::MemoryDatabase& f, std::optional<std::size_t> crashAt) {
    auto db = f.open();
    jet::Statement s = jet::Statement::prepare(*db, sql);
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
  const std::string old = state(*probe.open());
  const std::size_t operations = carryOut(probe, std::nullopt);
  const std::string after = state(*probe.open());
  ASSERT_NE(old, after) << "the statement changes nothing";
  ASSERT_GT(operations, 10u) << "the statement writes through the simulated disk";
  std::size_t crashes = 0;

  for (std::size_t crash = 0; crash <= operations; crash += (crash < 40 || crash + 40 > operations) ? 1 : 13) {
    qbtest::MemoryDatabase f;
    f.vfs->put(f.path, before);
    carryOut(f, crash);
    f.vfs->powerCut(jet::MemoryVfs::Survival::Random, static_cast<std::uint32_t>(crash));
    auto db = f.open();
    const std::string seen = state(*db);
    EXPECT_TRUE(seen == old || seen == after) << "crash at operation " << crash << " of " << operations;
    jet::IntegrityOptions strict;
    strict.strictness = jet::IntegrityStrictness::Strict;
    for (const auto& p : jet::checkIntegrity(*db, strict).problems) {
      ADD_FAILURE() << "crash at operation " << crash << " of " << operations << ": " << p.message;
    }
    if (HasFailure()) return;
    ++crashes;
  }
  RecordProperty("operations", static_cast<int>(operations));
  RecordProperty("crashes", static_cast<int>(crashes));
}

struct CrashCase {
  const char16_t* sql;
  const char* name;
};

const CrashCase kCases[] = {
    {u"CREATE TABLE Child (ID LONG PRIMARY KEY, P LONG REFERENCES Parent (ID) ON UPDATE CASCADE)",
     "CreateTableWithRelationship"},
    {u"CREATE INDEX ByQty ON Parent (Qty, Name DESC)", "CreateIndexOnFilledTable"},
    {u"ALTER TABLE Parent ADD COLUMN Counted COUNTER", "AddAutonumberColumnRewritingRows"},
    {u"ALTER TABLE Parent DROP COLUMN Note", "DropColumnRewritingRows"},
    {u"ALTER TABLE Parent ALTER COLUMN Qty DOUBLE", "AlterColumnType"},
    {u"ALTER TABLE Loose ADD CONSTRAINT LooseParent FOREIGN KEY (P) REFERENCES Parent (ID)", "AddForeignKey"},
    {u"DROP TABLE Kid", "DropTable"},
};

std::string caseName(const testing::TestParamInfo<const char16_t*>& param) {
  for (const CrashCase& c : kCases) {
    if (c.sql == param.param) return c.name;
  }
  return "Case" + std::to_string(param.index);
}

std::vector<const char16_t*> caseStatements() {
  std::vector<const char16_t*> out;
  for (const CrashCase& c : kCases) out.push_back(c.sql);
  return out;
}

INSTANTIATE_TEST_SUITE_P(Statements, DataDefinitionCrash, testing::ValuesIn(caseStatements()), caseName);

}  // namespace
