// Transactions at the database level: openers that write in turn and see each
// other's commits, commits that wait for readers, read-only openers and why,
// recovery of an interrupted write (by any opener that may write, or read
// around where none may), journals that belong to another file, the
// transaction API, and page allocation through the global page map.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "catalog/database_impl.h"
#include "format/data_page_writer.h"
#include "format/global_page_map.h"
#include "jet/error.h"
#include "storage/journal.h"
#include "support/error_of.h"
#include "support/test_files.h"
#include "support/write_fixtures.h"
#include "table/write_scope.h"

namespace {

using qbtest::MemoryDatabase;
using Bytes = std::vector<std::uint8_t>;

// Changes a byte of the unused second map row of page 1: a harmless write.
void touchPageOne(jet::Database& db, std::uint8_t value) {
  jet::WriteScope scope(*db.impl().context);
  qbtest::pagerOf(db).modify(1)[4096 - 69 - 1] = value;
  scope.commit();
}

jet::OpenOptions shortWaits() {
  jet::OpenOptions options;
  options.readWait = std::chrono::milliseconds(50);
  options.writeWait = std::chrono::milliseconds(50);
  return options;
}

bool mentions(const std::vector<std::string>& notices, const std::string& text) {
  return std::any_of(notices.begin(), notices.end(), [&](const std::string& n) { return n.find(text) != std::string::npos; });
}

TEST(TransactionLock, TwoOpenersWriteInTurnAndSeeEachOthersCommits) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto first = file.open(shortWaits());
  auto second = file.open(shortWaits());
  EXPECT_FALSE(first->isReadOnly());
  EXPECT_FALSE(second->isReadOnly());

  // One writer at a time: the second waits, then gives up saying why, and
  // its write is not half done.
  first->beginTransaction();
  touchPageOne(*first, 1);
  const Bytes before = file.bytes();
  const jet::Error e = qbtest::raisedError([&] { touchPageOne(*second, 2); });
  EXPECT_EQ(e.code(), jet::ErrorCode::Busy);
  EXPECT_NE(std::string(e.what()).find("being written by another program"), std::string::npos) << e.what();
  EXPECT_EQ(file.bytes(), before);
  first->commitTransaction();
  EXPECT_EQ(file.bytes()[4096 * 2 - 70], 1);

  // The second notices the first's commit before it writes over it.
  EXPECT_TRUE(second->followChanges());
  EXPECT_EQ(qbtest::pagerOf(*second).page(1).bytes()[4096 - 70], 1);
  touchPageOne(*second, 2);
  EXPECT_GE(second->changesByOthers(), 1u);
  EXPECT_TRUE(first->followChanges());
  EXPECT_FALSE(first->followChanges());  // told once
  EXPECT_EQ(qbtest::pagerOf(*first).page(1).bytes()[4096 - 70], 2);
}

TEST(TransactionLock, ACommitWaitsForReadersAndFailsCleanlyWhenTheyStay) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-empty.mdb");
  auto reader = jet::Database::open(path, shortWaits());
  auto writer = jet::Database::open(path, shortWaits());
  EXPECT_FALSE(writer->isReadOnly());
  const std::string before = qbtest::readFileBytes(path);
  {
    jet::ReadLock reading(*reader);  // a scan in progress elsewhere
    const jet::Error e = qbtest::raisedError([&] { touchPageOne(*writer, 7); });
    EXPECT_EQ(e.code(), jet::ErrorCode::Busy);
    EXPECT_NE(std::string(e.what()).find("being read by another program"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("nothing was changed"), std::string::npos);
    EXPECT_EQ(qbtest::readFileBytes(path), before);
    EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal"));
  }
  touchPageOne(*writer, 7);
  EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal"));
  EXPECT_EQ(qbtest::readFileBytes(path)[4096 * 2 - 70], 7);
  EXPECT_EQ(writer->lockStats().commits, 1u);
  EXPECT_TRUE(reader->followChanges());
  EXPECT_EQ(qbtest::pagerOf(*reader).page(1).bytes()[4096 - 70], 7);
}

