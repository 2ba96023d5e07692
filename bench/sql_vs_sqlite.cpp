// SQL benchmark: our statements against SQLite on the same rows, in one run.
// The rows of a generated database (Orders and Customers, see generate_db)
// are loaded into an SQLite file beside it with the same indexes (once; the
// file is reused while it is newer than the database). Each query then runs
// on both engines in turn, RUNS times, every row of the result read; the
// median wall time of each and the ratio (ours / SQLite's) are printed.
//
//   build/bench/sql_vs_sqlite DB.mdb [RUNS]      (RUNS defaults to 5)
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "sqlite_load.h"

namespace {

namespace fs = std::filesystem;
using qbbench::check;
using qbbench::openSqlite;

struct Query {
  const char* name;
  const char16_t* ours;
  const char* sqlite;
  double target;  // seconds; 0: none
};

constexpr Query kQueries[] = {
    {"count, indexed key", u"SELECT Count(*) FROM Orders WHERE CustomerId = 4711",
     "SELECT Count(*) FROM Orders WHERE CustomerId = 4711", 0.001},
    {"group by customer", u"SELECT CustomerId, Sum(Amount), Count(*) FROM Orders GROUP BY CustomerId",
     "SELECT CustomerId, Sum(Amount), Count(*) FROM Orders GROUP BY CustomerId", 0.5},
    {"join, filter, group",
     u"SELECT c.Country, Count(*), Sum(o.Amount) FROM Orders AS o INNER JOIN Customers AS c ON o.CustomerId = "
     u"c.CustomerId WHERE c.City = 'Berlin' GROUP BY c.Country",
     "SELECT c.Country, Count(*), Sum(o.Amount) FROM Orders AS o INNER JOIN Customers AS c ON o.CustomerId = "
     "c.CustomerId WHERE c.City = 'Berlin' GROUP BY c.Country",
     1.0},
    {"top 10 by amount", u"SELECT TOP 10 * FROM Orders ORDER BY Amount DESC",
     "SELECT * FROM Orders ORDER BY Amount DESC LIMIT 10", 0.3},
    {"like 'b*', all fields", u"SELECT * FROM Orders WHERE Customer LIKE 'b*'",
     "SELECT * FROM Orders WHERE Customer LIKE 'b%'", 0},
    {"correlated subquery",
     u"SELECT * FROM Orders AS o WHERE Amount > (SELECT Avg(Amount) FROM Orders AS o2 WHERE o2.CustomerId = "
     u"o.CustomerId)",
     "SELECT * FROM Orders AS o WHERE Amount > (SELECT Avg(Amount) FROM Orders AS o2 WHERE o2.CustomerId = "
     "o.CustomerId)",
     2.0},
    {"sort of every order", u"SELECT ID, Customer, Amount FROM Orders ORDER BY Customer, Amount",
     "SELECT ID, Customer, Amount FROM Orders ORDER BY Customer, Amount", 0},
};

// Where the benchmark puts what it reads, so no read is optimised away.
volatile std::size_t sink = 0;

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a statement of ours, reading every value of every row; returns the row count.
std::size_t runOurs(jet::Database& db, const char16_t* sql) {
  auto cursor = jet::Statement::prepare(db, sql).execute();
  std::size_t rows = 0, nulls = 0;
  while (cursor->next()) {
    ++rows;
    for (const jet::Value& v : cursor->row()) nulls += v.isNull() ? 1 : 0;
  }
  sink = sink + nulls;
  return rows;
}

std::size_t runSqlite(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db, sql);
  std::size_t rows = 0, bytes = 0;
  for (;;) {
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE) break;
    check(rc, db, sql);
    ++rows;
    const int n = sqlite3_column_count(st);
    for (int i = 0; i < n; ++i) {
      // Each value as a program would take it: numbers as numbers, text as text.
      switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER: bytes += static_cast<std::size_t>(sqlite3_column_int64(st, i) & 1); break;
        case SQLITE_FLOAT: bytes += sqlite3_column_double(st, i) > 0 ? 1 : 0; break;
        case SQLITE_TEXT: bytes += static_cast<std::size_t>(sqlite3_column_bytes(st, i)); break;
        default: break;
      }
    }
  }
  sqlite3_finalize(st);
  sink = sink + bytes;
  return rows;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string figure(double s) {
  char buf[32];
  if (s < 0.01) {
    std::snprintf(buf, sizeof buf, "%.3f ms", s * 1000);
  } else {
    std::snprintf(buf, sizeof buf, "%.3f s", s);
  }
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: sql_vs_sqlite DB.mdb [RUNS]\n");
    return 2;
  }
  const fs::path mdb = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  try {
    jet::OpenOptions options;
    options.readOnly = true;
    auto db = jet::Database::open(mdb, options);
    sqlite3* lite = openSqlite(*db, mdb);
    std::printf("%-24s %10s %12s %12s %8s %10s\n", "query", "rows", "ours", "sqlite", "ratio", "target");
    for (const Query& q : kQueries) {
      std::vector<double> ours, theirs;
      std::size_t ourRows = 0, theirRows = 0;
      runOurs(*db, q.ours);  // warm both
      runSqlite(lite, q.sqlite);
      for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        ourRows = runOurs(*db, q.ours);
        ours.push_back(seconds(start));
        start = std::chrono::steady_clock::now();
        theirRows = runSqlite(lite, q.sqlite);
        theirs.push_back(seconds(start));
      }
      const double a = median(ours), b = median(theirs);
      std::printf("%-24s %10zu %12s %12s %7.2fx %10s%s\n", q.name, ourRows, figure(a).c_str(), figure(b).c_str(),
                  a / b, q.target > 0 ? figure(q.target).c_str() : "-",
                  ourRows == theirRows ? "" : "  (row counts differ!)");
    }
    sqlite3_close(lite);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sql_vs_sqlite: %s\n", e.what());
    return 1;
  }
  return 0;
}
