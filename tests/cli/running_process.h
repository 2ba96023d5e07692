// A qbtool running beside the test (a writer to kill, a reader to wait for),
// its output going to files in a scratch folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "process_runner.h"

namespace qbtest {

class RunningQbtool {
 public:
  explicit RunningQbtool(const std::vector<std::string>& args);
  // Kills it if it still runs.
  ~RunningQbtool();
  RunningQbtool(const RunningQbtool&) = delete;
  RunningQbtool& operator=(const RunningQbtool&) = delete;

  // Kills it at once (SIGKILL: no cleanup of any kind).
  void kill();
  // Waits for it to end and returns what it did.
  ProcessResult wait();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qbtest