// Access 97 files have smaller pages and another header: two programs on one
// take the same turns, the commit stamp beside it tells the reader of the
// other's commit, and nothing of it stays behind once both have closed.
TEST(TransactionLock, AnAccess97FileIsSharedTheSameWay) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-V1997-testV1997.mdb");
  const std::string stamp = path.string() + "-commits";
  {
    auto reader = jet::Database::open(path, shortWaits());
    auto writer = jet::Database::open(path, shortWaits());
    ASSERT_EQ(writer->info().format, jet::FileFormat::Jet3);
    ASSERT_FALSE(writer->isReadOnly());
    const auto readerTable = reader->table(u"Table1");
    const std::size_t rows = readerTable->rowIds().size();
    ASSERT_GE(rows, 1u);
    const auto table = writer->table(u"Table1");
    const std::string before = qbtest::readFileBytes(path);
    {
      jet::ReadLock reading(*reader);
      const jet::Error e = qbtest::raisedError([&] { table->deleteRow(table->rowIds().front()); });
      EXPECT_EQ(e.code(), jet::ErrorCode::Busy);
      EXPECT_NE(std::string(e.what()).find("being read by another program"), std::string::npos) << e.what();
      EXPECT_EQ(qbtest::readFileBytes(path), before);
    }
    table->deleteRow(table->rowIds().front());
    EXPECT_TRUE(std::filesystem::exists(stamp)) << "two openers: the writer stamps its commit";
    EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal"));
    EXPECT_TRUE(reader->followChanges());
    EXPECT_EQ(readerTable->rowIds().size(), rows - 1);

    // One writer at a time on Access 97 files too.
    reader->beginTransaction();
    const auto other = reader->table(u"Table1");
    other->deleteRow(other->rowIds().front());
    const jet::Error busy = qbtest::raisedError([&] { table->deleteRow(table->rowIds().front()); });
    EXPECT_EQ(busy.code(), jet::ErrorCode::Busy);
    reader->rollbackTransaction();
  }
  EXPECT_FALSE(std::filesystem::exists(stamp)) << "the last opener out removes the stamp";
}

TEST(TransactionLock, ReadOnlyByChoiceOrByPermission) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  jet::OpenOptions readOnly;
  readOnly.readOnly = true;
  auto chosen = file.open(readOnly);
  EXPECT_TRUE(chosen->isReadOnly());
  EXPECT_NE(chosen->readOnlyReason().find("opened read-only"), std::string::npos);
  // A reader does not hold the lock: a writer may still open the file.
  EXPECT_FALSE(file.open()->isReadOnly());

  file.vfs->setWriteProtected(file.path, true);
  auto denied = file.open();
  EXPECT_TRUE(denied->isReadOnly());
  EXPECT_NE(denied->readOnlyReason().find("Permission denied"), std::string::npos);
  EXPECT_EQ(qbtest::raisedError([&] { touchPageOne(*denied, 1); }).code(), jet::ErrorCode::ReadOnly);
}

// Leaves the file half-written with a hot journal: the program dies after the
// journal was synced and while the changed page was being written.
MemoryDatabase interruptedWrite(Bytes& before) {
  auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  before = file.bytes();
  {
    auto db = file.open();
    jet::WriteScope scope(*db->impl().context);
    qbtest::pagerOf(*db).modify(1)[4096 - 70] = 0x5A;
    // Journal: create, write, sync, folder sync; then the page is written and
    // the program dies at the database's sync.
    file.vfs->crashAt(file.vfs->operations() + 5);
    scope.commit();
  }
  file.vfs->powerCut(jet::MemoryVfs::Survival::All);
  return file;
}

TEST(TransactionRecovery, AWritableOpenerRollsBackAnInterruptedWrite) {
  QB_REQUIRE_CORPUS();
  Bytes before;
  const auto file = interruptedWrite(before);
  ASSERT_NE(file.bytes(), before);
  ASSERT_EQ(jet::inspectJournal(*file.vfs, file.journal()), jet::JournalState::Hot);
  auto db = file.open();
  EXPECT_FALSE(db->isReadOnly());
  EXPECT_EQ(file.bytes(), before);
  EXPECT_FALSE(file.vfs->exists(file.journal()));
}

TEST(TransactionRecovery, AReadOnlyOpenerUndoesAnInterruptedWriteWhenTheFileCanBeWritten) {
  QB_REQUIRE_CORPUS();
  Bytes before;
  const auto file = interruptedWrite(before);
  jet::OpenOptions readOnly;
  readOnly.readOnly = true;
  auto db = file.open(readOnly);
  EXPECT_TRUE(db->isReadOnly());
  EXPECT_FALSE(db->showsStateBeforeInterruptedWrite());
  EXPECT_EQ(file.bytes(), before);
  EXPECT_FALSE(file.vfs->exists(file.journal()));
  const auto notices = db->takeNotices();
  EXPECT_TRUE(mentions(notices, "has been undone")) << (notices.empty() ? "" : notices[0]);
  EXPECT_TRUE(db->takeNotices().empty());
}

