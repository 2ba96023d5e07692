// qbtool create as a user runs it: a new file that the other commands and
// mdbtools read and that takes tables and rows; and the refusals (a file that
// exists, a folder that cannot be written or does not exist), which leave
// nothing behind and touch nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "process_runner.h"
#include "support/test_files.h"

namespace {

using qbtest::runQbtool;

bool mdbtoolsInstalled() { return qbtest::runProcess({"mdb-tables", "--version"}).exitCode == 0; }

TEST(CreateCommand, NewFileIsReadByQbtoolAndMdbtoolsAndTakesRows) {
  qbtest::TempDir dir;
  const std::string db = (dir / "blank.mdb").string();
  auto r = runQbtool({"create", db});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "database '" + db + "' created\n");
  r = runQbtool({"tables", db});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  r = runQbtool({"check", "--strict", db});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;

  r = runQbtool({"create-table", db, "People(ID COUNTER PRIMARY KEY, Name TEXT(30) NOT NULL, Born DATETIME)"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string csv = (dir / "people.csv").string();
  std::ofstream(csv, std::ios::binary) << "Name,Born\nAda,1815-12-10T00:00:00\n\"Grace, Admiral\",1906-12-09T00:00:00\n";
  r = runQbtool({"insert", db, "People", "--csv", csv});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = runQbtool({"export", db, "People"});
  EXPECT_EQ(r.out, "ID,Name,Born\n1,Ada,1815-12-10T00:00:00\n2,\"Grace, Admiral\",1906-12-09T00:00:00\n");
  r = runQbtool({"check", "--strict", db});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;

  if (!mdbtoolsInstalled()) return;
  r = qbtest::runProcess({"mdb-tables", "-1", db});
  EXPECT_EQ(r.out, "People\n");
  r = qbtest::runProcess({"mdb-schema", db});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("CREATE TABLE [People]"), std::string::npos) << r.out;
  r = qbtest::runProcess({"mdb-export", db, "People"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"Grace, Admiral\""), std::string::npos) << r.out;
}

TEST(CreateCommand, PasswordProtectsTheNewFile) {
  qbtest::TempDir dir;
  const std::string db = (dir / "locked.mdb").string();
  ASSERT_EQ(runQbtool({"create", db, "--password", "geheim"}).exitCode, 0);
  EXPECT_EQ(runQbtool({"tables", db}).exitCode, 1);
  EXPECT_EQ(runQbtool({"tables", db, "--password", "geheim"}).exitCode, 0);
}

TEST(CreateCommand, ExistingFileIsRefusedAndUnchanged) {
  qbtest::TempDir dir;
  const std::string path = (dir / "taken.mdb").string();
  std::ofstream(path, std::ios::binary) << "someone's data";
  const auto r = runQbtool({"create", path});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("exists already"), std::string::npos) << r.err;
  EXPECT_EQ(qbtest::readFileBytes(path), "someone's data");
}

TEST(CreateCommand, FolderThatCannotBeWrittenIsReportedAndLeftEmpty) {
  qbtest::TempDir dir;
  const auto missing = runQbtool({"create", (dir / "no such folder" / "x.mdb").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Cannot create the database"), std::string::npos) << missing.err;

  // A folder this user may not write in: a locked one of ours, or for the
  // superuser, whom permissions do not stop, a system folder that takes no files.
  std::filesystem::path locked = dir / "locked";
  if (::geteuid() == 0) {
    locked = "/sys";
    if (!std::filesystem::is_directory(locked)) GTEST_SKIP() << "no folder the superuser cannot write";
  } else {
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  }
  const auto r = runQbtool({"create", (locked / "x.mdb").string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Cannot create the database"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("denied"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(locked / "x.mdb"));
  if (locked != "/sys") std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

}  // namespace
