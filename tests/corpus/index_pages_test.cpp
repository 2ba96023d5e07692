// Every index page of the real databases: each B-tree is walked from its root,
// every page decodes, re-encoding it gives back the stored bytes, the leaves
// are chained in order and node entries name the last entry of their child.
#include <gtest/gtest.h>

#include "index_file_support.h"
#include "support/test_files.h"

namespace {

using qbtest::DatabaseFile;

struct PagesCase {
  const char* file;
  const qbtest::DefinitionLayout* layout;
};

class CorpusIndexPagesTest : public testing::TestWithParam<PagesCase> {};

TEST_P(CorpusIndexPagesTest, EveryIndexPageDecodesAndReencodesToTheStoredBytes) {
  QB_REQUIRE_CORPUS();
  const DatabaseFile file(GetParam().file, *GetParam().layout);
  qbtest::WalkTotals totals;
  std::size_t indexes = 0;
  for (const auto& definition : file.definitions()) {
    for (const auto& index : definition.realIndexes) {
      qbtest::walkIndex(file, index, true, totals);
      ++indexes;
    }
  }
  EXPECT_GT(indexes, 0u);
  EXPECT_GT(totals.leafPages, 0u);
  RecordProperty("indexes", std::to_string(indexes));
  RecordProperty("leafPages", std::to_string(totals.leafPages));
  RecordProperty("nodePages", std::to_string(totals.nodePages));
  RecordProperty("entries", std::to_string(totals.entries));
}

// Every Jet 4 file except the page-encoded one, and the Jet 3 files.
INSTANTIATE_TEST_SUITE_P(
    Files, CorpusIndexPagesTest,
    testing::Values(PagesCase{"jackcess-empty.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-testV2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-test2V2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-compIndexTestV2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-delTestV2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-fixedNumericTestV2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-fixedTextTestV2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-indexTestV2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-overflowTestV2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2000-queryTestV2000.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V2003-testUnicodeCompV2003.mdb", &qbtest::kJet4Layout},
                    PagesCase{"mdbreader-password-V2003_with-password.mdb", &qbtest::kJet4Layout},
                    PagesCase{"ucanaccess-linked.mdb", &qbtest::kJet4Layout},
                    PagesCase{"ucanaccess-weirdObjectNames.mdb", &qbtest::kJet4Layout},
                    PagesCase{"jackcess-V1997-testV1997.mdb", &qbtest::kJet3Layout},
                    PagesCase{"jackcess-V1997-test2V1997.mdb", &qbtest::kJet3Layout},
                    PagesCase{"jackcess-V1997-testIndexCodesV1997.mdb", &qbtest::kJet3Layout}),
    [](const testing::TestParamInfo<PagesCase>& param) { return qbtest::corpusTestName(param.param.file); });

}  // namespace
