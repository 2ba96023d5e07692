// Keys rebuilt from rows: the key of a row built from its values must be the
// entry the engine that wrote the file stored, byte for byte. In the Access
// 2000-2003 files every real index must hold exactly the table's rows (read
// with the engine's reader), text keys included. The Access 97 files add every
// fixed-size type in both directions (their rows are read here directly; their
// text keys use another order and are left out).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <numeric>
#include <set>

#include "format/index_key.h"
#include "format/index_page.h"
#include "index_file_support.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/hex_bytes.h"
#include "support/test_files.h"

namespace {

using jet::DataType;
using jet::Value;
using qbtest::DatabaseFile;

std::string describeKeyValues(const std::vector<Value>& row, const std::vector<jet::KeyColumn>& columns,
                              const jet::Table& table) {
  std::string out;
  for (const jet::KeyColumn& c : columns) {
    const Value& v = row[c.rowPosition];
    out += jet::toUtf8(table.columns()[c.rowPosition].name) + "=";
    if (v.isNull()) {
      out += "Null ";
    } else if (v.kind() == jet::ValueKind::Text) {
      out += "'" + jet::toUtf8(v.asText()) + "' ";
    } else {
      out += std::string(jet::valueKindName(v.kind())) + " ";
    }
  }
  return out;
}

struct RowKeysCase {
  const char* file;
  const char* password;
};

class CorpusRowKeysTest : public testing::TestWithParam<RowKeysCase> {};

TEST_P(CorpusRowKeysTest, EveryIndexHoldsTheKeysOfExactlyTheTableRows) {
  QB_REQUIRE_CORPUS();
  const DatabaseFile file(GetParam().file, qbtest::kJet4Layout);
  jet::OpenOptions options;
  options.readOnly = true;
  options.password = jet::fromUtf8(GetParam().password);
  const auto db = jet::Database::open(qbtest::corpusFile(GetParam().file), options);
  std::map<std::uint32_t, std::shared_ptr<jet::Table>> tables;  // by definition page
  for (const jet::CatalogObject& object : db->catalog()) {
    if (object.type == 1) {
      const auto table = db->table(object.name);
      tables[table->definitionPage()] = table;
    }
  }

  std::size_t indexes = 0;
  std::size_t entries = 0;
  for (const auto& definition : file.definitions()) {
    const auto found = tables.find(definition.page);
    if (found == tables.end()) continue;  // a left-over definition no table uses
    const jet::Table& table = *found->second;
    for (const auto& index : definition.realIndexes) {
      SCOPED_TRACE(jet::toUtf8(table.name()) + ", real index " + std::to_string(index.number));
      std::vector<jet::KeyColumn> keyColumns;
      for (const auto& slot : index.columns) {
        const auto& columns = table.columns();
        const auto at = std::find_if(columns.begin(), columns.end(),
                                     [&](const jet::ColumnDef& d) { return d.number == slot.columnNumber; });
        ASSERT_NE(at, columns.end()) << "index column " << slot.columnNumber;
        keyColumns.push_back({.type = at->type,
                              .ascending = slot.ascending,
                              .scale = at->scale,
                              .sortOrder = at->sortOrder,
                              .rowPosition = static_cast<std::size_t>(at - columns.begin())});
      }
      const jet::IndexKeyEncoder encoder(keyColumns);

      std::vector<qbtest::LeafEntry> expected;
      std::vector<std::vector<Value>> rows;
      for (const jet::RowId id : table.rowIds()) {
        auto row = table.readRow(id);
        if (index.ignoresNulls() && encoder.allNull(row)) continue;
        expected.push_back({encoder.key(row), id});
        rows.push_back(std::move(row));
      }
      std::vector<std::size_t> order(expected.size());
      std::iota(order.begin(), order.end(), 0);
      std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return jet::compareIndexEntries(expected[a].key, expected[a].row, expected[b].key, expected[b].row) <
               0;
      });

      std::vector<qbtest::LeafEntry> stored;
      qbtest::WalkTotals totals;
      qbtest::walkIndex(file, index, false, totals, &stored);
      ASSERT_EQ(stored.size(), expected.size());
      for (std::size_t i = 0; i < stored.size(); ++i) {
        const qbtest::LeafEntry& want = expected[order[i]];
        ASSERT_EQ(stored[i].row, want.row) << "entry " << i;
        ASSERT_EQ(qbtest::toHex(stored[i].key), qbtest::toHex(want.key))
            << "entry " << i << ": " << describeKeyValues(rows[order[i]], keyColumns, table);
      }
      ++indexes;
      entries += stored.size();
    }
  }
  EXPECT_GT(indexes, 0u);
  RecordProperty("indexes", std::to_string(indexes));
  RecordProperty("entries", std::to_string(entries));
}

