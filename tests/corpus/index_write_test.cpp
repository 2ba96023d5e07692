// Index maintenance through the row writer, on copies of tables written by
// Microsoft's software: random inserts, updates and deletes (with duplicate
// keys, nulls, case-only differences of text) keep every real index equal to
// the keys of the table's rows in index order, with sound pages, a usage map
// listing exactly the tree's pages (none of them free in the file) and the
// distinct-key count moving with the keys. Unique, required and ignore-nulls
// rules refuse or skip exactly what they should, and a refused write changes
// nothing. Reopened files read the same, mdbtools reads them, and text keys
// written by us fall in the order Microsoft's engine gave the same texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "corpus/mdbtools.h"
#include "format/index_key.h"
#include "format/index_page.h"
#include "index/btree.h"
#include "index/btree_check.h"
#include "index/real_index_info.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"

namespace {

using jet::RowId;
using jet::Value;
using Key = std::vector<std::uint8_t>;

using Rows = std::map<std::uint32_t, std::vector<Value>>;  // by RowId value

Rows rowsOf(jet::Table& t) {
  Rows rows;
  t.scan([&](RowId id, const std::vector<Value>& row) {
    rows[id.value] = row;
    return true;
  });
  return rows;
}

// The entries a real index must hold for these rows, in index order.
std::vector<std::pair<Key, std::uint32_t>> expectedEntries(const jet::RealIndexInfo& index, const Rows& rows) {
  std::vector<std::pair<Key, std::uint32_t>> out;
  for (const auto& [id, row] : rows) {
    if (index.ignoreNulls && index.encoder->allNull(row)) continue;
    out.push_back({index.encoder->key(row), id});
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::size_t distinctKeys(const std::vector<std::pair<Key, std::uint32_t>>& entries) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) n += i == 0 || entries[i].first != entries[i - 1].first;
  return n;
}

// Every real index of the table against the rows, and its pages.
void expectIndexesMatch(jet::Database& db, jet::Table& table, const Rows& rows,
                        const std::vector<std::int64_t>& countOffsets) {
  jet::Pager& pager = qbtest::pagerOf(db);
  jet::IndexPageCache cache(pager, jet::kJet4IndexPage);
  const std::set<std::uint32_t> free = qbtest::freePages(pager);
  const auto infos = jet::describeRealIndexes(table.impl());
  for (const jet::RealIndexInfo& index : infos) {
    SCOPED_TRACE(index.description);
    ASSERT_TRUE(index.encoder.has_value()) << index.unsupported;
    jet::BTree tree(cache, index.root, table.definitionPage(), index.description);
    std::vector<std::pair<Key, std::uint32_t>> walked;
    const jet::BTreeCheck check =
        jet::checkBTree(tree, [&](std::span<const std::uint8_t> k, RowId r) { walked.push_back({{k.begin(), k.end()}, r.value}); });
    ASSERT_TRUE(check.ok()) << check.problems.front();
    const auto expected = expectedEntries(index, rows);
    ASSERT_EQ(walked.size(), expected.size());
    for (std::size_t i = 0; i < walked.size(); ++i) ASSERT_EQ(walked[i], expected[i]) << "entry " << i;
    EXPECT_EQ(qbtest::mapPages(pager, index.usageMap), std::set<std::uint32_t>(check.pages.begin(), check.pages.end()))
        << "the index's usage map";
    for (const std::uint32_t page : check.pages) EXPECT_FALSE(free.count(page)) << "page " << page << " is marked free";
    EXPECT_EQ(std::int64_t{table.impl().definition.realIndexes[index.number].uniqueCount},
              static_cast<std::int64_t>(distinctKeys(expected)) + countOffsets[index.number])
        << "distinct-key count";
  }
}

// Random values for a column: few distinct ones, so keys repeat; text that
// differs only in case or accents; nulls now and then (rarely where a value
// is required, so that refusals happen too).
Value randomValue(const jet::ColumnDef& c, std::mt19937& rng) {
  if (c.autoNumber || c.guidAutoNumber) return Value();
  if (c.type != jet::DataType::Boolean && rng() % (c.required ? 40 : 6) == 0) return Value();
  switch (c.type) {
    case jet::DataType::Boolean: return Value::boolean(rng() % 2 == 0);
    case jet::DataType::Byte: return Value::byte(static_cast<std::uint8_t>(rng() % 20));
    case jet::DataType::Integer: return Value::integer(static_cast<std::int16_t>(rng() % 40) - 20);
    case jet::DataType::Long: return Value::longInt(static_cast<std::int32_t>(rng() % 200) - 100);
    case jet::DataType::Currency: return Value::currency({static_cast<std::int64_t>(rng() % 1000) * 100});
    case jet::DataType::Single: return Value::single(static_cast<float>(rng() % 100) / 4);
    case jet::DataType::Double: return Value::dbl(static_cast<double>(rng() % 100) / 8 - 5);
    case jet::DataType::DateTime: return Value::dateTime({36000.0 + rng() % 50 + (rng() % 4) * 0.25});
    case jet::DataType::Guid: {
      jet::Guid g;
      for (auto& b : g.bytes) b = static_cast<std::uint8_t>(rng() % 3);
      return Value::guid(g);
    }
    case jet::DataType::Text:
    case jet::DataType::Memo: {
      static const char16_t kLetters[] = u"aAbB\u00e9\u00c9z -'";
      // Mostly short texts that repeat; some long ones, which fill pages fast.
      const std::size_t longest = rng() % 4 == 0 ? 250 : 6;
      const std::size_t limit = c.type == jet::DataType::Text ? std::min<std::size_t>(c.definedSize(), longest) : longest;
      std::u16string s(1 + rng() % limit, u'a');
      for (auto& ch : s) ch = kLetters[rng() % 10];
      if (s.find_first_not_of(u" ") == std::u16string::npos) s[0] = u'q';
      return Value::text(s);
    }
    case jet::DataType::Binary:
    case jet::DataType::Ole: return Value::binary(jet::Bytes(1 + rng() % 4, static_cast<std::uint8_t>(rng() % 3)));
    default: return Value();
  }
}

// Which rule of which index a row breaks, by our own reckoning; empty if none.
std::string indexRuleBroken(const jet::Table& t, const std::vector<jet::RealIndexInfo>& infos, const Rows& rows,
                            const std::vector<Value>& row, std::uint32_t self) {
  for (const jet::RealIndexInfo& index : infos) {
    // An autonumber left empty gets a new value.
    const bool numbered = std::any_of(index.keyColumns.begin(), index.keyColumns.end(), [&](const jet::KeyColumn& c) {
      const auto& d = t.columns()[c.rowPosition];
      return row[c.rowPosition].isNull() && (d.autoNumber || d.guidAutoNumber);
    });
    if (numbered) continue;
    const bool allNull = index.encoder->allNull(row);
    if (index.required) {
      for (const jet::KeyColumn& c : index.keyColumns) {
        if (row[c.rowPosition].isNull()) return index.name;
      }
    }
    if (!index.unique || allNull) continue;
    const Key key = index.encoder->key(row);
    for (const auto& [id, other] : rows) {
      if (id != self && index.encoder->key(other) == key) return index.name;
    }
  }
  return {};
}

bool breaksColumnRule(const jet::Table& t, const std::vector<Value>& row) {
  for (std::size_t c = 0; c < row.size(); ++c) {
    const jet::ColumnDef& d = t.columns()[c];
    if (d.required && row[c].isNull() && !d.autoNumber && !d.guidAutoNumber) return true;
  }
  return false;
}

struct WorkloadCase {
  const char* file;
  const char16_t* table;
  int batches = 5;  // of 80 writes each
  bool refuses = true;  // random rows break a unique or required rule now and then
};

class IndexWriteWorkloadTest : public testing::TestWithParam<WorkloadCase> {};

TEST_P(IndexWriteWorkloadTest, RandomWritesKeepEveryIndexEqualToTheRows) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile(GetParam().file);
  std::mt19937 rng(4242);
  Rows model;
  std::vector<std::int64_t> offsets;  // stored count minus distinct keys, as found
  std::size_t refusals = 0;
  {
    auto db = jet::Database::open(path);
    auto t = db->table(GetParam().table);
    ASSERT_TRUE(t->readOnlyReason().empty()) << t->readOnlyReason();
    model = rowsOf(*t);
    const auto infos = jet::describeRealIndexes(t->impl());
    ASSERT_FALSE(infos.empty());
    for (const auto& index : infos) {
      offsets.push_back(std::int64_t{t->impl().definition.realIndexes[index.number].uniqueCount} -
                        static_cast<std::int64_t>(distinctKeys(expectedEntries(index, model))));
    }
    ASSERT_NO_FATAL_FAILURE(expectIndexesMatch(*db, *t, model, offsets)) << "as found";

    // Each batch is one transaction; a refused row undoes only itself.
    for (int batch = 0; batch < GetParam().batches; ++batch) {
      db->beginTransaction();
      for (int op = 0; op < 80; ++op) {
        const unsigned dice = rng() % 20;
        // Grow for most of the run, then shrink.
        const bool shrinking = batch >= GetParam().batches * 3 / 4;
        const bool insert = model.empty() || dice < (shrinking ? 4u : 11u);
        const bool update = !insert && dice < 16;
        std::uint32_t target = 0;
        if (!insert) target = std::next(model.begin(), static_cast<std::ptrdiff_t>(rng() % model.size()))->first;
        std::vector<Value> row;
        if (insert || update) {
          for (const auto& c : t->columns()) row.push_back(randomValue(c, rng));
          if (update) {
            // Keep autonumbers; sometimes change just one column.
            const auto& old = model.at(target);
            const std::size_t only = rng() % 3 == 0 ? rng() % row.size() : row.size();
            for (std::size_t c = 0; c < row.size(); ++c) {
              const auto& d = t->columns()[c];
              if (d.autoNumber || d.guidAutoNumber || (only < row.size() && c != only)) row[c] = old[c];
            }
          }
        }
        const std::string broken = insert || update ? indexRuleBroken(*t, infos, model, row, insert ? 0 : target) : "";
        const bool columnRule = (insert || update) && breaksColumnRule(*t, row);
        try {
          if (insert) {
            const RowId id = t->insertRow(row);
            model[id.value] = row;
          } else if (update) {
            t->updateRow(RowId{target}, row);
            model[target] = row;
          } else {
            t->deleteRow(RowId{target});
            model.erase(target);
          }
          EXPECT_TRUE(broken.empty()) << "index '" << broken << "' should have refused the row";
          EXPECT_FALSE(columnRule) << "a required field left empty was taken";
        } catch (const jet::Error& e) {
          ASSERT_EQ(e.code(), jet::ErrorCode::Constraint) << e.what();
          // Random foreign keys mostly lack a parent row; the relationship
          // tests check those refusals, here they only leave the rows alone.
          if (std::string(e.what()).find("relationship '") != std::string::npos) {
            ++refusals;
            continue;
          }
          ASSERT_TRUE(!broken.empty() || columnRule) << "refused for no reason: " << e.what();
          if (!columnRule) {
            EXPECT_NE(std::string(e.what()).find("'" + broken + "'"), std::string::npos) << e.what();
          }
          ++refusals;
        }
      }
      db->commitTransaction();
      ASSERT_EQ(rowsOf(*t), model) << "after batch " << batch;
      ASSERT_NO_FATAL_FAILURE(expectIndexesMatch(*db, *t, model, offsets)) << "after batch " << batch;
    }
  }
  // Read again from the file, by us and by mdbtools.
  auto db = jet::Database::open(path);
  auto t = db->table(GetParam().table);
  ASSERT_EQ(rowsOf(*t), model);
  ASSERT_NO_FATAL_FAILURE(expectIndexesMatch(*db, *t, model, offsets)) << "reopened";
  for (std::size_t i = 0; i < t->indexes().size(); ++i) {
    const auto inOrder = t->rowIdsInIndexOrder(i);
    EXPECT_EQ(inOrder.size() <= model.size(), true);
  }
  if (qbtest::mdbtoolsAvailable()) {
    EXPECT_EQ(qbtest::mdbExport(path, jet::toUtf8(t->name())).rows.size(), model.size());
  }
  if (GetParam().refuses) {
    EXPECT_GT(refusals, 0u);
  }
  RecordProperty("refusals", std::to_string(refusals));
  RecordProperty("rows", std::to_string(model.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, IndexWriteWorkloadTest,
    testing::Values(WorkloadCase{"jackcess-V2000-testV2000.mdb", u"Table1"},        // text primary key, text index
                    WorkloadCase{"jackcess-V2000-testV2000.mdb", u"Table2", 24},    // 89 columns, five text indexes
                    WorkloadCase{"jackcess-V2000-testV2000.mdb", u"Table3", 5, false},        // autonumber primary key
                    WorkloadCase{"jackcess-V2000-testV2000.mdb", u"Table4", 5, false},        // GUID autonumber key
                    WorkloadCase{"jackcess-V2000-compIndexTestV2000.mdb", u"Table1", 5, false},  // descending, two levels
                    WorkloadCase{"jackcess-V2000-fixedTextTestV2000.mdb", u"users"},  // six indexes, dates
                    WorkloadCase{"jackcess-V2000-indexTestV2000.mdb", u"Table1"},    // foreign-key indexes
                    WorkloadCase{"jackcess-V2000-test2V2000.mdb", u"MSP_PROJECTS"},  // unique, nulls allowed
                    WorkloadCase{"jackcess-V2003-testUnicodeCompV2003.mdb", u"Table", 24, false}),
    [](const testing::TestParamInfo<WorkloadCase>& p) {
      std::string name = std::string(p.param.file).substr(0, std::string(p.param.file).find('.')) + "_" +
                         jet::toUtf8(p.param.table);
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

// Texts in the order Microsoft's engine put them: for every index of the
// corpus whose key has a text column, that column's values along the index,
// cut into runs wherever a key column before it changes.
std::vector<std::vector<std::u16string>> microsoftTextRuns() {
  std::vector<std::vector<std::u16string>> runs;
  for (const char* file : {"jackcess-empty.mdb", "jackcess-V2000-testV2000.mdb", "jackcess-V2000-test2V2000.mdb",
                           "jackcess-V2000-fixedTextTestV2000.mdb", "jackcess-V2000-indexTestV2000.mdb",
                           "jackcess-V2000-queryTestV2000.mdb", "jackcess-V2003-testUnicodeCompV2003.mdb",
                           "ucanaccess-weirdObjectNames.mdb", "ucanaccess-linked.mdb"}) {
    jet::OpenOptions options;
    options.readOnly = true;
    const auto db = jet::Database::open(qbtest::corpusFile(file), options);
    for (const jet::CatalogObject& object : db->catalog()) {
      if (object.type != 1) continue;
      const auto t = db->table(object.name);
      for (std::size_t i = 0; i < t->indexes().size(); ++i) {
        const jet::IndexDef& index = t->indexes()[i];
        std::size_t text = 0;
        while (text < index.columns.size() && t->columns()[index.columns[text].column].type != jet::DataType::Text) ++text;
        if (text == index.columns.size() || !index.columns[text].ascending) continue;
        std::vector<Value> before;
        runs.emplace_back();
        for (const RowId id : t->rowIdsInIndexOrder(i)) {
          const auto row = t->readRow(id);
          std::vector<Value> lead;
          for (std::size_t k = 0; k < text; ++k) lead.push_back(row[index.columns[k].column]);
          if (lead != before) runs.emplace_back();
          before = lead;
          const Value& v = row[index.columns[text].column];
          if (!v.isNull()) runs.back().push_back(v.asText());
        }
      }
    }
  }
  return runs;
}

TEST(IndexWriteOrderTest, TextKeysWeWriteFollowTheOrderOfMicrosoftsIndexes) {
  QB_REQUIRE_CORPUS();
  const auto runs = microsoftTextRuns();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-V2003-testUnicodeCompV2003.mdb");
  auto db = jet::Database::open(path);
  auto t = db->table(u"Table");
  const int text = t->findColumn(u"Unicode");
  ASSERT_GE(text, 0);
  std::size_t index = t->indexes().size();
  for (std::size_t i = 0; i < t->indexes().size(); ++i) {
    if (t->indexes()[i].columns.size() == 1 && t->indexes()[i].columns[0].column == static_cast<std::size_t>(text)) index = i;
  }
  ASSERT_LT(index, t->indexes().size());

  // In reverse, so that no text arrives in the order it must end up in.
  std::size_t texts = 0;
  db->beginTransaction();
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    for (auto v = run->rbegin(); v != run->rend(); ++v) {
      if (v->size() > 255) continue;
      std::vector<Value> row(t->columns().size());
      row[static_cast<std::size_t>(text)] = Value::text(*v);
      t->insertRow(row);
      ++texts;
    }
  }
  db->commitTransaction();
  ASSERT_GT(texts, 150u);

  // Our order, as classes of texts with equal keys.
  std::map<std::u16string, std::size_t> cls;
  std::size_t current = 0;
  std::optional<std::u16string> last;
  const jet::IndexKeyEncoder encoder({{.type = jet::DataType::Text, .rowPosition = 0}});
  for (const RowId id : t->rowIdsInIndexOrder(index)) {
    const Value v = t->readValue(id, static_cast<std::size_t>(text));
    if (v.isNull()) continue;
    if (last && encoder.key(std::vector<Value>{Value::text(*last)}) != encoder.key(std::vector<Value>{v})) ++current;
    cls.emplace(v.asText(), current);
    last = v.asText();
  }
  for (const auto& run : runs) {
    for (std::size_t k = 1; k < run.size(); ++k) {
      if (!cls.count(run[k - 1]) || !cls.count(run[k])) continue;
      EXPECT_LE(cls[run[k - 1]], cls[run[k]]) << "'" << jet::toUtf8(run[k - 1]) << "' and '" << jet::toUtf8(run[k]) << "'";
    }
  }
}

// A text index in a sort order whose keys we cannot build: the table opens
// read-only, says why, and refuses writes; its indexes still read, and a
// search (which needs keys) says why it cannot be done.
struct SortOrderCase {
  const char* name;
  std::uint16_t lcid;
  std::uint8_t version;
};

std::size_t indexNamed(const jet::Table& t, std::u16string_view name) {
  for (std::size_t i = 0; i < t.indexes().size(); ++i) {
    if (t.indexes()[i].name == name) return i;
  }
  throw std::runtime_error("no such index");
}

class ForeignSortOrderTest : public testing::TestWithParam<SortOrderCase> {};

TEST_P(ForeignSortOrderTest, TableWithSuchATextIndexIsReadOnlyWithTheReason) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-V2000-testV2000.mdb");
  std::uint64_t at = 0;
  std::vector<RowId> before;
  {
    jet::OpenOptions options;
    options.readOnly = true;
    const auto db = jet::Database::open(path, options);
    const auto t = db->table(u"Table1");
    const auto& def = t->impl().definition;
    ASSERT_EQ(def.pages.size(), 1u);
    // Column B (text, indexed) in block B, after block A.
    std::size_t block = 0;
    while (def.columns[block].name != u"B") ++block;
    at = std::uint64_t{def.firstPage} * 4096 + 63 + 12 * def.realIndexes.size() + 25 * block;
    before = t->rowIdsInIndexOrder(indexNamed(*t, u"B"));
  }
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(at + 11));
    const char lcid[2] = {static_cast<char>(GetParam().lcid & 0xFF), static_cast<char>(GetParam().lcid >> 8)};
    f.write(lcid, 2);
    f.seekp(static_cast<std::streamoff>(at + 14));
    f.put(static_cast<char>(GetParam().version));
  }
  const auto db = jet::Database::open(path);
  const auto t = db->table(u"Table1");
  EXPECT_TRUE(t->isReadOnly());
  EXPECT_NE(t->readOnlyReason().find("sort order"), std::string::npos) << t->readOnlyReason();
  EXPECT_NE(t->readOnlyReason().find("'B'"), std::string::npos) << t->readOnlyReason();
  std::vector<Value> row(t->columns().size());
  row[0] = Value::text(u"new");
  row[8] = Value::boolean(true);
  try {
    t->insertRow(row);
    FAIL() << "the write was taken";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::ReadOnly) << e.what();
    EXPECT_NE(std::string(e.what()).find("sort order"), std::string::npos) << e.what();
  }
  EXPECT_EQ(t->rowIdsInIndexOrder(indexNamed(*t, u"B")), before);
  try {
    t->findRow(indexNamed(*t, u"B"), {Value::text(u"x")});
    FAIL() << "a search without keys";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Unsupported) << e.what();
  }
  // Other tables of the file stay writable.
  EXPECT_FALSE(db->table(u"Table3")->isReadOnly());
}

INSTANTIATE_TEST_SUITE_P(Orders, ForeignSortOrderTest,
                         testing::Values(SortOrderCase{"German", 0x0407, 0}, SortOrderCase{"NewerGeneral", 0x0409, 1}),
                         [](const testing::TestParamInfo<SortOrderCase>& p) { return std::string(p.param.name); });

}  // namespace
