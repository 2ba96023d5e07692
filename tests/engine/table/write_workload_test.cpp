// Random workloads on a new table of every type: thousands of inserts, updates
// and deletes with long values of every size and rows that move, checked
// against a model after every batch and after reopening; transactions that
// commit or roll back; and the same workload crashed at every write and sync
// of one transaction.
#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "support/write_fixtures.h"
#include "support/write_workload.h"

namespace {

using qbtest::MemoryDatabase;
using qbtest::Workload;

// The workloads run on a new table of an Access 2000 file and of an Access 97
// one (code-page text, one-byte row offsets, 2048-byte pages).
struct BaseFile {
  const char* name;
  bool access97;
};

class WriteWorkloadOn : public testing::TestWithParam<BaseFile> {};

TEST_P(WriteWorkloadOn, ThousandsOfRandomWritesMatchTheModel) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus(GetParam().name);
  std::map<std::uint32_t, Workload::Row> model;
  {
    auto db = file.open();
    qbtest::recordIndexCalls(*db);
    auto table = db->createTable(qbtest::workloadTableSpec(u"Work", GetParam().access97));
    Workload work(*table, 1234);
    for (int batch = 0; batch < 6; ++batch) {
      if (batch % 2 == 1) db->beginTransaction();
      for (int i = 0; i < 400; ++i) work.step();
      if (batch % 2 == 1) db->commitTransaction();
      work.verify(*db);
      if (HasFailure()) return;
    }
    // A transaction rolled back leaves no trace.
    const auto before = work.snapshot();
    db->beginTransaction();
    for (int i = 0; i < 300; ++i) work.step();
    db->rollbackTransaction();
    work.restore(before);
    work.verify(*db);
    model = work.model();
  }
  auto db = file.open();
  auto table = db->table(u"Work");
  Workload reread(*table, 1);
  EXPECT_EQ(reread.model(), model);
  reread.verify(*db);
}

// One transaction of mixed writes on an indexed table, crashed at each
// mutating operation of its commit in turn: the database always reopens to the
// state before or after, and the whole file checks clean, indexes included.
TEST_P(WriteWorkloadOn, ACrashAnywhereInACommitLeavesTheBeforeOrTheAfterRows) {
  QB_REQUIRE_CORPUS();
  auto file = MemoryDatabase::fromCorpus(GetParam().name);
  std::map<std::uint32_t, Workload::Row> before;
  jet::TableSpec spec = qbtest::workloadTableSpec(u"Work", GetParam().access97);
  spec.indexes.push_back({u"PrimaryKey", {{u"ID"}}, true});
  spec.indexes.push_back({u"Code", {{u"Code"}, {u"When", false}}});
  {
    auto db = file.open();
    auto table = db->createTable(spec);
    Workload work(*table, 99);
    for (int i = 0; i < 60; ++i) work.insert();
    before = work.model();
  }
  const std::vector<std::uint8_t> beforeBytes = file.bytes();

  const auto runTransaction = [&](const MemoryDatabase& f, std::size_t crashAt, bool crash) {
    auto db = f.open();
    auto table = db->table(u"Work");
    Workload work(*table, 7);
    db->beginTransaction();
    for (int i = 0; i < 40; ++i) work.step();
    if (crash) f.vfs->crashAt(f.vfs->operations() + crashAt);
    const std::size_t start = f.vfs->operations();
    db->commitTransaction();
    return std::make_pair(work.model(), f.vfs->operations() - start);
  };
  MemoryDatabase probe;
  probe.vfs->put(probe.path, beforeBytes);
  const auto [after, operations] = runTransaction(probe, 0, false);
  ASSERT_NE(after, before);

  for (std::size_t crash = 0; crash <= operations; ++crash) {
    for (const auto survival : {jet::MemoryVfs::Survival::None, jet::MemoryVfs::Survival::Random}) {
      MemoryDatabase f;
      f.vfs->put(f.path, beforeBytes);
      runTransaction(f, crash, true);
      f.vfs->powerCut(survival, static_cast<std::uint32_t>(crash));
      auto db = f.open();
      auto table = db->table(u"Work");
      Workload seen(*table, 1);
      EXPECT_TRUE(seen.model() == before || seen.model() == after) << "crash at operation " << crash;
      if (crash == operations) {
        EXPECT_EQ(seen.model(), after);
      }
      for (const std::string& p : qbtest::tableProblems(*db, *table)) ADD_FAILURE() << "crash " << crash << ": " << p;
      jet::IntegrityOptions strict;
      strict.strictness = jet::IntegrityStrictness::Strict;
      const jet::IntegrityReport report = jet::checkIntegrity(*db, strict);
      for (const jet::IntegrityProblem& p : report.problems) ADD_FAILURE() << "crash " << crash << ": " << p.message;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, WriteWorkloadOn,
                         testing::Values(BaseFile{"jackcess-empty.mdb", false},
                                         BaseFile{"jackcess-V1997-testV1997.mdb", true}),
                         [](const testing::TestParamInfo<BaseFile>& p) { return p.param.access97 ? "Access97" : "Access2000"; });

// Failed writes of every kind inside one commit: the commit fails, and the
// file is the one from before, in memory and after a reopen.
TEST(WriteWorkload, AFailedCommitLeavesTheRowsFromBefore) {
  QB_REQUIRE_CORPUS();
  auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  std::map<std::uint32_t, Workload::Row> before;
  {
    auto db = file.open();
    qbtest::recordIndexCalls(*db);
    auto table = db->createTable(qbtest::workloadTableSpec(u"Work"));
    Workload work(*table, 5);
    for (int i = 0; i < 30; ++i) work.insert();
    before = work.model();
  }
  const std::vector<std::uint8_t> beforeBytes = file.bytes();
  for (std::size_t failing = 0; failing < 12; ++failing) {
    MemoryDatabase f;
    f.vfs->put(f.path, beforeBytes);
    auto db = f.open();
    qbtest::recordIndexCalls(*db);
    auto table = db->table(u"Work");
    Workload work(*table, 8);
    db->beginTransaction();
    for (int i = 0; i < 30; ++i) work.step();
    f.vfs->failAt(f.vfs->operations() + failing);
    try {
      db->commitTransaction();
      continue;  // the failure fell after the commit point
    } catch (const jet::Error&) {
    }
    EXPECT_FALSE(db->inTransaction());
    Workload inMemory(*table, 1);
    EXPECT_EQ(inMemory.model(), before) << "failure at operation " << failing;
    EXPECT_EQ(f.bytes(), beforeBytes) << "failure at operation " << failing;
    db.reset();
    auto reopened = f.open();
    Workload seen(*reopened->table(u"Work"), 1);
    EXPECT_EQ(seen.model(), before);
  }
}

}  // namespace
