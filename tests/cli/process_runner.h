// Runs a program (qbtool, mdb-export) as a child process for the command-line
// tests and captures its standard output, standard error and exit status.
#pragma once

#include <string>
#include <vector>

namespace qbtest {

struct ProcessResult {
  int exitCode = -1;  // -1 when the process did not exit normally (killed by a signal)
  std::string out;
  std::string err;
};

// Runs argv[0] (searched in PATH when it has no slash) with the rest as its
// arguments, standard input from /dev/null (or holding `input`).
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string* input = nullptr);

// Runs the qbtool built beside the tests.
ProcessResult runQbtool(const std::vector<std::string>& args);
ProcessResult runQbtoolWithInput(const std::vector<std::string>& args, const std::string& input);

}  // namespace qbtest
