// The integrity checker's building blocks on synthetic input: how problems are
// graded and capped, how page claims collide, how the file's page map is
// compared with the claims, and the data-page layout rules.
#include <gtest/gtest.h>

#include "format/data_page.h"
#include "format/format_version.h"
#include "storage/memory_file.h"
#include "storage/pager.h"
#include "tools/integrity_page_ledger.h"
#include "tools/integrity_pages.h"
#include "tools/integrity_sink.h"

namespace {

using jet::IntegrityOptions;
using jet::IntegrityReport;
using jet::IntegrityStrictness;
using jet::PageLedger;
using jet::PageMapState;
using jet::PageRole;
using jet::ProblemArea;
using jet::ProblemSeverity;
using jet::ProblemSink;

IntegrityOptions optionsWith(IntegrityStrictness strictness, std::size_t cap = 20) {
  IntegrityOptions o;
  o.strictness = strictness;
  o.maxProblemsPerStructure = cap;
  return o;
}

bool mentions(const IntegrityReport& report, const std::string& text) {
  for (const auto& p : report.problems) {
    if (p.message.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(IntegritySink, OdditiesAreWarningsUnlessStrict) {
  IntegrityReport tolerant;
  ProblemSink a(tolerant, optionsWith(IntegrityStrictness::Tolerant));
  a.oddity(ProblemArea::Counter, "stale count");
  a.error(ProblemArea::Row, "bad row");
  EXPECT_EQ(tolerant.warningCount, 1u);
  EXPECT_EQ(tolerant.errorCount, 1u);
  EXPECT_EQ(tolerant.problems[0].severity, ProblemSeverity::Warning);
  EXPECT_TRUE(tolerant.hasErrors());

  IntegrityReport strict;
  ProblemSink b(strict, optionsWith(IntegrityStrictness::Strict));
  b.oddity(ProblemArea::Counter, "stale count");
  EXPECT_EQ(strict.errorCount, 1u);
  EXPECT_EQ(strict.problems[0].severity, ProblemSeverity::Error);
}

TEST(IntegritySink, CapsEachStructureAndSumsUpTheRest) {
  IntegrityReport report;
  ProblemSink sink(report, optionsWith(IntegrityStrictness::Tolerant, 2));
  sink.beginScope("table 'A'");
  for (int i = 0; i < 5; ++i) sink.error(ProblemArea::Row, "row " + std::to_string(i));
  sink.oddity(ProblemArea::Counter, "count");
  sink.beginScope("table 'B'");
  sink.error(ProblemArea::Row, "b1");
  sink.finish();
  // Two listed, one summary line for A (3 errors + 1 warning hidden), then B's one.
  ASSERT_EQ(report.problems.size(), 4u);
  EXPECT_EQ(report.problems[2].message,
            "... and 4 more problems in table 'A' (3 errors, 1 warnings) not listed");
  EXPECT_EQ(report.problems[2].severity, ProblemSeverity::Error);
  EXPECT_EQ(report.problems[3].message, "b1");
  EXPECT_EQ(report.errorCount, 6u);
  EXPECT_EQ(report.warningCount, 1u);
}

class IntegrityLedger : public testing::Test {
 protected:
  // Ten zeroed pages: every page reads as type 0.
  IntegrityLedger()
      : pager_(std::make_unique<jet::MemoryFile>(std::vector<std::uint8_t>(10 * 4096)), 4096),
        sink_(report_, optionsWith(IntegrityStrictness::Tolerant)),
        ledger_(10, sink_) {}

  PageMapState mapMarkingFree(std::initializer_list<std::uint32_t> free) {
    PageMapState m;
    m.free.assign(10, false);
    m.covered.assign(10, true);
    for (const auto p : free) m.free[p] = true;
    return m;
  }

  jet::Pager pager_;
  IntegrityReport report_;
  ProblemSink sink_;
  PageLedger ledger_;
};

TEST_F(IntegrityLedger, APageHasOneUserExceptUsageMapPages) {
  const auto a = ledger_.addOwner("table 'A'");
  const auto b = ledger_.addOwner("table 'B'");
  EXPECT_TRUE(ledger_.claim(3, PageRole::TableData, a, "its map lists"));
  EXPECT_TRUE(ledger_.claim(3, PageRole::TableData, a, "its overflow pointer reaches"));  // same use again
  EXPECT_FALSE(ledger_.claim(3, PageRole::IndexPage, b, "its tree reaches"));
  EXPECT_TRUE(mentions(report_,
                       "page 3 is used twice: as a data page of table 'A', and as an index page of "
                       "table 'B' (its tree reaches it)"));
  // Many maps share the pages their rows are on.
  EXPECT_TRUE(ledger_.claim(4, PageRole::MapRows, a, "a map is on"));
  EXPECT_TRUE(ledger_.claim(4, PageRole::MapRows, b, "a map is on"));
  EXPECT_FALSE(ledger_.claim(10, PageRole::TableData, a, "its map lists"));
  EXPECT_TRUE(mentions(report_, "table 'A': its map lists page 10, beyond the end of the file (10 pages)"));
  EXPECT_EQ(report_.errorCount, 2u);
}

TEST_F(IntegrityLedger, UsedPagesMarkedFreeAreErrorsAndUnusedPagesInUseAreSummedUp) {
  const auto t = ledger_.addOwner("table 'T'");
  ledger_.claim(0, PageRole::Header, t, "");
  ledger_.claim(2, PageRole::Definition, t, "");
  ledger_.claim(5, PageRole::TableData, t, "");
  ledger_.noteListed(7);
  // Free: 5 (used!) and 9; in use but unclaimed: 1, 3, 4, 6, 7, 8.
  ledger_.compareWithPageMap(mapMarkingFree({5, 9}), pager_);
  EXPECT_EQ(report_.errorCount, 1u);
  EXPECT_TRUE(mentions(report_, "page 5 is a data page of table 'T', but the file's page map marks it free"));
  EXPECT_EQ(report_.warningCount, 1u);
  EXPECT_TRUE(mentions(report_,
                       "6 pages are marked in use but used by nothing (6 type 0x0; 1 of them still listed "
                       "in a usage map): pages 1, 3-4, 6-8"));
}

TEST_F(IntegrityLedger, UsedPagesTheMapHasNoBitsForAreNamed) {
  const auto t = ledger_.addOwner("table 'T'");
  for (std::uint32_t p = 0; p < 10; ++p) ledger_.claim(p, PageRole::TableData, t, "");
  PageMapState m = mapMarkingFree({});
  for (std::uint32_t p = 6; p < 10; ++p) m.covered[p] = false;
  ledger_.compareWithPageMap(m, pager_);
  EXPECT_EQ(report_.errorCount, 0u);
  EXPECT_TRUE(mentions(report_, "the file's page map has no bits for 4 used pages (6-9)"));
}

// A data page with rows of the given sizes, packed from the end in slot order.
std::vector<std::uint8_t> dataPage(const std::vector<std::size_t>& rowSizes) {
  std::vector<std::uint8_t> page(4096, 0);
  page[0] = 0x01;
  page[1] = 0x01;
  std::size_t end = 4096;
  for (std::size_t i = 0; i < rowSizes.size(); ++i) {
    end -= rowSizes[i];
    page[14 + 2 * i] = static_cast<std::uint8_t>(end);
    page[15 + 2 * i] = static_cast<std::uint8_t>(end >> 8);
  }
  page[12] = static_cast<std::uint8_t>(rowSizes.size());
  const std::size_t free = end - (14 + 2 * rowSizes.size());
  page[2] = static_cast<std::uint8_t>(free);
  page[3] = static_cast<std::uint8_t>(free >> 8);
  return page;
}

IntegrityReport layoutOf(const std::vector<std::uint8_t>& page) {
  IntegrityReport report;
  ProblemSink sink(report, optionsWith(IntegrityStrictness::Tolerant));
  const jet::DataPage data(page, 7, jet::kJet4Format);
  jet::checkDataPageLayout(data, page, jet::kJet4Format, sink, ProblemArea::DataPage, "data page 7");
  return report;
}

TEST(IntegrityDataPage, RowsInSlotOrderWithAMatchingFreeSpaceFieldPass) {
  EXPECT_TRUE(layoutOf(dataPage({})).clean());
  EXPECT_TRUE(layoutOf(dataPage({100, 0, 37})).clean());  // a reclaimed deleted slot has no bytes
  EXPECT_TRUE(layoutOf(dataPage({4080})).clean());        // one slot, no byte free
}

TEST(IntegrityDataPage, FreeSpaceOverstatedIsAnErrorUnderstatedAWarning) {
  auto page = dataPage({100, 50});
  page[2] = static_cast<std::uint8_t>(page[2] + 1);
  auto report = layoutOf(page);
  EXPECT_EQ(report.errorCount, 1u);
  EXPECT_TRUE(mentions(report, "records 3929 bytes free but has only 3928"));

  page = dataPage({100, 50});
  page[2] = static_cast<std::uint8_t>(page[2] - 8);
  report = layoutOf(page);
  EXPECT_EQ(report.errorCount, 0u);
  EXPECT_EQ(report.warningCount, 1u);
}

TEST(IntegrityDataPage, RowsOutOfPlaceAreErrors) {
  // Slot 1 ending past slot 0's start: the rows would overlap.
  auto page = dataPage({100, 50});
  page[16] = static_cast<std::uint8_t>(4000 & 0xFF);
  page[17] = static_cast<std::uint8_t>(4000 >> 8);
  EXPECT_TRUE(
      mentions(layoutOf(page), "row slot 1 starts at byte 4000, outside the space between the slot table"));

  // A row starting inside the slot table.
  page = dataPage({100});
  page[14] = 10;
  page[15] = 0;
  EXPECT_TRUE(mentions(layoutOf(page), "row slot 0 starts at byte 10"));
}

}  // namespace
