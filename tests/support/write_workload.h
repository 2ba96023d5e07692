// A random workload of inserts, updates and deletes on one table, checked
// against a model of what the table must hold (header only, shared by engine
// and corpus tests). Values cover every column type, nulls, long values of
// every storage size and rows that outgrow their page.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "support/write_checks.h"
#include "value/value_ops.h"

namespace qbtest {

class Workload {
 public:
  using Row = std::vector<jet::Value>;

  Workload(jet::Table& table, std::uint32_t seed) : table_(table), random_(seed) {
    table.scan([&](jet::RowId id, const Row& row) {
      model_[id.value] = row;
      return true;
    });
  }

  const std::map<std::uint32_t, Row>& model() const { return model_; }

  // A random value for column `c`: null sometimes, sizes at every edge.
  jet::Value randomValue(const jet::ColumnDef& c) {
    if (c.autoNumber || c.guidAutoNumber) return jet::Value();
    if (c.type != jet::DataType::Boolean && !c.required && chance(8)) return jet::Value();
    switch (c.type) {
      case jet::DataType::Boolean: return jet::Value::boolean(chance(2));
      case jet::DataType::Byte: return jet::Value::byte(static_cast<std::uint8_t>(below(256)));
      case jet::DataType::Integer: return jet::Value::integer(static_cast<std::int16_t>(below(65536) - 32768));
      case jet::DataType::Long: return jet::Value::longInt(static_cast<std::int32_t>(random_()));
      case jet::DataType::Currency:
        return jet::Value::currency(jet::Currency{static_cast<std::int64_t>(random_()) - (1ll << 31)});
      case jet::DataType::Single: return jet::Value::single(static_cast<float>(below(100000)) / 8.0f);
      case jet::DataType::Double: return jet::Value::dbl(static_cast<double>(random_()) / 7.0 - 1e9);
      case jet::DataType::DateTime:
        return jet::Value::dateTime(jet::DateTime{static_cast<double>(below(80000)) - 20000.0 + 0.25});
      case jet::DataType::Guid: {
        jet::Guid g;
        for (auto& b : g.bytes) b = static_cast<std::uint8_t>(random_());
        return jet::Value::guid(g);
      }
      case jet::DataType::Numeric: {
        jet::Decimal d;
        d.magnitude = random_() % 100000000000ull;
        d.scale = c.scale;
        d.negative = chance(2);
        d.normalise();
        return jet::Value::decimal(d);
      }
      case jet::DataType::Text: return jet::Value::text(randomText(below(c.definedSize() + 1), c.characterSize == 1));
      case jet::DataType::Memo:
        return jet::Value::text(randomText(longValueSize() / (c.characterSize == 1 ? 1 : 2), c.characterSize == 1));
      case jet::DataType::Binary: return jet::Value::binary(randomBytes(below(c.length + 1u)));
      case jet::DataType::Ole: return jet::Value::binary(randomBytes(longValueSize()));
      default: return jet::Value();
    }
  }

  Row randomRow() {
    Row row;
    for (const jet::ColumnDef& c : table_.columns()) row.push_back(randomValue(c));
    return row;
  }

  // A write the engine refuses (a duplicate key) must change nothing.
  bool refused(const std::function<void()>& write) {
    try {
      write();
      return false;
    } catch (const jet::Error& e) {
      if (e.code() != jet::ErrorCode::Constraint) throw;
      ++refusals_;
      return true;
    }
  }

  void insert() {
    Row row = randomRow();
    jet::RowId id;
    if (refused([&] { id = table_.insertRow(row); })) return;
    ASSERT_EQ(model_.count(id.value), 0u) << "a new row took the place of a live one";
    model_[id.value] = row;
  }

  void update() {
    if (model_.empty()) return insert();
    auto it = pick();
    Row row = randomRow();
    // Keep some values as they were, so unchanged long values are kept too.
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (chance(3) || table_.columns()[c].autoNumber) row[c] = it->second[c];
    }
    if (refused([&] { table_.updateRow(jet::RowId{it->first}, row); })) return;
    it->second = row;
  }

  void erase() {
    if (model_.empty()) return;
    auto it = pick();
    if (refused([&] { table_.deleteRow(jet::RowId{it->first}); })) return;
    model_.erase(it);
  }

  int refusals() const { return refusals_; }

  void step() {
    const unsigned r = below(10);
    if (r < 5) {
      insert();
    } else if (r < 8) {
      update();
    } else {
      erase();
    }
  }

