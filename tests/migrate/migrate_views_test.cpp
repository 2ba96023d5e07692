// Saved select queries as views: a translated view gives, in PostgreSQL and
// in SQLite, the rows our engine gives for the same query; what would give
// other rows is listed with its reason; views come after the views they read.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "corpus/saved_query_writer.h"
#include "jet/database.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "jet/value_text.h"
#include "migrate/migration.h"
#include "migrate/postgres_server.h"
#include "migrate/select_translator.h"
#include "migrate/source_databases.h"
#include "migrate/value_text.h"
#include "support/test_files.h"

namespace qbtest {
namespace {

using Cell = std::optional<std::string>;
using Rows = std::vector<std::vector<Cell>>;

// Cells compared across engines: numbers by value (a currency "12.5000"
// equals a double 12.5), Yes/No as 1/0, dates as "YYYY-MM-DD HH:MM:SS".
Cell canonical(Cell cell) {
  if (!cell) return cell;
  if (*cell == "t" || *cell == "true") return "1";
  if (*cell == "f" || *cell == "false" || *cell == "-0") return "0";  // SQLite keeps no sign of zero
  char* end = nullptr;
  const double d = std::strtod(cell->c_str(), &end);
  if (!cell->empty() && end == cell->c_str() + cell->size() && std::isfinite(d)) {
    char text[64];
    std::snprintf(text, sizeof text, "%.12g", d);
    return std::string(text);
  }
  return cell;
}

Rows sorted(Rows rows) {
  for (auto& row : rows) {
    for (Cell& c : row) c = canonical(std::move(c));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

Rows engineRows(jet::Database& db, std::u16string_view sql) {
  auto result = jet::Statement::prepare(db, sql).executeAll();
  Rows rows;
  for (std::size_t i = 0; i < result->size(); ++i) {
    std::vector<Cell> row;
    for (const jet::Value& v : result->row(i)) {
      switch (v.kind()) {
        case jet::ValueKind::Null: row.emplace_back(); break;
        case jet::ValueKind::Boolean: row.emplace_back(v.asBoolean() ? "1" : "0"); break;
        case jet::ValueKind::DateTime: row.emplace_back(qbmigrate::dateTimeText(v.asDateTime())); break;
        case jet::ValueKind::Text: row.emplace_back(jet::toUtf8(v.asText())); break;
        case jet::ValueKind::Byte: row.emplace_back(std::to_string(v.asByte())); break;
        case jet::ValueKind::Integer: row.emplace_back(std::to_string(v.asInteger())); break;
        case jet::ValueKind::Long: row.emplace_back(std::to_string(v.asLong())); break;
        case jet::ValueKind::Currency: row.emplace_back(jet::toUtf8(jet::exactText(v.asCurrency()))); break;
        case jet::ValueKind::Decimal: row.emplace_back(jet::toUtf8(jet::exactText(v.asDecimal()))); break;
        case jet::ValueKind::Single: row.emplace_back(std::to_string(v.asSingle())); break;
        case jet::ValueKind::Double: {
          char text[64];
          std::snprintf(text, sizeof text, "%.17g", v.asDouble());
          row.emplace_back(text);
          break;
        }
        default: ADD_FAILURE() << "a value of a kind the views test does not compare"; row.emplace_back(); break;
      }
    }
    rows.push_back(std::move(row));
  }
  return sorted(std::move(rows));
}

// Runs statements on a migrated SQLite file.
class SqliteTarget {
 public:
  explicit SqliteTarget(const std::filesystem::path& path) { sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr); }
  ~SqliteTarget() { sqlite3_close_v2(db_); }
  std::string exec(const std::string& sql) {
    char* message = nullptr;
    std::string error = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK ? "" : message;
    sqlite3_free(message);
    return error;
  }
  Rows rows(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    Rows rows;
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db_) << "\n" << sql;
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
      std::vector<Cell> row;
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        row.push_back(sqlite3_column_type(stmt, c) == SQLITE_NULL ? Cell() : Cell(text));
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return sorted(std::move(rows));
  }

 private:
  sqlite3* db_ = nullptr;
};

Rows postgresRows(PGconn* conn, const std::string& sql) {
  PGresult* result = PQexec(conn, sql.c_str());
  Rows rows;
  EXPECT_EQ(PQresultStatus(result), PGRES_TUPLES_OK) << PQresultErrorMessage(result) << "\n" << sql;
  for (int r = 0; r < PQntuples(result); ++r) {
    std::vector<Cell> row;
    for (int c = 0; c < PQnfields(result); ++c) {
      row.push_back(PQgetisnull(result, r, c) ? Cell() : Cell(PQgetvalue(result, r, c)));
    }
    rows.push_back(std::move(row));
  }
  PQclear(result);
  return sorted(std::move(rows));
}

// Queries whose views must give our engine's rows in both targets.
const std::vector<std::u16string>& translatableQueries() {
  static const std::vector<std::u16string> queries = {
      u"SELECT * FROM Customers",
      u"SELECT c.Name, [Order Lines].Amount FROM Customers AS c INNER JOIN [Order Lines] ON c.ID = [Order Lines].CustomerID",
      u"SELECT Customers.Name, l.OrderID FROM Customers LEFT JOIN [Order Lines] AS l ON Customers.ID = l.CustomerID",
      u"SELECT customers.name, l.orderid FROM [Order Lines] l RIGHT JOIN customers ON customers.id = l.customerid",
      u"SELECT Name FROM Customers, [Order Lines] WHERE Customers.ID = [Order Lines].CustomerID AND Qty > 2",
      // Text equality and IN lists ignore case, as Access compares text.
      u"SELECT ID FROM Customers WHERE City = 'BERLIN'",
      u"SELECT ID FROM Customers WHERE City <> 'berlin'",
      u"SELECT ID FROM Customers WHERE City In ('PARIS', 'Berlin')",
      u"SELECT ID FROM Customers WHERE Name Like 'a*' OR Name Like '?OB'",
      // '%' and '_' are wildcards too; the targets' escape character is a plain one.
      u"SELECT ID FROM Customers WHERE Name Like '100%' OR Name Like '_hlo_'",
      u"SELECT OrderID FROM [Order Lines] WHERE Note Like '*\\*' OR Note Like '\\%'",
      u"SELECT ID FROM Customers WHERE Name Not Like '*o*'",
      u"SELECT ID, Name & ' from ' & City AS Who, City & Null AS Same, Null & Null AS Nothing FROM Customers",
      u"SELECT OrderID & '-' & Qty FROM [Order Lines]",
      u"SELECT ID FROM Customers WHERE Born < #1/1/1900# OR Born >= #2024-02-29 12:00:00#",
      u"SELECT ID FROM Customers WHERE Born Between #12/31/1999# And #1/1/2000#",
      u"SELECT IIf(Vip, 'yes', 'no') AS V, Nz(City, '?') AS C FROM Customers",
      u"SELECT ID FROM Customers WHERE Vip = True",
      u"SELECT ID FROM Customers WHERE City Is Null OR Name Is Not Null AND Not Vip",
      u"SELECT UCase(Name), LCase(City), Len(Name), Left(Name, 2), Right(Name, 2), Mid(Name, 2, 2), Mid(Name, 3) "
      u"FROM Customers",
      u"SELECT Right(Name, 0), Right(Name, 40), InStr(Name, 'O') FROM Customers",
      u"SELECT Year(Born), Month(Born), Day(Born), Hour(Born), Minute(Born), Second(Born) FROM Customers",
      u"SELECT Qty / 2, Qty * Amount, -Qty, Qty Mod 2, Abs(Amount), Int(Amount / 3), Fix(-Amount / 3) "
      u"FROM [Order Lines]",
      u"SELECT CustomerID, Count(*), Count(Note), Sum(Amount), Avg(Qty), Min(Qty), Max(Amount) FROM [Order Lines] "
      u"GROUP BY CustomerID HAVING Count(*) > 1 OR Sum(Qty) = 2",
      u"SELECT DISTINCT Amount FROM [Order Lines]",
      u"SELECT DISTINCTROW City FROM Customers",
      u"SELECT TOP 2 OrderID FROM [Order Lines] ORDER BY Amount DESC, OrderID",
      u"SELECT ID FROM Customers WHERE ID In (SELECT CustomerID FROM [Order Lines] WHERE Qty > 2)",
      u"SELECT ID FROM Customers AS c WHERE Exists (SELECT * FROM [Order Lines] WHERE CustomerID = c.ID)",
      u"SELECT ID, (SELECT Max(Amount) FROM [Order Lines] AS l WHERE l.CustomerID = Customers.ID) AS Most FROM Customers",
      u"SELECT t.N FROM (SELECT Name AS N, ID FROM Customers WHERE ID > 2) AS t WHERE t.ID < 5",
      u"SELECT ID FROM Customers UNION SELECT CustomerID FROM [Order Lines] ORDER BY ID",
      u"SELECT City FROM Customers UNION ALL SELECT Note FROM [Order Lines]",
  };
  return queries;
}

struct Refusal {
  std::u16string sql;
  std::string reason;  // a part of it
};

// Queries that would give other rows in the target (or none), with their reasons.
const std::vector<Refusal>& refusals() {
  static const std::vector<Refusal> r = {
      {u"SELECT ID FROM Customers WHERE ID = [Which one?]", "takes parameters (Which one?)"},
      {u"SELECT TOP 50 PERCENT ID FROM Customers", "PERCENT"},
      {u"SELECT DISTINCTROW Name FROM Customers INNER JOIN [Order Lines] ON Customers.ID = [Order Lines].CustomerID",
       "DISTINCTROW over several tables"},
      {u"SELECT ID FROM Customers WHERE Name < 'b'", "compares text"},
      {u"SELECT ID FROM Customers WHERE Name Between 'a' And 'c'", "Between on text"},
      {u"SELECT Name & Born FROM Customers", "joins with '&'"},
      {u"SELECT Amount & '' FROM [Order Lines]", "joins with '&'"},
      {u"SELECT Format(Born, 'yyyy') FROM Customers", "calls Format"},
      {u"SELECT First(Name) FROM Customers", "calls First"},
      {u"SELECT Max(Name) FROM Customers", "Max on text"},
      {u"SELECT Nz(City) FROM Customers", "Nz without a value"},
      {u"SELECT ID FROM Customers WHERE Name Like '[ab]*'", "pattern uses '['"},
      {u"SELECT ID FROM Customers WHERE Name Like City", "not written out"},
      {u"SELECT Qty \\ 2 FROM [Order Lines]", "operator"},
      {u"SELECT Amount Mod 2 FROM [Order Lines]", "Mod"},
      {u"SELECT Born + 1 FROM Customers", "dates"},
      {u"SELECT ID FROM Nowhere", "does not run here either"},
  };
  return r;
}

class MigrateViews : public ::testing::Test {
 protected:
  void SetUp() override {
    writeShopDatabase(file_);
    db_ = jet::Database::open(file_);
  }

