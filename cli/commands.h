// qbtool's commands: each is a name, a usage line, the options it accepts and
// a function that runs it. Adding a command is one entry in the table of
// command_table.cpp and one function in a command_<name>.cpp file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.h"
#include "jet/database.h"
#include "output_buffer.h"

namespace qbtool {

// Catalog object types the commands look at.
constexpr std::int16_t kLocalTableObject = 1;
constexpr std::int16_t kSavedQueryObject = 5;

struct Command {
  std::string_view name;
  std::string_view usage;    // operands and options after the name
  std::string_view summary;  // one line for the list of commands
  std::vector<OptionSpec> options;  // besides --password and --help, which every command takes
  std::size_t minOperands = 0;
  std::size_t maxOperands = 0;
  // Writes the result to `out`; failures are thrown (jet::Error, UsageError).
  // Returns the exit status.
  int (*run)(const Arguments& args, OutputBuffer& out) = nullptr;
};

std::span<const Command> allCommands();
const Command* findCommand(std::string_view name);

// Opens the database named by the first operand, read-only, with the
// --password option when given. What opening did about an interrupted write
// (undone, its journal set aside, the file shown as before it) goes to
// standard error.
std::unique_ptr<jet::Database> openDatabase(const Arguments& args);

// Opens the database named by the first operand for writing; fails (ReadOnly,
// with the reason) when it can only be read.
std::unique_ptr<jet::Database> openDatabaseForWriting(const Arguments& args);

// Opens a table by name for reading; a saved query of that name gets a
// message saying that only tables can be read this way.
std::shared_ptr<jet::Table> openTable(jet::Database& db, const std::string& name);

// Writes UTF-16 text as UTF-8.
void writeText(OutputBuffer& out, std::u16string_view text);

int runTables(const Arguments& args, OutputBuffer& out);
int runSchema(const Arguments& args, OutputBuffer& out);
int runCount(const Arguments& args, OutputBuffer& out);
int runExport(const Arguments& args, OutputBuffer& out);
int runQueries(const Arguments& args, OutputBuffer& out);
int runCheck(const Arguments& args, OutputBuffer& out);
int runRecover(const Arguments& args, OutputBuffer& out);
int runInsert(const Arguments& args, OutputBuffer& out);
int runUpdate(const Arguments& args, OutputBuffer& out);
int runDelete(const Arguments& args, OutputBuffer& out);
int runCreateTable(const Arguments& args, OutputBuffer& out);
int runDropTable(const Arguments& args, OutputBuffer& out);
int runCreate(const Arguments& args, OutputBuffer& out);
int runCompact(const Arguments& args, OutputBuffer& out);
int runSql(const Arguments& args, OutputBuffer& out);
int runMigrate(const Arguments& args, OutputBuffer& out);

}  // namespace qbtool