TEST(TransactionRecovery, AFileThatCannotBeWrittenIsShownAsBeforeTheWriteUntilSomeoneRecoversIt) {
  QB_REQUIRE_CORPUS();
  Bytes before;
  const auto file = interruptedWrite(before);
  const Bytes crashed = file.bytes();
  const Bytes journal = file.vfs->contents(file.journal());
  file.vfs->setWriteProtected(file.path, true);
  auto db = file.open();
  EXPECT_TRUE(db->isReadOnly());
  EXPECT_TRUE(db->showsStateBeforeInterruptedWrite());
  EXPECT_TRUE(mentions(db->takeNotices(), "as it was before that write"));
  // Reads see the journal's originals; nothing on disk changes.
  EXPECT_NE(crashed[4096 * 2 - 70], before[4096 * 2 - 70]);
  EXPECT_EQ(qbtest::pagerOf(*db).page(1).bytes()[4096 - 70], before[4096 * 2 - 70]);
  EXPECT_EQ(file.bytes(), crashed);
  EXPECT_EQ(file.vfs->contents(file.journal()), journal);
  EXPECT_EQ(qbtest::raisedError([&] { touchPageOne(*db, 1); }).code(), jet::ErrorCode::ReadOnly);

  // Someone who may write recovers it; the reader follows.
  file.vfs->setWriteProtected(file.path, false);
  auto writer = file.open();
  EXPECT_EQ(file.bytes(), before);
  db->followChanges();
  EXPECT_FALSE(db->showsStateBeforeInterruptedWrite());
  EXPECT_EQ(qbtest::pagerOf(*db).page(1).bytes()[4096 - 70], before[4096 * 2 - 70]);
}

TEST(TransactionRecovery, AJournalThatDoesNotBelongToTheFileIsSetAsideAndTheFileLeftAlone) {
  QB_REQUIRE_CORPUS();
  Bytes before;
  const auto file = interruptedWrite(before);
  const Bytes journal = file.vfs->contents(file.journal());
  // The crashed file replaced by another database (a backup restored).
  const std::string other = qbtest::readFileBytes(qbtest::corpusFile("jackcess-V2000-test2V2000.mdb"));
  const Bytes replacement(other.begin(), other.end());
  file.vfs->put(file.path, replacement);

  auto db = file.open();
  EXPECT_EQ(file.bytes(), replacement);
  EXPECT_FALSE(file.vfs->exists(file.journal()));
  const auto notices = db->takeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("does not belong to the file"), std::string::npos) << notices[0];
  const auto from = notices[0].find("set aside as '") + 14;
  const std::string aside = notices[0].substr(from, notices[0].find('\'', from) - from);
  EXPECT_TRUE(aside.starts_with(file.path + ".") && aside.ends_with(".orphan-journal")) << aside;
  EXPECT_EQ(file.vfs->contents(aside), journal);  // kept whole, for whoever wants it
  EXPECT_TRUE(db->hasTable(u"MSP_PROJECTS"));

  // The same replacement, seen by an opener that cannot write: read as it is.
  db.reset();
  file.vfs->put(file.journal(), journal);
  file.vfs->setWriteProtected(file.path, true);
  auto reader = file.open();
  EXPECT_FALSE(reader->showsStateBeforeInterruptedWrite());
  EXPECT_TRUE(mentions(reader->takeNotices(), "read as it is"));
  EXPECT_EQ(file.bytes(), replacement);
  EXPECT_EQ(file.vfs->contents(file.journal()), journal);
}

// The journal is matched to its file page by page: a change in a page the
// interrupted write never touched still fits (and is kept); a page the write
// did not add does not.
TEST(TransactionRecovery, AJournalIsMatchedPageByPage) {
  QB_REQUIRE_CORPUS();
  Bytes before;
  const auto file = interruptedWrite(before);
  Bytes edited = file.bytes();
  edited[4096 * 3 + 100] ^= 0xFF;
  file.vfs->put(file.path, edited);
  {
    auto db = file.open();
    EXPECT_FALSE(mentions(db->takeNotices(), "does not belong"));
  }
  Bytes restored = before;
  restored[4096 * 3 + 100] ^= 0xFF;
  EXPECT_EQ(file.bytes(), restored);

  Bytes unused;
  const auto again = interruptedWrite(unused);
  Bytes grown = again.bytes();
  grown.insert(grown.end(), 4096, 0x11);
  again.vfs->put(again.path, grown);
  auto db = again.open();
  EXPECT_TRUE(mentions(db->takeNotices(), "did not add"));
  EXPECT_EQ(again.bytes(), grown);
}

