// Data definition on copies of real files: CREATE TABLE with its types,
// options and constraints, CREATE and DROP INDEX, relationships made by
// REFERENCES, FOREIGN KEY and ALTER TABLE ... ADD CONSTRAINT (their indexes as
// Microsoft's files have them, MSysRelationships, enforcement, compaction),
// DROP TABLE and its refusal, and statements that fail changing nothing.
// Files written are checked by our checker and, where installed, by mdbtools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "format/table_definition.h"
#include "format/table_definition_format.h"
#include "jet/compact.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "sql/ddl/data_definition.h"
#include "sql/ddl/ddl_parser.h"
#include "support/error_of.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"
#include "table/table_impl.h"
#include "support/table_rows.h"

namespace {

using qbtest::strictProblems;
using qbtest::rowsOf;
using jet::DataType;
using jet::Value;
using qbtest::errorOf;

void run(jet::Database& db, const char16_t* sql) { jet::sql::runDataDefinition(db, jet::sql::parseDataDefinitionStatement(sql)); }

const jet::ColumnDef& columnOf(jet::Table& t, const char16_t* name) {
  const int at = t.findColumn(name);
  EXPECT_GE(at, 0) << jet::toUtf8(name);
  return t.columns().at(static_cast<std::size_t>(std::max(at, 0)));
}

const jet::IndexDef* indexOf(jet::Table& t, std::u16string_view name) {
  for (const jet::IndexDef& i : t.indexes()) {
    if (jet::equalNamesNoCase(i.name, name)) return &i;
  }
  return nullptr;
}

// What a command prints; empty when it cannot run.
std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), pclose);
  std::string out;
  if (!pipe) return out;
  char buffer[4096];
  while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
  return out;
}

bool haveMdbtools() { return !commandOutput("command -v mdb-schema").empty(); }

class DataDefinition : public testing::Test {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    file_ = dir_.copyCorpusFile("jackcess-empty.mdb");
    db_ = jet::Database::open(file_);
  }
  void reopen() {
    db_.reset();
    db_ = jet::Database::open(file_);
  }
  std::vector<std::uint8_t> bytes() const {
    const std::string b = qbtest::readFileBytes(file_);
    return {b.begin(), b.end()};
  }
  void customersAndOrders(const char16_t* onDelete = u"ON DELETE CASCADE") {
    run(*db_, u"CREATE TABLE Customers (ID COUNTER CONSTRAINT PK PRIMARY KEY, Name TEXT(40) NOT NULL)");
    run(*db_, (std::u16string(u"CREATE TABLE Orders (OrderID COUNTER PRIMARY KEY, CustomerID LONG "
                              u"CONSTRAINT CustomerOrders REFERENCES Customers (ID) ") +
               onDelete + u", Amount CURRENCY)")
                  .c_str());
  }
  void insert(const char16_t* table, std::vector<Value> row) { db_->table(table)->insertRow(row); }

  qbtest::TempDir dir_;
  std::filesystem::path file_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(DataDefinition, CreateTableMapsJetTypeNamesSizesAndOptions) {
  run(*db_,
      u"CREATE TABLE [All Types] (a TEXT, b VARCHAR(10), c CHAR(5) WITH COMPRESSION, d MEMO, e LONGTEXT, f BYTE, "
      u"g SHORT, h SMALLINT, i LONG, j INT, k INTEGER, l COUNTER(100, 1), m CURRENCY, n MONEY, o SINGLE, "
      u"p REAL, q DOUBLE, r FLOAT, s DATETIME, t DATE, u TIME, v YESNO, w BIT, x BINARY(16), y BINARY, "
      u"z LONGBINARY, aa OLEOBJECT, ab GUID, ac UNIQUEIDENTIFIER, ad DECIMAL(10, 2), ae NUMERIC, "
      u"af TEXT(30) NOT NULL DEFAULT 'none', ag LONG DEFAULT 5 * 2)");
  reopen();
  auto t = db_->table(u"All Types");
  const auto type = [&](const char16_t* c) { return columnOf(*t, c).type; };
  EXPECT_EQ(type(u"a"), DataType::Text);
  EXPECT_EQ(columnOf(*t, u"a").definedSize(), 255u);  // TEXT without a size holds 255 characters
  EXPECT_EQ(columnOf(*t, u"b").definedSize(), 10u);
  EXPECT_EQ(columnOf(*t, u"c").definedSize(), 5u);
  EXPECT_TRUE(columnOf(*t, u"c").compressedUnicode);
  EXPECT_FALSE(columnOf(*t, u"a").compressedUnicode);
  for (const char16_t* c : {u"d", u"e"}) EXPECT_EQ(type(c), DataType::Memo);
  EXPECT_EQ(type(u"f"), DataType::Byte);
  for (const char16_t* c : {u"g", u"h"}) EXPECT_EQ(type(c), DataType::Integer);
  for (const char16_t* c : {u"i", u"j", u"k", u"l"}) EXPECT_EQ(type(c), DataType::Long);
  EXPECT_TRUE(columnOf(*t, u"l").autoNumber);
  for (const char16_t* c : {u"m", u"n"}) EXPECT_EQ(type(c), DataType::Currency);
  for (const char16_t* c : {u"o", u"p"}) EXPECT_EQ(type(c), DataType::Single);
  for (const char16_t* c : {u"q", u"r"}) EXPECT_EQ(type(c), DataType::Double);
  for (const char16_t* c : {u"s", u"t", u"u"}) EXPECT_EQ(type(c), DataType::DateTime);
  for (const char16_t* c : {u"v", u"w"}) EXPECT_EQ(type(c), DataType::Boolean);
  EXPECT_EQ(type(u"x"), DataType::Binary);
  EXPECT_EQ(columnOf(*t, u"x").definedSize(), 16u);
  EXPECT_EQ(columnOf(*t, u"y").definedSize(), 255u);
  for (const char16_t* c : {u"z", u"aa"}) EXPECT_EQ(type(c), DataType::Ole);
  for (const char16_t* c : {u"ab", u"ac"}) EXPECT_EQ(type(c), DataType::Guid);
  EXPECT_EQ(type(u"ad"), DataType::Numeric);
  EXPECT_EQ(columnOf(*t, u"ad").precision, 10);
  EXPECT_EQ(columnOf(*t, u"ad").scale, 2);
  EXPECT_EQ(columnOf(*t, u"ae").precision, 18);
  EXPECT_TRUE(columnOf(*t, u"af").required);
  EXPECT_FALSE(columnOf(*t, u"ag").required);
  EXPECT_EQ(columnOf(*t, u"af").defaultValue, u"'none'");
  EXPECT_EQ(columnOf(*t, u"ag").defaultValue, u"5 * 2");

  // COUNTER(100, 1) starts at 100.
  std::vector<Value> row(t->columns().size());
  row[static_cast<std::size_t>(t->findColumn(u"af"))] = Value::text(u"x");
  t->insertRow(row);
  t->scan([&](jet::RowId, const std::vector<Value>& r) {
    EXPECT_EQ(r[static_cast<std::size_t>(t->findColumn(u"l"))], Value::longInt(100));
    return true;
  });
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
  if (haveMdbtools()) {
    const std::string schema = commandOutput("mdb-schema -T 'All Types' '" + file_.string() + "'");
    EXPECT_NE(schema.find("[b]"), std::string::npos) << schema;
    EXPECT_NE(schema.find("Text (10)"), std::string::npos) << schema;
  }
}

