// qbtool's write commands as a user runs them: a table created, filled from
// CSV (what export writes reads back in), changed and emptied row by row and
// dropped; and the mistakes: bad CSV, values the engine refuses (nothing of
// the file changes), rows that do not exist, read-only files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "corpus_copies.h"
#include "jet/database.h"
#include "csv_reader.h"
#include "process_runner.h"
#include "support/test_files.h"

namespace {

using qbtest::runQbtool;

class WriteCommands : public qbtest::CorpusCopies {
 protected:
  std::string file(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }
  std::string exportCsv(const std::string& db, const std::string& table) {
    const auto r = runQbtool({"export", db, table});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }
};

TEST_F(WriteCommands, CreateInsertUpdateDeleteAndDropATable) {
  const std::string db = copy("jackcess-empty.mdb");
  auto r = runQbtool({"create-table", db,
                      "[My Orders](ID COUNTER PRIMARY KEY, Name TEXT(20) NOT NULL, Price DECIMAL(10,2), "
                      "Paid YESNO, Raw BINARY(4), Notes MEMO, Code GUID UNIQUE)"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "table 'My Orders' created\n");

  const std::string csv = file("in.csv",
                               "Name,Price,Paid,Raw,Notes\r\n"
                               "alpha,12.345,true,0a0B,\"two\nlines\"\r\n"
                               "\"be,ta\",,false,,\"\"\r\n"
                               "gamma,-1,no,ff,plain\n");
  r = runQbtool({"insert", db, "My Orders", "--csv", csv});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "3 rows inserted\n");
  EXPECT_EQ(exportCsv(db, "My Orders"),
            "ID,Name,Price,Paid,Raw,Notes,Code\n"
            "1,alpha,12.34,true,0A0B,\"two\nlines\",\n"
            "2,\"be,ta\",,false,,\"\",\n"
            "3,gamma,-1.00,false,FF,plain,\n");

  r = runQbtool({"update", db, "My Orders", "--where-rownum", "2", "Price=7.5", "Notes=", "Paid=yes"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "1 row updated\n");
  r = runQbtool({"delete", db, "My Orders", "--where-rownum", "1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(exportCsv(db, "My Orders"),
            "ID,Name,Price,Paid,Raw,Notes,Code\n"
            "2,\"be,ta\",7.50,true,,,\n"
            "3,gamma,-1.00,false,FF,plain,\n");

  // What export writes, insert reads: a copy of the rows into a second table.
  r = runQbtool({"create-table", db, "Copy(ID LONG, Name TEXT(20), Price DECIMAL(10,2), Paid YESNO, Raw BINARY(4), "
                                     "Notes MEMO, Code GUID)"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = runQbtool({"insert", db, "Copy", "--csv", file("copy.csv", exportCsv(db, "My Orders"))});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(qbtest::parseCsv(exportCsv(db, "Copy")), qbtest::parseCsv(exportCsv(db, "My Orders")));

  r = runQbtool({"drop-table", db, "My Orders"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = runQbtool({"tables", db});
  EXPECT_EQ(r.out, "Copy\n");
}

TEST_F(WriteCommands, ARefusedRowLeavesTheFileAsItWas) {
  const std::string db = copy("jackcess-empty.mdb");
  ASSERT_EQ(runQbtool({"create-table", db, "T(Name TEXT(5) NOT NULL, Qty BYTE)"}).exitCode, 0);
  const std::string before = qbtest::readFileBytes(db);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Name,Qty\nok,1\ntoolong,2\n", "line 3: The value for field 'Name' of table 'T' is 7 characters long"},
      {"Name,Qty\nok,1\nx,300\n", "line 3: Cannot store '300' in field 'Qty'"},
      {"Name,Qty\nok,1\n,2\n", "line 3: The field 'Name' of table 'T' is required"},
      {"Name,Qty\nok,1\nx\n", "line 3 has 1 fields; the header names 2"},
      {"Name,Nope\n", "table 'T' has no column 'Nope'"},
      {"Name,Qty\n\"ok,1\n", "a quoted field is not closed"},
      {"Name,Qty\no\"k,1\n", "a quote inside an unquoted field"},
  };
  for (const auto& [csv, message] : cases) {
    const auto r = runQbtool({"insert", db, "T", "--csv", file("bad.csv", csv)});
    SCOPED_TRACE(csv);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(qbtest::readFileBytes(db), before);
    EXPECT_FALSE(std::filesystem::exists(db + "-journal"));
  }
}

TEST_F(WriteCommands, MistakesInRowsColumnsAndDefinitions) {
  const std::string db = copy("jackcess-empty.mdb");
  ASSERT_EQ(runQbtool({"create-table", db, "T(Name TEXT(5))"}).exitCode, 0);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"delete", db, "T", "--where-rownum", "1"}, "has 0 rows, no row 1"},
      {{"delete", db, "T"}, "--where-rownum N is required"},
      {{"delete", db, "T", "--where-rownum", "0"}, "a row number from 1 up"},
      {{"update", db, "T", "--where-rownum", "1", "Name"}, "is not COLUMN=VALUE"},
      {{"create-table", db, "U(a FOO)"}, "unknown type 'FOO'"},
      {{"create-table", db, "U(a TEXT(5)"}, "')' expected"},
      {{"create-table", db, "t(a LONG)"}, "already names a table"},
      {{"drop-table", db, "MSysObjects"}, "system table"},
      {{"insert", db, "MSysACEs", "--csv", file("e.csv", "ACM\n1\n")}, "system table"},
  };
  for (const auto& [args, message] : cases) {
    const auto r = runQbtool(args);
    SCOPED_TRACE(args[0]);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  }
}

TEST_F(WriteCommands, AFileAnotherProgramWritesIsNotChanged) {
  const std::string db = copy("jackcess-empty.mdb");
  const auto writer = jet::Database::open(db);
  ASSERT_FALSE(writer->isReadOnly());
  writer->beginTransaction();  // holds the writer's lock
  const std::string before = qbtest::readFileBytes(db);
  const auto r = runQbtool({"create-table", db, "T(a LONG)"});  // waits its few seconds, then gives up
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("being written by another program; nothing was changed"), std::string::npos) << r.err;
  EXPECT_EQ(qbtest::readFileBytes(db), before);
  writer->rollbackTransaction();
  EXPECT_EQ(runQbtool({"create-table", db, "T(a LONG)"}).exitCode, 0);
}

}  // namespace