  qbmigrate::Ddl ddlFor(qbmigrate::Dialect dialect, const std::string& schema = "public") {
    qbmigrate::DdlOptions options;
    options.schema = schema;
    return qbmigrate::buildDdl(qbmigrate::planSchema(*db_), dialect, options);
  }

  void migrateShop(const std::string& to, const std::string& schema = "public") {
    qbmigrate::MigrationOptions options;
    options.target = qbmigrate::parseTarget(to);
    options.schema = schema;
    qbmigrate::migrate(*db_, options);
  }

  // Each translatable query as a view in the target (run by `create`), its
  // rows (read by `read`) against the engine's.
  template <typename Exec, typename Read>
  void compareViews(qbmigrate::Dialect dialect, const std::string& schema, Exec create, Read read) {
    const qbmigrate::Ddl ddl = ddlFor(dialect, schema);
    int n = 0;
    for (const std::u16string& sql : translatableQueries()) {
      SCOPED_TRACE(jet::toUtf8(sql));
      std::string reason;
      const auto translated = qbmigrate::translateSelect(*db_, sql, ddl, reason);
      if (!translated) {
        // SQLite's LIMIT keeps no ties, its upper() and lower() know ASCII only:
        // those queries are listed there.
        EXPECT_TRUE(dialect == qbmigrate::Dialect::SQLite &&
                    (reason.find("tied") != std::string::npos || reason.find("ASCII") != std::string::npos))
            << reason;
        continue;
      }
      std::string columns;
      for (const std::string& c : translated->columns) columns += (columns.empty() ? "" : ", ") + c;
      const std::string view = (schema.empty() ? "" : "\"" + schema + "\".") + "\"v" + std::to_string(n++) + "\"";
      const std::string error = create("CREATE VIEW " + view + " (" + columns + ") AS " + translated->select);
      ASSERT_EQ(error, "") << translated->select;
      EXPECT_EQ(read("SELECT * FROM " + view), engineRows(*db_, sql)) << translated->select;
    }
  }

