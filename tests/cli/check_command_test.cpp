// qbtool check as a script runs it: what it prints for sound, odd and damaged
// copies of real files, and its exit statuses.
#include <gtest/gtest.h>

#include <fstream>

#include "corpus_copies.h"
#include "process_runner.h"

namespace {

using qbtest::runQbtool;

class QbtoolCheck : public qbtest::CorpusCopies {
 protected:
  // Overwrites bytes of a copied file in place.
  static void patch(const std::string& file, std::streamoff offset, const std::string& bytes) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
};

TEST_F(QbtoolCheck, ASoundFileChecksCleanWithExitStatusZero) {
  const std::string db = copy("jackcess-V2000-compIndexTestV2000.mdb");
  const auto r = runQbtool({"check", db});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            db + ": no problems found (35 pages, 6 tables, 582 rows, 9 indexes, 3 long values checked)\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(runQbtool({"check", "--strict", db}).exitCode, 0);
}

TEST_F(QbtoolCheck, OdditiesAreWarningsUnlessStrict) {
  const std::string db = copy("jackcess-V2000-queryTestV2000.mdb");
  auto r = runQbtool({"check", db});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("warning: table 'MSysQueries' stores a row count of 82 but holds 90 rows\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(": 0 errors, 1 warning ("), std::string::npos) << r.out;

  r = runQbtool({"check", db, "--strict"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("error: table 'MSysQueries' stores a row count of 82 but holds 90 rows\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(": 1 error, 0 warnings ("), std::string::npos) << r.out;
}

TEST_F(QbtoolCheck, DamageGivesErrorsAndExitStatusOne) {
  // The autonumber counter of table 'Table' (definition page 53) set below the numbers it handed out.
  const std::string db = copy("jackcess-V2003-testUnicodeCompV2003.mdb");
  patch(db, 53 * 4096 + 20, std::string("\x03\x00\x00\x00", 4));
  auto r = runQbtool({"check", db});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(
      r.out.find("error: table 'Table': its autonumber counter is 3, below the largest number present (8)"),
      std::string::npos)
      << r.out;

  // A file cut in the middle of a page.
  const std::string cut = copy("jackcess-empty.mdb");
  std::ofstream(cut, std::ios::app | std::ios::binary) << std::string(100, '\0');
  r = runQbtool({"check", cut});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("error: the file's size (98404 bytes) is not a whole number of 4096-byte pages"),
            std::string::npos)
      << r.out;
}

TEST_F(QbtoolCheck, FilesThatCannotBeOpenedFailWithAMessage) {
  auto r = runQbtool({"check", (dir_ / "missing.mdb").string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err, "");

  const std::string protectedDb = copy("mdbreader-password-V2003_with-password.mdb");
  EXPECT_EQ(runQbtool({"check", protectedDb}).exitCode, 1);
  r = runQbtool({"check", protectedDb, "--password", "password"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;

  EXPECT_EQ(runQbtool({"check"}).exitCode, 2);
  EXPECT_EQ(runQbtool({"check", protectedDb, "extra"}).exitCode, 2);
}

}  // namespace
