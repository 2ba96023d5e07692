// Every index page of the real databases: each B-tree is walked from its root,
// every page decodes, re-encoding it gives back the stored bytes, the leaves
// are chained in order and node entries name the last entry of their child.
// Table definitions are found and parsed here just far enough to reach the
// indexes, straight from the file's pages.
#include <gtest/gtest.h>

#include <set>

#include "format/index_page.h"
#include "jet/error.h"
#include "support/hex_bytes.h"
#include "support/test_files.h"

namespace {

using jet::IndexPage;
using jet::IndexPageKind;
using Bytes = std::vector<std::uint8_t>;

// Where the definition fields this test needs lie in each version.
struct DefinitionLayout {
  std::uint32_t pageSize;
  std::size_t columnCount;     // u16
  std::size_t realIndexCount;  // u32
  std::size_t blocks;          // first variable block
  std::size_t counterSize;     // block A entry
  std::size_t columnSize;      // block B entry
  std::size_t nameLengthSize;  // block C: u16 or u8 length
  std::size_t realIndexSize;   // block D entry
  std::size_t rootPage;        // u32 in block D
  const jet::IndexPageFormat* pages;
};

constexpr DefinitionLayout kJet4{4096, 45, 51, 63, 12, 25, 2, 52, 38, &jet::kJet4IndexPage};
constexpr DefinitionLayout kJet3{2048, 25, 31, 43, 8, 18, 1, 39, 34, &jet::kJet3IndexPage};

struct RealIndex {
  std::uint32_t definitionPage;
  std::size_t number;
  std::uint32_t root;
};

class DatabaseFile {
 public:
  DatabaseFile(const std::string& name, const DefinitionLayout& layout) : name_(name), layout_(layout) {
    const std::string bytes = qbtest::readFileBytes(qbtest::corpusFile(name));
    bytes_.assign(bytes.begin(), bytes.end());
  }

  std::size_t pageCount() const { return bytes_.size() / layout_.pageSize; }
  std::span<const std::uint8_t> page(std::uint32_t n) const {
    if (n >= pageCount()) throw std::out_of_range(name_ + ": no page " + std::to_string(n));
    return std::span(bytes_).subspan(std::size_t{n} * layout_.pageSize, layout_.pageSize);
  }

  // Real indexes of every table definition in the file. A definition's first
  // page is a type-2 page that no other type-2 page continues to; pages that
  // look like one but do not parse (left-overs) are skipped.
  std::vector<RealIndex> realIndexes() const {
    std::set<std::uint32_t> continuations;
    for (std::uint32_t n = 0; n < pageCount(); ++n) {
      if (page(n)[0] == 0x02) continuations.insert(u32(page(n), 4));
    }
    std::vector<RealIndex> out;
    for (std::uint32_t n = 1; n < pageCount(); ++n) {
      if (page(n)[0] != 0x02 || continuations.count(n)) continue;
      const Bytes def = definition(n);
      const std::size_t used = u32(def, 8);
      if (used > def.size()) continue;
      const std::size_t columns = u16(def, layout_.columnCount);
      const std::size_t reals = u32(def, layout_.realIndexCount);
      std::size_t at = layout_.blocks + reals * layout_.counterSize + columns * layout_.columnSize;
      for (std::size_t c = 0; c < columns && at < used; ++c) {
        at += layout_.nameLengthSize + (layout_.nameLengthSize == 2 ? u16(def, at) : def[at]);
      }
      if (at + reals * layout_.realIndexSize > used) continue;
      for (std::size_t r = 0; r < reals; ++r) {
        out.push_back({n, r, u32(def, at + r * layout_.realIndexSize + layout_.rootPage)});
      }
    }
    return out;
  }

