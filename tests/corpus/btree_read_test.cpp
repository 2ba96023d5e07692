// Reading through the indexes of the real files: for every index of every
// table, the rows in index order are exactly the table's rows (without those an
// ignore-nulls index leaves out), sorted by the keys rebuilt from their values;
// and a search by key finds the first row of each key, also by leading columns
// only. Damaged trees (loops, foreign pages, endless descents) give Corruption.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <numeric>

#include "format/index_key.h"
#include "format/index_page.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"

namespace {

using jet::RowId;
using jet::Value;

struct IndexCase {
  const char* file;
  const char* password;
};

std::vector<jet::KeyColumn> keyColumnsOf(const jet::Table& table, const jet::IndexDef& index) {
  std::vector<jet::KeyColumn> out;
  for (const jet::IndexColumn& c : index.columns) {
    const jet::ColumnDef& column = table.columns()[c.column];
    out.push_back({.type = column.type,
                   .ascending = c.ascending,
                   .scale = column.scale,
                   .sortOrder = column.sortOrder,
                   .rowPosition = c.column});
  }
  return out;
}

struct KeyedRow {
  std::vector<std::uint8_t> key;
  RowId id;
  std::vector<Value> values;
};

class CorpusIndexReadTest : public testing::TestWithParam<IndexCase> {
 protected:
  std::unique_ptr<jet::Database> open() {
    jet::OpenOptions options;
    options.readOnly = true;
    options.password = jet::fromUtf8(GetParam().password);
    return jet::Database::open(qbtest::corpusFile(GetParam().file), options);
  }

  // Every local table with its rows keyed and sorted for each index, as the
  // index must hold them.
  template <typename Check>
  void forEachIndex(jet::Database& db, Check check) {
    for (const jet::CatalogObject& object : db.catalog()) {
      if (object.type != 1) continue;
      const auto table = db.table(object.name);
      for (std::size_t i = 0; i < table->indexes().size(); ++i) {
        const jet::IndexDef& index = table->indexes()[i];
        SCOPED_TRACE(jet::toUtf8(table->name()) + ", index '" + jet::toUtf8(index.name) + "'");
        const jet::IndexKeyEncoder encoder(keyColumnsOf(*table, index));
        std::vector<KeyedRow> rows;
        table->scan([&](RowId id, const std::vector<Value>& values) {
          if (!(index.ignoreNulls && encoder.allNull(values))) rows.push_back({encoder.key(values), id, values});
          return true;
        });
        std::sort(rows.begin(), rows.end(), [](const KeyedRow& a, const KeyedRow& b) {
          return jet::compareIndexEntries(a.key, a.id, b.key, b.id) < 0;
        });
        check(*table, i, rows);
      }
    }
  }
};

TEST_P(CorpusIndexReadTest, RowsInIndexOrderAreTheTableRowsSortedByKey) {
  QB_REQUIRE_CORPUS();
  const auto db = open();
  std::size_t indexes = 0;
  std::size_t rowsSeen = 0;
  forEachIndex(*db, [&](const jet::Table& table, std::size_t index, const std::vector<KeyedRow>& expected) {
    const std::vector<RowId> walked = table.rowIdsInIndexOrder(index);
    ASSERT_EQ(walked.size(), expected.size());
    for (std::size_t k = 0; k < walked.size(); ++k) ASSERT_EQ(walked[k], expected[k].id) << "position " << k;
    ++indexes;
    rowsSeen += walked.size();
  });
  EXPECT_GT(indexes, 0u);
  RecordProperty("indexes", std::to_string(indexes));
  RecordProperty("rows", std::to_string(rowsSeen));
}

TEST_P(CorpusIndexReadTest, SearchFindsTheFirstRowOfEveryKeyAlsoByLeadingColumns) {
  QB_REQUIRE_CORPUS();
  const auto db = open();
  std::size_t searches = 0;
  forEachIndex(*db, [&](const jet::Table& table, std::size_t index, const std::vector<KeyedRow>& rows) {
    const jet::IndexDef& def = table.indexes()[index];
    const auto columns = keyColumnsOf(table, def);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      // Full key: the first row holding the same key bytes.
      std::size_t first = k;
      while (first > 0 && rows[first - 1].key == rows[k].key) --first;
      std::vector<Value> key;
      for (const jet::IndexColumn& c : def.columns) key.push_back(rows[k].values[c.column]);
      const auto found = table.findRow(index, key);
      ASSERT_TRUE(found.has_value()) << "row " << k;
      ASSERT_EQ(*found, rows[first].id) << "row " << k;
      ++searches;

      // Leading column only: the first row whose first key column matches.
      if (columns.size() > 1) {
        std::vector<std::uint8_t> lead;
        jet::appendKeyColumn(key[0], columns[0], lead);
        const auto match = std::find_if(rows.begin(), rows.end(), [&](const KeyedRow& r) {
          return r.key.size() >= lead.size() && std::equal(lead.begin(), lead.end(), r.key.begin());
        });
        const auto byLead = table.findRow(index, {key[0]});
        ASSERT_TRUE(byLead.has_value());
        ASSERT_EQ(*byLead, match->id) << "row " << k << " by its first column";
      }
    }
  });
  RecordProperty("searches", std::to_string(searches));
}

