// The migration run; see migration.h.
#include "migrate/migration.h"

#include <cstdio>

namespace qbmigrate {

namespace {

double secondsOf(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs `sql` inside a savepoint: when the target refuses it, only that
// statement is undone and `error` says why.
bool executeOrRefuse(TargetWriter& writer, const std::string& sql, std::string& error) {
  writer.execute("SAVEPOINT qb_view");
  try {
    writer.execute(sql);
  } catch (const MigrationError& e) {
    error = e.what();
    if (const auto cut = error.rfind("; "); cut != std::string::npos) error.resize(cut);  // its "nothing was changed" does not hold here
    writer.execute("ROLLBACK TO SAVEPOINT qb_view");
    writer.execute("RELEASE SAVEPOINT qb_view");
    return false;
  }
  writer.execute("RELEASE SAVEPOINT qb_view");
  return true;
}

}  // namespace

MigrationSummary migrate(jet::Database& db, const MigrationOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  const SchemaPlan plan = planSchema(db, options.tables);
  DdlOptions ddlOptions;
  ddlOptions.schema = options.schema;
  const Ddl ddl = buildDdl(plan, options.target.dialect, ddlOptions);
  const std::vector<ViewPlan> views =
      planViews(db, ddl, options.translator ? *options.translator : defaultSelectTranslator());

  MigrationSummary summary;
  summary.notCarried = plan.notCarried;
  summary.notCarried.insert(summary.notCarried.end(), ddl.notCarried.begin(), ddl.notCarried.end());
  for (const std::string& r : ddl.renamed) summary.warnings.push_back("renamed to fit the target: " + r);

  auto writer = options.target.dialect == Dialect::PostgreSQL ? openPostgresWriter(options.target)
                                                              : openSqliteWriter(options.target);
  LoadContext context;
  MigrationProgress progress;
  progress.tableCount = ddl.tables.size();
  for (const std::string& sql : ddl.before) writer->execute(sql);
  for (std::size_t i = 0; i < ddl.tables.size(); ++i) {
    const TablePlan& table = plan.tables[i];
    const TableDdl& t = ddl.tables[i];
    if (options.dropExisting) {
      writer->execute(t.drop);
    } else if (writer->tableExists(ddl, t)) {
      throw MigrationError("The target already has a table " + t.targetName +
                           "; nothing was changed (--drop-existing replaces it)");
    }
    writer->execute(t.create);
    progress.tableNumber = i + 1;
    progress.table = table.name;
    const std::uint64_t before = context.rows;
    context.progress = [&](std::uint64_t rows) {
      if (!options.progress) return;
      progress.tableRows = rows;
      progress.totalRows = before + rows;
      progress.seconds = secondsOf(std::chrono::steady_clock::now() - start);
      options.progress(progress);
    };
    writer->load(table, t, context);
    if (options.progress && !t.afterLoad.empty()) {
      progress.indexing = true;
      options.progress(progress);
      progress.indexing = false;
    }
    for (const auto* statements : {&t.afterLoad, &t.counters}) {
      for (const std::string& sql : *statements) {
        timed(context.targetTime, [&] {
          writer->execute(sql);
          return 0;
        });
      }
    }
    summary.indexes += t.afterLoad.size();
  }
  for (const std::string& sql : ddl.foreignKeys) {
    timed(context.targetTime, [&] {
      writer->execute(sql);
      return 0;
    });
  }
  summary.foreignKeys = ddl.foreignKeys.size();
  for (const TablePlan& t : plan.tables) {
    if (ddl.dialect == Dialect::SQLite) summary.foreignKeys += t.foreignKeys.size();
  }
  for (const ViewPlan& view : views) {
    if (!view.createView) {
      summary.notCarried.push_back("query " + view.name + ": " + view.reason);
      continue;
    }
    if (options.dropExisting) {
      writer->execute("DROP VIEW IF EXISTS " + view.qualifiedName + (ddl.dialect == Dialect::PostgreSQL ? " CASCADE" : ""));
    }
    // A view the target refuses (a type it will not compare, a name it
    // lacks) is listed with the target's reason; the rest of the run stands.
    std::string refused;
    if (executeOrRefuse(*writer, *view.createView, refused)) {
      summary.views.push_back(view.name);
    } else {
      summary.notCarried.push_back("query " + view.name + ": the target refused its view: " + refused);
    }
  }
  writer->commit(context);
  summary.tables = ddl.tables.size();
  summary.rows = context.rows;
  if (context.replacedUnits > 0) {
    summary.warnings.push_back(std::to_string(context.replacedUnits) +
                               " unpaired UTF-16 code unit(s) in text, which UTF-8 cannot carry, became U+FFFD");
  }
  summary.seconds = secondsOf(std::chrono::steady_clock::now() - start);
  summary.targetSeconds = secondsOf(context.targetTime);
  return summary;
}

std::string summaryText(const MigrationSummary& s, const Target& target) {
  char line[512];
  const double rate = s.seconds > 0 ? static_cast<double>(s.rows) / s.seconds : 0;
  std::snprintf(line, sizeof line,
                "Migrated %zu table(s), %llu row(s), %zu key(s) and index(es), %zu foreign key(s), %zu view(s) to %s "
                "in %.2f s (%.0f rows/s; %.2f s of it waiting on %s)\n",
                s.tables, static_cast<unsigned long long>(s.rows), s.indexes, s.foreignKeys, s.views.size(),
                describeTarget(target).c_str(), s.seconds, rate, s.targetSeconds, dialectName(target.dialect));
  std::string out = line;
  for (const std::string& w : s.warnings) out += "warning: " + w + "\n";
  for (const std::string& n : s.notCarried) out += "not carried: " + n + "\n";
  return out;
}

}  // namespace qbmigrate
