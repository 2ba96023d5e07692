// The table of qbtool commands and the helpers they share: opening the
// database and a table named on the command line.
#include <algorithm>
#include <cstdio>

#include "commands.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"

namespace qbtool {

std::span<const Command> allCommands() {
  static const std::vector<Command> kCommands = {
      {"tables", "[--system] [--long] FILE",
       "list tables and saved select queries (--long: with their kind)",
       {{"--system"}, {"--long"}, {"-l"}}, 1, 1, runTables},
      {"schema", "FILE [TABLE]", "columns and indexes of one table or of every user table", {}, 1, 2, runSchema},
      {"count", "FILE TABLE", "number of rows in a table", {}, 2, 2, runCount},
      {"export", "FILE TABLE [--format csv|tsv|json] [--no-header] [--crlf]",
       "write a table's rows to standard output",
       {{"--format", true}, {"--no-header"}, {"--crlf"}}, 2, 2, runExport},
      {"queries", "FILE", "saved queries with their kind and SQL", {}, 1, 1, runQueries},
      {"check", "[--strict] FILE",
       "check the whole file's integrity; exit status 1 when errors are found (--strict: oddities too)",
       {{"--strict"}}, 1, 1, runCheck},
      {"recover", "FILE", "undo a write a crashed program left unfinished, and say what was done", {}, 1, 1,
       runRecover},
      {"insert", "FILE TABLE [--csv FILE|-]",
       "insert CSV rows (a header line names the columns; an empty unquoted field is Null)",
       {{"--csv", true}}, 2, 2, runInsert},
      {"update", "FILE TABLE --where-rownum N COLUMN=VALUE...",
       "change columns of the Nth row (as export lists them); COLUMN= sets Null",
       {{"--where-rownum", true}}, 3, 1000, runUpdate},
      {"delete", "FILE TABLE --where-rownum N", "delete the Nth row (as export lists them)",
       {{"--where-rownum", true}}, 2, 2, runDelete},
      {"create-table", "FILE 'Name(column TYPE[(size)] [NOT NULL] [PRIMARY KEY] [UNIQUE], ...)'",
       "create a table (types: TEXT(n) MEMO BYTE SHORT LONG COUNTER CURRENCY SINGLE DOUBLE DATETIME "
       "YESNO BINARY(n) OLEOBJECT GUID DECIMAL(p,s))",
       {}, 2, 2, runCreateTable},
      {"drop-table", "FILE TABLE", "delete a table and all its rows", {}, 2, 2, runDropTable},
      {"create", "FILE", "create a blank database (FILE must not exist; --password sets one)", {}, 1, 1, runCreate},
      {"compact", "FILE", "rewrite the file densely in place (deleted rows and free pages dropped)", {}, 1, 1,
       runCompact},
  };
  return kCommands;
}

const Command* findCommand(std::string_view name) {
  const auto commands = allCommands();
  const auto it = std::find_if(commands.begin(), commands.end(), [&](const Command& c) { return c.name == name; });
  return it == commands.end() ? nullptr : &*it;
}

namespace {

void reportNotices(jet::Database& db) {
  for (const std::string& notice : db.takeNotices()) std::fprintf(stderr, "qbtool: %s\n", notice.c_str());
}

}  // namespace

std::unique_ptr<jet::Database> openDatabase(const Arguments& args) {
  jet::OpenOptions options;
  options.readOnly = true;
  if (auto password = args.value("--password")) options.password = jet::fromUtf8(*password);
  auto db = jet::Database::open(args.operands().at(0), options);
  reportNotices(*db);
  return db;
}

std::unique_ptr<jet::Database> openDatabaseForWriting(const Arguments& args) {
  jet::OpenOptions options;
  if (auto password = args.value("--password")) options.password = jet::fromUtf8(*password);
  auto db = jet::Database::open(args.operands().at(0), options);
  reportNotices(*db);
  if (db->isReadOnly()) {
    throw jet::Error(jet::ErrorCode::ReadOnly,
                     "Cannot change '" + args.operands().at(0) + "': it is read-only (" + db->readOnlyReason() + ")");
  }
  return db;
}

std::shared_ptr<jet::Table> openTable(jet::Database& db, const std::string& name) {
  const std::u16string wanted = jet::fromUtf8(name);
  if (!db.hasTable(wanted)) {
    for (const jet::CatalogObject& object : db.catalog()) {
      if (object.type == kSavedQueryObject && jet::equalNamesNoCase(object.name, wanted)) {
        throw jet::Error(jet::ErrorCode::Unsupported,
                         "\"" + name + "\" is a saved query; only tables can be read by this command");
      }
    }
  }
  return db.table(wanted);
}

void writeText(OutputBuffer& out, std::u16string_view text) { out.write(jet::toUtf8(text)); }

}  // namespace qbtool
