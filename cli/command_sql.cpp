// qbtool sql: runs Access SQL statements. Queries write their rows in one of
// the export formats, or their plans with --explain; action statements
// (INSERT, UPDATE, DELETE, SELECT ... INTO, data definition) change the file
// and print how many rows they changed. Several statements (from standard
// input, separated by ';') give one result after another: a blank line
// between CSV or TSV results, one JSON array per line. Each action statement
// lands on its own, or with --transaction all of them land together or none.
#include <unistd.h>

#include <cstdio>
#include <set>

#include "commands.h"
#include "jet/error.h"
#include "jet/statement.h"
#include "jet/text.h"
#include "row_writer.h"

namespace qbtool {

namespace {

std::string readStandardInput() {
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0) throw jet::Error(jet::ErrorCode::Io, "Cannot read the statements from standard input");
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  return text;
}

struct Parameter {
  std::u16string name;
  std::u16string value;
  bool used = false;
};

std::vector<Parameter> parameters(const Arguments& args) {
  std::vector<Parameter> out;
  for (const std::string& p : args.values("--param")) {
    const auto eq = p.find('=');
    if (eq == std::string::npos || eq == 0) throw UsageError("--param needs NAME=VALUE, not '" + p + "'");
    out.push_back({jet::fromUtf8(p.substr(0, eq)), jet::fromUtf8(p.substr(eq + 1))});
  }
  return out;
}

// True when a statement of `statements` changes the file (or cannot be
// prepared before the others have run, as a query of a table an earlier
// statement makes): the file is then opened for writing.
bool changesFile(jet::Database& db, const std::vector<std::u16string>& statements) {
  for (const std::u16string& sql : statements) {
    try {
      if (!jet::Statement::prepare(db, sql).returnsRows()) return true;
    } catch (const jet::Error&) {
      return true;
    }
  }
  return false;
}

void writeRowsAffected(OutputBuffer& out, std::uint64_t rows) {
  out.write(std::to_string(rows) + (rows == 1 ? " row affected\n" : " rows affected\n"));
}

}  // namespace

int runSql(const Arguments& args, OutputBuffer& out) {
  ExportOptions options;
  if (auto format = args.value("--format"); format && !parseExportFormat(*format, options.format)) {
    throw UsageError("unknown format '" + *format + "' (csv, tsv or json)");
  }
  options.header = !args.has("--no-header");
  options.crlf = args.has("--crlf");
  std::vector<Parameter> given = parameters(args);

  const bool fromInput = args.operands().size() < 2 || args.operands()[1] == "-";
  const std::u16string text = jet::fromUtf8(fromInput ? readStandardInput() : args.operands()[1]);
  const std::vector<std::u16string> statements = jet::splitStatements(text);
  if (statements.empty()) throw UsageError("no statement given");

  const bool together = args.has("--transaction");
  auto db = openDatabase(args);
  if (!args.has("--explain") && changesFile(*db, statements)) {
    db.reset();
    db = openDatabaseForWriting(args);
  }
  if (together) db->beginTransaction();
  bool first = true;
  for (const std::u16string& sql : statements) {
    jet::Statement statement = jet::Statement::prepare(*db, sql);
    for (const jet::StatementParameter& p : statement.parameters()) {
      for (Parameter& g : given) {
        if (!jet::equalNamesNoCase(g.name, p.name)) continue;
        statement.setParameter(p.name, jet::Value::text(g.value));
        g.used = true;
      }
    }
    if (!first && options.format != ExportFormat::Json) out.put('\n');
    first = false;
    if (args.has("--explain")) {
      out.write(statement.explain());
      continue;
    }
    if (!statement.returnsRows()) {
      writeRowsAffected(out, statement.run().rowsAffected);
      continue;
    }
    const auto cursor = statement.execute();
    std::vector<std::u16string> names;
    for (const jet::ResultColumn& c : cursor->columns()) names.push_back(c.name);
    const auto writer = RowWriter::create(out, options);
    writer->begin(names);
    while (cursor->next()) writer->row(cursor->row());
    writer->end();
  }
  for (const Parameter& g : given) {
    if (!g.used) throw UsageError("--param " + jet::toUtf8(g.name) + ": no statement has a parameter of that name");
  }
  if (together) db->commitTransaction();
  return 0;
}

}  // namespace qbtool