  // The table holds exactly the model's rows.
  void verify(jet::Database& db) {
    std::map<std::uint32_t, Row> seen;
    table_.scan([&](jet::RowId id, const Row& row) {
      seen[id.value] = row;
      return true;
    });
    ASSERT_EQ(seen.size(), model_.size());
    for (const auto& [id, row] : model_) {
      ASSERT_TRUE(seen.count(id)) << "row " << id << " is missing";
      for (std::size_t c = 0; c < row.size(); ++c) {
        ASSERT_EQ(seen[id][c], row[c]) << "row " << id << ", column " << jet::toUtf8(table_.columns()[c].name)
                                       << ": read " << jet::quotedValue(seen[id][c]) << ", wrote "
                                       << jet::quotedValue(row[c]);
      }
    }
    EXPECT_EQ(table_.storedRowCount(), model_.size());
    for (const std::string& p : tableProblems(db, table_)) ADD_FAILURE() << p;
  }

  // Snapshot and restore of the model, for transactions that are rolled back.
  std::map<std::uint32_t, Row> snapshot() const { return model_; }
  void restore(std::map<std::uint32_t, Row> m) { model_ = std::move(m); }

 private:
  bool chance(unsigned oneIn) { return random_() % oneIn == 0; }
  unsigned below(unsigned n) { return n == 0 ? 0 : static_cast<unsigned>(random_() % n); }

  std::map<std::uint32_t, Row>::iterator pick() {
    auto it = model_.begin();
    std::advance(it, below(static_cast<unsigned>(model_.size())));
    return it;
  }

  // Long value sizes at the storage edges: inline, one row, chains.
  std::size_t longValueSize() {
    static constexpr std::size_t kSizes[] = {0, 1, 63, 64, 65, 300, 4075, 4076, 4077, 8152, 8153, 20000};
    return kSizes[below(sizeof kSizes / sizeof kSizes[0])] + (chance(4) ? below(50) : 0);
  }

  // Access 97 text (`codePage`) keeps to characters code page 1252 holds:
  // ASCII, Latin-1 letters and the punctuation of its 80-9F range.
  std::u16string randomText(std::size_t length, bool codePage = false) {
    std::u16string s;
    const unsigned alphabet = below(3);
    static constexpr char16_t kWestern[] = u"\u20AC\u201E\u2026\u0152\u0161\u0178\u00A0\u00FF";
    for (std::size_t i = 0; i < length; ++i) {
      if (codePage) {
        switch (alphabet) {
          case 0: s.push_back(static_cast<char16_t>(u'a' + below(26))); break;
          case 1: s.push_back(chance(2) ? u'x' : static_cast<char16_t>(0x00C0 + below(64))); break;
          default: s.push_back(kWestern[below(sizeof kWestern / sizeof kWestern[0] - 1)]); break;
        }
        continue;
      }
      switch (alphabet) {
        case 0: s.push_back(static_cast<char16_t>(u'a' + below(26))); break;              // compresses
        case 1: s.push_back(chance(2) ? u'x' : static_cast<char16_t>(0x0410 + below(32))); break;  // mixed runs
        default: s.push_back(static_cast<char16_t>(0x0100 * (1 + below(4)) + below(3))); break;  // low byte 0 at times
      }
    }
    return s;
  }

  jet::Bytes randomBytes(std::size_t n) {
    jet::Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(random_());
    return b;
  }

  jet::Table& table_;
  std::mt19937 random_;
  int refusals_ = 0;
  std::map<std::uint32_t, Row> model_;
};

// A table with a column of every type, as the workloads use it. Access 97
// databases (`access97`) have no Decimal type.
inline jet::TableSpec workloadTableSpec(const std::u16string& name, bool access97 = false) {
  jet::TableSpec spec;
  spec.name = name;
  const auto add = [&](const char16_t* n, jet::DataType type, std::uint16_t size = 0) -> jet::ColumnSpec& {
    return addColumn(spec, n, type, size);
  };
  add(u"ID", jet::DataType::Long).autoNumber = true;
  add(u"Code", jet::DataType::Text, 50);
  add(u"Title", jet::DataType::Text, 255).compressedUnicode = false;
  add(u"Flag", jet::DataType::Boolean);
  add(u"B", jet::DataType::Byte);
  add(u"I", jet::DataType::Integer);
  add(u"L", jet::DataType::Long);
  add(u"Money", jet::DataType::Currency);
  add(u"S", jet::DataType::Single);
  add(u"D", jet::DataType::Double);
  add(u"When", jet::DataType::DateTime);
  add(u"Blob", jet::DataType::Binary, 200);
  add(u"Key", jet::DataType::Guid);
  if (!access97) {
    jet::ColumnSpec& n = add(u"Amount", jet::DataType::Numeric);
    n.precision = 20;
    n.scale = 4;
  }
  add(u"Notes", jet::DataType::Memo);
  add(u"Picture", jet::DataType::Ole);
  return spec;
}

}  // namespace qbtest
