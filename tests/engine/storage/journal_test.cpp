// Write transactions at the pager level over the simulated disk: commit and
// rollback, journals left by crashes at every write and sync, failed writes,
// pages written early in long transactions, statements, and journals that were
// never complete.
#include <gtest/gtest.h>

#include <functional>

#include "jet/error.h"
#include "storage/journal.h"
#include "storage/journal_format.h"
#include "storage/memory_vfs.h"
#include "storage/pager.h"
#include "storage/rc4.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kPage = 4096;
const std::string kDb = "/db/test.mdb";
const std::string kJournal = kDb + jet::kJournalSuffix;

// A file of `pages` pages whose bytes are their page number plus `salt`.
Bytes pagesOf(std::uint32_t pages, std::uint8_t salt = 0) {
  Bytes b;
  for (std::uint32_t p = 0; p < pages; ++p) b.insert(b.end(), kPage, static_cast<std::uint8_t>(p + salt));
  return b;
}

struct Disk {
  std::shared_ptr<jet::MemoryVfs> vfs = std::make_shared<jet::MemoryVfs>();

  std::unique_ptr<jet::Pager> pager(std::uint32_t key = 0) {
    auto p = std::make_unique<jet::Pager>(vfs->open(kDb, jet::OpenMode::ReadWrite), kPage);
    p->setDatabaseKey(key);
    p->enableWriting(vfs, kJournal);
    return p;
  }
  // What the next opener sees: a leftover journal is rolled back first.
  Bytes recovered() {
    auto file = vfs->open(kDb, jet::OpenMode::ReadWrite);
    jet::rollBackJournal(*vfs, *file, kJournal);
    return vfs->contents(kDb);
  }
};

// The transaction every crash test runs: changes two existing pages (one of
// them twice), adds two pages at the end.
void changeSomePages(jet::Pager& pager) {
  pager.beginWrite();
  pager.modify(1)[10] = 0xAA;
  pager.modify(3)[4095] = 0xBB;
  pager.modify(1)[11] = 0xCC;
  const std::uint32_t added = pager.appendPage();
  pager.modify(added)[0] = 0xDD;
  pager.modify(pager.appendPage())[7] = 0xEE;
}

Bytes expectedAfter(const Bytes& before) {
  Bytes after = before;
  after[kPage + 10] = 0xAA;
  after[kPage + 11] = 0xCC;
  after[3 * kPage + 4095] = 0xBB;
  after.resize(after.size() + 2 * kPage, 0);
  after[5 * kPage] = 0xDD;
  after[6 * kPage + 7] = 0xEE;
  return after;
}

TEST(Journal, CommitWritesThePagesAndRemovesTheJournal) {
  Disk disk;
  const Bytes before = pagesOf(5);
  disk.vfs->put(kDb, before);
  auto pager = disk.pager();
  changeSomePages(*pager);
  EXPECT_EQ(pager->page(1).bytes()[10], 0xAA);   // reads see the change at once
  EXPECT_EQ(disk.vfs->contents(kDb), before);     // nothing written before commit
  pager->commitWrite();
  EXPECT_EQ(disk.vfs->contents(kDb), expectedAfter(before));
  EXPECT_FALSE(disk.vfs->exists(kJournal));
  EXPECT_EQ(pager->pageCount(), 7u);
}

TEST(Journal, RollbackForgetsEveryChange) {
  Disk disk;
  const Bytes before = pagesOf(5);
  disk.vfs->put(kDb, before);
  auto pager = disk.pager();
  changeSomePages(*pager);
  pager->rollbackWrite();
  EXPECT_EQ(pager->pageCount(), 5u);
  EXPECT_EQ(pager->page(1).bytes()[10], 1);
  EXPECT_EQ(disk.vfs->contents(kDb), before);
  EXPECT_FALSE(disk.vfs->exists(kJournal));
  EXPECT_THROW(pager->modify(1), jet::Error);  // outside a transaction
}