 private:
  static std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
  }
  static std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
  }
  // The logical definition buffer: the first page, then each continuation
  // page after its 8-byte header.
  Bytes definition(std::uint32_t first) const {
    Bytes out(page(first).begin(), page(first).end());
    std::set<std::uint32_t> seen{first};
    for (std::uint32_t next = u32(page(first), 4); next != 0 && next < pageCount() && seen.insert(next).second;
         next = u32(page(next), 4)) {
      out.insert(out.end(), page(next).begin() + 8, page(next).end());
    }
    return out;
  }

  std::string name_;
  DefinitionLayout layout_;
  Bytes bytes_;
};

struct WalkTotals {
  std::size_t indexes = 0;
  std::size_t nodePages = 0;
  std::size_t leafPages = 0;
  std::size_t entries = 0;
  std::size_t compressedPages = 0;
};

// Walks one B-tree: decodes every page, re-encodes it, and checks the tree's
// shape. Returns the leaf entries in index order through `leaves`.
class TreeWalker {
 public:
  TreeWalker(const DatabaseFile& file, const DefinitionLayout& layout, const RealIndex& index, WalkTotals& totals)
      : file_(file), format_(*layout.pages), index_(index), totals_(totals) {}

  void walk() {
    lastKey_.clear();
    visit(index_.root, 0);
    // Leaves are chained first to last.
    for (std::size_t i = 0; i < leafChain_.size(); ++i) {
      const auto& [page, prev, next] = leafChain_[i];
      EXPECT_EQ(prev, i == 0 ? 0 : std::get<0>(leafChain_[i - 1])) << where(page);
      EXPECT_EQ(next, i + 1 == leafChain_.size() ? 0 : std::get<0>(leafChain_[i + 1])) << where(page);
    }
  }

 private:
  std::string where(std::uint32_t page) const {
    return "definition page " + std::to_string(index_.definitionPage) + ", real index " +
           std::to_string(index_.number) + ", page " + std::to_string(page);
  }

  // Returns the last (key, row) of the subtree.
  std::pair<Bytes, jet::RowId> visit(std::uint32_t pageNumber, int depth) {
    if (depth > 8 || !visited_.insert(pageNumber).second) {
      ADD_FAILURE() << "index tree loops or is too deep at " << where(pageNumber);
      return {};
    }
    const auto stored = file_.page(pageNumber);
    IndexPage page;
    page.decode(stored, pageNumber, format_);
    EXPECT_EQ(page.ownerPage, index_.definitionPage) << where(pageNumber);
    checkReencoding(page, stored, pageNumber);

    if (page.kind == IndexPageKind::Leaf) {
      ++totals_.leafPages;
      totals_.entries += page.size();
      EXPECT_EQ(page.tailPage, 0u) << where(pageNumber);
      leafChain_.emplace_back(pageNumber, page.prevPage, page.nextPage);
      for (std::size_t i = 0; i < page.size(); ++i) {
        const Bytes key(page.key(i).begin(), page.key(i).end());
        if (haveLast_) {
          EXPECT_LT(jet::compareIndexEntries(lastKey_, lastRow_, key, page.row(i)), 0) << where(pageNumber);
        }
        lastKey_ = key;
        lastRow_ = page.row(i);
        haveLast_ = true;
      }
      if (page.empty()) return {};
      return {Bytes(page.key(page.size() - 1).begin(), page.key(page.size() - 1).end()), page.row(page.size() - 1)};
    }

    ++totals_.nodePages;
    EXPECT_FALSE(page.empty()) << where(pageNumber);
    std::pair<Bytes, jet::RowId> last;
    for (std::size_t i = 0; i < page.size(); ++i) {
      last = visit(page.childPage(i), depth + 1);
      // A node entry holds the last entry of its child's subtree.
      EXPECT_EQ(qbtest::toHex(page.key(i)), qbtest::toHex(last.first)) << where(pageNumber);
      EXPECT_EQ(page.row(i), last.second) << where(pageNumber);
    }
    if (page.tailPage != 0) last = visit(page.tailPage, depth + 1);
    return last;
  }

