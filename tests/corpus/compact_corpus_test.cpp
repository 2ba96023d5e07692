// Compacting copies of the real files: the copy holds exactly what the source
// holds (every table's rows, system tables included; the catalog, saved
// queries, header facts, counters), the integrity checker finds nothing in it,
// mdbtools reads it the same, and it is never larger than the source.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "catalog/catalog_reader.h"
#include "corpus/mdbtools.h"
#include "corpus/write_mdbtools_check.h"
#include "jet/compact.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"
#include "support/value_printer.h"

namespace {

using qbtest::CorpusFile;

// System-table columns that name tables by catalog id, with the column that
// says which rows are about local tables.
struct TableReference {
  std::u16string table;
  std::u16string column;
  std::u16string typeColumn;
};
const TableReference kTableReferences[] = {
    {u"MSysObjects", u"Id", u"Type"},
    {u"MSysACEs", u"ObjectId", u""},
    {u"MSysNavPaneObjectIDs", u"Id", u"Type"},
    {u"MSysNavPaneGroupToObjects", u"ObjectID", u""},
    {u"MSysNavPaneGroups", u"ObjectID", u""},
    {u"MSysNavPaneGroupCategories", u"SelectedObjectID", u""},
};

std::unique_ptr<jet::Database> openReadOnly(const std::filesystem::path& path, const char16_t* password) {
  jet::OpenOptions options;
  options.password = password;
  options.readOnly = true;
  return jet::Database::open(path, options);
}

std::vector<std::vector<jet::Value>> rowsOf(jet::Table& table) {
  std::vector<std::vector<jet::Value>> rows;
  table.scan([&](jet::RowId, const std::vector<jet::Value>& values) {
    rows.push_back(values);
    return true;
  });
  return rows;
}

class CompactCorpus : public ::testing::TestWithParam<CorpusFile> {
 protected:
  void SetUp() override {
    QB_REQUIRE_CORPUS();
    source_ = dir_.copyCorpusFile(GetParam().name);
    target_ = dir_ / "compacted.mdb";
    before_ = qbtest::readFileBytes(source_);
    jet::compactDatabase(source_, target_, GetParam().password);
  }