// Crashes at each mutating operation of the commit in turn; whatever survives
// the power cut, the next opener sees the state before or after, never a mix.
TEST(Journal, EveryCrashPointLeavesTheBeforeOrTheAfterState) {
  const Bytes before = pagesOf(5);
  const Bytes after = expectedAfter(before);
  std::size_t operations = 0;
  {
    Disk probe;
    probe.vfs->put(kDb, before);
    auto pager = probe.pager();
    changeSomePages(*pager);
    const std::size_t start = probe.vfs->operations();
    pager->commitWrite();
    operations = probe.vfs->operations() - start;
  }
  ASSERT_GE(operations, 6u);  // journal write, sync, folder sync, pages, sync, remove, folder sync
  using Survival = jet::MemoryVfs::Survival;
  for (std::size_t crash = 0; crash <= operations; ++crash) {
    for (const Survival survival : {Survival::None, Survival::All, Survival::Random}) {
      for (std::uint32_t seed = 0; seed < (survival == Survival::Random ? 4u : 1u); ++seed) {
        Disk disk;
        disk.vfs->put(kDb, before);
        {
          auto pager = disk.pager();
          changeSomePages(*pager);
          disk.vfs->crashAt(disk.vfs->operations() + crash);
          pager->commitWrite();  // the program believes it worked
        }
        disk.vfs->powerCut(survival, seed);
        const Bytes seen = disk.recovered();
        EXPECT_TRUE(seen == before || seen == after)
            << "crash at operation " << crash << ", survival " << static_cast<int>(survival) << ", seed " << seed;
        if (crash == operations) {
          EXPECT_EQ(seen, after);
        }
        EXPECT_FALSE(disk.vfs->exists(kJournal));
      }
    }
  }
}

// A commit whose journal segment is larger than the pieces it is written in
// (600 changed pages, each changed twice, plus pages added): crashed at the
// writes of the journal and at a spread of the rest, it leaves the before or
// the after state.
TEST(Journal, ALargeSegmentWrittenInPiecesIsAsSafeAsOneWrite) {
  const Bytes before = pagesOf(700, 3);
  const auto change = [](jet::Pager& pager) {
    pager.beginWrite();
    for (std::uint32_t p = 50; p < 650; ++p) pager.modify(p)[p % kPage] = 0x5A;
    for (std::uint32_t p = 50; p < 650; ++p) pager.modify(p)[(p + 1) % kPage] = 0xA5;
    for (int i = 0; i < 20; ++i) pager.modify(pager.appendPage())[1] = 0x77;
  };
  Bytes after;
  std::size_t operations = 0;
  {
    Disk probe;
    probe.vfs->put(kDb, before);
    auto pager = probe.pager();
    change(*pager);
    const std::size_t start = probe.vfs->operations();
    pager->commitWrite();
    operations = probe.vfs->operations() - start;
    after = probe.vfs->contents(kDb);
  }
  ASSERT_NE(after, before);
  for (std::size_t crash = 0; crash <= operations; crash += crash < 12 || crash + 6 > operations ? 1 : 41) {
    Disk disk;
    disk.vfs->put(kDb, before);
    {
      auto pager = disk.pager();
      change(*pager);
      disk.vfs->crashAt(disk.vfs->operations() + crash);
      pager->commitWrite();
    }
    disk.vfs->powerCut(jet::MemoryVfs::Survival::Random, static_cast<std::uint32_t>(crash));
    const Bytes seen = disk.recovered();
    EXPECT_TRUE(seen == before || seen == after) << "crash at operation " << crash << " of " << operations;
  }
}

// An I/O error at any operation of the commit: the commit fails, rollback puts
// the file back, and it stays so after a power cut.
TEST(Journal, AFailedCommitIsUndoneCompletely) {
  const Bytes before = pagesOf(5);
  for (std::size_t failing = 0; failing < 7; ++failing) {
    Disk disk;
    disk.vfs->put(kDb, before);
    auto pager = disk.pager();
    changeSomePages(*pager);
    disk.vfs->failAt(disk.vfs->operations() + failing);
    bool failed = false;
    try {
      pager->commitWrite();
    } catch (const jet::Error& e) {
      failed = true;
      EXPECT_EQ(e.code(), jet::ErrorCode::Io);
      pager->rollbackWrite();
    }
    if (!failed) continue;  // the failing operation came after the commit point
    EXPECT_EQ(disk.vfs->contents(kDb), before) << "failure at operation " << failing;
    EXPECT_EQ(pager->page(3).bytes()[4095], 3);
    disk.vfs->powerCut(jet::MemoryVfs::Survival::None);
    EXPECT_EQ(disk.recovered(), before) << "failure at operation " << failing;
  }
}