  TempDir dir_;
  std::filesystem::path file_ = dir_ / "shop.mdb";
  std::unique_ptr<jet::Database> db_;
};

TEST_F(MigrateViews, SqliteViewsGiveTheEnginesRows) {
  const auto out = dir_ / "shop.sqlite";
  migrateShop("sqlite:" + out.string());
  SqliteTarget target(out);
  compareViews(
      qbmigrate::Dialect::SQLite, "", [&](const std::string& sql) { return target.exec(sql); },
      [&](const std::string& sql) { return target.rows(sql); });
}

TEST_F(MigrateViews, PostgresViewsGiveTheEnginesRows) {
  QB_REQUIRE_POSTGRES();
  PostgresSession pg("views_shop");
  migrateShop(postgresUrl(), pg.schema());
  compareViews(
      qbmigrate::Dialect::PostgreSQL, pg.schema(), [&](const std::string& sql) { return pg.tryExec(sql); },
      [&](const std::string& sql) { return postgresRows(pg.get(), sql); });
}

TEST_F(MigrateViews, WhatWouldGiveOtherRowsIsRefusedWithItsReason) {
  for (const auto dialect : {qbmigrate::Dialect::PostgreSQL, qbmigrate::Dialect::SQLite}) {
    const qbmigrate::Ddl ddl = ddlFor(dialect);
    for (const Refusal& r : refusals()) {
      SCOPED_TRACE(jet::toUtf8(r.sql));
      std::string reason;
      EXPECT_FALSE(qbmigrate::translateSelect(*db_, r.sql, ddl, reason));
      EXPECT_NE(reason.find(r.reason), std::string::npos) << reason;
    }
  }
  // Only SQLite lacks these.
  std::string reason;
  const qbmigrate::Ddl lite = ddlFor(qbmigrate::Dialect::SQLite);
  EXPECT_FALSE(qbmigrate::translateSelect(*db_, u"SELECT StDev(Qty) FROM [Order Lines]", lite, reason));
  EXPECT_TRUE(qbmigrate::translateSelect(*db_, u"SELECT StDev(Qty) FROM [Order Lines]",
                                         ddlFor(qbmigrate::Dialect::PostgreSQL), reason));
  EXPECT_FALSE(qbmigrate::translateSelect(
      *db_, u"SELECT ID FROM Customers WHERE ID > All (SELECT CustomerID FROM [Order Lines])", lite, reason));
  // A table left out of the migration cannot be read by a view.
  qbmigrate::Ddl partial = ddlFor(qbmigrate::Dialect::SQLite);
  partial.tables.pop_back();
  EXPECT_FALSE(qbmigrate::translateSelect(*db_, u"SELECT * FROM [Order Lines]", partial, reason));
  EXPECT_EQ(reason, "it reads Order Lines, which is not migrated");
}

// The query file's tables are empty: a copy gets rows whose join columns
// match only without regard to case, and Nulls, so its queries have
// something to compare.
std::unique_ptr<jet::Database> queryFileWithRows(const std::filesystem::path& copy) {
  std::filesystem::copy_file(corpusFile("jackcess-V2000-queryTestV2000.mdb"), copy);
  auto db = jet::Database::open(copy);
  const auto t = [](const char16_t* text) { return text ? jet::Value::text(text) : jet::Value(); };
  const std::vector<std::pair<std::u16string, std::vector<std::vector<const char16_t*>>>> rows = {
      {u"Table1", {{u"FOO", u"x", u"1"}, {u"foo", u"y", u"2"}, {u"buzz", nullptr, u"3"}, {nullptr, u"w", u"4"}}},
      {u"Table2", {{u"foo", u"FOO", u"7"}, {u"Buzz", u"buzz", nullptr}, {u"s", u"other", u"9"}}},
      {u"Table3", {{u"Foo", u"m", u"M"}, {u"BUZZ", u"n", nullptr}, {u"s", u"o", u"O"}}},
  };
  db->beginTransaction();
  for (const auto& [name, values] : rows) {
    auto table = db->table(name);
    for (const auto& v : values) {
      std::vector<jet::Value> row = {t(v[0]), t(v[1]), t(v[2])};
      table->insertRow(row);
    }
  }
  db->commitTransaction();
  return db;
}

// The query file's saved queries: the select query becomes a view with the
// engine's rows, every other one is listed with its reason.
TEST(MigrateSavedQueries, TheCorpusSelectQueryBecomesAViewAndTheOthersAreListed) {
  QB_REQUIRE_CORPUS();
  TempDir dir;
  auto db = queryFileWithRows(dir / "q.mdb");
  ASSERT_EQ(engineRows(*db, u"SelectQuery").size(), 3u);
  const auto views = qbmigrate::planViews(*db, qbmigrate::buildDdl(qbmigrate::planSchema(*db), qbmigrate::Dialect::SQLite));
  ASSERT_EQ(views.size(), 9u);
  for (const qbmigrate::ViewPlan& v : views) {
    SCOPED_TRACE(v.name);
    EXPECT_EQ(v.createView.has_value(), v.name == "SelectQuery") << v.reason;
    if (v.name == "UpdateQuery") {
      EXPECT_EQ(v.reason, "it is an Update query, not a select query");
    }
    if (v.name == "UnionQuery") {
      EXPECT_NE(v.reason.find("takes parameters"), std::string::npos) << v.reason;
    }
    if (!v.createView) {
      EXPECT_NE(v.reason, "");
    }
  }

  const auto out = dir / "q.sqlite";
  qbmigrate::MigrationOptions options;
  options.target = qbmigrate::parseTarget("sqlite:" + out.string());
  const auto summary = qbmigrate::migrate(*db, options);
  EXPECT_EQ(summary.views, std::vector<std::string>{"SelectQuery"});
  std::size_t listed = 0;
  for (const std::string& n : summary.notCarried) listed += n.starts_with("query ") ? 1 : 0;
  EXPECT_EQ(listed, 8u);
  SqliteTarget lite(out);
  EXPECT_EQ(lite.rows("SELECT * FROM \"SelectQuery\""), engineRows(*db, u"SelectQuery"));

  if (postgresUrl().empty()) return;
  PostgresSession pg("views_corpus");
  options.target = qbmigrate::parseTarget(postgresUrl());
  options.schema = pg.schema();
  EXPECT_EQ(qbmigrate::migrate(*db, options).views, std::vector<std::string>{"SelectQuery"});
  EXPECT_EQ(postgresRows(pg.get(), "SELECT * FROM " + pg.qualified("SelectQuery")), engineRows(*db, u"SelectQuery"));
}

// Saved queries that read saved queries: each view is made after the ones it
// reads, whatever their names' order; one that reads a query that is not
// carried is listed, naming it.
TEST(MigrateSavedQueries, ViewsComeAfterTheViewsTheyRead) {
  QB_REQUIRE_CORPUS();
  TempDir dir;
  auto db = queryFileWithRows(dir / "q.mdb");
  addSelectQuery(*db, u"A_Outer", {u"col1", u"Mark"}, u"M_Middle", u"col1 <> 'b'");
  addSelectQuery(*db, u"M_Middle", {u"col1", u"col3 & '!' AS Mark"}, u"Z_Inner");
  addSelectQuery(*db, u"Z_Inner", {u"col1", u"col3"}, u"Table1", u"col1 < 'c'");
  addSelectQuery(*db, u"B_ReadsAction", {u"*"}, u"UpdateQuery");

  const auto views = qbmigrate::planViews(*db, qbmigrate::buildDdl(qbmigrate::planSchema(*db), qbmigrate::Dialect::SQLite));
  std::vector<std::string> made;
  for (const qbmigrate::ViewPlan& v : views) {
    if (v.createView) made.push_back(v.name);
  }
  // "col1 < 'c'" compares text by order, so Z_Inner is not carried, nor what reads it.
  EXPECT_EQ(made, (std::vector<std::string>{"SelectQuery"}));
  for (const qbmigrate::ViewPlan& v : views) {
    if (v.name == "M_Middle") {
      EXPECT_EQ(v.reason, "it reads query Z_Inner, which is not carried");
    }
    if (v.name == "A_Outer") {
      EXPECT_EQ(v.reason, "it reads query M_Middle, which is not carried");
    }
  }

  addSelectQuery(*db, u"Y_Inner", {u"col1", u"col3"}, u"Table1", u"col1 = 'Foo' OR col1 Is Null");
  addSelectQuery(*db, u"C_Outer", {u"col1", u"col3 & '!' AS Mark"}, u"Y_Inner");
  const auto out = dir / "q.sqlite";
  qbmigrate::MigrationOptions options;
  options.target = qbmigrate::parseTarget("sqlite:" + out.string());
  const auto summary = qbmigrate::migrate(*db, options);
  EXPECT_EQ(summary.views, (std::vector<std::string>{"SelectQuery", "Y_Inner", "C_Outer"}));
  SqliteTarget lite(out);
  EXPECT_EQ(lite.rows("SELECT * FROM \"C_Outer\""), engineRows(*db, u"C_Outer"));
  EXPECT_FALSE(engineRows(*db, u"C_Outer").empty());

  if (postgresUrl().empty()) return;
  PostgresSession pg("views_nested");
  options.target = qbmigrate::parseTarget(postgresUrl());
  options.schema = pg.schema();
  EXPECT_EQ(qbmigrate::migrate(*db, options).views, (std::vector<std::string>{"SelectQuery", "Y_Inner", "C_Outer"}));
  EXPECT_EQ(postgresRows(pg.get(), "SELECT * FROM " + pg.qualified("C_Outer")), engineRows(*db, u"C_Outer"));
}

}  // namespace
}  // namespace qbtest
