// The file layer and the pager: in-memory and POSIX files, injected faults,
// the bounded page cache and RC4-encoded pages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "jet/error.h"
#include "storage/faulty_file.h"
#include "storage/memory_file.h"
#include "storage/pager.h"
#include "storage/posix_file.h"
#include "storage/rc4.h"
#include "support/page_images.h"
#include "support/test_files.h"

namespace {

using qbtest::Bytes;
using qbtest::kPageSize;

// A file of `pages` pages whose every byte is its page number (mod 256).
Bytes numberedPages(std::uint32_t pages) {
  Bytes b;
  for (std::uint32_t p = 0; p < pages; ++p) b.insert(b.end(), kPageSize, static_cast<std::uint8_t>(p));
  return b;
}

jet::ErrorCode codeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const jet::Error& e) {
    return e.code();
  }
  ADD_FAILURE() << "no error";
  return jet::ErrorCode::InvalidArgument;
}

TEST(MemoryFile, ReadsStopAtTheEndAndWritesGrowTheFile) {
  jet::MemoryFile f(Bytes{1, 2, 3});
  Bytes buf(8, 0);
  EXPECT_EQ(f.read(1, buf), 2u);
  EXPECT_EQ(buf[0], 2);
  EXPECT_EQ(f.read(3, buf), 0u);
  EXPECT_EQ(f.read(100, buf), 0u);
  f.write(5, Bytes{9});
  EXPECT_EQ(f.size(), 6u);
  EXPECT_EQ(f.bytes()[3], 0);  // the gap reads as zeros
  f.truncate(2);
  EXPECT_EQ(f.size(), 2u);
  // Nothing else opens it: every lock is granted, but exclusive ones need
  // write access, as on disk.
  EXPECT_TRUE(f.setLock(jet::LockSlot::Writer, jet::LockLevel::Exclusive));
  EXPECT_TRUE(f.setLock(jet::LockSlot::Writer, jet::LockLevel::Exclusive));
  EXPECT_FALSE(f.lockedElsewhere(jet::LockSlot::Writer));

  jet::MemoryFile readOnly(Bytes{1}, "ro", false);
  EXPECT_EQ(codeOf([&] { readOnly.write(0, Bytes{2}); }), jet::ErrorCode::Io);
  EXPECT_FALSE(readOnly.setLock(jet::LockSlot::Writer, jet::LockLevel::Exclusive));
  EXPECT_TRUE(readOnly.setLock(jet::LockSlot::Readers, jet::LockLevel::Shared));
}

TEST(FaultyFile, FailsWritesAndSyncsOnRequest) {
  jet::FaultPlan plan;
  plan.failWrites = true;
  plan.failSync = true;
  jet::FaultyFile f(std::make_unique<jet::MemoryFile>(Bytes{1, 2, 3}), plan);
  EXPECT_EQ(codeOf([&] { f.write(0, Bytes{9}); }), jet::ErrorCode::Io);
  EXPECT_EQ(codeOf([&] { f.sync(); }), jet::ErrorCode::Io);
  f.plan().failWrites = false;
  f.write(0, Bytes{9});
  Bytes buf(1);
  EXPECT_EQ(f.read(0, buf), 1u);
  EXPECT_EQ(buf[0], 9);
  f.plan().failAfterReads = 1;
  EXPECT_EQ(codeOf([&] { f.read(0, buf); }), jet::ErrorCode::Io);
}

TEST(Pager, ReadsWholePagesThroughShortReads) {
  jet::FaultPlan plan;
  plan.maxBytesPerRead = 1000;  // every read returns less than a page
  auto faulty = std::make_unique<jet::FaultyFile>(std::make_unique<jet::MemoryFile>(numberedPages(3)), plan);
  jet::FaultyFile& probe = *faulty;
  jet::Pager pager(std::move(faulty), kPageSize);
  const jet::Page page = pager.page(2);
  ASSERT_EQ(page.bytes().size(), kPageSize);
  EXPECT_EQ(page.bytes().front(), 2);
  EXPECT_EQ(page.bytes().back(), 2);
  EXPECT_GE(probe.readCalls(), 5u);
}