// Every Jet 4 file, the page-encoded one included (its pages are read through
// the decoding pager).
INSTANTIATE_TEST_SUITE_P(Files, CorpusIndexReadTest,
                         testing::Values(IndexCase{"jackcess-empty.mdb", ""},
                                         IndexCase{"jackcess-V2000-testV2000.mdb", ""},
                                         IndexCase{"jackcess-V2000-test2V2000.mdb", ""},
                                         IndexCase{"jackcess-V2000-compIndexTestV2000.mdb", ""},
                                         IndexCase{"jackcess-V2000-delTestV2000.mdb", ""},
                                         IndexCase{"jackcess-V2000-fixedNumericTestV2000.mdb", ""},
                                         IndexCase{"jackcess-V2000-fixedTextTestV2000.mdb", ""},
                                         IndexCase{"jackcess-V2000-indexTestV2000.mdb", ""},
                                         IndexCase{"jackcess-V2000-overflowTestV2000.mdb", ""},
                                         IndexCase{"jackcess-V2000-queryTestV2000.mdb", ""},
                                         IndexCase{"jackcess-V2003-testUnicodeCompV2003.mdb", ""},
                                         IndexCase{"jackcessencrypt-db-enc.mdb", ""},
                                         IndexCase{"mdbreader-password-V2003_with-password.mdb", "password"},
                                         IndexCase{"ucanaccess-linked.mdb", ""},
                                         IndexCase{"ucanaccess-weirdObjectNames.mdb", ""}),
                         [](const testing::TestParamInfo<IndexCase>& param) {
                           std::string name = param.param.file;
                           name = name.substr(0, name.find('.'));
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(IndexSearchTest, RefusesWrongKeysAndIndexNumbers) {
  QB_REQUIRE_CORPUS();
  jet::OpenOptions options;
  options.readOnly = true;
  const auto db = jet::Database::open(qbtest::corpusFile("jackcess-V2000-compIndexTestV2000.mdb"), options);
  const auto table = db->table(u"Table1");
  ASSERT_FALSE(table->indexes().empty());
  const auto codeOf = [](auto&& f) {
    try {
      f();
    } catch (const jet::Error& e) {
      return e.code();
    }
    return jet::ErrorCode::NotFound;  // nothing thrown
  };
  const std::size_t columns = table->indexes()[0].columns.size();
  EXPECT_EQ(codeOf([&] { table->findRow(0, {}); }), jet::ErrorCode::InvalidArgument);
  EXPECT_EQ(codeOf([&] { table->findRow(0, std::vector<Value>(columns + 1, Value::longInt(1))); }),
            jet::ErrorCode::InvalidArgument);
  EXPECT_EQ(codeOf([&] { table->findRow(0, {Value::text(u"not a number")}); }), jet::ErrorCode::InvalidArgument);
  EXPECT_EQ(codeOf([&] { table->rowIdsInIndexOrder(table->indexes().size()); }), jet::ErrorCode::InvalidArgument);
  // A value no row holds.
  EXPECT_FALSE(table->findRow(0, std::vector<Value>(columns, Value::longInt(-123456))).has_value());
}

// --- Damaged trees ---

// compIndexTest's descending index: root node page 29 (one entry for leaf 32,
// tail 33); leaf 32 -> leaf 33.
constexpr std::uint32_t kRoot = 29;
constexpr std::uint32_t kFirstLeaf = 32;
constexpr std::uint32_t kSecondLeaf = 33;

void patchU32(const std::filesystem::path& file, std::uint64_t offset, std::uint32_t value) {
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(offset));
  const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 24)};
  f.write(bytes, 4);
}

