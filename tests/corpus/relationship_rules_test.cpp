// Enforced relationships on copies of a file written by Microsoft's software:
// Table1.otherfk1 refers to Table2.id (deletes cascade, updates do not) and
// Table1.otherfk2 to Table3.id (updates cascade, deletes do not).
//
//   Table1 (id, otherfk1, otherfk2): (0, 0, 10) (1, 1, 11) (2, 1, 11) (3, 2, 13)
//   Table2 id: 0 1 2          Table3 id: 10 11 12 13
#include <gtest/gtest.h>

#include <functional>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"
#include "table/table_impl.h"

namespace {

using jet::Value;

constexpr char kFile[] = "jackcess-V2000-indexTestV2000.mdb";

class RelationshipRules : public testing::Test {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    disk_ = qbtest::MemoryDatabase::fromCorpus(kFile);
    reopen();
  }

  void reopen() {
    db_.reset();
    db_ = disk_.open();
  }

  std::shared_ptr<jet::Table> table(const char16_t* name) { return db_->table(name); }

  // Column `column` of every row of a table, in storage order.
  std::vector<Value> columnOf(const char16_t* tableName, const char16_t* column) {
    auto t = table(tableName);
    const auto at = static_cast<std::size_t>(t->findColumn(column));
    std::vector<Value> out;
    t->scan([&](jet::RowId, const std::vector<Value>& row) {
      out.push_back(row[at]);
      return true;
    });
    return out;
  }

  // The row of a table whose `column` holds `value`.
  jet::RowId rowWhere(const char16_t* tableName, const char16_t* column, const Value& value) {
    auto t = table(tableName);
    const auto at = static_cast<std::size_t>(t->findColumn(column));
    jet::RowId found;
    t->scan([&](jet::RowId id, const std::vector<Value>& row) {
      if (row[at] == value) found = id;
      return found.value == 0;
    });
    EXPECT_NE(found.value, 0u) << jet::toUtf8(column) << " not found";
    return found;
  }

  // Runs `write`, expecting a Constraint error whose message holds every text
  // of `mentions`, and the file unchanged afterwards.
  void expectRefused(const std::function<void()>& write, const std::vector<std::string>& mentions) {
    const auto before = disk_.bytes();
    try {
      write();
      ADD_FAILURE() << "the write was not refused";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Constraint) << e.what();
      for (const std::string& m : mentions)
        EXPECT_NE(std::string(e.what()).find(m), std::string::npos) << e.what();
    }
    EXPECT_EQ(disk_.bytes(), before);
  }

  // Rewrites bytes of logical index `name` of a table's (one-page) definition
  // on the disk, then opens the file again.
  void patchLogicalIndex(const char16_t* tableName, const char16_t* indexName,
                         const std::function<void(std::span<std::uint8_t>)>& patch) {
    const jet::TableDefinition d = table(tableName)->impl().definition;
    std::size_t at = 63 + 12 * d.realIndexes.size() + 25 * d.columns.size();
    for (const auto& c : d.columns) at += 2 + 2 * c.name.size();
    at += 52 * d.realIndexes.size();
    const auto it = std::find_if(d.logicalIndexes.begin(), d.logicalIndexes.end(),
                                 [&](const jet::LogicalIndexDefinition& l) { return l.name == indexName; });
    ASSERT_NE(it, d.logicalIndexes.end());
    at += 28 * static_cast<std::size_t>(it - d.logicalIndexes.begin());
    db_.reset();
    auto bytes = disk_.bytes();
    patch(std::span(bytes).subspan(static_cast<std::size_t>(d.firstPage) * 4096 + at, 28));
    disk_.vfs->put(disk_.path, std::move(bytes));
    reopen();
  }

  static std::vector<Value> longs(std::initializer_list<std::int32_t> values) {
    std::vector<Value> out;
    for (const auto v : values) out.push_back(Value::longInt(v));
    return out;
  }

  qbtest::MemoryDatabase disk_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(RelationshipRules, AForeignKeyNeedsItsReferencedRow) {
  auto t1 = table(u"Table1");
  // id, otherfk1, otherfk2, data, otherfk3
  std::vector<Value> row{Value::longInt(4), Value::longInt(7), Value::longInt(12), Value::text(u"new"),
                         Value::longInt(0)};
  expectRefused([&] { t1->insertRow(row); },
                {"relationship 'Table2Table1' needs a row of table 'Table2' with id = 7", "table 'Table1'"});

  row[1] = Value::longInt(2);
  row[2] = Value::longInt(99);
  expectRefused([&] { t1->insertRow(row); }, {"relationship 'Table3Table1'", "table 'Table3' with id = 99"});

  // Referenced rows exist; a Null foreign key refers to nothing.
  row[2] = Value::longInt(12);
  EXPECT_NO_THROW(t1->insertRow(row));
  row[0] = Value::longInt(5);
  row[1] = Value();
  EXPECT_NO_THROW(t1->insertRow(row));
  EXPECT_EQ(columnOf(u"Table1", u"otherfk1").size(), 6u);
}

