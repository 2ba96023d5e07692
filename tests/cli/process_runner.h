// Runs a program (qbtool, mdb-export) as a child process for the command-line
// tests and captures its standard output, standard error and exit status.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qbtest {

struct ProcessResult {
  int exitCode = -1;  // -1 when the process did not exit normally (killed by a signal)
  std::string out;
  std::string err;
};

// Runs argv[0] (searched in PATH when it has no slash) with the rest as its
// arguments, standard input from /dev/null.
ProcessResult runProcess(const std::vector<std::string>& argv);

// Runs the qbtool built beside the tests.
ProcessResult runQbtool(const std::vector<std::string>& args);

// A qbtool running beside the test, its output going to files in a scratch
// folder. The destructor kills it if it still runs.
class RunningQbtool {
 public:
  explicit RunningQbtool(const std::vector<std::string>& args);
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
