// Action statement benchmark: UPDATE, DELETE, INSERT ... SELECT, SELECT ...
// INTO, CREATE INDEX and the ALTER TABLE forms that write every row again, on
// the generated Orders table, each on a fresh copy of the database (journal
// on, as every write) and, side by side, the same statement in SQLite on a
// fresh copy of the same rows (in one transaction, journal on) where SQLite
// has the statement. Prints wall and CPU time, rows changed, rows per second
// and the ratio (ours / SQLite's), with the target where there is one.
//
//   build/bench/dml_vs_sqlite DB.mdb [WORD]
//
// With WORD, only the statements whose name contains it run ("DELETE", "ALTER").
// Make the database with `build/bench/generate_db DB.mdb 1000000`; the SQLite
// copy of its rows is made beside it on the first run (DB.sqlite).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "jet/database.h"
#include "jet/statement.h"
#include "sqlite_load.h"

namespace {

namespace fs = std::filesystem;

struct Action {
  const char* name;
  const char16_t* setup;  // ours, before timing (empty: none)
  const char16_t* ours;
  const char* liteSetup;
  const char* lite;       // empty: SQLite has no such statement
  double rowsPerSecond;   // target; 0: none
  double seconds;         // target; 0: none
};

constexpr Action kActions[] = {
    {"UPDATE indexed subset", u"", u"UPDATE Orders SET Amount = Amount * 1.1 WHERE CustomerId < 1000", "",
     "UPDATE Orders SET Amount = Amount * 1.1 WHERE CustomerId < 1000", 150000, 0},
    {"UPDATE all rows", u"", u"UPDATE Orders SET Notes = Null", "", "UPDATE Orders SET Notes = NULL", 150000, 0},
    {"DELETE by date", u"", u"DELETE FROM Orders WHERE Created < #1/1/2015#", "",
     "DELETE FROM Orders WHERE Created < '2015-01-01'", 0, 0},
    {"INSERT ... SELECT 100000", u"SELECT * INTO Archive FROM Orders WHERE ID < 0",
     u"INSERT INTO Archive SELECT * FROM Orders WHERE ID <= 100000",
     "CREATE TABLE Archive AS SELECT * FROM Orders WHERE ID < 0",
     "INSERT INTO Archive SELECT * FROM Orders WHERE ID <= 100000", 150000, 0},
    {"INSERT ... SELECT indexed", u"CREATE TABLE Keyed (ID LONG PRIMARY KEY, CustomerId LONG, Amount CURRENCY)",
     u"INSERT INTO Keyed SELECT ID, CustomerId, Amount FROM Orders WHERE ID <= 100000",
     "CREATE TABLE Keyed (ID INTEGER PRIMARY KEY, CustomerId INTEGER, Amount REAL)",
     "INSERT INTO Keyed SELECT ID, CustomerId, Amount FROM Orders WHERE ID <= 100000", 150000, 0},
    {"SELECT * INTO Copy", u"", u"SELECT * INTO Copy FROM Orders", "", "CREATE TABLE Copy AS SELECT * FROM Orders", 0,
     6.0},
    {"CREATE INDEX on Amount", u"", u"CREATE INDEX ByAmount ON Orders (Amount)", "",
     "CREATE INDEX ByAmount ON Orders (Amount)", 0, 2.0},
    {"ALTER DROP COLUMN Qty", u"", u"ALTER TABLE Orders DROP COLUMN Qty", "", "ALTER TABLE Orders DROP COLUMN Qty", 0,
     0},
    {"ALTER COLUMN Qty DOUBLE", u"", u"ALTER TABLE Orders ALTER COLUMN Qty DOUBLE", "", "", 0, 0},
    {"ALTER Customers ADD COUNTER", u"", u"ALTER TABLE Customers ADD COLUMN Seq COUNTER", "", "", 0, 0},
};

struct Times {
  double wall = 0;
  double cpu = 0;
};

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

template <typename F>
Times timed(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = cpuSeconds();
  f();
  return Times{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpuSeconds() - cpu};
}

fs::path freshCopy(const fs::path& from, const char* suffix) {
  fs::path to = from;
  to.replace_extension(std::string(".dml") + suffix);
  fs::remove(to);
  fs::copy_file(from, to);
  return to;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: dml_vs_sqlite DB.mdb [WORD]\n");
    return 2;
  }
  const fs::path mdb = argv[1];
  try {
    fs::path liteFile;
    {
      jet::OpenOptions options;
      options.readOnly = true;
      auto db = jet::Database::open(mdb, options);
      sqlite3_close(qbbench::openSqlite(*db, mdb));
      liteFile = fs::path(mdb).replace_extension(".sqlite");
    }
    std::printf("%-27s %9s %9s %9s %11s %9s %9s %7s  %s\n", "statement", "rows", "ours", "cpu", "rows/s", "sqlite",
                "cpu", "ratio", "target");
    for (const Action& a : kActions) {
      if (argc == 3 && std::string(a.name).find(argv[2]) == std::string::npos) continue;
      std::uint64_t rows = 0;
      Times ours;
      {
        const fs::path ourFile = freshCopy(mdb, ".mdb");
        {
          auto db = jet::Database::open(ourFile);
          if (*a.setup) jet::Statement::prepare(*db, a.setup).run();
          ours = timed([&] { rows = jet::Statement::prepare(*db, a.ours).run().rowsAffected; });
        }
        fs::remove(ourFile);
      }
      Times theirs;
      std::optional<std::uint64_t> theirRows;  // none for data definition
      if (*a.lite) {
        const fs::path theirFile = freshCopy(liteFile, ".sqlite");
        sqlite3* lite = nullptr;
        qbbench::check(sqlite3_open(theirFile.c_str(), &lite), lite, "open");
        if (*a.liteSetup) qbbench::exec(lite, a.liteSetup);
        const std::string statement = a.lite;
        theirs = timed([&] {
          qbbench::exec(lite, "BEGIN");
          qbbench::exec(lite, a.lite);
          if (statement.rfind("UPDATE ", 0) == 0 || statement.rfind("DELETE ", 0) == 0 ||
              statement.rfind("INSERT ", 0) == 0) {
            theirRows = static_cast<std::uint64_t>(sqlite3_changes(lite));
          }
          qbbench::exec(lite, "COMMIT");
        });
        // CREATE TABLE ... AS counts no changes: count the new table's rows.
        if (statement.rfind("CREATE TABLE ", 0) == 0) {
          const std::string table = statement.substr(13, statement.find(' ', 13) - 13);
          sqlite3_stmt* count = nullptr;
          qbbench::check(sqlite3_prepare_v2(lite, ("SELECT count(*) FROM " + table).c_str(), -1, &count, nullptr), lite,
                         "count");
          qbbench::check(sqlite3_step(count), lite, "count");
          theirRows = static_cast<std::uint64_t>(sqlite3_column_int64(count, 0));
          sqlite3_finalize(count);
        }
        sqlite3_close(lite);
        fs::remove(theirFile);
      }
      const double rate = rows > 0 && ours.wall > 0 ? static_cast<double>(rows) / ours.wall : 0;
      std::string target = "-";
      if (a.rowsPerSecond > 0) {
        target = ">= " + std::to_string(static_cast<long>(a.rowsPerSecond)) + " rows/s" +
                 (rate >= a.rowsPerSecond ? " (met)" : " (missed)");
      } else if (a.seconds > 0) {
        target = "< " + std::to_string(a.seconds).substr(0, 3) + " s" + (ours.wall < a.seconds ? " (met)" : " (missed)");
      }
      if (theirRows && *theirRows != rows) target += "  (row counts differ!)";
      if (*a.lite) {
        std::printf("%-27s %9llu %8.3fs %8.3fs %11.0f %8.3fs %8.3fs %6.2fx  %s\n", a.name,
                    static_cast<unsigned long long>(rows), ours.wall, ours.cpu, rate, theirs.wall, theirs.cpu,
                    theirs.wall > 0 ? ours.wall / theirs.wall : 0.0, target.c_str());
      } else {
        std::printf("%-27s %9llu %8.3fs %8.3fs %11.0f %9s %9s %7s  %s\n", a.name, static_cast<unsigned long long>(rows),
                    ours.wall, ours.cpu, rate, "-", "-", "-", target.c_str());
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dml_vs_sqlite: %s\n", e.what());
    return 1;
  }
  return 0;
}
