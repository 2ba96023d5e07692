// Several programs on one file, as users run them: qbtool readers while
// another qbtool commits batches, a writer killed at any moment while a reader
// reads, and the journals a crash leaves (undone by any opener that may write,
// set aside when the file was replaced, undone on purpose by qbtool recover).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "corpus_copies.h"
#include "csv_reader.h"
#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"
#include "process_runner.h"
#include "running_process.h"
#include "support/interrupted_write.h"
#include "support/test_files.h"

namespace {

using qbtest::runQbtool;

constexpr std::size_t kBatch = 400;

class Sharing : public qbtest::CorpusCopies {
 protected:
  // A new database with an empty table T(ID, Name).
  std::string newDatabase() {
    const std::string db = (dir_ / "shared.mdb").string();
    EXPECT_EQ(runQbtool({"create", db}).exitCode, 0);
    const auto r = runQbtool({"create-table", db, "T(ID LONG, Name TEXT(40))"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return db;
  }
  // A CSV file of kBatch rows numbered from `first`.
  std::string batch(std::size_t first) {
    const std::string path = (dir_ / ("batch" + std::to_string(first) + ".csv")).string();
    std::ofstream out(path, std::ios::binary);
    out << "ID,Name\n";
    for (std::size_t i = first; i < first + kBatch; ++i) out << i << ",row number " << i << "\n";
    return path;
  }
  static std::size_t countOf(const qbtest::ProcessResult& r) { return std::stoul(r.out); }
  void put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  // Puts `crash` (of the corpus file `corpusName`) at `db` with its journal:
  // `qbtool count` gives the rows from before the write, says it undid it,
  // and leaves the file as it was before, without the journal.
  void expectCountUndoes(const qbtest::InterruptedWrite& crash, const std::string& corpusName,
                         const std::string& db, const std::string& table) {
    ASSERT_NE(crash.crashed, crash.before);
    ASSERT_FALSE(crash.journal.empty());
    const std::string pristine = copy(corpusName);
    const std::string rowsBefore = runQbtool({"count", pristine, table}).out;
    std::filesystem::remove(pristine);
    put(db, crash.crashed);
    put(db + "-journal", crash.journal);
    const auto r = runQbtool({"count", db, table});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, rowsBefore);
    EXPECT_NE(r.err.find("has been undone"), std::string::npos) << r.err;
    EXPECT_EQ(qbtest::readFileBytes(db), crash.before);
    EXPECT_FALSE(std::filesystem::exists(db + "-journal"));
  }
};

TEST_F(Sharing, ReadersInOtherProcessesSeeOnlyCommittedStates) {
  const std::string db = newDatabase();
  constexpr std::size_t kCommits = 6;
  std::vector<std::string> batches;
  for (std::size_t i = 0; i < kCommits; ++i) batches.push_back(batch(i * kBatch + 1));

  // A reader in this process that stays open across every commit.
  jet::OpenOptions readOnly;
  readOnly.readOnly = true;
  const auto reader = jet::Database::open(db, readOnly);
  const auto table = reader->table(u"T");
  ASSERT_EQ(table->rowIds().size(), 0u);

  std::vector<qbtest::ProcessResult> inserts;
  std::thread writer([&] {
    for (const std::string& csv : batches) inserts.push_back(runQbtool({"insert", db, "T", "--csv", csv}));
  });
  std::size_t reads = 0;
  std::size_t lastCount = 0;
  std::vector<std::string> failures;
  for (bool writing = true; writing || reads < 3; ++reads) {
    writing = inserts.size() < kCommits;  // read once more after the last commit
    const auto count = runQbtool({"count", db, "T"});
    if (count.exitCode != 0 || count.out.empty() || countOf(count) % kBatch != 0 || countOf(count) < lastCount) {
      failures.push_back("count: " + count.out + count.err);
      continue;
    }
    lastCount = countOf(count);
    const auto exported = runQbtool({"export", db, "T"});
    const auto rows = qbtest::parseCsv(exported.out);
    if (exported.exitCode != 0 || rows.empty() || (rows.size() - 1) % kBatch != 0) {
      failures.push_back("export: " + exported.err);
    }
    reader->followChanges();
    const std::size_t here = table->rowIds().size();
    if (here % kBatch != 0) failures.push_back("engine reader: " + std::to_string(here) + " rows");
    if (reads > 200) break;  // bounded however slow the machine
  }
  writer.join();
  EXPECT_TRUE(failures.empty()) << failures.front();
  for (const auto& r : inserts) EXPECT_EQ(r.exitCode, 0) << r.err;

  reader->followChanges();
  EXPECT_EQ(table->rowIds().size(), kCommits * kBatch);
  EXPECT_GT(reader->changesByOthers(), 0u);
  EXPECT_EQ(countOf(runQbtool({"count", db, "T"})), kCommits * kBatch);
  const auto check = runQbtool({"check", "--strict", db});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
}

// A writer killed (SIGKILL) at a random moment of its commit while a reader
// process reads: every round ends in the state before or after the insert,
// the reader never fails, and the file checks clean.
TEST_F(Sharing, AWriterKilledAtAnyMomentLeavesTheBeforeOrTheAfterState) {
  const std::string db = newDatabase();
  const std::string csv = batch(1);
  // How long one insert takes here, to spread the kills over it.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(runQbtool({"insert", db, "T", "--csv", csv}).exitCode, 0);
  const auto insertTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  std::mt19937 random(17);
  std::size_t rows = kBatch;
  std::size_t interrupted = 0;
  for (int round = 0; round < 8; ++round) {
    qbtest::RunningQbtool writer({"insert", db, "T", "--csv", csv});
    qbtest::RunningQbtool reader({"count", db, "T"});
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (insertTime.count() + 1)));
    writer.kill();
    const bool finished = writer.wait().exitCode == 0;
    const auto read = reader.wait();
    ASSERT_EQ(read.exitCode, 0) << "round " << round << ": " << read.err;
    EXPECT_TRUE(countOf(read) == rows || countOf(read) == rows + kBatch) << read.out;

