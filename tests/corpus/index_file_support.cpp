// Index test helpers over the raw pages of a database file.
#include "index_file_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <stdexcept>
#include <tuple>

#include "format/index_page.h"
#include "support/hex_bytes.h"
#include "support/test_files.h"

namespace qbtest {

const DefinitionLayout kJet4Layout{4096, 45, 51, 63, 12, 25, 5,  15,
                                   21,   23, 2,  52, 4,  38, 46, &jet::kJet4IndexPage};
const DefinitionLayout kJet3Layout{2048, 25, 31, 43, 8, 18, 1,  13,
                                   14,   16, 1,  39, 0, 34, 38, &jet::kJet3IndexPage};

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

class TreeWalker {
 public:
  TreeWalker(const DatabaseFile& file, const RealIndex& index, bool checkReencoding, WalkTotals& totals,
             std::vector<LeafEntry>* entries)
      : file_(file),
        format_(*file.layout().pages),
        index_(index),
        checkReencoding_(checkReencoding),
        totals_(totals),
        entries_(entries) {}

  void walk() {
    visit(index_.root, 0);
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
    jet::IndexPage page;
    page.decode(stored, pageNumber, format_);
    EXPECT_EQ(page.ownerPage, index_.definitionPage) << where(pageNumber);
    if (checkReencoding_) reencode(page, stored, pageNumber);

    if (page.kind == jet::IndexPageKind::Leaf) {
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
        if (entries_) entries_->push_back({key, page.row(i)});
      }
      if (page.empty()) return {};
      return {lastKey_, lastRow_};
    }

    ++totals_.nodePages;
    EXPECT_FALSE(page.empty()) << where(pageNumber);
    std::pair<Bytes, jet::RowId> last;
    for (std::size_t i = 0; i < page.size(); ++i) {
      last = visit(page.childPage(i), depth + 1);
      EXPECT_EQ(toHex(page.key(i)), toHex(last.first)) << where(pageNumber);
      EXPECT_EQ(page.row(i), last.second) << where(pageNumber);
    }
    if (page.tailPage != 0) last = visit(page.tailPage, depth + 1);
    return last;
  }

  void reencode(const jet::IndexPage& page, std::span<const std::uint8_t> stored, std::uint32_t pageNumber) {
    // With the page's own prefix length the header, bitmap and entries come
    // back byte for byte (what follows the entries is left-over data).
    Bytes again(format_.pageSize);
    ASSERT_TRUE(page.encode(again, format_, page.storedPrefixLength())) << where(pageNumber);
    const std::size_t used = format_.pageSize - page.storedFreeSpace();
    ASSERT_LE(used, format_.pageSize);
    for (std::size_t i = 0; i < used; ++i) {
      ASSERT_EQ(int(stored[i]), int(again[i])) << where(pageNumber) << ", byte " << i;
    }
  }

  const DatabaseFile& file_;
  const jet::IndexPageFormat& format_;
  const RealIndex& index_;
  bool checkReencoding_;
  WalkTotals& totals_;
  std::vector<LeafEntry>* entries_;
  std::set<std::uint32_t> visited_;
  std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> leafChain_;
  Bytes lastKey_;
  jet::RowId lastRow_;
  bool haveLast_ = false;
};

}  // namespace

const StoredColumn* StoredDefinition::column(std::uint16_t number) const {
  for (const StoredColumn& c : columns) {
    if (c.number == number) return &c;
  }
  return nullptr;
}

DatabaseFile::DatabaseFile(const std::string& corpusName, const DefinitionLayout& layout)
    : name_(corpusName), layout_(layout) {
  const std::string bytes = readFileBytes(corpusFile(corpusName));
  bytes_.assign(bytes.begin(), bytes.end());
}

std::span<const std::uint8_t> DatabaseFile::page(std::uint32_t n) const {
  if (n >= pageCount()) throw std::out_of_range(name_ + ": no page " + std::to_string(n));
  return std::span(bytes_).subspan(std::size_t{n} * layout_.pageSize, layout_.pageSize);
}

std::vector<std::uint8_t> DatabaseFile::definitionBuffer(std::uint32_t first) const {
  Bytes out(page(first).begin(), page(first).end());
  std::set<std::uint32_t> seen{first};
  for (std::uint32_t next = u32(page(first), 4); next != 0 && next < pageCount() && seen.insert(next).second;
       next = u32(page(next), 4)) {
    out.insert(out.end(), page(next).begin() + 8, page(next).end());
  }
  return out;
}

std::vector<StoredDefinition> DatabaseFile::definitions() const {
  std::set<std::uint32_t> continuations;
  for (std::uint32_t n = 0; n < pageCount(); ++n) {
    if (page(n)[0] == 0x02) continuations.insert(u32(page(n), 4));
  }
  std::vector<StoredDefinition> out;
  for (std::uint32_t n = 1; n < pageCount(); ++n) {
    if (page(n)[0] != 0x02 || continuations.count(n)) continue;
    const Bytes def = definitionBuffer(n);
    const std::size_t used = u32(def, 8);
    if (used > def.size()) continue;
    const std::size_t columnCount = u16(def, layout_.columnCount);
    const std::size_t reals = u32(def, layout_.realIndexCount);
    const std::size_t columnsAt = layout_.blocks + reals * layout_.counterSize;
    std::size_t at = columnsAt + columnCount * layout_.columnSize;
    for (std::size_t c = 0; c < columnCount && at < used; ++c) {
      at += layout_.nameLengthSize + (layout_.nameLengthSize == 2 ? u16(def, at) : def[at]);
    }
    if (at + reals * layout_.realIndexSize > used) continue;

    StoredDefinition d;
    d.page = n;
    for (std::size_t c = 0; c < columnCount; ++c) {
      const std::size_t block = columnsAt + c * layout_.columnSize;
      d.columns.push_back({u16(def, block + layout_.columnNumber), static_cast<jet::DataType>(def[block]),
                           def[block + layout_.columnFlags], u16(def, block + layout_.columnFixedOffset),
                           u16(def, block + layout_.columnLength)});
    }
    for (std::size_t r = 0; r < reals; ++r) {
      const std::size_t block = at + r * layout_.realIndexSize;
      RealIndex index{n, r, u32(def, block + layout_.rootPage), {}, def[block + layout_.indexFlags]};
      for (std::size_t k = 0; k < 10; ++k) {
        const std::size_t slot = block + layout_.keyColumns + 3 * k;
        if (u16(def, slot) != 0xFFFF) index.columns.push_back({u16(def, slot), (def[slot + 2] & 0x01) != 0});
      }
      d.realIndexes.push_back(std::move(index));
    }
    out.push_back(std::move(d));
  }
  return out;
}

void walkIndex(const DatabaseFile& file, const RealIndex& index, bool checkReencoding, WalkTotals& totals,
               std::vector<LeafEntry>* entries) {
  TreeWalker(file, index, checkReencoding, totals, entries).walk();
}

std::string corpusTestName(const std::string& file) {
  std::string name = file.substr(0, file.find('.'));
  for (auto& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

}  // namespace qbtest