// Every Jet 4 file except the page-encoded one.
INSTANTIATE_TEST_SUITE_P(
    Files, CorpusRowKeysTest,
    testing::Values(RowKeysCase{"jackcess-empty.mdb", ""}, RowKeysCase{"jackcess-V2000-testV2000.mdb", ""},
                    RowKeysCase{"jackcess-V2000-test2V2000.mdb", ""},
                    RowKeysCase{"jackcess-V2000-compIndexTestV2000.mdb", ""},
                    RowKeysCase{"jackcess-V2000-delTestV2000.mdb", ""},
                    RowKeysCase{"jackcess-V2000-fixedNumericTestV2000.mdb", ""},
                    RowKeysCase{"jackcess-V2000-fixedTextTestV2000.mdb", ""},
                    RowKeysCase{"jackcess-V2000-indexTestV2000.mdb", ""},
                    RowKeysCase{"jackcess-V2000-overflowTestV2000.mdb", ""},
                    RowKeysCase{"jackcess-V2000-queryTestV2000.mdb", ""},
                    RowKeysCase{"jackcess-V2003-testUnicodeCompV2003.mdb", ""},
                    RowKeysCase{"mdbreader-password-V2003_with-password.mdb", "password"},
                    RowKeysCase{"ucanaccess-linked.mdb", ""},
                    RowKeysCase{"ucanaccess-weirdObjectNames.mdb", ""}),
    [](const testing::TestParamInfo<RowKeysCase>& param) {
      return qbtest::corpusTestName(param.param.file);
    });

// Reads one fixed-size column of a row in an Access 97 file: the page's slot
// table at offset 10, rows packed from the page end, an overflow slot holding
// the real row's locator; the row is a column count byte, the fixed area, and
// the null mask at its end (a set bit means present; a boolean is its bit).
Value readJet3FixedValue(const DatabaseFile& file, jet::RowId id, const qbtest::StoredColumn& column,
                         int depth = 0) {
  const auto page = file.page(id.page());
  if (page[0] != 0x01 || id.slot() >= (page[8] | page[9] << 8)) throw std::runtime_error("no such row");
  auto slotEntry = [&](std::size_t slot) { return page[10 + 2 * slot] | page[11 + 2 * slot] << 8; };
  const int entry = slotEntry(id.slot());
  const std::size_t begin = entry & 0x1FFF;
  const std::size_t end = id.slot() == 0 ? page.size() : (slotEntry(id.slot() - 1) & 0x1FFF);
  if (begin >= end || end > page.size()) throw std::runtime_error("bad row extent");
  const auto row = page.subspan(begin, end - begin);
  if (entry & 0x4000) {
    if (depth > 0 || row.size() < 4) throw std::runtime_error("bad overflow row");
    const std::uint32_t target = row[1] | row[2] << 8 | row[3] << 16;
    return readJet3FixedValue(file, jet::RowId::of(target, row[0]), column, depth + 1);
  }
  const std::size_t count = row[0];
  const std::size_t maskSize = (count + 7) / 8;
  const bool present = column.number < count &&
                       (row[row.size() - maskSize + column.number / 8] >> (column.number % 8) & 1) != 0;
  if (column.type == DataType::Boolean) return Value::boolean(present);
  if (!present) return Value::null();
  const std::uint8_t* p = row.data() + 1 + column.fixedOffset;
  auto le = [&](std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = n; i-- > 0;) v = v << 8 | p[i];
    return v;
  };
  switch (column.type) {
    case DataType::Byte:
      return Value::byte(p[0]);
    case DataType::Integer:
      return Value::integer(static_cast<std::int16_t>(le(2)));
    case DataType::Long:
      return Value::longInt(static_cast<std::int32_t>(le(4)));
    case DataType::Currency:
      return Value::currency({static_cast<std::int64_t>(le(8))});
    case DataType::Single:
      return Value::single(std::bit_cast<float>(static_cast<std::uint32_t>(le(4))));
    case DataType::Double:
      return Value::dbl(std::bit_cast<double>(le(8)));
    case DataType::DateTime:
      return Value::dateTime({std::bit_cast<double>(le(8))});
    case DataType::Guid: {
      jet::Guid g;
      std::memcpy(g.bytes.data(), p, 16);
      return Value::guid(g);
    }
    default:
      throw std::runtime_error("not a fixed-size type");
  }
}

