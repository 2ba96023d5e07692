// Child processes with captured output: standard output and error go to files
// in a scratch folder, read back when the child has exited.
#include "process_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <fstream>

#include <stdexcept>

#include "support/test_files.h"

extern char** environ;

namespace qbtest {

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string* input) {
  TempDir dir;
  const std::string outPath = (dir / "stdout").string();
  const std::string errPath = (dir / "stderr").string();
  const std::string inPath = (dir / "stdin").string();
  if (input) std::ofstream(inPath, std::ios::binary) << *input;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input ? inPath.c_str() : "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv.at(0));

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed for " + argv.at(0));
  }
  ProcessResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readFileBytes(outPath);
  result.err = readFileBytes(errPath);
  return result;
}

ProcessResult runQbtool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{QB_QBTOOL};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProcess(argv);
}

ProcessResult runQbtoolWithInput(const std::vector<std::string>& args, const std::string& input) {
  std::vector<std::string> argv{QB_QBTOOL};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProcess(argv, &input);
}

}  // namespace qbtest
