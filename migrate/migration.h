// Migrating a Jet database to PostgreSQL or SQLite in one atomic run: the
// tables with their rules, the rows in bulk, then keys, indexes and foreign
// keys, then saved select queries as views where their SQL translates. A
// failure anywhere leaves the target as it was.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet/database.h"
#include "migrate/saved_query_views.h"
#include "migrate/target.h"
#include "migrate/target_writer.h"

namespace qbmigrate {

struct MigrationProgress {
  std::size_t tableNumber = 0;  // 1-based
  std::size_t tableCount = 0;
  std::string table;
  bool indexing = false;        // the rows are in; its keys and indexes are being built
  std::uint64_t tableRows = 0;  // rows of this table so far
  std::uint64_t totalRows = 0;  // rows of every table so far
  double seconds = 0;           // since the run began
};

struct MigrationOptions {
  Target target;
  std::string schema = "public";      // PostgreSQL
  std::vector<std::u16string> tables; // empty: every user table
  bool dropExisting = false;          // replace tables (and views) of the same names
  std::function<void(const MigrationProgress&)> progress;
  const SelectTranslator* translator = nullptr;  // nullptr: the default one
};

struct MigrationSummary {
  std::size_t tables = 0;
  std::uint64_t rows = 0;
  std::size_t indexes = 0;      // keys and indexes made after the rows
  std::size_t foreignKeys = 0;
  std::vector<std::string> views;       // made
  std::vector<std::string> notCarried;  // for people, with the reason
  std::vector<std::string> warnings;
  double seconds = 0;
  double targetSeconds = 0;  // of which waiting on the target
};

MigrationSummary migrate(jet::Database& db, const MigrationOptions& options);

// The summary as a few lines for people.
std::string summaryText(const MigrationSummary& summary, const Target& target);

}  // namespace qbmigrate
