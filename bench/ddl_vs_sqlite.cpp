// Data-definition benchmark: CREATE INDEX on Orders.Amount and ALTER TABLE
// Orders ADD COLUMN Flag YESNO on a generated database (see generate_db),
// against SQLite running the same statements on the same rows, in one run.
// Each statement runs RUNS times on a fresh copy of each file (the copy is
// not timed); the median wall time, commit included, of each engine and the
// ratio (ours / SQLite's) are printed.
//
//   build/bench/ddl_vs_sqlite DB.mdb [RUNS]   (RUNS defaults to 3)
//
// The SQLite file with the same rows is made beside the database (once).
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "jet/database.h"
#include "sqlite_load.h"
#include "sql/ddl/data_definition.h"
#include "sql/ddl/ddl_parser.h"

namespace {

namespace fs = std::filesystem;

struct Case {
  const char* name;
  const char16_t* ours;
  const char* sqlite;
  double target;  // seconds; 0: none
};

constexpr Case kCases[] = {
    {"CREATE INDEX on Amount", u"CREATE INDEX ByAmount ON Orders (Amount)", "CREATE INDEX ByAmount ON Orders (Amount)",
     2.0},
    {"ADD COLUMN Flag YESNO", u"ALTER TABLE Orders ADD COLUMN Flag YESNO",
     "ALTER TABLE Orders ADD COLUMN Flag BOOLEAN", 0},
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double runOurs(const fs::path& source, const fs::path& work, const char16_t* sql) {
  fs::copy_file(source, work, fs::copy_options::overwrite_existing);
  auto db = jet::Database::open(work);
  const auto statement = jet::sql::parseDataDefinitionStatement(sql);
  const auto start = std::chrono::steady_clock::now();
  jet::sql::runDataDefinition(*db, statement);
  const double s = since(start);
  db.reset();
  return s;
}

double runSqlite(const fs::path& source, const fs::path& work, const char* sql) {
  fs::copy_file(source, work, fs::copy_options::overwrite_existing);
  sqlite3* db = nullptr;
  if (sqlite3_open(work.c_str(), &db) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: cannot open %s\n", work.c_str());
    std::exit(1);
  }
  const auto start = std::chrono::steady_clock::now();
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", sql, error);
    std::exit(1);
  }
  const double s = since(start);
  sqlite3_close(db);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s DB.mdb [RUNS]\n", argv[0]);
    return 2;
  }
  const fs::path mdb = argv[1];
  const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 3;
  {
    jet::OpenOptions readOnly;
    readOnly.readOnly = true;
    auto source = jet::Database::open(mdb, readOnly);
    sqlite3_close(qbbench::openSqlite(*source, mdb));
  }
  const fs::path lite = fs::path(mdb).replace_extension(".sqlite");
  const fs::path dir = fs::temp_directory_path() / ("ddl_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::printf("%-26s %12s %12s %8s %10s\n", "statement", "ours (s)", "sqlite (s)", "ratio", "target");
  for (const Case& c : kCases) {
    std::vector<double> ours, theirs;
    for (int i = 0; i < runs; ++i) {
      ours.push_back(runOurs(mdb, dir / "work.mdb", c.ours));
      theirs.push_back(runSqlite(lite, dir / "work.sqlite", c.sqlite));
    }
    const double a = median(ours);
    const double b = median(theirs);
    char target[32] = "-";
    if (c.target > 0) std::snprintf(target, sizeof target, "< %.1f s", c.target);
    std::printf("%-26s %12.3f %12.3f %8.1f %10s\n", c.name, a, b, b > 0 ? a / b : 0.0, target);
  }
  fs::remove_all(dir);
  return 0;
}
