// SqliteMirror: the same rows loaded into an in-memory SQLite database, so a
// test can run the equivalent SQLite statement and use its answer as the
// expected result of one of ours (an independent engine, never our own).
// Text columns are COLLATE NOCASE (Jet compares text without regard to case),
// Yes/No values are stored as -1 and 0 as Jet stores them, dates as ISO text
// ("YYYY-MM-DD HH:MM:SS"), currency and decimals as REAL.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "jet/database.h"
#include "jet/value.h"

struct sqlite3;

namespace qbtest {

// One value as SQLite gives it back.
struct SqliteValue {
  std::variant<std::monostate, long long, double, std::string> v;
  bool isNull() const { return v.index() == 0; }
};

class SqliteMirror {
 public:
  SqliteMirror();
  ~SqliteMirror();
  SqliteMirror(const SqliteMirror&) = delete;
  SqliteMirror& operator=(const SqliteMirror&) = delete;

  void createTable(const jet::TableSpec& spec);
  void insert(const std::string& table, const std::vector<jet::Value>& row);
  // Runs a statement; throws std::runtime_error with SQLite's message on failure.
  std::vector<std::vector<SqliteValue>> query(const std::string& sql);
  void execute(const std::string& sql);

  // The SQLite text of a date: "YYYY-MM-DD HH:MM:SS".
  static std::string dateText(jet::DateTime d);

 private:
  sqlite3* db_ = nullptr;
  std::vector<std::pair<std::string, std::vector<jet::DataType>>> tables_;
};

}  // namespace qbtest
