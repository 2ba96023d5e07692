// qbtool sql as a user runs it: a statement from the command line or several
// from standard input, the export formats, parameters, the plan, and errors
// on standard error with status 1.
#include <gtest/gtest.h>

#include "corpus_copies.h"
#include "process_runner.h"

namespace {

using qbtest::runQbtool;
using qbtest::runQbtoolWithInput;

class QbtoolSql : public qbtest::CorpusCopies {
 protected:
  std::string db() { return copy("jackcess-V2000-testV2000.mdb"); }
};

TEST_F(QbtoolSql, RunsAStatementInEachFormat) {
  const std::string file = db();
  const std::string sql = "SELECT A, C + 1 AS Next, G FROM Table1 ORDER BY A";
  auto r = runQbtool({"sql", file, sql});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "A,Next,G\na,1,1981-12-12T00:00:00\nabcdefg,3,1974-09-21T00:00:00\n");
  r = runQbtool({"sql", file, sql, "--format", "tsv", "--no-header"});
  EXPECT_EQ(r.out, "a\t1\t1981-12-12T00:00:00\nabcdefg\t3\t1974-09-21T00:00:00\n");
  r = runQbtool({"sql", file, sql, "--format", "json"});
  EXPECT_EQ(r.out,
            "[\n{\"A\":\"a\",\"Next\":1,\"G\":\"1981-12-12T00:00:00\"},\n"
            "{\"A\":\"abcdefg\",\"Next\":3,\"G\":\"1974-09-21T00:00:00\"}\n]\n");
  r = runQbtool({"sql", file, "SELECT Count(*) FROM Table1 WHERE A = 'x'", "--crlf"});
  EXPECT_EQ(r.out, "Expr1000\r\n0\r\n");
}

TEST_F(QbtoolSql, ReadsSeveralStatementsFromStandardInput) {
  const std::string file = db();
  const std::string input =
      "SELECT Count(*) AS n FROM Table1;\n"
      "PARAMETERS [Which] Text; SELECT B FROM Table1 WHERE A = [Which];\n"
      "SELECT 'semi;colon' AS s;\n";
  auto r = runQbtoolWithInput({"sql", file, "--param", "Which=a"}, input);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "n\n2\n\nB\nb\n\ns\nsemi;colon\n");
  r = runQbtoolWithInput({"sql", file, "-", "--param", "which=abcdefg", "--format", "json", "--no-header"}, input);
  EXPECT_EQ(r.out, "[\n[2]\n]\n[\n[\"hijklmnop\"]\n]\n[\n[\"semi;colon\"]\n]\n");
}

TEST_F(QbtoolSql, ExplainPrintsThePlan) {
  const std::string file = db();
  const auto r = runQbtool({"sql", file, "SELECT B FROM Table1 WHERE A = 'a'", "--explain"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Index seek on 'Table1' using index 'PrimaryKey' ((A = 'a');"), std::string::npos) << r.out;
}

TEST_F(QbtoolSql, FailuresGoToStandardErrorWithStatusOne) {
  const std::string file = db();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"sql", file, "SELECT A FROM Nowhere"},
       "qbtool: Cannot find the table or query 'Nowhere' named in the FROM clause in query at position 15\n"},
      {{"sql", file, "SELECT A B FROM Table1"},
       "qbtool: Syntax error (missing operator) in query expression 'A B' in query at position 10\n"},
      {{"sql", file, "SELECT A FROM Table1 WHERE A = [Which]"},
       "qbtool: No value given for one or more required parameters: 'Which'\n"},
  };
  for (const auto& [args, message] : cases) {
    const auto r = runQbtool(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, message);
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  auto r = runQbtool({"sql", file, "SELECT 1", "--param", "Nothing=1"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("qbtool: --param Nothing: no statement has a parameter of that name"), std::string::npos) << r.err;
  r = runQbtool({"sql", file, "SELECT 1", "--param", "oops"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("qbtool: --param needs NAME=VALUE, not 'oops'"), std::string::npos) << r.err;
  r = runQbtoolWithInput({"sql", file}, " ;\n ; ");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("qbtool: no statement given"), std::string::npos) << r.err;
}

}  // namespace

namespace {

TEST_F(QbtoolSql, ActionStatementsChangeTheFileAndSayHowManyRows) {
  const std::string file = db();
  auto r = runQbtool({"sql", file, "UPDATE Table1 SET B = B & '!', C = C + 10 WHERE A = 'a'"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "1 row affected\n");
  r = runQbtool({"sql", file, "INSERT INTO Table1 (A, B, C) SELECT A & '2', B, C FROM Table1"});
  EXPECT_EQ(r.out, "2 rows affected\n");
  r = runQbtool({"sql", file, "DELETE FROM Table1 WHERE A = 'abcdefg2'"});
  EXPECT_EQ(r.out, "1 row affected\n");
  // An independent reader sees the rows.
  r = qbtest::runProcess({"mdb-export", file, "Table1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"a\",\"b!\",10,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"a2\",\"b!\",10,"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("abcdefg2"), std::string::npos) << r.out;
  // The file's own oddities (a stale row count of MSysACEs, unused pages) are
  // all the checker finds.
  r = runQbtool({"check", file});
  EXPECT_NE(r.out.find(": 0 errors,"), std::string::npos) << r.out << r.err;
}

TEST_F(QbtoolSql, WithTransactionTheStatementsLandTogetherOrNotAtAll) {
  const std::string file = db();
  const std::string good = "UPDATE Table1 SET C = 7;\nSELECT * INTO Copy FROM Table1;\nSELECT Count(*) AS n FROM Copy;\n";
  auto r = runQbtoolWithInput({"sql", file, "--transaction"}, good);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "2 rows affected\n\n2 rows affected\n\nn\n2\n");

  // The third statement fails: the first two are undone with it.
  const std::string bad = "UPDATE Table1 SET C = 8;\nDELETE FROM Copy;\nINSERT INTO Nowhere VALUES (1);\n";
  r = runQbtoolWithInput({"sql", file, "--transaction"}, bad);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Nowhere"), std::string::npos) << r.err;
  r = runQbtool({"sql", file, "SELECT Count(*) AS n, Sum(C) AS s FROM Copy", "--no-header"});
  EXPECT_EQ(r.out, "2,14\n");
  r = runQbtool({"sql", file, "SELECT Sum(C) FROM Table1", "--no-header"});
  EXPECT_EQ(r.out, "14\n");

  // Without it each statement lands on its own, up to the one that fails.
  r = runQbtoolWithInput({"sql", file}, bad);
  EXPECT_EQ(r.exitCode, 1);
  r = runQbtool({"sql", file, "SELECT Count(*) FROM Copy", "--no-header"});
  EXPECT_EQ(r.out, "0\n");
}

}  // namespace