  qbtest::TempDir dir_;
  std::filesystem::path source_;
  std::filesystem::path target_;
  std::string before_;
};

TEST_P(CompactCorpus, EveryTableHoldsTheSameRowsAndTheSourceIsUnchanged) {
  EXPECT_EQ(qbtest::readFileBytes(source_), before_);
  const auto source = openReadOnly(source_, GetParam().password);
  const auto copy = openReadOnly(target_, GetParam().password);

  // The header facts.
  EXPECT_EQ(copy->info().codePage, source->info().codePage);
  EXPECT_EQ(copy->info().sortOrder, source->info().sortOrder);
  EXPECT_EQ(copy->info().databaseKey, source->info().databaseKey);
  EXPECT_EQ(copy->info().hasPassword, source->info().hasPassword);
  EXPECT_LE(std::filesystem::file_size(target_), std::filesystem::file_size(source_));

  // The catalog: the same objects in the same order, tables under new ids.
  const auto& before = source->catalog();
  const auto& after = copy->catalog();
  ASSERT_EQ(after.size(), before.size());
  std::map<std::int32_t, std::int32_t> movedIds;
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].name, before[i].name);
    EXPECT_EQ(after[i].type, before[i].type);
    EXPECT_EQ(after[i].parentId, before[i].parentId);
    EXPECT_EQ(after[i].flags, before[i].flags);
    EXPECT_EQ(after[i].linkedDatabase, before[i].linkedDatabase);
    if (before[i].type == jet::kObjectLocalTable) {
      movedIds[before[i].id] = after[i].id;
    } else {
      EXPECT_EQ(after[i].id, before[i].id) << jet::toUtf8(before[i].name);
    }
  }
  EXPECT_EQ(movedIds.at(2), 2) << "the catalog stays on page 2";

  // Every local table, system tables included: the same rows in the same
  // order (ids of tables moved), the same definition and counters.
  for (const jet::CatalogObject& o : before) {
    if (o.type != jet::kObjectLocalTable) continue;
    SCOPED_TRACE(jet::toUtf8(o.name));
    const auto from = source->table(o.name);
    const auto to = copy->table(o.name);
    ASSERT_EQ(to->columns().size(), from->columns().size());
    for (std::size_t c = 0; c < from->columns().size(); ++c) {
      EXPECT_EQ(to->columns()[c].name, from->columns()[c].name);
      EXPECT_EQ(to->columns()[c].type, from->columns()[c].type);
    }
    ASSERT_EQ(to->indexes().size(), from->indexes().size());
    EXPECT_EQ(to->autoNumberCounter(), from->autoNumberCounter());
    auto expected = rowsOf(*from);
    const auto actual = rowsOf(*to);
    EXPECT_EQ(to->storedRowCount(), actual.size());
    // References to tables follow them to their new pages.
    std::vector<std::pair<int, int>> references;  // id column, type column
    for (const TableReference& ref : kTableReferences) {
      if (ref.table == o.name) {
        references.emplace_back(from->findColumn(ref.column),
                                ref.typeColumn.empty() ? -1 : from->findColumn(ref.typeColumn));
      }
    }
    for (auto& row : expected) {
      for (const auto& [id, type] : references) {
        if (id < 0) continue;
        jet::Value& v = row[static_cast<std::size_t>(id)];
        const bool table = type < 0 || row[static_cast<std::size_t>(type)] == jet::Value::integer(1) ||
                           row[static_cast<std::size_t>(type)] == jet::Value::longInt(1);
        if (table && v.kind() == jet::ValueKind::Long && movedIds.count(v.asLong())) {
          v = jet::Value::longInt(movedIds.at(v.asLong()));
        }
      }
    }
    EXPECT_EQ(actual, expected);
    // Each index lists every row in the same order as the source's.
    for (std::size_t i = 0; i < from->indexes().size(); ++i) {
      const auto orderOf = [](jet::Table& t, std::size_t index) {
        std::vector<std::vector<jet::Value>> ordered;
        for (const jet::RowId id : t.rowIdsInIndexOrder(index)) ordered.push_back(t.readRow(id));
        return ordered;
      };
      if (!references.empty()) continue;  // ids moved
      EXPECT_EQ(orderOf(*to, i), orderOf(*from, i)) << "index " << jet::toUtf8(from->indexes()[i].name);
    }
  }
  EXPECT_EQ(copy->savedQueries().size(), source->savedQueries().size());
  for (std::size_t i = 0; i < source->savedQueries().size(); ++i) {
    EXPECT_EQ(copy->savedQueries()[i].name, source->savedQueries()[i].name);
    EXPECT_EQ(copy->savedQueries()[i].sql, source->savedQueries()[i].sql);
    EXPECT_EQ(copy->savedQueries()[i].kind, source->savedQueries()[i].kind);
  }
}

TEST_P(CompactCorpus, TheCopyChecksCleanAndMdbtoolsReadsIt) {
  const auto copy = openReadOnly(target_, GetParam().password);
  jet::IntegrityOptions options;
  options.strictness = jet::IntegrityStrictness::Strict;
  const jet::IntegrityReport report = jet::checkIntegrity(*copy, options);
  for (const auto& p : report.problems) ADD_FAILURE() << p.message;
  EXPECT_TRUE(report.clean());

  // mdbtools reads neither password-protected nor page-encoded files.
  if (copy->info().hasPassword || copy->info().databaseKey != 0) return;
  for (const jet::TableListEntry& entry : copy->listTables(false)) {
    if (entry.kind != jet::TableKind::Table) continue;
    const auto table = copy->table(entry.name);
    qbtest::expectMdbExportReadsTheSameRows(target_, *copy, *table);
  }
}

INSTANTIATE_TEST_SUITE_P(Jet4, CompactCorpus, ::testing::ValuesIn(qbtest::jet4CorpusFiles()),
                         [](const testing::TestParamInfo<CorpusFile>& param) { return qbtest::corpusTestName(param.param); });
INSTANTIATE_TEST_SUITE_P(Jet3, CompactCorpus, ::testing::ValuesIn(qbtest::jet3CorpusFiles()),
                         [](const testing::TestParamInfo<CorpusFile>& param) { return qbtest::corpusTestName(param.param); });

}  // namespace
