// The integrity checker over every Jet 4 file written by Microsoft's software:
// none has an error; the oddities they do carry (stale row counts, pages
// nobody uses) are warnings, and errors in strict mode.
#include <gtest/gtest.h>

#include "index_file_support.h"
#include "integrity_test_support.h"
#include "jet/database.h"
#include "jet/integrity.h"
#include "jet/text.h"
#include "support/test_files.h"

namespace {

using jet::IntegrityStrictness;
using jet::ProblemArea;
using jet::ProblemSeverity;

struct CorpusCase {
  const char* file;
  const char* password;
  std::size_t warnings;  // oddities Microsoft's engine left in the file
};

jet::IntegrityReport checkFile(const CorpusCase& c, IntegrityStrictness strictness) {
  jet::OpenOptions open;
  open.readOnly = true;
  open.password = jet::fromUtf8(c.password);
  auto db = jet::Database::open(qbtest::corpusFile(c.file), open);
  jet::IntegrityOptions options;
  options.strictness = strictness;
  return jet::checkIntegrity(*db, options);
}

class CorpusIntegrityTest : public testing::TestWithParam<CorpusCase> {};

TEST_P(CorpusIntegrityTest, ChecksWithoutErrorsAndWithOnlyItsKnownOddities) {
  QB_REQUIRE_CORPUS();
  const auto report = checkFile(GetParam(), IntegrityStrictness::Tolerant);
  EXPECT_EQ(report.errorCount, 0u) << qbtest::describe(report);
  EXPECT_EQ(report.warningCount, GetParam().warnings) << qbtest::describe(report);
  EXPECT_GT(report.tableCount, 3u);
  EXPECT_GT(report.indexCount, 3u);
  EXPECT_GT(report.rowCount, 0u);
  // Every text index of these files is in the General order, so every key was rebuilt.
  EXPECT_EQ(report.indexesNotReencoded, 0u);
}

TEST_P(CorpusIntegrityTest, StrictModeTurnsTheOdditiesIntoErrors) {
  QB_REQUIRE_CORPUS();
  const auto report = checkFile(GetParam(), IntegrityStrictness::Strict);
  EXPECT_EQ(report.errorCount, GetParam().warnings) << qbtest::describe(report);
  EXPECT_EQ(report.warningCount, 0u);
}

// The page-encoded file is read through its key; the password file with its password.
INSTANTIATE_TEST_SUITE_P(
    Files, CorpusIntegrityTest,
    testing::Values(CorpusCase{"jackcess-empty.mdb", "", 0},
                    CorpusCase{"jackcess-V2000-testV2000.mdb", "", 2},
                    CorpusCase{"jackcess-V2000-test2V2000.mdb", "", 0},
                    CorpusCase{"jackcess-V2000-compIndexTestV2000.mdb", "", 0},
                    CorpusCase{"jackcess-V2000-delTestV2000.mdb", "", 0},
                    CorpusCase{"jackcess-V2000-fixedNumericTestV2000.mdb", "", 0},
                    CorpusCase{"jackcess-V2000-fixedTextTestV2000.mdb", "", 0},
                    CorpusCase{"jackcess-V2000-indexTestV2000.mdb", "", 0},
                    CorpusCase{"jackcess-V2000-overflowTestV2000.mdb", "", 0},
                    CorpusCase{"jackcess-V2000-queryTestV2000.mdb", "", 1},
                    CorpusCase{"jackcess-V2003-testUnicodeCompV2003.mdb", "", 0},
                    CorpusCase{"jackcessencrypt-db-enc.mdb", "", 0},
                    CorpusCase{"mdbreader-password-V2003_with-password.mdb", "password", 0},
                    CorpusCase{"ucanaccess-linked.mdb", "", 0},
                    CorpusCase{"ucanaccess-weirdObjectNames.mdb", "", 0},
                    CorpusCase{"jackcess-V1997-testV1997.mdb", "", 0},
                    CorpusCase{"jackcess-V1997-test2V1997.mdb", "", 0},
                    CorpusCase{"jackcess-V1997-testIndexCodesV1997.mdb", "", 0}),
    [](const testing::TestParamInfo<CorpusCase>& param) { return qbtest::corpusTestName(param.param.file); });

TEST(CorpusIntegrity, NamesTheStaleRowCountsAndTheUnusedPagesOfTheBaselineFile) {
  QB_REQUIRE_CORPUS();
  const auto report = checkFile({"jackcess-V2000-testV2000.mdb", "", 0}, IntegrityStrictness::Tolerant);
  // MSysACEs stores 61 rows but holds 64 (the corpus README lists such counts).
  EXPECT_EQ(qbtest::countProblems(report, ProblemSeverity::Warning, ProblemArea::Counter,
                                  "table 'MSysACEs' stores a row count of 61 but holds 64 rows"),
            1u)
      << qbtest::describe(report);
  // Most of the 3 MB are long-value pages of values long gone, never marked free.
  EXPECT_EQ(qbtest::countProblems(report, ProblemSeverity::Warning, ProblemArea::PageMap,
                                  "693 pages are marked in use but used by nothing (663 long-value"),
            1u)
      << qbtest::describe(report);
}

}  // namespace
