// Where the integrity checker's findings go: the report's problem list, with
// the severity decided by the checker's strictness, and a cap per structure so
// one badly damaged table cannot bury everything else.
#pragma once

#include <cstddef>
#include <string>

#include "jet/integrity.h"

namespace jet {

class ProblemSink {
 public:
  ProblemSink(IntegrityReport& report, const IntegrityOptions& options);

  // Damage, or a state a writer would make worse.
  void error(ProblemArea area, std::string message);
  // Something files written by Microsoft's engine carry without harm: a
  // warning, or an error in strict mode.
  void oddity(ProblemArea area, std::string message);

  // Starts counting problems for one structure ("table 'Orders'"); problems past
  // the cap are counted and summed up when the next scope starts or on finish().
  void beginScope(std::string name);
  void finish();

  IntegrityReport& report() { return report_; }

 private:
  void add(ProblemSeverity severity, ProblemArea area, std::string message);
  void closeScope();

  IntegrityReport& report_;
  std::size_t cap_;
  bool strict_;
  std::string scope_;
  std::size_t listed_ = 0;
  std::size_t hiddenErrors_ = 0;
  std::size_t hiddenWarnings_ = 0;
};

}  // namespace jet
