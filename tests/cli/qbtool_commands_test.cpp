// qbtool as a user runs it: exit statuses and messages for mistakes and
// failures, and the output of tables, count, schema and queries over copies
// of real files.
#include <gtest/gtest.h>

#include <fstream>

#include "corpus_copies.h"
#include "process_runner.h"
#include "support/test_files.h"

namespace {

using qbtest::runQbtool;

class QbtoolCommands : public qbtest::CorpusCopies {
 protected:
  std::string writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
};

// Usage mistakes: status 2, a message and the usage on standard error, nothing on standard output.
TEST_F(QbtoolCommands, UsageMistakesExitWithTwo) {
  const std::string db = copy("jackcess-V2000-testV2000.mdb");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "no command"},
      {{"frobnicate", db}, "unknown command 'frobnicate'"},
      {{"tables"}, "missing arguments"},
      {{"tables", db, "extra"}, "too many arguments"},
      {{"count", db}, "missing arguments"},
      {{"tables", "--bogus", db}, "unknown option --bogus"},
      {{"export", db, "Table1", "--format"}, "option --format needs a value"},
      {{"export", db, "Table1", "--format", "xml"}, "unknown format 'xml'"},
      {{"tables", "--system=yes", db}, "option --system takes no value"},
  };
  for (const auto& [args, message] : cases) {
    const auto r = runQbtool(args);
    SCOPED_TRACE(r.err);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("qbtool: " + message), std::string::npos);
    EXPECT_TRUE(r.err.find("usage: qbtool") != std::string::npos ||
                r.err.find("Try 'qbtool --help'") != std::string::npos);
  }
}