// COUNTER(seed, step): the step is kept in the table's definition (the 32-bit
// field after the counter, 1 in every table made without one), so new rows are
// numbered by it after reopening, after a rewrite of the table, and downward
// for a negative step; a number given outright moves the counter only when it
// lies beyond it.
TEST_F(DataDefinition, CounterSeedAndStepNumberNewRowsByTheStep) {
  run(*db_, u"CREATE TABLE Up (ID COUNTER(10, 5) CONSTRAINT PK PRIMARY KEY, Name TEXT(10))");
  run(*db_, u"CREATE TABLE Down (ID AUTOINCREMENT(100, -7), Name TEXT(10))");
  const auto add = [&](const char* table, const char* values) {
    jet::Statement::prepare(*db_, jet::fromUtf8(std::string("INSERT INTO ") + table + " " + values)).run();
  };
  const auto ids = [&](const char16_t* table) {
    std::vector<std::int32_t> out;
    db_->table(table)->scan([&](jet::RowId, const std::vector<Value>& r) {
      out.push_back(r[0].asLong());
      return true;
    });
    return out;
  };
  for (int i = 0; i < 3; ++i) {
    add("Up", "(Name) VALUES ('a')");
    add("Down", "(Name) VALUES ('a')");
  }
  EXPECT_EQ(ids(u"Up"), (std::vector<std::int32_t>{10, 15, 20}));
  EXPECT_EQ(ids(u"Down"), (std::vector<std::int32_t>{100, 93, 86}));
  reopen();
  EXPECT_EQ(db_->table(u"Up")->autoNumberStep(), 5);
  EXPECT_EQ(db_->table(u"Down")->autoNumberStep(), -7);
  {
    // Stored as a signed 32-bit number right after the counter.
    const std::string file = qbtest::readFileBytes(file_);
    const std::size_t at = std::size_t{db_->table(u"Down")->definitionPage()} * 4096 + 24;
    EXPECT_EQ(file.substr(at, 4), std::string("\xF9\xFF\xFF\xFF", 4));
  }
  add("Up", "(Name) VALUES ('b')");
  add("Up", "(ID, Name) VALUES (100, 'given')");
  add("Up", "(ID, Name) VALUES (12, 'behind')");
  add("Up", "(Name) VALUES ('c')");
  add("Down", "(Name) VALUES ('b')");
  add("Down", "(ID, Name) VALUES (50, 'given')");
  add("Down", "(ID, Name) VALUES (200, 'behind')");
  add("Down", "(Name) VALUES ('c')");
  EXPECT_EQ(ids(u"Up"), (std::vector<std::int32_t>{10, 15, 20, 25, 100, 12, 105}));
  EXPECT_EQ(ids(u"Down"), (std::vector<std::int32_t>{100, 93, 86, 79, 50, 200, 43}));
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));

  // A rewrite of the table keeps the step and the counter.
  run(*db_, u"ALTER TABLE Down ALTER COLUMN Name TEXT(20)");
  add("Down", "(Name) VALUES ('d')");
  EXPECT_EQ(ids(u"Down").back(), 36);
  EXPECT_EQ(db_->table(u"Down")->autoNumberStep(), -7);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
  if (haveMdbtools()) {
    const std::string rows = commandOutput("mdb-export '" + file_.string() + "' Down");
    EXPECT_NE(rows.find("36,\"d\""), std::string::npos) << rows;
    EXPECT_NE(rows.find("93,\"a\""), std::string::npos) << rows;
  }

  // The ends of the range: the last numbers a Long holds are handed out, then
  // the counter is used up, counting either way.
  run(*db_, u"CREATE TABLE Highest (ID COUNTER(2147483640, 5), Name TEXT(10))");
  run(*db_, u"CREATE TABLE Lowest (ID COUNTER(-2147483640, -5), Name TEXT(10))");
  for (int i = 0; i < 2; ++i) {
    add("Highest", "(Name) VALUES ('x')");
    add("Lowest", "(Name) VALUES ('x')");
  }
  EXPECT_EQ(ids(u"Highest"), (std::vector<std::int32_t>{2147483640, 2147483645}));
  EXPECT_EQ(ids(u"Lowest"), (std::vector<std::int32_t>{-2147483640, -2147483645}));
  EXPECT_NE(errorOf([&] { add("Highest", "(Name) VALUES ('x')"); }).find("used up"), std::string::npos);
  EXPECT_NE(errorOf([&] { add("Lowest", "(Name) VALUES ('x')"); }).find("used up"), std::string::npos);
  run(*db_, u"CREATE TABLE Negative (ID COUNTER(-3, 2), Name TEXT(10))");
  for (int i = 0; i < 3; ++i) add("Negative", "(Name) VALUES ('x')");
  EXPECT_EQ(ids(u"Negative"), (std::vector<std::int32_t>{-3, -1, 1}));

  EXPECT_NE(errorOf([&] { run(*db_, u"CREATE TABLE Bad (ID COUNTER(1, 0))"); }).find("cannot count by 0"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"CREATE TABLE Bad (ID COUNTER(-2147483647, 2))"); }).find("not a Long"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"ALTER TABLE Up ALTER COLUMN ID COUNTER(1, 2)"); }).find("when its table"),
            std::string::npos);
  EXPECT_FALSE(db_->hasTable(u"Bad"));
  EXPECT_EQ(db_->table(u"Up")->autoNumberStep(), 5);
}