TEST(TransactionRecovery, ALiveWritersJournalIsLeftToIt) {
  QB_REQUIRE_CORPUS();
  Bytes before;
  const auto file = interruptedWrite(before);
  const Bytes journal = file.vfs->contents(file.journal());
  file.vfs->remove(file.journal());
  auto writer = file.open(shortWaits());
  writer->beginTransaction();  // holds the writer's lock
  file.vfs->put(file.journal(), journal);  // as if it were committing right now
  jet::OpenOptions reading = shortWaits();
  reading.readOnly = true;
  const jet::Error e = qbtest::raisedError([&] { file.open(reading); });
  EXPECT_EQ(e.code(), jet::ErrorCode::Busy);
  EXPECT_NE(std::string(e.what()).find("being written by another program"), std::string::npos) << e.what();
  EXPECT_EQ(file.vfs->contents(file.journal()), journal);
  file.vfs->remove(file.journal());
  writer->rollbackTransaction();
}

TEST(TransactionRecovery, AnIncompleteJournalIsDiscardedWithoutTouchingTheFile) {
  QB_REQUIRE_CORPUS();
  auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  const Bytes before = file.bytes();
  file.vfs->put(file.journal(), Bytes(100, 0x33));
  jet::OpenOptions readOnly;
  readOnly.readOnly = true;
  EXPECT_NO_THROW(file.open(readOnly));  // harmless to readers
  file.open();
  EXPECT_FALSE(file.vfs->exists(file.journal()));
  EXPECT_EQ(file.bytes(), before);
}

TEST(Transaction, ExplicitTransactionsGroupWritesAndRollBack) {
  QB_REQUIRE_CORPUS();
  auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  const Bytes before = file.bytes();
  auto db = file.open();
  EXPECT_FALSE(db->inTransaction());
  EXPECT_EQ(qbtest::raisedError([&] { db->commitTransaction(); }).code(), jet::ErrorCode::InvalidArgument);
  db->beginTransaction();
  EXPECT_EQ(qbtest::raisedError([&] { db->beginTransaction(); }).code(), jet::ErrorCode::InvalidArgument);
  touchPageOne(*db, 1);
  touchPageOne(*db, 2);
  EXPECT_EQ(file.bytes(), before);  // nothing written before the commit
  db->rollbackTransaction();
  EXPECT_EQ(file.bytes(), before);
  EXPECT_FALSE(db->inTransaction());

  db->beginTransaction();
  touchPageOne(*db, 3);
  db->commitTransaction();
  EXPECT_EQ(file.bytes()[4096 * 2 - 70], 3);

  // Closing with a transaction open undoes it.
  db->beginTransaction();
  touchPageOne(*db, 4);
  db.reset();
  EXPECT_EQ(file.bytes()[4096 * 2 - 70], 3);
  EXPECT_FALSE(file.vfs->exists(file.journal()));
}

TEST(Transaction, AFailedStatementInsideATransactionUndoesOnlyItself) {
  QB_REQUIRE_CORPUS();
  auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  db->beginTransaction();
  touchPageOne(*db, 9);
  EXPECT_THROW(
      {
        jet::WriteScope scope(*db->impl().context);
        qbtest::pagerOf(*db).modify(1)[4096 - 70] = 10;
        throw jet::Error(jet::ErrorCode::Constraint, "refused half way");
      },
      jet::Error);
  EXPECT_TRUE(db->inTransaction());
  EXPECT_EQ(qbtest::pagerOf(*db).page(1).bytes()[4096 - 70], 9);
  db->commitTransaction();
  EXPECT_EQ(file.bytes()[4096 * 2 - 70], 9);
}

// --- The global page map ---

std::uint32_t allocateIn(jet::Database& db) {
  jet::WriteScope scope(*db.impl().context);
  const std::uint32_t page = qbtest::pagerOf(db).allocatePage();
  jet::DataPageEditor::format(qbtest::pagerOf(db).modify(page), 0, jet::kJet4Format);
  scope.commit();
  return page;
}

void freeIn(jet::Database& db, std::uint32_t page) {
  jet::WriteScope scope(*db.impl().context);
  qbtest::pagerOf(db).freePage(page);
  scope.commit();
}

