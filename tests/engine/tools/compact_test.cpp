// Compaction on the simulated disk: a destination that exists, passwords,
// failures half way (nothing left behind, the source untouched), what deleted
// rows give back, counters and foreign keys carried over.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "catalog/catalog_reader.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/text.h"
#include "support/write_fixtures.h"
#include "table/table_impl.h"
#include "tools/compact.h"

namespace {

using jet::Value;
using qbtest::MemoryDatabase;

constexpr char kCopy[] = "/data/compacted.mdb";

std::unique_ptr<jet::Database> openCopy(const MemoryDatabase& disk, std::u16string password = {}) {
  jet::OpenOptions options;
  options.password = std::move(password);
  return jet::openDatabase(disk.vfs, kCopy, options);
}

void compact(const MemoryDatabase& disk, const std::u16string& password = {}) {
  jet::compactDatabase(disk.vfs, disk.path, kCopy, password);
}

TEST(Compact, ADestinationThatExistsIsRefusedAndNeverTouched) {
  auto disk = MemoryDatabase::fromCorpus("jackcess-V2000-delTestV2000.mdb");
  disk.vfs->put(kCopy, {'k', 'e', 'e', 'p'});
  try {
    compact(disk);
    FAIL() << "compacted over an existing file";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
    EXPECT_NE(std::string(e.what()).find("already exists"), std::string::npos) << e.what();
  }
  EXPECT_EQ(disk.vfs->contents(kCopy), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST(Compact, AWrongOrMissingPasswordFailsAsOpeningDoes) {
  auto disk = MemoryDatabase::fromCorpus("mdbreader-password-V2003_with-password.mdb");
  for (const char16_t* password : {u"", u"Password", u"password "}) {
    std::string openError;
    try {
      jet::OpenOptions options;
      options.password = password;
      disk.open(options);
    } catch (const jet::Error& e) {
      openError = e.what();
    }
    ASSERT_FALSE(openError.empty());
    try {
      compact(disk, password);
      FAIL() << "compacted with a wrong password";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
      EXPECT_EQ(e.what(), openError);
    }
    EXPECT_FALSE(disk.vfs->exists(kCopy));
  }
  compact(disk, u"password");
  const auto copy = openCopy(disk, u"password");
  EXPECT_TRUE(copy->info().hasPassword);
  EXPECT_EQ(copy->table(u"Table1")->rowIds().size(), 3u);
}

TEST(Compact, AFailureAnywhereLeavesNoDestinationAndTheSourceUnchanged) {
  auto disk = MemoryDatabase::fromCorpus("jackcess-V2000-test2V2000.mdb");
  const std::vector<std::uint8_t> source = disk.bytes();
  const std::size_t start = disk.vfs->operations();
  compact(disk);
  const std::size_t operations = disk.vfs->operations() - start;
  ASSERT_GT(operations, 3u);
  disk.vfs->remove(kCopy);

  // An I/O error at any step: either the compaction fails and leaves nothing,
  // or the step was one whose failure does not matter (the journal's folder
  // sync after the copy is complete) and the copy is whole.
  std::set<std::size_t> steps{operations - 2, operations - 1};
  for (std::size_t at = 0; at < operations; at += std::max<std::size_t>(1, operations / 16)) steps.insert(at);
  for (const std::size_t at : steps) {
    SCOPED_TRACE(at);
    disk.vfs->failAt(disk.vfs->operations() + at);
    bool failed = false;
    try {
      compact(disk);
    } catch (const jet::Error& e) {
      failed = true;
      EXPECT_EQ(e.code(), jet::ErrorCode::Io) << e.what();
    }
    disk.vfs->clearFaults();
    EXPECT_EQ(disk.bytes(), source);
    EXPECT_FALSE(disk.vfs->exists(std::string(kCopy) + "-journal"));
    if (failed) {
      EXPECT_FALSE(disk.vfs->exists(kCopy));
    } else {
      EXPECT_FALSE(jet::checkIntegrity(*openCopy(disk)).hasErrors());
      disk.vfs->remove(kCopy);
    }
  }
}

TEST(Compact, DeletedRowsAndTheirLongValuesAreDroppedAndCountersKept) {
  auto disk = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  constexpr int kRows = 1200;
  std::vector<std::vector<Value>> kept;
  {
    auto db = disk.open();
    jet::TableSpec spec;
    spec.name = u"Notes";
    spec.columns.resize(3);
    spec.columns[0].name = u"Id";
    spec.columns[0].type = jet::DataType::Long;
    spec.columns[0].autoNumber = true;
    spec.columns[1].name = u"Title";
    spec.columns[1].size = 40;
    spec.columns[2].name = u"Body";
    spec.columns[2].type = jet::DataType::Memo;
    spec.indexes.resize(2);
    spec.indexes[0].name = u"PrimaryKey";
    spec.indexes[0].columns.push_back({u"Id", true});
    spec.indexes[0].primaryKey = true;
    spec.indexes[1].name = u"ByTitle";
    spec.indexes[1].columns.push_back({u"Title", true});
    auto table = db->createTable(spec);
    db->beginTransaction();
    std::vector<jet::RowId> rows;
    for (int i = 0; i < kRows; ++i) {
      // Rows without a memo are carried over as bytes, the others encoded again.
      const Value body = i % 5 == 1 ? Value()
                                    : Value::text(std::u16string(1500 + i % 300, static_cast<char16_t>(u'a' + i % 26)));
      std::vector<Value> values{Value(), Value::text(u"title " + jet::fromUtf8(std::to_string(i % 97))), body};
      rows.push_back(table->insertRow(values));
    }
    for (int i = 0; i < kRows; i += 2) table->deleteRow(rows[static_cast<std::size_t>(i)]);
    db->commitTransaction();
    table->scan([&](jet::RowId, const std::vector<Value>& v) {
      kept.push_back(v);
      return true;
    });
    ASSERT_EQ(table->autoNumberCounter(), static_cast<std::uint32_t>(kRows));
  }
  const std::size_t before = disk.bytes().size();
  compact(disk);
  const std::size_t after = disk.vfs->contents(kCopy).size();
  EXPECT_LT(after, before * 6 / 10) << before << " -> " << after;
  RecordProperty("bytesBefore", std::to_string(before));
  RecordProperty("bytesAfter", std::to_string(after));

  auto copy = openCopy(disk);
  auto table = copy->table(u"Notes");
  EXPECT_EQ(table->storedRowCount(), kept.size());
  EXPECT_EQ(table->autoNumberCounter(), static_cast<std::uint32_t>(kRows));
  std::vector<std::vector<Value>> rows;
  table->scan([&](jet::RowId, const std::vector<Value>& v) {
    rows.push_back(v);
    return true;
  });
  EXPECT_EQ(rows, kept);
  // Both indexes list every row; the unique one still refuses a copied key.
  EXPECT_EQ(table->rowIdsInIndexOrder(0).size(), kept.size());
  EXPECT_EQ(table->rowIdsInIndexOrder(1).size(), kept.size());
  EXPECT_EQ(table->findRow(0, {kept.back()[0]}), std::optional<jet::RowId>(table->rowIdsInIndexOrder(0).back()));

  // The copy takes new rows, numbered on from the carried-over counter.
  std::vector<Value> values{Value(), Value::text(u"new"), Value()};
  table->insertRow(values);
  EXPECT_EQ(values[0], Value::longInt(kRows + 1));
  std::vector<Value> duplicate{kept.front()[0], Value::text(u"dup"), Value()};
  EXPECT_THROW(table->insertRow(duplicate), jet::Error);

  jet::IntegrityOptions strict;
  strict.strictness = jet::IntegrityStrictness::Strict;
  const jet::IntegrityReport report = jet::checkIntegrity(*copy, strict);
  for (const auto& p : report.problems) ADD_FAILURE() << p.message;
}

TEST(Compact, ForeignKeysFollowTheTablesTheyName) {
  auto disk = MemoryDatabase::fromCorpus("jackcess-V2000-indexTestV2000.mdb");
  compact(disk);
  const auto source = disk.open({u"", true});
  const auto copy = openCopy(disk);

  // The page of each table in both files, by name.
  std::map<std::uint32_t, std::u16string> sourceNames;
  std::map<std::u16string, std::uint32_t> copyPages;
  for (const jet::CatalogObject& o : source->catalog()) {
    if (o.type == jet::kObjectLocalTable) sourceNames[static_cast<std::uint32_t>(o.id) & 0xFFFFFF] = o.name;
  }
  for (const jet::CatalogObject& o : copy->catalog()) {
    if (o.type == jet::kObjectLocalTable) copyPages[o.name] = static_cast<std::uint32_t>(o.id) & 0xFFFFFF;
  }

  std::size_t foreignKeys = 0;
  for (const auto& [page, name] : sourceNames) {
    const auto& from = source->table(name)->impl().definition;
    const auto& to = copy->table(name)->impl().definition;
    ASSERT_EQ(to.logicalIndexes.size(), from.logicalIndexes.size());
    for (std::size_t i = 0; i < from.logicalIndexes.size(); ++i) {
      if (from.logicalIndexes[i].foreignKeyTable == 0) continue;
      ++foreignKeys;
      const std::u16string& related = sourceNames.at(from.logicalIndexes[i].foreignKeyTable);
      EXPECT_EQ(to.logicalIndexes[i].foreignKeyTable, copyPages.at(related)) << jet::toUtf8(related);
    }
  }
  EXPECT_GT(foreignKeys, 0u);

  // The copy still enforces them: a row whose key names no row of the other
  // table is refused, one that does is taken.
  auto table1 = copy->table(u"Table1");  // id, otherfk1, otherfk2, data, otherfk3
  std::vector<Value> row{Value::longInt(4), Value::longInt(7), Value::longInt(12), Value::text(u"new"),
                         Value::longInt(0)};
  try {
    table1->insertRow(row);
    ADD_FAILURE() << "a row without its referenced row was taken";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Constraint);
    EXPECT_NE(std::string(e.what()).find("Table2Table1"), std::string::npos) << e.what();
  }
  row[1] = Value::longInt(2);
  EXPECT_NO_THROW(table1->insertRow(row));
}

}  // namespace