TEST_F(DataDefinition, ConstraintsBecomeIndexesAndRequiredColumns) {
  run(*db_,
      u"CREATE TABLE People (ID LONG NOT NULL, Code TEXT(8) UNIQUE, First TEXT(20), Last TEXT(20), "
      u"CONSTRAINT PK PRIMARY KEY (ID), CONSTRAINT FullName UNIQUE (Last, First), CONSTRAINT NN NOT NULL (Last))");
  auto t = db_->table(u"People");
  const jet::IndexDef* pk = indexOf(*t, u"PK");
  ASSERT_NE(pk, nullptr);
  EXPECT_TRUE(pk->primaryKey);
  ASSERT_NE(indexOf(*t, u"Code"), nullptr);  // an unnamed UNIQUE takes its column's name
  EXPECT_TRUE(indexOf(*t, u"Code")->unique);
  const jet::IndexDef* full = indexOf(*t, u"FullName");
  ASSERT_NE(full, nullptr);
  ASSERT_EQ(full->columns.size(), 2u);
  EXPECT_EQ(t->columns()[full->columns[0].column].name, u"Last");
  EXPECT_TRUE(columnOf(*t, u"Last").required);
  insert(u"People", {Value::longInt(1), Value::text(u"A"), Value::text(u"Ann"), Value::text(u"Lee")});
  EXPECT_THROW(insert(u"People", {Value::longInt(1), Value::text(u"B"), Value(), Value::text(u"Ray")}), jet::Error);
  EXPECT_THROW(insert(u"People", {Value::longInt(2), Value::text(u"a"), Value(), Value::text(u"Ray")}), jet::Error);
  EXPECT_THROW(insert(u"People", {Value::longInt(3), Value::text(u"C"), Value(), Value()}), jet::Error);

  EXPECT_NE(errorOf([&] { run(*db_, u"CREATE TABLE Two (a LONG PRIMARY KEY, b LONG PRIMARY KEY)"); })
                .find("primary key twice"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"CREATE TABLE people (x LONG)"); }).find("already names"), std::string::npos);
  EXPECT_FALSE(db_->hasTable(u"Two"));
}