TEST(Journal, ADiskThatKeepsFailingLeavesAJournalForTheNextOpener) {
  const Bytes before = pagesOf(5);
  Disk disk;
  disk.vfs->put(kDb, before);
  auto pager = disk.pager();
  changeSomePages(*pager);
  // Fail the database's sync and everything after it: the pages are written,
  // the journal is hot, and the rollback itself cannot write.
  disk.vfs->failAt(disk.vfs->operations() + 4, true);
  EXPECT_THROW(pager->commitWrite(), jet::Error);
  EXPECT_THROW(pager->rollbackWrite(), jet::Error);
  EXPECT_TRUE(pager->broken());
  EXPECT_THROW(pager->page(1), jet::Error);
  EXPECT_EQ(jet::inspectJournal(*disk.vfs, kJournal), jet::JournalState::Hot);
  disk.vfs->clearFaults();
  EXPECT_EQ(disk.recovered(), before);
}

// Long transactions write pages early (after journaling their originals); a
// crash anywhere still recovers to before or after.
TEST(Journal, PagesWrittenEarlyAreRestoredByRollbackAndRecovery) {
  const Bytes before = pagesOf(40);
  const auto run = [](jet::Pager& pager) {
    pager.setSpillThreshold(4);
    pager.beginWrite();
    for (std::uint32_t round = 0; round < 3; ++round) {
      for (std::uint32_t p = 1; p < 40; p += 3) {
        pager.modify(p)[round] = static_cast<std::uint8_t>(0xF0 + round);
        pager.spillIfNeeded();
      }
      pager.modify(pager.appendPage())[0] = 0x77;
    }
  };
  Bytes after;
  std::size_t operations = 0;
  {
    Disk disk;
    disk.vfs->put(kDb, before);
    auto pager = disk.pager();
    run(*pager);
    EXPECT_NE(disk.vfs->contents(kDb), before);  // written early
    EXPECT_TRUE(disk.vfs->exists(kJournal));
    const std::size_t start = disk.vfs->operations();
    pager->commitWrite();
    operations = disk.vfs->operations() - start;
    after = disk.vfs->contents(kDb);
    EXPECT_EQ(after.size(), 43u * kPage);
    EXPECT_EQ(after[4 * kPage + 2], 0xF2);
  }
  {
    Disk disk;
    disk.vfs->put(kDb, before);
    auto pager = disk.pager();
    run(*pager);
    pager->rollbackWrite();
    EXPECT_EQ(disk.vfs->contents(kDb), before);
    EXPECT_EQ(pager->page(4).bytes()[0], 4);
  }
  for (std::size_t crash = 0; crash <= operations; ++crash) {
    Disk disk;
    disk.vfs->put(kDb, before);
    {
      auto pager = disk.pager();
      run(*pager);
      disk.vfs->crashAt(disk.vfs->operations() + crash);
      pager->commitWrite();
    }
    disk.vfs->powerCut(jet::MemoryVfs::Survival::Random, static_cast<std::uint32_t>(crash));
    const Bytes seen = disk.recovered();
    EXPECT_TRUE(seen == before || seen == after) << "crash at operation " << crash;
  }
}

TEST(Journal, EncodedPagesAreJournaledAndWrittenAsStored) {
  const std::uint32_t key = 0x12345678;
  Bytes before = pagesOf(4);
  for (std::uint32_t p = 1; p < 4; ++p) jet::rc4Apply(key ^ p, std::span(before).subspan(p * kPage, kPage));
  Disk disk;
  disk.vfs->put(kDb, before);
  {
    auto pager = disk.pager(key);
    pager->beginWrite();
    pager->modify(2)[0] = 0x42;
    disk.vfs->crashAt(disk.vfs->operations() + 4);  // after the journal, during the pages
    pager->commitWrite();
  }
  disk.vfs->powerCut(jet::MemoryVfs::Survival::All);
  EXPECT_EQ(disk.recovered(), before);  // the journal held the stored (encoded) original

  auto pager = disk.pager(key);
  pager->beginWrite();
  pager->modify(2)[0] = 0x42;
  pager->commitWrite();
  auto reread = disk.pager(key);
  EXPECT_EQ(reread->page(2).bytes()[0], 0x42);
  EXPECT_EQ(reread->page(2).bytes()[1], 2);
}

