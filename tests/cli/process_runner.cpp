// Child processes with captured output: standard output and error go to files
// in a scratch folder, read back when the child has exited.
#include "process_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <cerrno>

#include <stdexcept>

#include "support/test_files.h"

extern char** environ;

namespace qbtest {

namespace {

pid_t spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv.at(0));
  return pid;
}

int reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> qbtoolArgv(const std::vector<std::string>& args) {
  std::vector<std::string> argv{QB_QBTOOL};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv) {
  TempDir dir;
  const std::string outPath = (dir / "stdout").string();
  const std::string errPath = (dir / "stderr").string();
  const pid_t pid = spawn(argv, outPath, errPath);
  ProcessResult result;
  result.exitCode = reap(pid);
  result.out = readFileBytes(outPath);
  result.err = readFileBytes(errPath);
  return result;
}

ProcessResult runQbtool(const std::vector<std::string>& args) { return runProcess(qbtoolArgv(args)); }

struct RunningQbtool::State {
  TempDir dir;
  pid_t pid = -1;
};

RunningQbtool::RunningQbtool(const std::vector<std::string>& args) : state_(std::make_unique<State>()) {
  state_->pid = spawn(qbtoolArgv(args), (state_->dir / "stdout").string(), (state_->dir / "stderr").string());
}

RunningQbtool::~RunningQbtool() {
  if (state_->pid < 0) return;
  kill();
  try {
    reap(state_->pid);
  } catch (const std::exception&) {
    // Nothing more to do about a child that cannot be waited for.
  }
}

void RunningQbtool::kill() {
  if (state_->pid > 0) ::kill(state_->pid, SIGKILL);
}

ProcessResult RunningQbtool::wait() {
  ProcessResult result;
  result.exitCode = reap(state_->pid);
  state_->pid = -1;
  result.out = readFileBytes(state_->dir / "stdout");
  result.err = readFileBytes(state_->dir / "stderr");
  return result;
}

}  // namespace qbtest