TEST_F(DataDefinition, CreateAndDropIndexWithTheirOptions) {
  run(*db_, u"CREATE TABLE T (A LONG, B TEXT(10), C DOUBLE)");
  insert(u"T", {Value::longInt(1), Value::text(u"x"), Value()});
  insert(u"T", {Value::longInt(2), Value(), Value::dbl(2)});
  run(*db_, u"CREATE UNIQUE INDEX ByA ON T (A DESC) WITH PRIMARY");
  run(*db_, u"CREATE INDEX ByB ON T (B) WITH IGNORE NULL");
  run(*db_, u"CREATE INDEX ByAC ON T (A ASC, C DESC)");
  auto t = db_->table(u"T");
  ASSERT_NE(indexOf(*t, u"ByA"), nullptr);
  EXPECT_TRUE(indexOf(*t, u"ByA")->primaryKey);
  EXPECT_FALSE(indexOf(*t, u"ByA")->columns[0].ascending);
  EXPECT_TRUE(indexOf(*t, u"ByB")->ignoreNulls);
  EXPECT_FALSE(indexOf(*t, u"ByAC")->columns[1].ascending);
  EXPECT_EQ(t->rowIdsInIndexOrder(static_cast<std::size_t>(indexOf(*t, u"ByB") - t->indexes().data())).size(), 1u);
  // DISALLOW NULL over a column holding a Null is refused, changing nothing.
  const auto before = bytes();
  EXPECT_THROW(run(*db_, u"CREATE INDEX ByC ON T (C) WITH DISALLOW NULL"), jet::Error);
  EXPECT_EQ(bytes(), before);
  run(*db_, u"DROP INDEX ByAC ON T");
  EXPECT_EQ(indexOf(*db_->table(u"T"), u"ByAC"), nullptr);
  EXPECT_NE(errorOf([&] { run(*db_, u"DROP INDEX Nope ON T"); }).find("'Nope'"), std::string::npos);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

TEST_F(DataDefinition, ReferencesWritesTheForeignKeyIndexPairAsAccessDoes) {
  customersAndOrders();
  reopen();
  auto customers = db_->table(u"Customers");
  auto orders = db_->table(u"Orders");
  const auto& c = customers->impl().definition.logicalIndexes;
  const auto& o = orders->impl().definition.logicalIndexes;
  const auto fk = std::find_if(o.begin(), o.end(), [](const auto& l) { return l.name == u"CustomerOrders"; });
  const auto rc = std::find_if(c.begin(), c.end(), [](const auto& l) { return l.name == u".rC"; });
  ASSERT_NE(fk, o.end());
  ASSERT_NE(rc, c.end());
  EXPECT_EQ(fk->kind, jet::kIndexKindForeignKey);
  EXPECT_EQ(fk->foreignKeyRole, 2);
  EXPECT_EQ(fk->foreignKeyTable, customers->definitionPage());
  EXPECT_EQ(fk->foreignKeyIndex, static_cast<std::int32_t>(rc->number));
  EXPECT_EQ(fk->cascadeUpdates, 0);
  EXPECT_EQ(fk->cascadeDeletes, 1);
  EXPECT_EQ(rc->kind, jet::kIndexKindForeignKey);
  EXPECT_EQ(rc->foreignKeyRole, 1);
  EXPECT_EQ(rc->foreignKeyTable, orders->definitionPage());
  EXPECT_EQ(rc->foreignKeyIndex, static_cast<std::int32_t>(fk->number));
  // The referenced side shares the primary key's B-tree; the referencing side has its own.
  const auto pk = std::find_if(c.begin(), c.end(), [](const auto& l) { return l.name == u"PK"; });
  EXPECT_EQ(rc->realIndex, pk->realIndex);
  EXPECT_EQ(customers->impl().definition.realIndexes.size(), 1u);
  EXPECT_EQ(orders->impl().definition.realIndexes.size(), 2u);

  const auto relationships = db_->relationships();
  ASSERT_EQ(relationships.size(), 1u);
  EXPECT_EQ(relationships[0].name, u"CustomerOrders");
  EXPECT_EQ(relationships[0].table, u"Orders");
  EXPECT_EQ(relationships[0].columns, std::vector<std::u16string>{u"CustomerID"});
  EXPECT_EQ(relationships[0].referencedColumns, std::vector<std::u16string>{u"ID"});
  EXPECT_TRUE(relationships[0].enforced && relationships[0].cascadeDeletes && !relationships[0].cascadeUpdates);
  EXPECT_TRUE(std::any_of(db_->catalog().begin(), db_->catalog().end(),
                          [](const jet::CatalogObject& x) { return x.type == 8 && x.name == u"CustomerOrders"; }));
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
  if (haveMdbtools()) {
    const std::string out = commandOutput("mdb-export '" + file_.string() + "' MSysRelationships");
    EXPECT_NE(out.find("\"CustomerOrders\",4096,1,0,\"Orders\",\"CustomerID\",\"Customers\",\"ID\""),
              std::string::npos)
        << out;
    const std::string schema = commandOutput("mdb-schema --relations '" + file_.string() + "' postgres");
    EXPECT_NE(schema.find("FOREIGN KEY (\"customerid\") REFERENCES \"Customers\"(\"id\")"), std::string::npos)
        << schema;
  }
}

// Cascade to Null is kept as Jet keeps it: the foreign-key index's delete byte
// 2 and MSysRelationships flag 0x2000; updates can cascade or be refused but
// not set Null, which Jet has no way to store.
TEST_F(DataDefinition, CascadeToNullIsStoredAsJetStoresItForDeletesOnly) {
  run(*db_, u"CREATE TABLE Customers (ID LONG CONSTRAINT PK PRIMARY KEY, Name TEXT(40))");
  run(*db_, u"CREATE TABLE Orders (OrderID COUNTER PRIMARY KEY, CustomerID LONG CONSTRAINT CustomerOrders "
            u"REFERENCES Customers (ID) ON UPDATE CASCADE ON DELETE SET NULL, Amount CURRENCY)");
  auto orders = db_->table(u"Orders");
  const auto& o = orders->impl().definition.logicalIndexes;
  const auto fk = std::find_if(o.begin(), o.end(), [](const auto& l) { return l.name == u"CustomerOrders"; });
  ASSERT_NE(fk, o.end());
  EXPECT_EQ(fk->cascadeUpdates, 1);
  EXPECT_EQ(fk->cascadeDeletes, 2);
  insert(u"Customers", {Value::longInt(1), Value::text(u"Ann")});
  insert(u"Customers", {Value::longInt(2), Value::text(u"Bob")});
  insert(u"Orders", {Value(), Value::longInt(1), Value()});
  insert(u"Orders", {Value(), Value::longInt(2), Value()});
  jet::Statement::prepare(*db_, u"UPDATE Customers SET ID = 20 WHERE ID = 2").run();
  jet::Statement::prepare(*db_, u"DELETE FROM Customers WHERE ID = 1").run();
  std::vector<std::string> keys;
  orders->scan([&](jet::RowId, const std::vector<Value>& r) {
    keys.push_back(r[1].isNull() ? "Null" : std::to_string(r[1].asLong()));
    return true;
  });
  EXPECT_EQ(keys, (std::vector<std::string>{"Null", "20"}));
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
  if (haveMdbtools()) {
    const std::string out = commandOutput("mdb-export '" + file_.string() + "' MSysRelationships");
    EXPECT_NE(out.find("\"CustomerOrders\",8448,1,0,"), std::string::npos) << out;
    // mdb-schema prints the cascades it knows of; a cascade to Null is not one of them.
    const std::string schema = commandOutput("mdb-schema --relations '" + file_.string() + "' postgres");
    EXPECT_NE(schema.find("REFERENCES \"Customers\"(\"id\") ON UPDATE CASCADE"), std::string::npos) << schema;
    EXPECT_EQ(schema.find("ON DELETE"), std::string::npos) << schema;
  }

  const std::string refused = errorOf([&] {
    run(*db_, u"CREATE TABLE Notes (ID LONG, CustomerID LONG REFERENCES Customers (ID) ON UPDATE SET NULL)");
  });
  EXPECT_NE(refused.find("only for deleted rows (ON DELETE SET NULL)"), std::string::npos) << refused;
  EXPECT_FALSE(db_->hasTable(u"Notes"));
}

TEST_F(DataDefinition, RelationshipsAreEnforcedAndCascade) {
  customersAndOrders();
  insert(u"Customers", {Value(), Value::text(u"Ann")});
  insert(u"Customers", {Value(), Value::text(u"Bob")});
  insert(u"Orders", {Value(), Value::longInt(1), Value::currency(jet::Currency{10000})});
  insert(u"Orders", {Value(), Value::longInt(2), Value::currency(jet::Currency{20000})});
  insert(u"Orders", {Value(), Value(), Value()});  // a Null key refers to nothing
  EXPECT_NE(errorOf([&] { insert(u"Orders", {Value(), Value::longInt(9), Value()}); }).find("CustomerOrders"),
            std::string::npos);
  auto customers = db_->table(u"Customers");
  jet::RowId ann;
  customers->scan([&](jet::RowId id, const std::vector<Value>& r) {
    if (r[1] == Value::text(u"Ann")) ann = id;
    return true;
  });
  customers->deleteRow(ann);
  std::size_t left = 0;
  db_->table(u"Orders")->scan([&](jet::RowId, const std::vector<Value>& r) {
    EXPECT_NE(r[1], Value::longInt(1));
    ++left;
    return true;
  });
  EXPECT_EQ(left, 2u);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

TEST_F(DataDefinition, SetNullSelfReferenceAndCompositeKeys) {
  run(*db_, u"CREATE TABLE Staff (ID LONG PRIMARY KEY, Boss LONG, CONSTRAINT Reports FOREIGN KEY (Boss) "
            u"REFERENCES Staff ON DELETE SET NULL ON UPDATE CASCADE)");
  insert(u"Staff", {Value::longInt(1), Value()});
  insert(u"Staff", {Value::longInt(2), Value::longInt(1)});
  auto staff = db_->table(u"Staff");
  jet::RowId boss;
  staff->scan([&](jet::RowId id, const std::vector<Value>& r) {
    if (r[0] == Value::longInt(1)) boss = id;
    return true;
  });
  staff->deleteRow(boss);
  staff->scan([&](jet::RowId, const std::vector<Value>& r) {
    EXPECT_TRUE(r[1].isNull()) << "the report's boss is set to Null";
    return true;
  });
  const auto rel = db_->relationships();
  ASSERT_EQ(rel.size(), 1u);
  EXPECT_TRUE(rel[0].cascadeNull && rel[0].cascadeUpdates && !rel[0].cascadeDeletes);

  run(*db_, u"CREATE TABLE Lines (OrderNo LONG, LineNo SHORT, Item TEXT(10), PRIMARY KEY (OrderNo, LineNo))");
  run(*db_, u"CREATE TABLE Notes (OrderNo LONG, LineNo SHORT, Note MEMO, "
            u"FOREIGN KEY (OrderNo, LineNo) REFERENCES Lines (OrderNo, LineNo))");
  insert(u"Lines", {Value::longInt(7), Value::integer(1), Value::text(u"a")});
  insert(u"Notes", {Value::longInt(7), Value::integer(1), Value::text(u"ok")});
  EXPECT_THROW(insert(u"Notes", {Value::longInt(7), Value::integer(2), Value()}), jet::Error);
  EXPECT_EQ(db_->relationships().size(), 2u);
  EXPECT_NE(errorOf([&] { run(*db_, u"CREATE TABLE Bad (A LONG REFERENCES Lines)"); }).find("pairs 1 column"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"CREATE TABLE Bad (A TEXT(5) REFERENCES Staff)"); }).find("same type"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"CREATE TABLE Bad (A LONG REFERENCES Lines (OrderNo))"); }).find("unique index"),
            std::string::npos);
  EXPECT_FALSE(db_->hasTable(u"Bad")) << "a failing relationship undoes the CREATE TABLE it belongs to";
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

