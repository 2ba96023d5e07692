// qbtool check: the engine's integrity checker over a whole database. One line
// per problem ("error: ..." or "warning: ..."), then a summary line. The exit
// status is 1 when an error was found and 0 otherwise: warnings are oddities
// that files written by Microsoft's software carry without harm, and --strict
// counts them as errors.
#include <string>

#include "commands.h"
#include "jet/integrity.h"

namespace qbtool {

namespace {

std::string counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int runCheck(const Arguments& args, OutputBuffer& out) {
  const auto db = openDatabase(args);
  jet::IntegrityOptions options;
  if (args.has("--strict")) options.strictness = jet::IntegrityStrictness::Strict;
  const jet::IntegrityReport report = jet::checkIntegrity(*db, options);

  for (const jet::IntegrityProblem& p : report.problems) {
    out.write(p.severity == jet::ProblemSeverity::Error ? "error: " : "warning: ");
    out.write(p.message);
    out.put('\n');
  }
  std::string summary = args.operands().at(0) + ": ";
  if (report.clean()) {
    summary += "no problems found";
  } else {
    summary += counted(report.errorCount, "error", "errors") + ", " +
               counted(report.warningCount, "warning", "warnings");
  }
  summary += " (" + counted(report.pageCount, "page", "pages") + ", " +
             counted(report.tableCount, "table", "tables") + ", " + counted(report.rowCount, "row", "rows") +
             ", " + counted(report.indexCount, "index", "indexes") + ", " +
             counted(report.longValueCount, "long value", "long values") + " checked";
  if (report.indexesNotReencoded > 0) {
    summary += "; the keys of " + counted(report.indexesNotReencoded, "index", "indexes") +
               " in a sort order this program cannot build were not compared";
  }
  summary += ")\n";
  out.write(summary);
  return report.hasErrors() ? 1 : 0;
}

}  // namespace qbtool