TEST_F(QbtoolCommands, HelpGoesToStandardOutput) {
  auto r = runQbtool({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  for (const char* command : {"tables", "schema", "count", "export", "queries", "--password"}) {
    EXPECT_NE(r.out.find(command), std::string::npos) << command;
  }
  r = runQbtool({"export", "--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("usage: qbtool export FILE TABLE"), std::string::npos) << r.out;
}

// Failures: status 1 and one line naming what went wrong.
TEST_F(QbtoolCommands, FailuresExitWithOneAndSayWhy) {
  const std::string missing = (dir_ / "no-such-file.mdb").string();
  auto r = runQbtool({"tables", missing});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.rfind("qbtool: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("no-such-file.mdb"), std::string::npos) << r.err;

  const std::string text = writeFile("notes.mdb", std::string(8192, 'x'));
  r = runQbtool({"tables", text});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("not an Access database"), std::string::npos) << r.err;

  const std::string empty = writeFile("empty.mdb", "");
  r = runQbtool({"count", empty, "T"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(r.err.empty());

  const std::string db = copy("jackcess-V2000-queryTestV2000.mdb");
  r = runQbtool({"export", db, "NoSuchTable"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("NoSuchTable"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());

  r = runQbtool({"count", db, "SelectQuery"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("\"SelectQuery\" is a saved query"), std::string::npos) << r.err;

  r = runQbtool({"export", copy("ucanaccess-linked.mdb"), "Table1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("linkee1.mdb"), std::string::npos) << r.err;
}

TEST_F(QbtoolCommands, PasswordIsCheckedEverywhere) {
  const std::string db = copy("mdbreader-password-V2003_with-password.mdb");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"count", db, "Table1"},
                                               {"tables", db},
                                               {"export", db, "Table1"},
                                               {"queries", db},
                                               {"schema", db}}) {
    auto without = runQbtool(args);
    EXPECT_EQ(without.exitCode, 1) << args[0];
    EXPECT_FALSE(without.err.empty());
    auto wrong = args;
    wrong.insert(wrong.end(), {"--password", "Password"});
    EXPECT_EQ(runQbtool(wrong).exitCode, 1) << args[0];
    auto right = args;
    right.insert(right.begin() + 1, "--password=password");
    auto r = runQbtool(right);
    EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
  }
  EXPECT_EQ(runQbtool({"count", db, "Table1", "--password", "password"}).out, "3\n");
  // A file without a password opens with an empty one.
  EXPECT_EQ(runQbtool({"count", copy("jackcess-V2000-compIndexTestV2000.mdb"), "Table1", "--password", ""}).exitCode, 0);
}

TEST_F(QbtoolCommands, TablesListsInTheProgramOrder) {
  const std::string db = copy("jackcess-V2000-queryTestV2000.mdb");
  EXPECT_EQ(runQbtool({"tables", db}).out, "Table1\nTable2\nTable3\nSelectQuery\n");
  EXPECT_EQ(runQbtool({"tables", "--long", db}).out, "TABLE\tTable1\nTABLE\tTable2\nTABLE\tTable3\nVIEW\tSelectQuery\n");
  const auto all = runQbtool({"tables", db, "--system"}).out;
  EXPECT_EQ(all.rfind("MSysAccessObjects\nMSysACEs\nMSysObjects\nMSysQueries\nMSysRelationships\nTable1\n", 0), 0u)
      << all;
  EXPECT_EQ(runQbtool({"tables", copy("ucanaccess-weirdObjectNames.mdb")}).out, "19 MB 01 BEZAHLT ???\n");
  const auto linked = runQbtool({"tables", copy("ucanaccess-linked.mdb")});
  EXPECT_EQ(linked.exitCode, 0);
  EXPECT_EQ(linked.out, "");
}

TEST_F(QbtoolCommands, CountGivesTheRowsPresent) {
  EXPECT_EQ(runQbtool({"count", copy("jackcess-V2000-compIndexTestV2000.mdb"), "Table1"}).out, "512\n");
  EXPECT_EQ(runQbtool({"count", copy("jackcess-V2000-testV2000.mdb"), "Table3"}).out, "0\n");
  // Names are found without regard to case; the tool takes options after operands.
  EXPECT_EQ(runQbtool({"count", copy("ucanaccess-weirdObjectNames.mdb"), "19 mb 01 bezahlt ???"}).exitCode, 0);
}

TEST_F(QbtoolCommands, SchemaShowsColumnsAndIndexes) {
  const std::string db = copy("jackcess-V2000-testV2000.mdb");
  auto r = runQbtool({"schema", db, "Table1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Table Table1\nColumns:\n", 0), 0u) << r.out;
  for (const char* line : {"  A  Text      50", "  C  Byte      1", "  H  Currency  8", "  I  Boolean"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }

  r = runQbtool({"schema", copy("jackcess-V2000-indexTestV2000.mdb"), "Table1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Indexes:\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("primary key"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("foreign key to Table"), std::string::npos) << r.out;

  r = runQbtool({"schema", copy("jackcess-V2000-fixedNumericTestV2000.mdb")});
  EXPECT_NE(r.out.find("Numeric(18,0)"), std::string::npos) << r.out;

  // Without a table: every user table, separated by a blank line.
  r = runQbtool({"schema", copy("jackcess-V2000-indexTestV2000.mdb")});
  EXPECT_NE(r.out.find("\n\nTable Table2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n\nTable Table3\n"), std::string::npos) << r.out;
}

TEST_F(QbtoolCommands, QueriesPrintNameKindAndSql) {
  const auto r = runQbtool({"queries", copy("jackcess-V2000-queryTestV2000.mdb")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("-- AppendQuery: Append\nINSERT INTO Table3 ( col2, col2, col3 )\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\n\n-- UpdateQuery: Update\nPARAMETERS [User Name] Text;\nUPDATE Table1\n"), std::string::npos);
  EXPECT_NE(r.out.find("-- PassthroughQuery: Pass-Through\nALTER TABLE Table4 DROP COLUMN col5;\n\n"),
            std::string::npos);
  EXPECT_TRUE(r.out.ends_with("WHERE ((([Table2].[col1]) Is Not Null));\n\n")) << r.out;
  EXPECT_EQ(runQbtool({"queries", copy("jackcess-empty.mdb")}).out, "");
}

}  // namespace