TEST_F(DataDefinition, AlterTableAddsAndDropsConstraints) {
  run(*db_, u"CREATE TABLE Customers (ID LONG, Name TEXT(40))");
  run(*db_, u"CREATE TABLE Orders (OrderID LONG, CustomerID LONG)");
  insert(u"Customers", {Value::longInt(1), Value::text(u"Ann")});
  insert(u"Orders", {Value::longInt(1), Value::longInt(1)});
  insert(u"Orders", {Value::longInt(2), Value::longInt(5)});
  run(*db_, u"ALTER TABLE Customers ADD CONSTRAINT PK PRIMARY KEY (ID)");
  // Order 2 has no customer 5: the relationship is refused and nothing changes.
  const auto before = bytes();
  const std::string refused =
      errorOf([&] { run(*db_, u"ALTER TABLE Orders ADD CONSTRAINT FK FOREIGN KEY (CustomerID) REFERENCES Customers"); });
  EXPECT_NE(refused.find("CustomerID = 5"), std::string::npos) << refused;
  EXPECT_EQ(bytes(), before);
  insert(u"Customers", {Value::longInt(5), Value::text(u"Eve")});
  run(*db_, u"ALTER TABLE Orders ADD CONSTRAINT FK FOREIGN KEY (CustomerID) REFERENCES Customers (ID)");
  EXPECT_THROW(insert(u"Orders", {Value::longInt(3), Value::longInt(6)}), jet::Error);
  EXPECT_NE(errorOf([&] { run(*db_, u"DROP INDEX PK ON Customers"); }).find("relationship"), std::string::npos);
  run(*db_, u"ALTER TABLE Orders DROP CONSTRAINT FK");
  EXPECT_TRUE(db_->relationships().empty());
  EXPECT_EQ(indexOf(*db_->table(u"Customers"), u".rC"), nullptr);
  EXPECT_EQ(indexOf(*db_->table(u"Orders"), u"FK"), nullptr);
  insert(u"Orders", {Value::longInt(3), Value::longInt(6)});
  run(*db_, u"ALTER TABLE Customers DROP CONSTRAINT PK");
  EXPECT_EQ(indexOf(*db_->table(u"Customers"), u"PK"), nullptr);
  EXPECT_TRUE(std::none_of(db_->catalog().begin(), db_->catalog().end(),
                           [](const jet::CatalogObject& x) { return x.type == 8; }));
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

// ADD CONSTRAINT ... NOT NULL (col) makes existing columns required: refused,
// naming the table, the field and the row's key, while a row holds Null there
// (nothing written); otherwise only the columns' Required property changes.
TEST_F(DataDefinition, AddConstraintNotNullMakesExistingColumnsRequired) {
  run(*db_, u"CREATE TABLE People (ID LONG CONSTRAINT PK PRIMARY KEY, Name TEXT(20), Phone TEXT(20))");
  insert(u"People", {Value::longInt(1), Value::text(u"Ann"), Value::text(u"1")});
  insert(u"People", {Value::longInt(2), Value::text(u"Bob"), Value()});
  insert(u"People", {Value::longInt(3), Value(), Value::text(u"3")});
  const auto before = bytes();
  const std::string refused = errorOf([&] { run(*db_, u"ALTER TABLE People ADD CONSTRAINT Need NOT NULL (Phone)"); });
  EXPECT_NE(refused.find("field 'Phone' of table 'People' required: the row with ID = 2 holds no value"),
            std::string::npos)
      << refused;
  // Both columns named: the first row with a Null in either is the one named.
  const std::string both = errorOf([&] { run(*db_, u"ALTER TABLE People ADD CONSTRAINT Need NOT NULL (Name, Phone)"); });
  EXPECT_NE(both.find("'Phone'"), std::string::npos) << both;
  EXPECT_EQ(bytes(), before) << "a refused change writes nothing";
  EXPECT_FALSE(columnOf(*db_->table(u"People"), u"Phone").required);

  jet::Statement::prepare(*db_, u"UPDATE People SET Phone = '2' WHERE ID = 2").run();
  run(*db_, u"ALTER TABLE People ADD CONSTRAINT Need NOT NULL (Phone)");
  EXPECT_TRUE(columnOf(*db_->table(u"People"), u"Phone").required);
  EXPECT_NE(errorOf([&] { insert(u"People", {Value::longInt(4), Value::text(u"Di"), Value()}); }).find("Phone"),
            std::string::npos);
  reopen();
  auto people = db_->table(u"People");
  EXPECT_TRUE(columnOf(*people, u"Phone").required);
  EXPECT_FALSE(columnOf(*people, u"Name").required);
  EXPECT_EQ(people->storedRowCount(), 3u);
  EXPECT_NE(errorOf([&] { insert(u"People", {Value::longInt(4), Value::text(u"Di"), Value()}); }).find("Phone"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"ALTER TABLE People ADD CONSTRAINT X NOT NULL (Fax)"); }).find("no column"),
            std::string::npos);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
  if (haveMdbtools()) {
    const std::string schema = commandOutput("mdb-schema -T People '" + file_.string() + "'");
    const auto line = [&](const std::string& column) {
      const auto at = schema.find("[" + column + "]");
      return at == std::string::npos ? std::string() : schema.substr(at, schema.find('\n', at) - at);
    };
    EXPECT_NE(line("Phone").find("NOT NULL"), std::string::npos) << schema;
    EXPECT_EQ(line("Name").find("NOT NULL"), std::string::npos) << schema;
  }
}

