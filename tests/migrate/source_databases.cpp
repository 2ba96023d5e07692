// The migration tests' source databases; see source_databases.h.
#include "migrate/source_databases.h"

#include <cmath>
#include <limits>

#include "bench_tables.h"
#include "jet/database.h"
#include "jet/table.h"

namespace qbtest {

namespace {

using jet::DataType;
using jet::Value;

jet::ColumnSpec column(const char16_t* name, DataType type, std::uint16_t size = 0) {
  jet::ColumnSpec c;
  c.name = name;
  c.type = type;
  c.size = size;
  return c;
}

jet::IndexSpec index(const char16_t* name, const char16_t* columnName, bool ascending = true) {
  jet::IndexSpec i;
  i.name = name;
  i.columns = {{columnName, ascending}};
  return i;
}

Value date(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return Value::dateTime(jet::fromCivil(jet::CivilDateTime{y, mo, d, h, mi, s, ms}));
}

Value decimal(const char* text) { return Value::decimal(*jet::Decimal::parse(text)); }

jet::Bytes bytes(std::size_t n, std::size_t start = 0) {
  jet::Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>((start + i) % 256);
  return b;
}

}  // namespace

void writeValuesDatabase(const std::filesystem::path& path) {
  auto db = jet::Database::create(path);
  jet::TableSpec spec;
  spec.name = u"Values";
  spec.columns = {column(u"ID", DataType::Long),        column(u"T", DataType::Text, 50),
                  column(u"Z", DataType::Text, 10),      column(u"R", DataType::Text, 20),
                  column(u"B", DataType::Byte),          column(u"I", DataType::Integer),
                  column(u"L", DataType::Long),          column(u"C", DataType::Currency),
                  column(u"S", DataType::Single),        column(u"D", DataType::Double),
                  column(u"DT", DataType::DateTime),     column(u"YN", DataType::Boolean),
                  column(u"BIN", DataType::Binary, 20),  column(u"OLE", DataType::Ole),
                  column(u"M", DataType::Memo),          column(u"G", DataType::Guid),
                  column(u"N", DataType::Numeric)};
  spec.columns[0].autoNumber = true;
  spec.columns[2].allowZeroLength = false;
  spec.columns[3].required = true;
  spec.columns[15].guidAutoNumber = true;
  spec.columns[16].precision = 28;
  spec.columns[16].scale = 6;
  jet::IndexSpec pk = index(u"PrimaryKey", u"ID");
  pk.primaryKey = true;
  jet::IndexSpec unique = index(u"T", u"T");
  unique.unique = true;
  spec.indexes = {pk, unique, index(u"L", u"L", false)};
  auto table = db->createTable(spec);

  jet::Guid guid;
  for (std::size_t i = 0; i < 16; ++i) guid.bytes[i] = static_cast<std::uint8_t>(0xF0 - i * 7);
  std::vector<std::vector<Value>> rows = {
      {Value(), Value::text(u"abc"), Value::text(u"x"), Value::text(u"r1"), Value::byte(255),
       Value::integer(-32768), Value::longInt(2147483647),
       Value::currency(jet::Currency{std::numeric_limits<std::int64_t>::max()}),
       Value::single(std::numeric_limits<float>::max()), Value::dbl(std::numeric_limits<double>::max()),
       date(1850, 6, 1, 12, 34, 56), Value::boolean(true), Value::binary(bytes(20)), Value::binary(bytes(256)),
       Value::text(u"tab\tline\nreturn\rback\\slash 'quote' \"double\" \U0001F600 \u00E9 \u0416 \u4E2D"),
       Value::guid(guid), decimal("1234567890123456789012.345678")},
      {Value(), Value::text(u""), Value(), Value::text(u"r2"), Value::byte(0), Value::integer(32767),
       Value::longInt(-2147483647 - 1), Value::currency(jet::Currency{std::numeric_limits<std::int64_t>::min()}),
       Value::single(-0.0f), Value::dbl(5e-324), date(9999, 12, 31, 23, 59, 59), Value::boolean(false),
       Value::binary({}), Value(), Value::text(u""), Value(), decimal("-0.000001")},
      {Value(), Value(), Value::text(u"0123456789"), Value::text(u"r3"), Value(), Value(), Value(),
       Value::currency(jet::Currency{1}), Value::single(0.1f), Value::dbl(-1e-300), date(101, 1, 1, 0, 0, 1),
       Value::boolean(true), Value(), Value::binary(bytes(9000, 3)), Value::text(std::u16string(5000, u'w')), Value(),
       Value()},
      {Value(), Value::text(u"ABD"), Value::text(u"z"), Value::text(u"r4"), Value(), Value(), Value(),
       Value(), Value(), Value::dbl(123456789.125), date(1899, 12, 29, 6, 0, 0),
       Value::boolean(false), Value(), Value(), Value(), Value(), Value()},
      {Value(), Value::text(u"gone"), Value(), Value::text(u"r4"), Value(), Value(), Value(), Value(), Value(),
       Value::dbl(-2.5), date(2000, 2, 29, 0, 0, 0), Value::boolean(false),
       Value(), Value(), Value(), Value(), Value()},
  };
  db->beginTransaction();
  std::vector<jet::RowId> ids;
  for (auto& row : rows) ids.push_back(table->insertRow(row));
  table->deleteRow(ids.back());
  db->commitTransaction();
}

void writeShopDatabase(const std::filesystem::path& path) {
  auto db = jet::Database::create(path);
  jet::TableSpec customers;
  customers.name = u"Customers";
  customers.columns = {column(u"ID", DataType::Long), column(u"Name", DataType::Text, 50),
                       column(u"City", DataType::Text, 30), column(u"Born", DataType::DateTime),
                       column(u"Vip", DataType::Boolean)};
  jet::IndexSpec pk;
  pk.name = u"PrimaryKey";
  pk.columns = {{u"ID", true}};
  pk.primaryKey = true;
  customers.indexes = {pk};
  jet::TableSpec orders;
  orders.name = u"Order Lines";
  orders.columns = {column(u"OrderID", DataType::Long), column(u"CustomerID", DataType::Long),
                    column(u"Amount", DataType::Currency), column(u"Qty", DataType::Integer),
                    column(u"Note", DataType::Memo)};
  pk.columns = {{u"OrderID", true}};
  orders.indexes = {pk};
  auto c = db->createTable(customers);
  auto o = db->createTable(orders);
  std::vector<std::vector<Value>> people = {
      {Value::longInt(1), Value::text(u"Anna"), Value::text(u"Berlin"), date(1850, 3, 1, 0, 0, 0), Value::boolean(true)},
      {Value::longInt(2), Value::text(u"bob"), Value::text(u"berlin"), date(1999, 12, 31, 23, 59, 59), Value::boolean(false)},
      {Value::longInt(3), Value::text(u"Chloé"), Value(), Value(), Value::boolean(true)},
      {Value::longInt(4), Value::text(u"100% O'Neil_"), Value::text(u"Paris"), date(2024, 2, 29, 12, 0, 0), Value::boolean(false)},
      {Value::longInt(5), Value(), Value::text(u""), date(1900, 1, 1, 0, 0, 0), Value::boolean(false)},
  };
  std::vector<std::vector<Value>> lines = {
      {Value::longInt(10), Value::longInt(1), Value::currency(jet::Currency{125000}), Value::integer(3), Value::text(u"first")},
      {Value::longInt(11), Value::longInt(1), Value::currency(jet::Currency{5}), Value::integer(1), Value()},
      {Value::longInt(12), Value::longInt(2), Value::currency(jet::Currency{-99990000}), Value::integer(7), Value::text(u"")},
      {Value::longInt(13), Value::longInt(4), Value(), Value::integer(2), Value::text(u"back\\slash")},
      {Value::longInt(14), Value::longInt(9), Value::currency(jet::Currency{10000}), Value(), Value::text(u"orphan")},
      {Value::longInt(15), Value::longInt(2), Value::currency(jet::Currency{125000}), Value::integer(3), Value::text(u"tie")},
  };
  db->beginTransaction();
  for (auto& row : people) c->insertRow(row);
  for (auto& row : lines) o->insertRow(row);
  db->commitTransaction();
}

void writeOrdersDatabase(const std::filesystem::path& path, int rows) {
  auto db = jet::Database::create(path);
  auto orders = db->createTable(qbbench::ordersSpec());
  qbbench::OrderRows generator(7);
  db->beginTransaction();
  for (int i = 0; i < rows; ++i) {
    std::vector<jet::Value> row = generator.next();
    orders->insertRow(row);
  }
  db->commitTransaction();
}

}  // namespace qbtest