TEST(Journal, StatementsUndoOnlyTheirOwnChanges) {
  Disk disk;
  disk.vfs->put(kDb, pagesOf(5));
  auto pager = disk.pager();
  pager->beginWrite();
  pager->modify(1)[0] = 0x11;
  pager->beginStatement();
  pager->modify(1)[1] = 0x22;
  pager->modify(2)[0] = 0x33;
  const std::uint32_t added = pager->appendPage();
  EXPECT_EQ(added, 5u);
  pager->rollbackStatement();
  EXPECT_EQ(pager->page(1).bytes()[0], 0x11);  // from before the statement
  EXPECT_EQ(pager->page(1).bytes()[1], 1);
  EXPECT_EQ(pager->page(2).bytes()[0], 2);
  EXPECT_EQ(pager->pageCount(), 5u);

  pager->beginStatement();
  pager->modify(4)[0] = 0x44;
  pager->releaseStatement();
  pager->commitWrite();
  const Bytes after = disk.vfs->contents(kDb);
  EXPECT_EQ(after.size(), 5u * kPage);
  EXPECT_EQ(after[kPage], 0x11);
  EXPECT_EQ(after[kPage + 1], 1);
  EXPECT_EQ(after[2 * kPage], 2);
  EXPECT_EQ(after[4 * kPage], 0x44);
}

// A journal is trusted only when it was synced whole: garbage, a torn header,
// a segment without its end marker and stale records are all recognised.
TEST(Journal, IncompleteJournalsAreIgnoredAndCompleteOnesPlayedBack) {
  const Bytes before = pagesOf(3);
  const auto journalAfterCommit = [&](std::size_t stopAt) {
    // The journal as it stands when the program dies `stopAt` operations into
    // the commit, with every issued write on disk.
    Disk disk;
    disk.vfs->put(kDb, before);
    auto pager = disk.pager();
    pager->beginWrite();
    pager->modify(1)[0] = 0x99;
    disk.vfs->crashAt(disk.vfs->operations() + stopAt);
    pager->commitWrite();
    disk.vfs->powerCut(jet::MemoryVfs::Survival::All);
    return disk.vfs->contents(kJournal);
  };
  const Bytes complete = journalAfterCommit(4);  // journal written, synced, folder synced, page written
  ASSERT_GT(complete.size(), jet::kJournalHeaderSize);

  const auto stateOf = [&](const Bytes& journal) {
    Disk disk;
    disk.vfs->put(kDb, before);
    disk.vfs->put(kJournal, journal);
    return jet::inspectJournal(*disk.vfs, kJournal);
  };
  EXPECT_EQ(stateOf(complete), jet::JournalState::Hot);
  EXPECT_EQ(stateOf({}), jet::JournalState::Incomplete);
  EXPECT_EQ(stateOf(Bytes(complete.begin(), complete.begin() + 20)), jet::JournalState::Incomplete);
  EXPECT_EQ(stateOf(Bytes(complete.begin(), complete.end() - 1)), jet::JournalState::Incomplete);
  Bytes flipped = complete;
  flipped[jet::kJournalHeaderSize + 100] ^= 1;  // a torn page image
  EXPECT_EQ(stateOf(flipped), jet::JournalState::Incomplete);
  Bytes header = complete;
  header[jet::kJournalNonce] ^= 1;  // a header that does not match its checksum
  EXPECT_EQ(stateOf(header), jet::JournalState::Incomplete);
  EXPECT_EQ(stateOf(Bytes(4096, 0x5A)), jet::JournalState::Incomplete);

  // An incomplete journal is removed without touching the database.
  Disk disk;
  Bytes changed = before;
  changed[kPage] = 0x99;
  disk.vfs->put(kDb, changed);
  disk.vfs->put(kJournal, Bytes(complete.begin(), complete.end() - 1));
  EXPECT_EQ(disk.recovered(), changed);
  EXPECT_FALSE(disk.vfs->exists(kJournal));
  // A complete one puts the original back.
  disk.vfs->put(kJournal, complete);
  EXPECT_EQ(disk.recovered(), before);
}

TEST(Journal, AJournalWithAnImpossiblePageSizeIsNotTrusted) {
  Bytes header(jet::kJournalHeaderSize, 0);
  std::copy(std::begin(jet::kJournalMagic), std::end(jet::kJournalMagic), header.begin());
  header[jet::kJournalPageSize + 1] = 0x03;  // 768 bytes
  const std::uint32_t sum = jet::journalChecksum(0, std::span(header).first(jet::kJournalHeaderChecksum));
  for (int i = 0; i < 4; ++i) header[jet::kJournalHeaderChecksum + i] = static_cast<std::uint8_t>(sum >> (8 * i));
  jet::MemoryVfs vfs;
  vfs.put(kJournal, header);
  EXPECT_THROW(jet::inspectJournal(vfs, kJournal), jet::Error);
}

}  // namespace