TEST_F(DataDefinition, AlterTableAddsDropsAndChangesColumnsKeepingRowsIndexesAndRelationships) {
  customersAndOrders();
  run(*db_, u"CREATE INDEX ByAmount ON Orders (Amount)");
  insert(u"Customers", {Value(), Value::text(u"Ann")});
  insert(u"Customers", {Value(), Value::text(u"Bob")});
  for (int i = 0; i < 300; ++i) {
    insert(u"Orders", {Value(), Value::longInt(1 + i % 2), Value::currency(jet::Currency{i * 10000})});
  }
  const std::uint32_t ordersPage = db_->table(u"Orders")->definitionPage();

  run(*db_, u"ALTER TABLE Orders ADD COLUMN Flag YESNO");
  run(*db_, u"ALTER TABLE Orders ADD Note TEXT(20) DEFAULT 'n/a'");
  auto orders = db_->table(u"Orders");
  EXPECT_EQ(orders->definitionPage(), ordersPage) << "the table keeps its identity";
  auto rows = rowsOf(*orders);
  ASSERT_EQ(rows.size(), 300u);
  ASSERT_EQ(rows[0].size(), 5u);
  EXPECT_EQ(rows[7][0], Value::longInt(8));
  EXPECT_EQ(rows[7][2], Value::currency(jet::Currency{70000}));
  EXPECT_EQ(rows[7][3], Value::boolean(false));
  EXPECT_TRUE(rows[7][4].isNull());
  EXPECT_EQ(columnOf(*orders, u"Note").defaultValue, u"'n/a'");
  // The relationship still holds both ways, and the autonumber goes on.
  EXPECT_THROW(insert(u"Orders", {Value(), Value::longInt(9), Value(), Value(), Value()}), jet::Error);
  insert(u"Orders", {Value(), Value::longInt(2), Value(), Value::boolean(true), Value()});
  EXPECT_EQ(rowsOf(*orders).back()[0], Value::longInt(301));
  ASSERT_NE(indexOf(*orders, u"ByAmount"), nullptr);
  EXPECT_EQ(orders->rowIdsInIndexOrder(static_cast<std::size_t>(indexOf(*orders, u"ByAmount") - orders->indexes().data()))
                .size(),
            301u);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
  if (haveMdbtools()) {
    // The rows written before the columns were added do not carry them.
    const std::string out = commandOutput("mdb-export '" + file_.string() + "' Orders");
    EXPECT_EQ(out.substr(0, out.find('\n')), "OrderID,CustomerID,Amount,Flag,Note");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 302) << out.substr(0, 400);
  }

  // Changing a type converts each value; one that does not convert changes nothing.
  run(*db_, u"ALTER TABLE Orders ALTER COLUMN Amount DOUBLE");
  EXPECT_EQ(columnOf(*db_->table(u"Orders"), u"Amount").type, DataType::Double);
  EXPECT_EQ(rowsOf(*db_->table(u"Orders"))[7][2], Value::dbl(7.0));
  auto texts = db_->table(u"Orders");
  std::vector<Value> odd = {Value(), Value::longInt(1), Value(), Value(), Value::text(u"not a number")};
  texts->insertRow(odd);
  db_.reset();
  const auto before = bytes();
  reopen();
  const std::string refused = errorOf([&] { run(*db_, u"ALTER TABLE Orders ALTER COLUMN Note LONG"); });
  EXPECT_NE(refused.find("not a number"), std::string::npos) << refused;
  db_.reset();
  EXPECT_EQ(bytes(), before);
  reopen();

  EXPECT_NE(errorOf([&] { run(*db_, u"ALTER TABLE Orders DROP COLUMN CustomerID"); }).find("'CustomerOrders'"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"ALTER TABLE Orders DROP COLUMN Amount"); }).find("'ByAmount'"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"ALTER TABLE Orders ADD COLUMN Flag LONG"); }).find("has a column"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { run(*db_, u"ALTER TABLE Orders ADD COLUMN Must LONG NOT NULL"); }).find("required"),
            std::string::npos);
  run(*db_, u"ALTER TABLE Orders DROP COLUMN Flag");
  auto after = db_->table(u"Orders");
  EXPECT_EQ(after->findColumn(u"Flag"), -1);
  EXPECT_EQ(rowsOf(*after).size(), 302u);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
  if (haveMdbtools()) {
    const std::string out = commandOutput("mdb-export '" + file_.string() + "' Orders");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 303) << out.substr(0, 400);
    EXPECT_EQ(out.substr(0, out.find('\n')), "OrderID,CustomerID,Amount,Note");
  }
}