  void checkReencoding(const IndexPage& page, std::span<const std::uint8_t> stored, std::uint32_t pageNumber) {
    if (page.storedPrefixLength() != 0) ++totals_.compressedPages;
    // With the page's own prefix length the header, bitmap and entries come
    // back byte for byte (what follows the entries is left-over data).
    Bytes again(format_.pageSize);
    ASSERT_TRUE(page.encode(again, format_, page.storedPrefixLength())) << where(pageNumber);
    const std::size_t used = format_.pageSize - page.storedFreeSpace();
    ASSERT_LE(used, format_.pageSize);
    for (std::size_t i = 0; i < used; ++i) {
      ASSERT_EQ(int(stored[i]), int(again[i])) << where(pageNumber) << ", byte " << i;
    }
    // Our own prefix choice stores the same entries.
    ASSERT_TRUE(page.encode(again, format_)) << where(pageNumber);
    IndexPage back;
    back.decode(again, pageNumber, format_);
    ASSERT_EQ(back.size(), page.size());
    for (std::size_t i = 0; i < page.size(); ++i) {
      ASSERT_EQ(qbtest::toHex(back.key(i)), qbtest::toHex(page.key(i))) << where(pageNumber);
      ASSERT_EQ(back.row(i), page.row(i));
      ASSERT_EQ(back.childPage(i), page.childPage(i));
    }
  }

  const DatabaseFile& file_;
  const jet::IndexPageFormat& format_;
  RealIndex index_;
  WalkTotals& totals_;
  std::set<std::uint32_t> visited_;
  std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> leafChain_;
  Bytes lastKey_;
  jet::RowId lastRow_;
  bool haveLast_ = false;
};

struct CorpusCase {
  const char* file;
  const DefinitionLayout* layout;
};

class CorpusIndexPagesTest : public testing::TestWithParam<CorpusCase> {};

TEST_P(CorpusIndexPagesTest, EveryIndexPageDecodesAndReencodesToTheStoredBytes) {
  QB_REQUIRE_CORPUS();
  const CorpusCase& c = GetParam();
  const DatabaseFile file(c.file, *c.layout);
  WalkTotals totals;
  const auto indexes = file.realIndexes();
  ASSERT_FALSE(indexes.empty());
  for (const RealIndex& index : indexes) {
    ++totals.indexes;
    TreeWalker(file, *c.layout, index, totals).walk();
  }
  EXPECT_GT(totals.leafPages, 0u);
  RecordProperty("indexes", std::to_string(totals.indexes));
  RecordProperty("leafPages", std::to_string(totals.leafPages));
  RecordProperty("nodePages", std::to_string(totals.nodePages));
  RecordProperty("entries", std::to_string(totals.entries));
}

// Every Jet 4 file except the page-encoded one, and the Jet 3 files.
INSTANTIATE_TEST_SUITE_P(
    Files, CorpusIndexPagesTest,
    testing::Values(CorpusCase{"jackcess-empty.mdb", &kJet4}, CorpusCase{"jackcess-V2000-testV2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2000-test2V2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2000-compIndexTestV2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2000-delTestV2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2000-fixedNumericTestV2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2000-fixedTextTestV2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2000-indexTestV2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2000-overflowTestV2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2000-queryTestV2000.mdb", &kJet4},
                    CorpusCase{"jackcess-V2003-testUnicodeCompV2003.mdb", &kJet4},
                    CorpusCase{"mdbreader-password-V2003_with-password.mdb", &kJet4},
                    CorpusCase{"ucanaccess-linked.mdb", &kJet4}, CorpusCase{"ucanaccess-weirdObjectNames.mdb", &kJet4},
                    CorpusCase{"jackcess-V1997-testV1997.mdb", &kJet3},
                    CorpusCase{"jackcess-V1997-test2V1997.mdb", &kJet3},
                    CorpusCase{"jackcess-V1997-testIndexCodesV1997.mdb", &kJet3}),
    [](const testing::TestParamInfo<CorpusCase>& param) {
      std::string name = param.param.file;
      name = name.substr(0, name.find('.'));
      for (auto& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

}  // namespace