    const auto after = runQbtool({"count", db, "T"});
    ASSERT_EQ(after.exitCode, 0) << after.err;
    const std::size_t now = countOf(after);
    ASSERT_TRUE(now == rows || now == rows + kBatch) << "round " << round << ": " << now << " rows";
    if (finished) {
      EXPECT_EQ(now, rows + kBatch);
    }
    if (now == rows) ++interrupted;
    rows = now;
    EXPECT_FALSE(std::filesystem::exists(db + "-journal"));  // the reader's open undid it
    const auto check = runQbtool({"check", "--strict", db});
    ASSERT_EQ(check.exitCode, 0) << "round " << round << ": " << check.out << check.err;
  }
  RecordProperty("interrupted", static_cast<int>(interrupted));
}

TEST_F(Sharing, AReadOnlyCommandUndoesAnInterruptedWriteAndQbtoolRecoverSaysSo) {
  const auto crash = qbtest::interruptedRowDelete("jackcess-V2000-testV2000.mdb", u"Table1");
  const std::string db = (dir_ / "crashed.mdb").string();
  expectCountUndoes(crash, "jackcess-V2000-testV2000.mdb", db, "Table1");
  auto r = runQbtool({"tables", db});  // told once: nothing left to say
  EXPECT_EQ(r.err, "");

  put(db, crash.crashed);
  put(db + "-journal", crash.journal);
  r = runQbtool({"recover", db});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("has been undone"), std::string::npos) << r.out;
  EXPECT_EQ(qbtest::readFileBytes(db), crash.before);
  r = runQbtool({"recover", db});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, db + ": nothing to recover (no write to it was left unfinished)\n");
  EXPECT_EQ(runQbtool({"check", db}).exitCode, 0);  // the corpus file itself has warnings
}

TEST_F(Sharing, AJournalLeftBesideAReplacedFileIsSetAsideAndNeverPlayedBack) {
  const auto crash = qbtest::interruptedRowDelete("jackcess-V2000-testV2000.mdb", u"Table1");
  const std::string replacement = qbtest::readFileBytes(copy("jackcess-V2000-test2V2000.mdb"));
  std::filesystem::remove(dir_ / "jackcess-V2000-test2V2000.mdb");
  // The crashed file is restored from a backup (here: another database) and
  // the old journal stays beside it.
  const std::string db = (dir_ / "data.mdb").string();
  put(db, replacement);
  put(db + "-journal", crash.journal);

  auto r = runQbtool({"tables", db});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "MSP_PROJECTS\n");
  EXPECT_NE(r.err.find("does not belong to the file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("orphan-journal"), std::string::npos) << r.err;
  EXPECT_EQ(qbtest::readFileBytes(db), replacement);
  const auto entries = folderEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], "data.mdb");
  EXPECT_TRUE(entries[1].starts_with("data.mdb.") && entries[1].ends_with(".orphan-journal")) << entries[1];
  EXPECT_EQ(qbtest::readFileBytes(dir_ / entries[1]), crash.journal);  // kept whole

  r = runQbtool({"check", "--strict", db});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.err, "");  // said once
}

// Access 97 files: an interrupted write is undone by a reading command, and a
// journal left beside another Access 97 file put in its place is set aside.
TEST_F(Sharing, AnAccess97FileIsRecoveredAndAJournalOfAnotherFileSetAside) {
  const auto crash = qbtest::interruptedRowDelete("jackcess-V1997-testV1997.mdb", u"Table1");
  const std::string db = (dir_ / "crashed97.mdb").string();
  expectCountUndoes(crash, "jackcess-V1997-testV1997.mdb", db, "Table1");

  const std::string other = qbtest::readFileBytes(copy("jackcess-V1997-test2V1997.mdb"));
  put(db, other);
  put(db + "-journal", crash.journal);
  auto r = runQbtool({"tables", db});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("does not belong to the file"), std::string::npos) << r.err;
  EXPECT_EQ(qbtest::readFileBytes(db), other);
  EXPECT_FALSE(std::filesystem::exists(db + "-journal"));
  r = runQbtool({"check", "--strict", db});
  EXPECT_EQ(r.err, "");  // said once
}

// Where the file cannot be written (its permissions; the superuser writes
// anyway, so the test needs another user), a reader sees it as it was before
// the interrupted write and changes nothing.
TEST_F(Sharing, AFileThatCannotBeWrittenIsReadAsBeforeTheInterruptedWrite) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes read-only files (the engine test covers this)";
  const auto crash = qbtest::interruptedRowDelete("jackcess-V2000-testV2000.mdb", u"Table1");
  const std::string rowsBefore = runQbtool({"count", copy("jackcess-V2000-testV2000.mdb"), "Table1"}).out;
  const std::string db = (dir_ / "readonly.mdb").string();
  put(db, crash.crashed);
  put(db + "-journal", crash.journal);
  std::filesystem::permissions(db, std::filesystem::perms::owner_read);
  const auto r = runQbtool({"count", db, "Table1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, rowsBefore);
  EXPECT_NE(r.err.find("as it was before that write"), std::string::npos) << r.err;
  EXPECT_EQ(qbtest::readFileBytes(db), crash.crashed);
  EXPECT_EQ(qbtest::readFileBytes(db + "-journal"), crash.journal);
  EXPECT_NE(runQbtool({"recover", db}).exitCode, 0);
  std::filesystem::permissions(db, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace
