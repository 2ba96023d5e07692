// The table of qbtool commands and the helpers they share: opening the
// database and a table named on the command line.
#include <algorithm>
#include <charconv>
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
      {"schema", "FILE [TABLE] [--dialect postgresql|sqlite]",
       "columns and indexes of one table or of every user table (--dialect: the DDL a migration runs)",
       {{"--dialect", true}, {"--schema", true}}, 1, 2, runSchema},
      {"count", "FILE TABLE", "number of rows in a table", {}, 2, 2, runCount},
      {"export", "FILE TABLE [--format csv|tsv|json] [--no-header] [--crlf]",
       "write a table's rows to standard output",
       {{"--format", true}, {"--no-header"}, {"--crlf"}}, 2, 2, runExport},
      {"queries", "FILE", "saved queries with their kind and SQL", {}, 1, 1, runQueries},
      {"sql",
       "FILE [STATEMENT|-] [--format csv|tsv|json] [--no-header] [--crlf] [--param NAME=VALUE]... [--explain] "
       "[--transaction]",
       "run Access SQL statements (from standard input when no STATEMENT or '-': several separated by ';'); "
       "queries print their rows, action statements the number of rows affected; --explain prints the plan "
       "instead; --transaction makes the statements land together or not at all",
       {{"--format", true}, {"--no-header"}, {"--crlf"}, {"--param", true}, {"--explain"}, {"--transaction"}}, 1, 2,
       runSql},
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
      {"migrate", "FILE --to postgresql://USER@HOST:PORT/DB|sqlite:PATH [--schema S] [--tables T,...] [--drop-existing]",
       "copy the tables, keys, indexes, relationships and rows into PostgreSQL or SQLite in one atomic run "
       "(a PostgreSQL password comes from the URL, PGPASSWORD or ~/.pgpass; --drop-existing replaces tables of the "
       "same names and what depends on them)",
       {{"--to", true}, {"--schema", true}, {"--tables", true}, {"--drop-existing"}}, 1, 1, runMigrate},
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

// --password and --codepage, which every command that opens a file takes.
jet::OpenOptions openOptions(const Arguments& args) {
  jet::OpenOptions options;
  if (auto password = args.value("--password")) options.password = jet::fromUtf8(*password);
  if (auto codePage = args.value("--codepage")) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(codePage->data(), codePage->data() + codePage->size(), value);
    if (ec != std::errc{} || end != codePage->data() + codePage->size() || value == 0 || value > 65535) {
      throw UsageError("--codepage takes a Windows code page number such as 1252, not '" + *codePage + "'");
    }
    options.codePage = static_cast<std::uint16_t>(value);
  }
  return options;
}

}  // namespace

std::unique_ptr<jet::Database> openDatabase(const Arguments& args) {
  jet::OpenOptions options = openOptions(args);
  options.readOnly = true;
  auto db = jet::Database::open(args.operands().at(0), options);
  reportNotices(*db);
  return db;
}

std::unique_ptr<jet::Database> openDatabaseForWriting(const Arguments& args) {
  const jet::OpenOptions options = openOptions(args);
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