bool isFixedKeyType(const qbtest::StoredColumn& c) {
  switch (c.type) {
    case DataType::Boolean:
      return true;
    case DataType::Byte:
    case DataType::Integer:
    case DataType::Long:
    case DataType::Currency:
    case DataType::Single:
    case DataType::Double:
    case DataType::DateTime:
    case DataType::Guid:
      return c.fixed();
    default:
      return false;
  }
}

TEST(CorpusIndexKeysTest, Access97KeysOfEveryFixedSizeTypeMatchTheRows) {
  QB_REQUIRE_CORPUS();
  std::set<std::string> covered;
  std::size_t entries = 0;
  for (const char* name : {"jackcess-V1997-testIndexCodesV1997.mdb", "jackcess-V1997-testV1997.mdb"}) {
    const DatabaseFile file(name, qbtest::kJet3Layout);
    for (const auto& definition : file.definitions()) {
      for (const auto& index : definition.realIndexes) {
        std::vector<const qbtest::StoredColumn*> columns;
        for (const auto& slot : index.columns) {
          const auto* c = definition.column(slot.columnNumber);
          if (c && isFixedKeyType(*c)) columns.push_back(c);
        }
        if (columns.size() != index.columns.size()) continue;  // text or variable columns

        std::vector<qbtest::LeafEntry> stored;
        qbtest::WalkTotals totals;
        qbtest::walkIndex(file, index, false, totals, &stored);
        for (const auto& entry : stored) {
          std::vector<jet::KeyPart> parts;
          for (std::size_t k = 0; k < columns.size(); ++k) {
            parts.push_back({readJet3FixedValue(file, entry.row, *columns[k]), columns[k]->type,
                             index.columns[k].ascending, 0});
          }
          ASSERT_EQ(qbtest::toHex(jet::encodeIndexKey(parts)), qbtest::toHex(entry.key))
              << name << ", definition page " << index.definitionPage << ", real index " << index.number
              << ", row " << entry.row.page() << ":" << int(entry.row.slot());
          ++entries;
        }
        for (std::size_t k = 0; k < columns.size(); ++k) {
          covered.insert(jet::dataTypeName(columns[k]->type) +
                         (index.columns[k].ascending ? " asc" : " desc"));
        }
      }
    }
  }
  // Every fixed-size type, in both directions.
  for (const char* type :
       {"Boolean", "Byte", "Integer", "Long", "Currency", "Single", "Double", "DateTime", "GUID"}) {
    EXPECT_TRUE(covered.count(std::string(type) + " asc")) << type;
    EXPECT_TRUE(covered.count(std::string(type) + " desc")) << type;
  }
  EXPECT_GT(entries, 500u);
  RecordProperty("entries", std::to_string(entries));
}

}  // namespace
