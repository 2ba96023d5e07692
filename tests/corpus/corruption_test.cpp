// The corruption family: every Jet 4 corpus file cut short at many points and
// with bytes changed in each kind of structure (header, catalog definition,
// table definitions, data pages, long-value pages, usage maps, index pages).
// Reading a damaged file may fail with an engine error or give partial results;
// it must never crash, hang, read out of bounds or raise from a lenient read.
// These run under AddressSanitizer and UBSan in CI.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "catalog/database_impl.h"
#include "corpus/database_exercise.h"
#include "format/usage_map.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/memory_file.h"
#include "support/test_files.h"
#include "table/table_impl.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kPageSize = 4096;  // Jet 4

// The page size a file's header names: 2048 for Access 97 (version byte 0).
std::size_t pageSizeOf(const Bytes& image) { return image.size() > 0x14 && image[0x14] == 0 ? 2048 : 4096; }

enum class Structure {
  Header,
  CatalogDefinition,
  TableDefinition,
  DataPage,
  LongValuePage,
  UsageMapPage,
  IndexPage
};

const char* nameOf(Structure s) {
  switch (s) {
    case Structure::Header:
      return "header";
    case Structure::CatalogDefinition:
      return "catalog definition";
    case Structure::TableDefinition:
      return "table definition";
    case Structure::DataPage:
      return "data page";
    case Structure::LongValuePage:
      return "long-value page";
    case Structure::UsageMapPage:
      return "usage-map page";
    case Structure::IndexPage:
      return "index page";
  }
  return "?";
}

using qbtest::CorpusFile;

Bytes corpusBytes(const std::string& name) {
  const std::string s = qbtest::readFileBytes(qbtest::corpusFile(name));
  return Bytes(s.begin(), s.end());
}

// Which pages hold which structures, found by reading the undamaged file.
std::map<Structure, std::set<std::uint32_t>> mapStructures(const Bytes& image,
                                                           const std::u16string& password) {
  jet::OpenOptions options;
  options.password = password;
  auto db = qbtest::openImage(image, "clean.mdb", options);
  jet::Pager& pager = *db->impl().context->pager;
  const jet::FormatVersion& version = *db->impl().context->version;
  std::map<Structure, std::set<std::uint32_t>> pages;
  pages[Structure::Header].insert(0);
  const auto addMap = [&](Structure kind, jet::RowId where) {
    if (where.value == 0) return;
    pages[Structure::UsageMapPage].insert(where.page());
    try {
      for (std::uint32_t p : jet::readUsageMap(pager, where, version)) {
        if (p < pager.pageCount()) pages[kind].insert(p);
      }
    } catch (const jet::Error&) {
    }
  };
  for (const jet::CatalogObject& o : db->catalog()) {
    if (o.type != 1 || !db->hasTable(o.name)) continue;
    const jet::TableDefinition& def = db->table(o.name)->impl().definition;
    const Structure kind = def.firstPage == 2 ? Structure::CatalogDefinition : Structure::TableDefinition;
    pages[kind].insert(def.pages.begin(), def.pages.end());
    addMap(Structure::DataPage, def.ownedPages);
    for (const auto& lv : def.longValueMaps) addMap(Structure::LongValuePage, lv.ownedPages);
    for (const auto& index : def.realIndexes) addMap(Structure::IndexPage, index.usageMap);
  }
  return pages;
}

class Corruption : public testing::TestWithParam<CorpusFile> {
 protected:
  void expectSurvives(const Bytes& image, const std::string& what) {
    const qbtest::ExerciseResult r = qbtest::exerciseImage(image, GetParam().password);
    EXPECT_EQ(r.brokenPromise, "") << what;
  }
};

TEST_P(Corruption, TruncatedFilesGiveErrorsOrPartialResults) {
  QB_REQUIRE_CORPUS();
  const Bytes whole = corpusBytes(GetParam().name);
  const std::size_t ps = pageSizeOf(whole);
  std::set<std::size_t> cuts{0, 1, 0x14, 0x80, ps - 1, ps + 1, 2 * ps, 3 * ps - 7};
  for (std::size_t i = 1; i < 24; ++i) cuts.insert(whole.size() * i / 24);
  for (std::size_t i = 1; i < 6; ++i) cuts.insert(whole.size() - i * ps / 2);
  for (std::size_t size : cuts) {
    if (size >= whole.size()) continue;
    expectSurvives(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)),
                   "cut at " + std::to_string(size));
  }
}