TEST(Pager, ReportsFailedReadsAndPagesBeyondTheEnd) {
  jet::FaultPlan plan;
  plan.failOffset = 2 * kPageSize + 17;
  Bytes bytes = numberedPages(3);
  bytes.resize(bytes.size() + 100);  // a partial page at the end is not a page
  jet::Pager pager(std::make_unique<jet::FaultyFile>(std::make_unique<jet::MemoryFile>(bytes), plan),
                   kPageSize);
  EXPECT_EQ(pager.pageCount(), 3u);
  EXPECT_EQ(pager.page(1).bytes()[0], 1);
  EXPECT_EQ(codeOf([&] { pager.page(2); }), jet::ErrorCode::Io);
  EXPECT_EQ(codeOf([&] { pager.page(3); }), jet::ErrorCode::Corruption);
  EXPECT_EQ(codeOf([&] { pager.page(0xFFFFFFFF); }), jet::ErrorCode::Corruption);
  // A failed read leaves nothing half-loaded in the cache.
  EXPECT_EQ(codeOf([&] { pager.page(2); }), jet::ErrorCode::Io);
}

TEST(Pager, CacheStaysBoundedAndHeldPagesOutliveEviction) {
  jet::Pager pager(std::make_unique<jet::MemoryFile>(numberedPages(40)), kPageSize, 4);
  const jet::Page held = pager.page(1);
  for (std::uint32_t round = 0; round < 3; ++round) {
    for (std::uint32_t p = 2; p < 40; ++p) EXPECT_EQ(pager.page(p).bytes()[100], p);
  }
  // Page 1 was evicted long ago, and its frames reused, but the handle kept its bytes.
  for (std::uint8_t b : held.bytes()) ASSERT_EQ(b, 1);
  const std::size_t misses = pager.cacheMisses();
  pager.page(39);
  EXPECT_EQ(pager.cacheMisses(), misses);  // the most recent page is still cached
  pager.page(2);
  EXPECT_EQ(pager.cacheMisses(), misses + 1);
}

TEST(Pager, ReadsAheadOnSequentialMissesWithoutSpreadingErrors) {
  jet::FaultPlan plan;
  plan.failOffset = 20 * kPageSize + 5;  // page 20 cannot be read
  auto faulty = std::make_unique<jet::FaultyFile>(std::make_unique<jet::MemoryFile>(numberedPages(40)), plan);
  jet::FaultyFile& probe = *faulty;
  jet::Pager pager(std::move(faulty), kPageSize, 64);
  for (std::uint32_t p = 0; p < 20; ++p) EXPECT_EQ(pager.page(p).bytes()[7], p);
  EXPECT_LE(probe.readCalls(), 8u);  // runs of 1, 2, 4, 8, ... pages
  EXPECT_EQ(codeOf([&] { pager.page(20); }), jet::ErrorCode::Io);
  for (std::uint32_t p = 21; p < 40; ++p) EXPECT_EQ(pager.page(p).bytes()[7], p);
  // A jump elsewhere starts again with single pages.
  const std::size_t reads = probe.readCalls();
  pager.page(10);  // still cached
  EXPECT_EQ(probe.readCalls(), reads);
}

TEST(Rc4, MatchesPublishedKeyStreams) {
  // Classic test vectors: key "Key" / plaintext "Plaintext", key "Wiki" / "pedia".
  std::string text = "Plaintext";
  Bytes data(text.begin(), text.end());
  const std::string key = "Key";
  jet::Rc4(Bytes(key.begin(), key.end())).apply(data);
  EXPECT_EQ(data, (Bytes{0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3}));

  text = "pedia";
  data.assign(text.begin(), text.end());
  const std::string wiki = "Wiki";
  jet::Rc4 split(Bytes(wiki.begin(), wiki.end()));
  split.apply(std::span(data).first(2));  // the key stream continues across calls
  split.apply(std::span(data).subspan(2));
  EXPECT_EQ(data, (Bytes{0x10, 0x21, 0xBF, 0x04, 0x20}));
}

