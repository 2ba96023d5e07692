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

namespace {

using qbtool::Command;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printUsage(std::FILE* to) {
  std::fprintf(to, "usage: qbtool COMMAND ARGUMENTS... [--password P]\n\ncommands:\n");
  for (const Command& c : qbtool::allCommands()) {
    std::fprintf(to, "  qbtool %.*s %.*s\n      %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.usage.size()), c.usage.data(), static_cast<int>(c.summary.size()),
                 c.summary.data());
  }
  std::fprintf(to,
               "\nEvery command takes --password P for a database with a password, and --codepage N\n"
               "for an Access 97 file whose text is in another code page than its header names\n"
               "(874, 1250 to 1258).\n"
               "Export formats: csv (RFC 4180, LF line ends unless --crlf; fields quoted only when they\n"
               "hold a comma, a quote or a line break; the empty text is \"\" and Null an empty field),\n"
               "tsv (tab, newline, carriage return and backslash escaped as \\t \\n \\r \\\\), json (an\n"
               "array of objects, or of arrays with --no-header). Text is UTF-8, dates ISO 8601,\n"
               "Yes/No true/false, binary values hexadecimal, currency and decimals exact.\n");
}

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
