// Creating and dropping tables in copies of real files: the new table's
// definition, catalog row, access-control entries and pages, read back by our
// reader and by mdbtools; a dropped table gives all its pages back.
#include <gtest/gtest.h>

#include <algorithm>

#include "corpus/write_mdbtools_check.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"
#include "table/table_impl.h"

namespace {

using jet::DataType;
using jet::Value;

jet::TableSpec everyTypeSpec() {
  jet::TableSpec spec;
  spec.name = u"Every Type";
  const auto col = [&](const char16_t* name, DataType type, std::uint16_t size = 0) {
    return &qbtest::addColumn(spec, name, type, size);
  };
  col(u"ID", DataType::Long)->autoNumber = true;
  col(u"Name", DataType::Text, 40)->required = true;
  col(u"Flag", DataType::Boolean);
  col(u"Small", DataType::Byte);
  col(u"Count", DataType::Integer);
  col(u"Amount", DataType::Currency);
  col(u"Ratio", DataType::Single);
  col(u"Measure", DataType::Double);
  col(u"When", DataType::DateTime);
  col(u"Raw", DataType::Binary, 16);
  col(u"Notes", DataType::Memo);
  col(u"Picture", DataType::Ole);
  col(u"Key", DataType::Guid)->guidAutoNumber = true;
  jet::ColumnSpec* price = col(u"Price", DataType::Numeric);
  price->precision = 12;
  price->scale = 3;
  jet::IndexSpec pk;
  pk.name = u"PrimaryKey";
  pk.primaryKey = true;
  pk.columns = {{u"ID", true}};
  jet::IndexSpec byName;
  byName.name = u"ByName";
  byName.columns = {{u"Name", true}, {u"When", false}};
  spec.indexes = {pk, byName};
  return spec;
}

std::vector<Value> sampleRow(int i) {
  jet::Guid g;
  g.bytes[0] = static_cast<std::uint8_t>(i);
  jet::Decimal price;
  price.magnitude = static_cast<jet::UInt128>(1000 * i + 5);
  price.scale = 3;
  return {Value(),
          Value::text(u"row " + jet::fromUtf8(std::to_string(i))),
          Value::boolean(i % 2 == 0),
          Value::byte(static_cast<std::uint8_t>(i)),
          Value::integer(static_cast<std::int16_t>(-i)),
          Value::currency(jet::Currency{i * 12345}),
          Value::single(0.5f * static_cast<float>(i)),
          Value::dbl(1.0 / (i + 1)),
          Value::dateTime(jet::DateTime{40000.25 + i}),
          Value::binary(jet::Bytes(static_cast<std::size_t>(i % 16), 0xAB)),
          Value::text(std::u16string(static_cast<std::size_t>(i * 300), u'm')),
          i % 3 == 0 ? Value() : Value::binary(jet::Bytes(static_cast<std::size_t>(i * 1000), 0x5C)),
          Value::guid(g),
          Value::decimal(price)};
}

TEST(SchemaTables, ACreatedTableIsReadBackByUsAndByMdbtools) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-empty.mdb");
  std::vector<std::vector<Value>> written;
  {
    auto db = jet::Database::open(path);
    qbtest::recordIndexCalls(*db);
    auto t = db->createTable(everyTypeSpec());
    EXPECT_EQ(t->name(), u"Every Type");
    ASSERT_EQ(t->columns().size(), 14u);
    EXPECT_TRUE(t->columns()[0].autoNumber);
    EXPECT_TRUE(t->columns()[12].guidAutoNumber);
    EXPECT_EQ(t->columns()[13].precision, 12);
    ASSERT_EQ(t->indexes().size(), 2u);
    EXPECT_TRUE(t->indexes()[0].primaryKey);
    EXPECT_FALSE(t->indexes()[1].columns[1].ascending);
    for (int i = 1; i <= 12; ++i) {
      std::vector<Value> row = sampleRow(i);
      t->insertRow(row);
      EXPECT_EQ(row[0], Value::longInt(i));  // the autonumber came back
      written.push_back(row);
    }
    EXPECT_EQ(t->autoNumberCounter(), 12u);
  }
  auto db = jet::Database::open(path);
  ASSERT_TRUE(db->hasTable(u"every type"));
  auto t = db->table(u"Every Type");
  std::vector<std::vector<Value>> read;
  t->scan([&](jet::RowId, const std::vector<Value>& row) {
    read.push_back(row);
    return true;
  });
  EXPECT_EQ(read, written);
  EXPECT_EQ(t->storedRowCount(), 12u);

  if (!qbtest::mdbtoolsAvailable()) return;
  const auto tables = qbtest::mdbTables(path);
  EXPECT_NE(std::find(tables.begin(), tables.end(), "Every Type"), tables.end());
  qbtest::expectMdbExportReadsTheSameRows(path, *db, *t);
}

}  // namespace