TEST_F(RelationshipRules, ChangingAForeignKeyNeedsTheNewReferencedRow) {
  auto t1 = table(u"Table1");
  const jet::RowId id = rowWhere(u"Table1", u"id", Value::longInt(3));
  std::vector<Value> row = t1->readRow(id);
  row[2] = Value::longInt(14);
  expectRefused([&] { t1->updateRow(id, row); }, {"relationship 'Table3Table1'", "id = 14"});

  // Other columns change freely, and so does the key to an existing row.
  row = t1->readRow(id);
  row[3] = Value::text(u"changed");
  EXPECT_NO_THROW(t1->updateRow(id, row));
  row[2] = Value::longInt(12);
  EXPECT_NO_THROW(t1->updateRow(id, row));
  EXPECT_EQ(t1->readRow(id)[2], Value::longInt(12));
}

TEST_F(RelationshipRules, DeletingAReferencedRowCascadesWhereTheRelationshipSaysSo) {
  // Table2Table1 cascades deletes: Table2 id 1 takes Table1 rows 1 and 2 with it.
  table(u"Table2")->deleteRow(rowWhere(u"Table2", u"id", Value::longInt(1)));
  EXPECT_EQ(columnOf(u"Table1", u"id"), longs({0, 3}));
  EXPECT_EQ(table(u"Table1")->storedRowCount(), 2u);
  EXPECT_EQ(columnOf(u"Table2", u"id"), longs({0, 2}));

  // Still so after reopening the file.
  reopen();
  EXPECT_EQ(columnOf(u"Table1", u"id"), longs({0, 3}));

  // Table3Table1 does not: deleting Table3 id 13 (used by Table1 row 3) is refused.
  auto t3 = table(u"Table3");
  expectRefused([&] { t3->deleteRow(rowWhere(u"Table3", u"id", Value::longInt(13))); },
                {"Cannot delete the row of table 'Table3' with id = 13", "rows of table 'Table1'",
                 "relationship 'Table3Table1', which does not cascade deletes"});
  // A row nothing refers to goes.
  EXPECT_NO_THROW(t3->deleteRow(rowWhere(u"Table3", u"id", Value::longInt(12))));
}

TEST_F(RelationshipRules, ReKeyingAReferencedRowCascadesWhereTheRelationshipSaysSo) {
  // Table3Table1 cascades updates: Table1 rows 1 and 2 follow 11 -> 21.
  auto t3 = table(u"Table3");
  const jet::RowId id = rowWhere(u"Table3", u"id", Value::longInt(11));
  std::vector<Value> row = t3->readRow(id);
  row[0] = Value::longInt(21);
  t3->updateRow(id, row);
  EXPECT_EQ(columnOf(u"Table1", u"otherfk2"), longs({10, 21, 21, 13}));

  // Table2Table1 does not: re-keying Table2 id 1 is refused, but an unused key may change.
  auto t2 = table(u"Table2");
  const jet::RowId used = rowWhere(u"Table2", u"id", Value::longInt(1));
  row = t2->readRow(used);
  row[0] = Value::longInt(5);
  expectRefused([&] { t2->updateRow(used, row); },
                {"Cannot change id = 1 in table 'Table2'",
                 "relationship 'Table2Table1', which does not cascade updates"});
  row = t2->readRow(used);
  row[1] = Value::text(u"other data");
  EXPECT_NO_THROW(t2->updateRow(used, row));
}

