// qbtool migrate and schema --dialect from the command line: mistakes in the
// command line are usage errors (exit 2) that touch nothing; the DDL printed
// for review is what a migration runs, with what is not carried listed.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/corpus_copies.h"
#include "cli/process_runner.h"

namespace qbtest {
namespace {

class MigrateCommand : public CorpusCopies {};

TEST_F(MigrateCommand, CommandLineMistakesAreUsageErrors) {
  const std::string file = copy("jackcess-V2000-indexTestV2000.mdb");
  const std::string target = "sqlite:" + (dir_ / "out.sqlite").string();
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{"migrate", file}, "--to is required"},
      {{"migrate", file, "--to", "mysql://x"}, "unknown target"},
      {{"migrate", file, "--to", "sqlite:"}, "names no file"},
      {{"migrate", file, "--to", target, "--schema", "s"}, "--schema is for PostgreSQL"},
      {{"migrate", file, "--to", target, "--tables", ","}, "--tables names no table"},
      {{"schema", file, "--dialect", "oracle"}, "unknown dialect"},
      {{"schema", file, "--schema", "s"}, "--schema goes with --dialect"},
  };
  for (const Case& c : cases) {
    const ProcessResult r = runQbtool(c.args);
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.sqlite"));
}

TEST_F(MigrateCommand, UnknownTableFailsAndWritesNothing) {
  const std::string file = copy("jackcess-V2000-indexTestV2000.mdb");
  const ProcessResult r =
      runQbtool({"migrate", file, "--to", "sqlite:" + (dir_ / "out.sqlite").string(), "--tables", "Table1,Nope"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("no table \"Nope\""), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.sqlite"));
}

TEST_F(MigrateCommand, SchemaDialectPrintsTheDdlOfAMigration) {
  const std::string file = copy("jackcess-V2000-indexTestV2000.mdb");
  const ProcessResult pg = runQbtool({"schema", file, "--dialect", "postgresql", "--schema", "Sales"});
  ASSERT_EQ(pg.exitCode, 0) << pg.err;
  EXPECT_NE(pg.out.find("CREATE SCHEMA IF NOT EXISTS \"Sales\""), std::string::npos);
  EXPECT_NE(pg.out.find("CREATE TABLE \"Sales\".\"Table1\""), std::string::npos);
  EXPECT_NE(pg.out.find("FOREIGN KEY (\"otherfk1\") REFERENCES \"Sales\".\"Table2\" (\"id\") ON DELETE CASCADE"),
            std::string::npos)
      << pg.out;
  // The keys and indexes come after the tables (they are built once the rows are in).
  EXPECT_LT(pg.out.rfind("CREATE TABLE"), pg.out.find("PRIMARY KEY"));

  const ProcessResult lite = runQbtool({"schema", file, "Table1", "--dialect", "sqlite"});
  ASSERT_EQ(lite.exitCode, 0) << lite.err;
  EXPECT_NE(lite.out.find("CREATE TABLE \"Table1\""), std::string::npos);
  EXPECT_EQ(lite.out.find("CREATE TABLE \"Table2\""), std::string::npos) << "one table named, one table printed";
  EXPECT_NE(lite.out.find("Not carried: relationship Table2Table1 of Table1: the table it refers to (Table2)"),
            std::string::npos)
      << lite.out;
}

TEST_F(MigrateCommand, SummaryListsWhatIsNotCarried) {
  const std::string file = copy("jackcess-V2000-queryTestV2000.mdb");
  const ProcessResult r = runQbtool({"migrate", file, "--to", "sqlite:" + (dir_ / "q.sqlite").string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Migrated 3 table(s)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("foreign key(s), 1 view(s) to"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("not carried: query SelectQuery:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("not carried: query DeleteQuery: it is a Delete query, not a select query"), std::string::npos);

  // The same view, for review, after the tables.
  const ProcessResult script = runQbtool({"schema", file, "--dialect", "postgresql"});
  ASSERT_EQ(script.exitCode, 0) << script.err;
  EXPECT_LT(script.out.rfind("CREATE TABLE"), script.out.find("CREATE VIEW \"public\".\"SelectQuery\""))
      << script.out;
  EXPECT_NE(script.out.find("-- Not carried: query UnionQuery: it takes parameters"), std::string::npos) << script.out;
}

}  // namespace
}  // namespace qbtest