TEST_F(DataDefinition, AnAddedAutonumberNumbersTheRowsThereAre) {
  run(*db_, u"CREATE TABLE T (Name TEXT(10), Notes MEMO)");
  for (const char16_t* n : {u"a", u"b", u"c"}) insert(u"T", {Value::text(n), Value::text(std::u16string(3000, n[0]))});
  // A variable-length column next to others: the rows stay as they are and read it as Null.
  run(*db_, u"ALTER TABLE T ADD COLUMN Extra TEXT(5)");
  for (const auto& row : rowsOf(*db_->table(u"T"))) EXPECT_TRUE(row[2].isNull());
  insert(u"T", {Value::text(u"d"), Value(), Value::text(u"new")});
  EXPECT_EQ(rowsOf(*db_->table(u"T")).back()[2], Value::text(u"new"));
  run(*db_, u"ALTER TABLE T ADD COLUMN N AUTOINCREMENT CONSTRAINT PK PRIMARY KEY");
  auto t = db_->table(u"T");
  const auto rows = rowsOf(*t);
  ASSERT_EQ(rows.size(), 4u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(rows[i][3], Value::longInt(static_cast<std::int32_t>(i + 1)));
    EXPECT_EQ(rows[i][1].asText().size(), 3000u) << "long values are stored again";
  }
  ASSERT_NE(indexOf(*t, u"PK"), nullptr);
  EXPECT_TRUE(indexOf(*t, u"PK")->primaryKey);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

TEST_F(DataDefinition, DropTableIsRefusedWhileAnotherTableRefersToIt) {
  customersAndOrders();
  const std::string refused = errorOf([&] { run(*db_, u"DROP TABLE Customers"); });
  EXPECT_NE(refused.find("'CustomerOrders'"), std::string::npos) << refused;
  EXPECT_NE(refused.find("'Orders'"), std::string::npos) << refused;
  EXPECT_TRUE(db_->hasTable(u"Customers"));
  // The referencing table goes with its relationship; then the other can go.
  run(*db_, u"DROP TABLE Orders");
  EXPECT_TRUE(db_->relationships().empty());
  EXPECT_EQ(indexOf(*db_->table(u"Customers"), u".rC"), nullptr);
  run(*db_, u"DROP TABLE Customers");
  EXPECT_FALSE(db_->hasTable(u"Customers"));
  EXPECT_NE(errorOf([&] { run(*db_, u"DROP TABLE Customers"); }).find("no such table"), std::string::npos);
  EXPECT_TRUE(strictProblems(*db_).empty()) << testing::PrintToString(strictProblems(*db_));
}

TEST_F(DataDefinition, CompactionKeepsRelationshipsAndTheirRules) {
  customersAndOrders(u"ON UPDATE CASCADE");
  insert(u"Customers", {Value(), Value::text(u"Ann")});
  insert(u"Orders", {Value(), Value::longInt(1), Value()});
  db_.reset();
  const auto compacted = dir_ / "compacted.mdb";
  jet::compactDatabase(file_, compacted);
  auto db = jet::Database::open(compacted);
  const auto rel = db->relationships();
  ASSERT_EQ(rel.size(), 1u);
  EXPECT_TRUE(rel[0].cascadeUpdates);
  ASSERT_NE(indexOf(*db->table(u"Orders"), u"CustomerOrders"), nullptr);
  EXPECT_TRUE(indexOf(*db->table(u"Orders"), u"CustomerOrders")->foreignKey);
  std::vector<Value> orphan = {Value(), Value::longInt(42), Value()};
  EXPECT_THROW(db->table(u"Orders")->insertRow(orphan), jet::Error);
  EXPECT_TRUE(strictProblems(*db).empty()) << testing::PrintToString(strictProblems(*db));
}

TEST(DataDefinitionSavedQuery, TheCorpusDataDefinitionQueryRunsOnACopy) {
  if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
  qbtest::TempDir dir;
  const auto file = dir.copyCorpusFile("jackcess-V2000-queryTestV2000.mdb");
  auto db = jet::Database::open(file);
  // The file as Microsoft's software left it has a stale row count; nothing new may appear.
  const std::vector<std::string> before = strictProblems(*db);
  std::u16string sql;
  for (const jet::SavedQuery& q : db->savedQueries()) {
    if (q.kind == jet::QueryKind::DataDefinition) sql = q.sql;
  }
  ASSERT_FALSE(sql.empty());
  // Through the statement API, as the query window and qbtool run it.
  const jet::Statement statement = jet::Statement::prepare(*db, sql);
  EXPECT_EQ(statement.kind(), jet::StatementKind::DataDefinition);
  EXPECT_FALSE(statement.returnsRows());
  EXPECT_EQ(statement.run().rowsAffected, 0u);
  auto t = db->table(u"Table5");
  ASSERT_EQ(t->columns().size(), 2u);
  EXPECT_EQ(t->columns()[0].type, DataType::Text);
  EXPECT_EQ(t->columns()[0].definedSize(), 255u);
  EXPECT_EQ(strictProblems(*db), before);
}

TEST(DataDefinitionParser, RefusesWhatJetRefusesWithTheStatementNamed) {
  const auto syntax = [](const char16_t* sql) {
    try {
      (void)jet::sql::parseDataDefinitionStatement(sql);
    } catch (const jet::Error& e) {
      return std::string(e.what());
    }
    return std::string("(parsed)");
  };
  EXPECT_NE(syntax(u"CREATE TABLE T").find("CREATE TABLE"), std::string::npos);
  EXPECT_NE(syntax(u"CREATE TABLE T ()").find("column name"), std::string::npos);
  EXPECT_NE(syntax(u"CREATE TABLE T (a NOSUCHTYPE)").find("Unknown type"), std::string::npos);
  EXPECT_NE(syntax(u"CREATE TABLE T (a TEXT(256))").find("Invalid size"), std::string::npos);
  EXPECT_NE(syntax(u"CREATE TABLE T (a LONG WITH COMPRESSION)").find("Text and Memo"), std::string::npos);
  EXPECT_NE(syntax(u"CREATE TABLE T (a LONG REFERENCES P ON DELETE RESTRICT)").find("CASCADE, SET NULL"),
            std::string::npos);
  EXPECT_NE(syntax(u"CREATE INDEX i ON T (a) WITH").find("PRIMARY, DISALLOW NULL"), std::string::npos);
  EXPECT_NE(syntax(u"DROP INDEX i").find("ON"), std::string::npos);
  EXPECT_NE(syntax(u"DROP VIEW v").find("TABLE or INDEX"), std::string::npos);
  EXPECT_NE(syntax(u"CREATE TEMPORARY TABLE T (a LONG)").find("TEMPORARY"), std::string::npos);
  EXPECT_NE(syntax(u"DROP TABLE T extra").find("after the end"), std::string::npos);
  EXPECT_EQ(syntax(u"drop table [My Table];"), "(parsed)");
  EXPECT_EQ(syntax(u"ALTER TABLE T ALTER COLUMN a TEXT(10)"), "(parsed)");
  EXPECT_EQ(syntax(u"ALTER TABLE T ADD b LONG NOT NULL"), "(parsed)");
}

}  // namespace
