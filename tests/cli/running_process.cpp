// A child qbtool started without waiting for it.
#include "running_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

#include "support/test_files.h"

extern char** environ;

namespace qbtest {

struct RunningQbtool::State {
  TempDir dir;
  pid_t pid = -1;
};

namespace {

int reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

RunningQbtool::RunningQbtool(const std::vector<std::string>& args) : state_(std::make_unique<State>()) {
  std::vector<std::string> argv{QB_QBTOOL};
  argv.insert(argv.end(), args.begin(), args.end());
  const std::string outPath = (state_->dir / "stdout").string();
  const std::string errPath = (state_->dir / "stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> pointers;
  for (const std::string& a : argv) pointers.push_back(const_cast<char*>(a.c_str()));
  pointers.push_back(nullptr);
  const int rc = posix_spawn(&state_->pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
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
