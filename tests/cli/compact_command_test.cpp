// qbtool compact as a user runs it: the file is replaced by its compacted copy
// and nothing else is left in the folder; a file another program has open, a
// wrong password or a file that is not a database leave the file
// exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "corpus_copies.h"
#include "jet/database.h"
#include "process_runner.h"
#include "support/test_files.h"

namespace {

using qbtest::runQbtool;

class CompactCommand : public qbtest::CorpusCopies {};

TEST_F(CompactCommand, ReplacesTheFileWithItsCompactedCopy) {
  const std::string db = copy("jackcess-V2000-testV2000.mdb");
  const auto tablesBefore = runQbtool({"tables", "--system", db}).out;
  const auto rowsBefore = runQbtool({"export", db, "Table1"}).out;
  const auto sizeBefore = std::filesystem::file_size(db);
  std::filesystem::permissions(db, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                       std::filesystem::perms::group_read);

  auto r = runQbtool({"compact", db});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("compacted from " + std::to_string(sizeBefore) + " to "), std::string::npos) << r.out;
  EXPECT_LT(std::filesystem::file_size(db), sizeBefore);
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"jackcess-V2000-testV2000.mdb"});
  EXPECT_EQ(std::filesystem::status(db).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);

  EXPECT_EQ(runQbtool({"tables", "--system", db}).out, tablesBefore);
  EXPECT_EQ(runQbtool({"export", db, "Table1"}).out, rowsBefore);
  r = runQbtool({"check", "--strict", db});
  EXPECT_EQ(r.exitCode, 0) << r.out;

  // Compacting a compacted file changes nothing of its size.
  const auto compacted = std::filesystem::file_size(db);
  ASSERT_EQ(runQbtool({"compact", db}).exitCode, 0);
  EXPECT_EQ(std::filesystem::file_size(db), compacted);
}

TEST_F(CompactCommand, APasswordFileNeedsItsPassword) {
  const std::string db = copy("mdbreader-password-V2003_with-password.mdb");
  const std::string before = qbtest::readFileBytes(db);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"compact", db}, {"compact", db, "--password", "Password"}}) {
    const auto r = runQbtool(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Not a valid password"), std::string::npos) << r.err;
  }
  EXPECT_EQ(qbtest::readFileBytes(db), before);
  EXPECT_EQ(folderEntries().size(), 1u);

  const auto r = runQbtool({"compact", db, "--password", "password"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(runQbtool({"count", db, "Table1", "--password", "password"}).out, "3\n");
  EXPECT_EQ(runQbtool({"count", db, "Table1"}).exitCode, 1);
}

// A program that has the file open, writing or only reading, would go on
// with the old file once the compacted copy replaced it.
TEST_F(CompactCommand, RefusesAFileAnotherProgramHasOpen) {
  const std::string db = copy("jackcess-V2000-delTestV2000.mdb");
  const std::string before = qbtest::readFileBytes(db);
  for (const bool readOnly : {false, true}) {
    jet::OpenOptions options;
    options.readOnly = readOnly;
    const auto holder = jet::Database::open(db, options);
    const auto r = runQbtool({"compact", db});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("it is open in another program"), std::string::npos) << r.err;
  }
  EXPECT_EQ(qbtest::readFileBytes(db), before);
  EXPECT_EQ(folderEntries().size(), 1u);
}

TEST_F(CompactCommand, AMissingFileOrOneThatIsNoDatabaseFailsAndNothingChanges) {
  auto r = runQbtool({"compact", (dir_ / "missing.mdb").string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;

  const std::string path = (dir_ / "notes.mdb").string();
  std::ofstream(path, std::ios::binary) << std::string(8192, 'x');
  r = runQbtool({"compact", path});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("not an Access database"), std::string::npos) << r.err;
  EXPECT_EQ(qbtest::readFileBytes(path), std::string(8192, 'x'));
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"notes.mdb"});
}

}  // namespace
