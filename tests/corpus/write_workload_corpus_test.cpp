// Random writes on copies of every kind of table Microsoft's software wrote:
// overflow rows, deleted rows and columns, chained memos, compressed text,
// decimals, fixed-length text, encoded pages, a password. Our reader and
// mdbtools must both read exactly the rows the model holds.
#include <gtest/gtest.h>

#include "corpus/write_mdbtools_check.h"
#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"
#include "support/write_workload.h"

namespace {

struct Case {
  const char* file;
  const char16_t* table;
  bool mdbtoolsReads;
};

class WriteWorkloadCorpus : public testing::TestWithParam<Case> {};

TEST_P(WriteWorkloadCorpus, RandomWritesReadBackExactly) {
  QB_REQUIRE_CORPUS();
  const Case& c = GetParam();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile(c.file);
  jet::OpenOptions options;
  options.password = u"password";
  std::map<std::uint32_t, qbtest::Workload::Row> model;
  {
    auto db = jet::Database::open(path, options);
    qbtest::recordIndexCalls(*db);
    auto table = db->table(c.table);
    qbtest::Workload work(*table, 4242);
    // Mostly in transactions: a write on its own is synced to disk each time.
    for (int batch = 0; batch < 3; ++batch) {
      if (batch > 0) db->beginTransaction();
      for (int i = 0; i < (batch == 0 ? 10 : 200); ++i) work.step();
      if (batch > 0) db->commitTransaction();
      work.verify(*db);
      if (HasFailure()) return;
    }
    model = work.model();
  }
  auto db = jet::Database::open(path, options);
  auto table = db->table(c.table);
  qbtest::Workload reread(*table, 1);
  EXPECT_EQ(reread.model(), model);
  reread.verify(*db);

  if (c.mdbtoolsReads) qbtest::expectMdbExportReadsTheSameRows(path, *db, *table);
}

std::string caseName(const testing::TestParamInfo<Case>& param) {
  std::string name = param.param.file;
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    Jet4, WriteWorkloadCorpus,
    testing::Values(Case{"jackcess-V2000-testV2000.mdb", u"Table1", true},
                    Case{"jackcess-V2000-overflowTestV2000.mdb", u"Table1", true},
                    Case{"jackcess-V2000-delTestV2000.mdb", u"Table", true},
                    Case{"jackcess-V2000-indexTestV2000.mdb", u"Table1", true},
                    Case{"jackcess-V2000-test2V2000.mdb", u"MSP_PROJECTS", true},
                    Case{"jackcess-V2003-testUnicodeCompV2003.mdb", u"Table", true},
                    Case{"jackcess-V2000-fixedNumericTestV2000.mdb", u"test", true},
                    Case{"jackcess-V2000-fixedTextTestV2000.mdb", u"users", true},
                    Case{"jackcess-V2000-compIndexTestV2000.mdb", u"Table1", true},
                    Case{"jackcessencrypt-db-enc.mdb", u"Table1", false},
                    Case{"mdbreader-password-V2003_with-password.mdb", u"Table1", true}),
    caseName);

// Access 97: code-page text, one-byte row offsets, General 97 text keys.
INSTANTIATE_TEST_SUITE_P(Jet3, WriteWorkloadCorpus,
                         testing::Values(Case{"jackcess-V1997-testV1997.mdb", u"Table1", true},
                                         Case{"jackcess-V1997-test2V1997.mdb", u"MSP_PROJECTS", true},
                                         Case{"jackcess-V1997-testIndexCodesV1997.mdb", u"Table1", true}),
                         caseName);

}  // namespace