TEST(GlobalPageMap, NewPagesComeFromTheEndAndFreedPagesAreReused) {
  QB_REQUIRE_CORPUS();
  auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  jet::Pager& pager = qbtest::pagerOf(*db);
  const std::uint32_t count = pager.pageCount();
  const auto freeBefore = qbtest::freePages(pager);
  // Only pages beyond the end are free in a blank database.
  for (std::uint32_t p = 0; p < count; ++p) EXPECT_FALSE(freeBefore.count(p)) << p;

  const std::uint32_t a = allocateIn(*db);
  const std::uint32_t b = allocateIn(*db);
  EXPECT_EQ(a, count);
  EXPECT_EQ(b, count + 1);
  EXPECT_FALSE(qbtest::freePages(pager).count(a));
  freeIn(*db, a);
  EXPECT_TRUE(qbtest::freePages(pager).count(a));
  EXPECT_EQ(pager.page(a).bytes()[0], 0);  // no longer looks like a page of anything
  EXPECT_EQ(allocateIn(*db), a);
  EXPECT_EQ(allocateIn(*db), count + 2);

  // All of it survives a reopen.
  db.reset();
  auto again = file.open();
  const auto freeAfter = qbtest::freePages(qbtest::pagerOf(*again));
  EXPECT_EQ(qbtest::pagerOf(*again).pageCount(), count + 3);
  for (std::uint32_t p = 0; p < count + 3; ++p) EXPECT_FALSE(freeAfter.count(p)) << p;
  EXPECT_TRUE(freeAfter.count(count + 3));
}

TEST(GlobalPageMap, APageMarkedFreeThatLooksLiveIsLeftAlone) {
  QB_REQUIRE_CORPUS();
  auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  jet::Pager& pager = qbtest::pagerOf(*db);
  const std::uint32_t live = allocateIn(*db);  // a data page
  {
    // Mark it free in the map without clearing it, as a damaged map would.
    jet::WriteScope scope(*db->impl().context);
    jet::GlobalPageMap map(jet::kJet4Format);
    const std::span<std::uint8_t> row = jet::DataPageEditor(pager.modify(1), 1, jet::kJet4Format).row(0);
    row[5 + live / 8] |= static_cast<std::uint8_t>(1u << (live % 8));
    scope.commit();
  }
  ASSERT_TRUE(qbtest::freePages(pager).count(live));
  EXPECT_NE(allocateIn(*db), live);
}

TEST(GlobalPageMap, TheMapGrowsWithTheFileAndBecomesAReferenceMapWhenPageOneIsFull) {
  QB_REQUIRE_CORPUS();
  auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  jet::Pager& pager = qbtest::pagerOf(*db);
  {
    // Fill page 1 so that the map row can grow by one step only.
    jet::WriteScope scope(*db->impl().context);
    jet::DataPageEditor page1(pager.modify(1), 1, jet::kJet4Format);
    page1.insert(Bytes(page1.freeSpace() - 2 - 40, 0xEE));
    scope.commit();
  }
  db->beginTransaction();
  std::vector<std::uint32_t> pages;
  for (int i = 0; i < 1200; ++i) {
    jet::WriteScope scope(*db->impl().context);
    pages.push_back(pager.allocatePage());
    scope.commit();
  }
  db->commitTransaction();
  db.reset();

  auto again = file.open();
  jet::Pager& reread = qbtest::pagerOf(*again);
  const jet::Page page1 = reread.page(1);
  const std::span<const std::uint8_t> row =
      jet::DataPageEditor(std::span(const_cast<std::uint8_t*>(page1.bytes().data()), 4096), 1, jet::kJet4Format)
          .row(0);
  ASSERT_EQ(row[0], 0x01);  // a reference map now
  const std::uint32_t bitmapPage = row[1] | row[2] << 8 | row[3] << 16 | row[4] << 24;
  EXPECT_EQ(reread.page(bitmapPage).type(), 0x05);
  EXPECT_EQ(std::count(pages.begin(), pages.end(), bitmapPage), 0);
  const auto free = qbtest::freePages(reread);
  for (const std::uint32_t p : pages) EXPECT_FALSE(free.count(p)) << p;
  EXPECT_FALSE(free.count(bitmapPage));
  EXPECT_FALSE(free.count(1));
  EXPECT_TRUE(free.count(reread.pageCount()));
  std::vector<std::uint32_t> sorted = pages;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());  // no page handed out twice
}

}  // namespace
