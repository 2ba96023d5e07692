// Problem collection with per-structure caps.
#include "tools/integrity_sink.h"

namespace jet {

const char* problemAreaName(ProblemArea area) noexcept {
  switch (area) {
    case ProblemArea::File:
      return "file";
    case ProblemArea::PageMap:
      return "page map";
    case ProblemArea::Catalog:
      return "catalog";
    case ProblemArea::TableDefinition:
      return "table definition";
    case ProblemArea::UsageMap:
      return "usage map";
    case ProblemArea::DataPage:
      return "data page";
    case ProblemArea::Row:
      return "row";
    case ProblemArea::LongValue:
      return "long value";
    case ProblemArea::Index:
      return "index";
    case ProblemArea::Counter:
      return "counter";
    case ProblemArea::Relationship:
      return "relationship";
  }
  return "unknown";
}

ProblemSink::ProblemSink(IntegrityReport& report, const IntegrityOptions& options)
    : report_(report),
      cap_(options.maxProblemsPerStructure == 0 ? 1 : options.maxProblemsPerStructure),
      strict_(options.strictness == IntegrityStrictness::Strict) {}

void ProblemSink::error(ProblemArea area, std::string message) {
  add(ProblemSeverity::Error, area, std::move(message));
}

void ProblemSink::oddity(ProblemArea area, std::string message) {
  add(strict_ ? ProblemSeverity::Error : ProblemSeverity::Warning, area, std::move(message));
}

void ProblemSink::add(ProblemSeverity severity, ProblemArea area, std::string message) {
  const bool isError = severity == ProblemSeverity::Error;
  ++(isError ? report_.errorCount : report_.warningCount);
  if (listed_ < cap_) {
    ++listed_;
    report_.problems.push_back(IntegrityProblem{severity, area, std::move(message)});
    return;
  }
  ++(isError ? hiddenErrors_ : hiddenWarnings_);
}

void ProblemSink::closeScope() {
  const std::size_t hidden = hiddenErrors_ + hiddenWarnings_;
  if (hidden > 0) {
    // The summary line is not counted again: its problems are in the counts already.
    std::string where = scope_.empty() ? "the file" : scope_;
    report_.problems.push_back(IntegrityProblem{
        hiddenErrors_ > 0 ? ProblemSeverity::Error : ProblemSeverity::Warning, ProblemArea::File,
        "... and " + std::to_string(hidden) + " more problem" + (hidden == 1 ? "" : "s") + " in " + where +
            " (" + std::to_string(hiddenErrors_) + " errors, " + std::to_string(hiddenWarnings_) +
            " warnings) not listed"});
  }
  listed_ = 0;
  hiddenErrors_ = hiddenWarnings_ = 0;
}

void ProblemSink::beginScope(std::string name) {
  closeScope();
  scope_ = std::move(name);
}

void ProblemSink::finish() {
  closeScope();
}

}  // namespace jet
