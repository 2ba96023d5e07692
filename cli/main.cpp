// qbtool: command-line access to the engine. Finds the command, parses its
// arguments, runs it with standard output behind a large buffer, and turns
// failures into a message on standard error and an exit status: 0 success,
// 1 failure, 2 a mistake in the command line.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "commands.h"
#include "help_text.h"
#include "jet/version.h"

namespace {

using qbtool::Command;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printUsage(std::FILE* to) { std::fputs(qbtool::helpText().c_str(), to); }

void printCommandUsage(std::FILE* to, const Command& c) {
  std::fprintf(to, "usage: qbtool %.*s %.*s [--password P]\n", static_cast<int>(c.name.size()), c.name.data(),
               static_cast<int>(c.usage.size()), c.usage.data());
}

int usageError(const std::string& message, const Command* command) {
  std::fprintf(stderr, "qbtool: %s\n", message.c_str());
  if (command) {
    printCommandUsage(stderr, *command);
  } else {
    std::fprintf(stderr, "Try 'qbtool --help'.\n");
  }
  return kExitUsage;
}

int run(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) return usageError("no command given", nullptr);
  if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    printUsage(stdout);
    return 0;
  }
  // The help as a manual page and as bash completion (the package installs both).
  if (words[0] == "--man" && words.size() == 1) {
    std::fputs(qbtool::manPage(jet::engineVersion()).c_str(), stdout);
    return 0;
  }
  if (words[0] == "--bash-completion" && words.size() == 1) {
    std::fputs(qbtool::bashCompletion().c_str(), stdout);
    return 0;
  }
  const Command* command = qbtool::findCommand(words[0]);
  if (!command) return usageError("unknown command '" + words[0] + "'", nullptr);

  std::vector<qbtool::OptionSpec> accepted = command->options;
  accepted.push_back({"--password", true});
  accepted.push_back({"--codepage", true});
  accepted.push_back({"--help"});
  accepted.push_back({"-h"});
  try {
    const auto args = qbtool::Arguments::parse(std::span(words).subspan(1), accepted);
    if (args.has("--help") || args.has("-h")) {
      printCommandUsage(stdout, *command);
      return 0;
    }
    const std::size_t n = args.operands().size();
    if (n < command->minOperands) return usageError("missing arguments", command);
    if (n > command->maxOperands) return usageError("too many arguments", command);
    qbtool::OutputBuffer out(STDOUT_FILENO);
    const int status = command->run(args, out);
    out.flush();
    return status;
  } catch (const qbtool::UsageError& e) {
    return usageError(e.what(), command);
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {  // jet::Error and the standard library's
    std::fprintf(stderr, "qbtool: %s\n", e.what());
  }
  return kExitFailure;
}