std::uint64_t at(std::uint32_t page, std::size_t offset) { return std::uint64_t{page} * 4096 + offset; }

struct DamageCase {
  const char* name;
  std::uint32_t page;
  std::size_t offset;
  std::uint32_t value;
};

class DamagedIndexTest : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedIndexTest, WalksAndSearchesReportCorruptionNamingTheTable) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-V2000-compIndexTestV2000.mdb");
  std::vector<std::vector<Value>> rows;
  std::size_t damaged = 0;
  {
    const auto db = jet::Database::open(path);
    const auto table = db->table(u"Table1");
    // The damaged index is the descending one rooted at page 29.
    damaged = table->indexes().size();
    for (std::size_t i = 0; i < table->indexes().size(); ++i) {
      if (!table->indexes()[i].columns.empty() && !table->indexes()[i].columns[0].ascending) damaged = i;
    }
    ASSERT_LT(damaged, table->indexes().size());
    table->scan([&](RowId, const std::vector<Value>& values) {
      rows.push_back({values[table->indexes()[damaged].columns[0].column]});
      return true;
    });
  }
  patchU32(path, at(GetParam().page, GetParam().offset), GetParam().value);
  jet::OpenOptions options;
  options.readOnly = true;
  const auto db = jet::Database::open(path, options);
  const auto table = db->table(u"Table1");
  // Every way into the tree either works or reports the damage; one of them
  // must meet it.
  std::size_t corruptions = 0;
  const auto attempt = [&](auto&& f) {
    try {
      f();
    } catch (const jet::Error& e) {
      ASSERT_EQ(e.code(), jet::ErrorCode::Corruption) << e.what();
      EXPECT_NE(std::string(e.what()).find("Table1"), std::string::npos) << e.what();
      ++corruptions;
    }
  };
  attempt([&] { table->rowIdsInIndexOrder(damaged); });
  for (const auto& key : rows) attempt([&] { table->findRow(damaged, key); });
  EXPECT_GT(corruptions, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedIndexTest,
    testing::Values(DamageCase{"LeafChainLoopsBack", kSecondLeaf, 16, kFirstLeaf},
                    DamageCase{"LeafLinksToItself", kFirstLeaf, 16, kFirstLeaf},
                    DamageCase{"LeafLinksToTheRootNode", kSecondLeaf, 16, kRoot},
                    DamageCase{"LeafLinksPastTheFile", kFirstLeaf, 16, 0x00FFFFFF},
                    DamageCase{"TailIsADataPage", kRoot, 20, 17},
                    DamageCase{"NodeIsItsOwnTail", kRoot, 20, kRoot},
                    DamageCase{"LeafOfAnotherTable", kSecondLeaf, 4, 2}),
    [](const testing::TestParamInfo<DamageCase>& param) { return std::string(param.param.name); });

}  // namespace
