// The benchmarks' SQLite side: the generated database's Orders and Customers
// rows loaded into an SQLite file beside it, with the same indexes (once; the
// file is reused while it is newer than the database).
#pragma once

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"

namespace qbbench {

namespace fs = std::filesystem;

inline void check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
  }
}

inline void exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", sql, error);
    std::exit(1);
  }
}

// Copies a table's rows into SQLite (dates as ISO text, Yes/No as -1/0).
inline void copyTable(jet::Database& from, sqlite3* to, const char16_t* table) {
  auto t = from.table(table);
  std::string sql = "INSERT INTO " + jet::toUtf8(table) + " VALUES (";
  for (std::size_t i = 0; i < t->columns().size(); ++i) sql += i ? ", ?" : "?";
  sql += ")";
  sqlite3_stmt* insert = nullptr;
  check(sqlite3_prepare_v2(to, sql.c_str(), -1, &insert, nullptr), to, "prepare insert");
  t->scan([&](jet::RowId, const std::vector<jet::Value>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int at = static_cast<int>(i + 1);
      const jet::Value& v = row[i];
      switch (v.kind()) {
        case jet::ValueKind::Null: sqlite3_bind_null(insert, at); break;
        case jet::ValueKind::Boolean: sqlite3_bind_int(insert, at, v.asBoolean() ? -1 : 0); break;
        case jet::ValueKind::Long: sqlite3_bind_int(insert, at, v.asLong()); break;
        case jet::ValueKind::Currency:
          sqlite3_bind_double(insert, at, static_cast<double>(v.asCurrency().units) / 10000.0);
          break;
        case jet::ValueKind::DateTime: {
          const std::string text = jet::toIsoString(v.asDateTime());
          sqlite3_bind_text(insert, at, text.c_str(), -1, SQLITE_TRANSIENT);
          break;
        }
        case jet::ValueKind::Text: {
          const std::string text = jet::toUtf8(v.asText());
          sqlite3_bind_text(insert, at, text.c_str(), -1, SQLITE_TRANSIENT);
          break;
        }
        default: sqlite3_bind_null(insert, at); break;
      }
    }
    check(sqlite3_step(insert), to, "insert");
    sqlite3_reset(insert);
    return true;
  });
  sqlite3_finalize(insert);
}

inline sqlite3* openSqlite(jet::Database& db, const fs::path& mdb) {
  const fs::path file = fs::path(mdb).replace_extension(".sqlite");
  const bool fresh = fs::exists(file) && fs::last_write_time(file) > fs::last_write_time(mdb);
  if (!fresh) {
    fs::remove(file);
    std::printf("loading the rows into %s ...\n", file.c_str());
  }
  sqlite3* lite = nullptr;
  check(sqlite3_open(file.c_str(), &lite), lite, "open");
  if (!fresh) {
    exec(lite,
         "CREATE TABLE Orders (ID INTEGER PRIMARY KEY, CustomerId INTEGER, Customer TEXT, Amount REAL, Qty INTEGER, "
         "Created TEXT, Paid INTEGER, Notes TEXT);"
         "CREATE TABLE Customers (CustomerId INTEGER PRIMARY KEY, Name TEXT, City TEXT, Country TEXT, Joined TEXT, "
         "Credit REAL);");
    exec(lite, "BEGIN");
    copyTable(db, lite, u"Orders");
    copyTable(db, lite, u"Customers");
    exec(lite, "COMMIT");
    exec(lite, "CREATE INDEX OrdersCustomerId ON Orders (CustomerId); CREATE INDEX OrdersCustomer ON Orders (Customer);"
               "ANALYZE");
  }
  return lite;
}

}  // namespace qbbench