TEST_P(Corruption, ChangedBytesInEveryStructureGiveErrorsOrPartialResults) {
  QB_REQUIRE_CORPUS();
  const Bytes clean = corpusBytes(GetParam().name);
  const auto structures = mapStructures(clean, GetParam().password);
  const std::size_t ps = pageSizeOf(clean);
  std::mt19937 random(20240611);
  for (const auto& [kind, pageSet] : structures) {
    const std::vector<std::uint32_t> pages(pageSet.begin(), pageSet.end());
    // Up to three pages of each kind: the first, the last and one between.
    std::set<std::uint32_t> chosen{pages.front(), pages[pages.size() / 2], pages.back()};
    for (std::uint32_t page : chosen) {
      for (int round = 0; round < 8; ++round) {
        Bytes image = clean;
        const std::size_t base = static_cast<std::size_t>(page) * ps;
        // Half the changes hit the structure's header fields, half anywhere on the page.
        const std::size_t span = round % 2 == 0 ? 256 : ps;
        const int changes = 1 + round % 3;
        std::string what = std::string(nameOf(kind)) + " page " + std::to_string(page) + ":";
        for (int c = 0; c < changes; ++c) {
          const std::size_t at = base + random() % span;
          const std::uint8_t value =
              round < 4 ? static_cast<std::uint8_t>(random()) : (round % 2 ? 0xFF : 0x00);
          image[at] = value;
          what += " [" + std::to_string(at - base) + "]=" + std::to_string(value);
        }
        expectSurvives(image, what);
      }
    }
  }
}

TEST(CorruptionCases, LongValueChainsThatLoopOrLeaveTheFileAreErrorsNamingTheTable) {
  QB_REQUIRE_CORPUS();
  Bytes image = corpusBytes("jackcess-V2000-test2V2000.mdb");
  // Find the chained OLE value of MSP_PROJECTS and redirect its first link.
  auto db = qbtest::openImage(image, "clean.mdb", {});
  auto table = db->table(u"MSP_PROJECTS");
  const jet::RowId row = table->rowIds().at(0);
  const std::size_t column = static_cast<std::size_t>(table->findColumn(u"RESERVED_BINARY_DATA"));
  const std::size_t length = table->readValue(row, column).asBinary().size();
  ASSERT_GT(length, 8000u);  // stored as a chain of several rows

  // The reference lies in the row's variable area; find it by its length word.
  const std::size_t pageStart = static_cast<std::size_t>(row.page()) * kPageSize;
  std::size_t reference = 0;
  for (std::size_t at = pageStart; at + 12 <= pageStart + kPageSize; ++at) {
    if (image[at] == (length & 0xFF) && image[at + 1] == ((length >> 8) & 0xFF) &&
        image[at + 2] == (length >> 16) && image[at + 3] == 0) {
      reference = at;
    }
  }
  ASSERT_NE(reference, 0u);
  const std::uint32_t firstLink = image[reference + 4] | image[reference + 5] << 8 |
                                  image[reference + 6] << 16 |
                                  static_cast<std::uint32_t>(image[reference + 7]) << 24;
  const std::size_t linkPage = (firstLink >> 8) * kPageSize;
  const std::uint8_t linkSlot = firstLink & 0xFF;
  const std::size_t linkRow =
      linkPage + ((image[linkPage + 14 + 2 * linkSlot] | image[linkPage + 15 + 2 * linkSlot] << 8) & 0x1FFF);

  const auto failure = [&](const Bytes& damaged) -> std::string {
    auto d = qbtest::openImage(damaged, "damaged.mdb", {});
    try {
      d->table(u"MSP_PROJECTS")->readValue(row, column);
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
      return e.what();
    }
    return "no error";
  };
  Bytes looping = image;  // the first link points back at itself
  std::copy(image.begin() + static_cast<std::ptrdiff_t>(reference + 4),
            image.begin() + static_cast<std::ptrdiff_t>(reference + 8),
            looping.begin() + static_cast<std::ptrdiff_t>(linkRow));
  std::string message = failure(looping);
  EXPECT_NE(message.find("loops"), std::string::npos) << message;
  EXPECT_NE(message.find("table 'MSP_PROJECTS'"), std::string::npos) << message;
  EXPECT_NE(message.find("column 'RESERVED_BINARY_DATA'"), std::string::npos) << message;

  Bytes outside = image;  // the next link names a page far past the end
  outside[linkRow + 3] = 0x7F;
  message = failure(outside);
  EXPECT_NE(message.find("beyond the end of the file"), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(Jet4Corpus, Corruption, testing::ValuesIn(qbtest::jet4CorpusFiles()),
                         [](const testing::TestParamInfo<CorpusFile>& param) { return qbtest::corpusTestName(param.param); });
INSTANTIATE_TEST_SUITE_P(Jet3Corpus, Corruption, testing::ValuesIn(qbtest::jet3CorpusFiles()),
                         [](const testing::TestParamInfo<CorpusFile>& param) { return qbtest::corpusTestName(param.param); });

}  // namespace