TEST_F(RelationshipRules, DeletingAReferencedRowCanSetTheForeignKeysToNull) {
  // Table2Table1 made to cascade to Null (the referencing index's cascade-delete byte).
  patchLogicalIndex(u"Table1", u"Table2Table1", [](std::span<std::uint8_t> block) { block[22] = 2; });
  table(u"Table2")->deleteRow(rowWhere(u"Table2", u"id", Value::longInt(1)));
  EXPECT_EQ(columnOf(u"Table1", u"id"), longs({0, 1, 2, 3}));
  EXPECT_EQ(columnOf(u"Table1", u"otherfk1"),
            (std::vector<Value>{Value::longInt(0), Value(), Value(), Value::longInt(2)}));
  EXPECT_EQ(columnOf(u"Table2", u"id"), longs({0, 2}));
}

// A relationship whose integrity is not enforced has no foreign-key indexes;
// its MSysRelationships rows alone impose nothing.
TEST_F(RelationshipRules, RelationshipsWithoutForeignKeyIndexesAreNotEnforced) {
  const auto plainIndex = [](std::span<std::uint8_t> block) {
    block[12] = 0;                                  // no foreign-key role
    for (int i = 13; i < 17; ++i) block[i] = 0xFF;  // no index in another table
    for (int i = 17; i < 21; ++i) block[i] = 0;     // no other table
    block[21] = block[22] = 4;                      // cascade bytes of plain indexes
    block[23] = 0;                                  // an ordinary index
  };
  patchLogicalIndex(u"Table1", u"Table3Table1", plainIndex);
  patchLogicalIndex(u"Table3", u".rC", plainIndex);

  auto t1 = table(u"Table1");
  const jet::RowId id = rowWhere(u"Table1", u"id", Value::longInt(3));
  std::vector<Value> row = t1->readRow(id);
  row[2] = Value::longInt(99);
  EXPECT_NO_THROW(t1->updateRow(id, row));
  EXPECT_NO_THROW(table(u"Table3")->deleteRow(rowWhere(u"Table3", u"id", Value::longInt(11))));
  // The other relationship still holds.
  row[1] = Value::longInt(99);
  EXPECT_THROW(t1->updateRow(id, row), jet::Error);
}

// A failure after part of a cascade is done undoes all of it.
TEST_F(RelationshipRules, AFailureHalfWayThroughACascadeLeavesTheFileAsItWas) {
  struct FailingSecondRemoval final : jet::IndexMaintenance {
    int removals = 0;
    std::string unsupportedReason(const jet::Table::Impl&) override { return {}; }
    void insertRow(jet::Table::Impl&, const std::vector<Value>&, jet::RowId) override {}
    void removeRow(jet::Table::Impl&, const std::vector<Value>&, jet::RowId) override {
      if (++removals == 2) throw jet::Error(jet::ErrorCode::Constraint, "refused by the test");
    }
    void updateRow(jet::Table::Impl&, const std::vector<Value>&, const std::vector<Value>&,
                   jet::RowId) override {}
    void buildIndex(jet::Table::Impl&, std::size_t) override {}
  };
  db_->impl().context->indexes = std::make_unique<FailingSecondRemoval>();
  const auto before = disk_.bytes();
  // Deleting Table2 id 1 deletes two Table1 rows, then itself: the second removal fails.
  EXPECT_THROW(table(u"Table2")->deleteRow(rowWhere(u"Table2", u"id", Value::longInt(1))), jet::Error);
  EXPECT_EQ(disk_.bytes(), before);
  EXPECT_EQ(columnOf(u"Table1", u"id"), longs({0, 1, 2, 3}));
  EXPECT_EQ(table(u"Table1")->storedRowCount(), 4u);
}

TEST_F(RelationshipRules, CascadesJoinTheCallersTransaction) {
  db_->beginTransaction();
  table(u"Table2")->deleteRow(rowWhere(u"Table2", u"id", Value::longInt(0)));
  EXPECT_EQ(columnOf(u"Table1", u"id"), longs({1, 2, 3}));
  db_->rollbackTransaction();
  EXPECT_EQ(columnOf(u"Table1", u"id"), longs({0, 1, 2, 3}));
  EXPECT_EQ(columnOf(u"Table2", u"id"), longs({0, 1, 2}));
}

}  // namespace
