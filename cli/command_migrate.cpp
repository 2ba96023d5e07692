// qbtool migrate: moves the user tables of a database, with their keys,
// indexes, relationships and rows, into PostgreSQL or an SQLite file in one
// atomic run. Progress goes to standard error when it is a terminal; the
// summary (and what was not carried) to standard output.
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "commands.h"
#include "jet/text.h"
#include "migrate/migration.h"

namespace qbtool {

namespace {

std::vector<std::u16string> tableList(const std::string& text) {
  std::vector<std::u16string> names;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string name = text.substr(start, comma - start);
    if (!name.empty()) names.push_back(jet::fromUtf8(name));
    start = comma + 1;
  }
  if (names.empty()) throw UsageError("--tables names no table");
  return names;
}

void showProgress(const qbmigrate::MigrationProgress& p) {
  const double rate = p.seconds > 0 ? static_cast<double>(p.totalRows) / p.seconds : 0;
  std::fprintf(stderr, "\r\033[Ktable %zu/%zu %s: %llu rows%s (%llu in all, %.0f rows/s)", p.tableNumber,
               p.tableCount, p.table.c_str(), static_cast<unsigned long long>(p.tableRows),
               p.indexing ? ", building keys and indexes" : "", static_cast<unsigned long long>(p.totalRows), rate);
  std::fflush(stderr);
}

}  // namespace

int runMigrate(const Arguments& args, OutputBuffer& out) {
  qbmigrate::MigrationOptions options;
  const auto to = args.value("--to");
  if (!to) throw UsageError("--to is required (postgresql://user@host:port/database or sqlite:PATH)");
  try {
    options.target = qbmigrate::parseTarget(*to);
  } catch (const std::invalid_argument& e) {
    throw UsageError(e.what());
  }
  if (auto schema = args.value("--schema")) {
    if (options.target.dialect != qbmigrate::Dialect::PostgreSQL) throw UsageError("--schema is for PostgreSQL targets");
    if (schema->empty()) throw UsageError("--schema names no schema");
    options.schema = *schema;
  }
  if (auto tables = args.value("--tables")) options.tables = tableList(*tables);
  options.dropExisting = args.has("--drop-existing");
  const bool terminal = ::isatty(STDERR_FILENO) != 0;
  if (terminal) options.progress = showProgress;

  const auto db = openDatabase(args);
  qbmigrate::MigrationSummary summary;
  try {
    summary = qbmigrate::migrate(*db, options);
  } catch (...) {
    if (terminal) std::fputs("\r\033[K", stderr);
    throw;
  }
  if (terminal) std::fputs("\r\033[K", stderr);
  out.write(qbmigrate::summaryText(summary, options.target));
  return 0;
}

}  // namespace qbtool