TEST(Pager, DecodesEncodedPagesWithThePageNumberInTheKey) {
  const std::uint32_t key = 0xA7B773E0;
  Bytes file = numberedPages(4);
  for (std::uint32_t p = 1; p < 4; ++p) {
    jet::rc4Apply(key ^ p, std::span(file).subspan(p * kPageSize, kPageSize));
  }
  jet::Pager pager(std::make_unique<jet::MemoryFile>(file), kPageSize);
  EXPECT_NE(pager.page(3).bytes()[0], 3);
  pager.setDatabaseKey(key);
  for (std::uint32_t p = 0; p < 4; ++p) {
    for (std::uint8_t b : pager.page(p).bytes()) ASSERT_EQ(b, p) << "page " << p;
  }
}

TEST(PosixFile, OpensReadsLocksAndReportsMissingFiles) {
  qbtest::TempDir dir;
  const auto path = dir / "data.bin";
  { std::ofstream(path, std::ios::binary) << "hello"; }
  auto file = jet::PosixFile::open(path, jet::OpenMode::ReadWrite);
  Bytes buf(5);
  EXPECT_EQ(file->readFully(0, buf), 5u);
  EXPECT_EQ(buf[4], 'o');
  file->write(5, Bytes{'!'});
  file->sync();
  EXPECT_EQ(file->size(), 6u);

  // Lock slots exclude other opens, even from this process: exclusive
  // against anything, shared only against exclusive.
  using jet::LockLevel;
  using jet::LockSlot;
  EXPECT_TRUE(file->setLock(LockSlot::Writer, LockLevel::Exclusive));
  auto second = jet::PosixFile::open(path, jet::OpenMode::ReadWrite);
  EXPECT_FALSE(second->setLock(LockSlot::Writer, LockLevel::Exclusive));
  EXPECT_FALSE(second->setLock(LockSlot::Writer, LockLevel::Shared));
  EXPECT_TRUE(second->lockedElsewhere(LockSlot::Writer));
  EXPECT_FALSE(second->lockedElsewhere(LockSlot::Readers));  // slots are independent
  EXPECT_TRUE(second->setLock(LockSlot::Readers, LockLevel::Shared));
  EXPECT_TRUE(file->setLock(LockSlot::Readers, LockLevel::Shared));
  EXPECT_FALSE(file->setLock(LockSlot::Readers, LockLevel::Exclusive));  // a reader is in
  EXPECT_TRUE(file->setLock(LockSlot::Writer, LockLevel::None));
  EXPECT_TRUE(second->setLock(LockSlot::Writer, LockLevel::Exclusive));
  EXPECT_TRUE(second->setLock(LockSlot::Readers, LockLevel::None));
  EXPECT_TRUE(file->setLock(LockSlot::Readers, LockLevel::Exclusive));  // shared to exclusive in one step
  second.reset();  // closing lets go of every lock of that open
  EXPECT_TRUE(file->setLock(LockSlot::Writer, LockLevel::Exclusive));
  // The lock bytes lie far beyond any database's end: the file does not grow.
  EXPECT_EQ(file->size(), 6u);
  EXPECT_GE(jet::lockByteOffset(LockSlot::Open), std::uint64_t{1} << 32);

  auto readOnly = jet::PosixFile::open(path, jet::OpenMode::ReadOnly);
  EXPECT_FALSE(readOnly->writable());
  EXPECT_FALSE(readOnly->setLock(LockSlot::Pending, LockLevel::Exclusive));
  EXPECT_TRUE(readOnly->lockedElsewhere(LockSlot::Readers));  // seen from a read-only open too
  EXPECT_EQ(codeOf([&] { readOnly->write(0, Bytes{1}); }), jet::ErrorCode::Io);

  EXPECT_EQ(codeOf([&] { jet::PosixFile::open(dir / "missing.mdb", jet::OpenMode::ReadOnly); }),
            jet::ErrorCode::NotFound);
  EXPECT_EQ(codeOf([&] { jet::PosixFile::open(dir.path(), jet::OpenMode::ReadOnly); }),
            jet::ErrorCode::InvalidArgument);
}

}  // namespace
