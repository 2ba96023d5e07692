// Index pages: the stored layout (header, entry-end bitmap, shared prefix,
// node entries and tail) byte for byte, round trips, the page-full boundary,
// editing, and damaged pages that must give errors rather than crashes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "format/index_page.h"
#include "jet/error.h"
#include "support/hex_bytes.h"

namespace {

using jet::IndexPage;
using jet::IndexPageKind;
using jet::kJet3IndexPage;
using jet::kJet4IndexPage;
using jet::RowId;
using qbtest::hexBytes;
using qbtest::toHex;
using Page = std::vector<std::uint8_t>;

Page operator+(Page bytes, std::uint8_t more) {
  bytes.push_back(more);
  return bytes;
}

Page encodeOrFail(const IndexPage& page, const jet::IndexPageFormat& format = kJet4IndexPage) {
  Page out(format.pageSize, 0xEE);
  EXPECT_TRUE(page.encode(out, format));
  return out;
}

std::string span(const Page& page, std::size_t offset, std::size_t size) {
  return toHex(std::span(page).subspan(offset, size));
}

jet::ErrorCode decodeError(const Page& bytes) {
  IndexPage page;
  try {
    page.decode(bytes, 77, kJet4IndexPage);
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("77"), std::string::npos) << e.what();
    EXPECT_TRUE(page.empty());  // nothing half-decoded is left behind
    return e.code();
  }
  ADD_FAILURE() << "decoded without error";
  return jet::ErrorCode::NotFound;
}

// Entries with random keys that share prefixes often, sorted as an index keeps them.
IndexPage randomPage(std::mt19937& rng, IndexPageKind kind, std::size_t count, std::size_t maxKey = 12) {
  std::vector<std::pair<std::vector<std::uint8_t>, RowId>> entries;
  for (std::size_t i = 0; i < count; ++i) {
    std::vector<std::uint8_t> key(1 + rng() % maxKey);
    for (auto& b : key) b = static_cast<std::uint8_t>(rng() % 3 == 0 ? rng() : 0x7F);
    entries.emplace_back(key, RowId::of(rng() % 0x1000000, static_cast<std::uint8_t>(rng())));
  }
  std::sort(entries.begin(), entries.end());
  entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
  IndexPage page;
  page.kind = kind;
  page.ownerPage = 15;
  page.prevPage = rng() % 100;
  page.nextPage = rng() % 100;
  page.tailPage = kind == IndexPageKind::Node ? rng() % 100 : 0;
  for (const auto& [key, row] : entries) page.append(key, row, kind == IndexPageKind::Node ? rng() : 0);
  return page;
}

void expectSameEntries(const IndexPage& a, const IndexPage& b) {
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.ownerPage, b.ownerPage);
  EXPECT_EQ(a.prevPage, b.prevPage);
  EXPECT_EQ(a.nextPage, b.nextPage);
  EXPECT_EQ(a.tailPage, b.tailPage);
  for (std::size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(toHex(a.key(i)), toHex(b.key(i))) << i;
    ASSERT_EQ(a.row(i), b.row(i)) << i;
    ASSERT_EQ(a.childPage(i), b.childPage(i)) << i;
  }
}

// ---------------------------------------------------------------------------
// Layout

TEST(IndexPageTest, LeafLayoutMatchesStoredPages) {
  // An empty leaf: zero bitmap, all 3616 data bytes free.
  IndexPage page;
  page.ownerPage = 2;
  Page bytes = encodeOrFail(page);
  EXPECT_EQ(span(bytes, 0, 8), "04 01 20 0E 02 00 00 00");
  EXPECT_TRUE(std::all_of(bytes.begin() + 8, bytes.end(), [](std::uint8_t b) { return b == 0; }));

  // Nine-byte entries with keys that differ in their first byte (no shared
  // prefix) end at 9, 18, 27, ...: bitmap 00 02 04 08 10 20 40 80 00 01 02.
  for (std::uint8_t i = 0; i < 11; ++i) {
    page.append(std::vector<std::uint8_t>{static_cast<std::uint8_t>(0x10 + i), 0x80, 0x00, 0x00, i},
                RowId::of(0x0E, i));
  }
  bytes = encodeOrFail(page);
  EXPECT_EQ(span(bytes, 2, 2), "BD 0D");      // 3616 - 99 = 3517
  EXPECT_EQ(span(bytes, 24, 3), "00 00 00");  // no prefix, leaf marker 0
  EXPECT_EQ(span(bytes, 27, 14), "00 02 04 08 10 20 40 80 00 01 02 04 08 00");
  EXPECT_EQ(span(bytes, 480, 9), "10 80 00 00 00 00 00 0E 00");
  EXPECT_EQ(span(bytes, 480 + 90, 9), "1A 80 00 00 0A 00 00 0E 0A");
}

TEST(IndexPageTest, NodeLayoutMatchesAStoredPage) {
  // The root of a two-leaf descending Long index: one entry for leaf 32 (its
  // last key, row 0 of page 17) and leaf 33 as the tail.
  IndexPage page;
  page.kind = IndexPageKind::Node;
  page.ownerPage = 15;
  page.tailPage = 33;
  page.append(hexBytes("80 7F FF FF EC"), RowId::of(0x11, 0), 32);
  const Page bytes = encodeOrFail(page);
  EXPECT_EQ(
      span(bytes, 0, 32),
      "03 01 13 0E 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 21 00 00 00 00 00 01 00 20 00 00 00");
  EXPECT_EQ(span(bytes, 480, 13), "80 7F FF FF EC 00 00 11 00 00 00 00 20");
  IndexPage back;
  back.decode(bytes, 29, kJet4IndexPage);
  expectSameEntries(page, back);
}

TEST(IndexPageTest, SharedPrefixIsStoredOnceAndCountedInTheBitmap) {
  IndexPage page;
  page.append(hexBytes("80 7F FF ED 32"), RowId::of(0x14, 0x38));
  page.append(hexBytes("80 7F FF ED 33"), RowId::of(0x14, 0x37));
  page.append(hexBytes("80 7F FF FF EC"), RowId::of(0x11, 0x00));
  EXPECT_EQ(page.commonPrefixLength(0, 3, kJet4IndexPage), 3u);
  EXPECT_EQ(page.dataSize(kJet4IndexPage), 9u + 6u + 6u);
  const Page bytes = encodeOrFail(page);
  EXPECT_EQ(span(bytes, 24, 2), "03 00");
  EXPECT_EQ(span(bytes, 480, 21), "80 7F FF ED 32 00 00 14 38 ED 33 00 00 14 37 FF EC 00 00 11 00");
  EXPECT_EQ(span(bytes, 27, 3), "00 82 20");  // ends at 9, 15, 21
  IndexPage back;
  back.decode(bytes, 32, kJet4IndexPage);
  expectSameEntries(page, back);
  EXPECT_EQ(back.storedPrefixLength(), 3u);
}

TEST(IndexPageTest, PrefixRulesAtTheEdges) {
  IndexPage page;
  page.append(hexBytes("7F 41"), RowId::of(1, 1));
  EXPECT_EQ(page.commonPrefixLength(0, 1, kJet4IndexPage), 0u);  // a lone entry shares nothing
  // Equal keys share the whole key but never the row pointer.
  page.append(hexBytes("7F 41"), RowId::of(1, 2));
  EXPECT_EQ(page.commonPrefixLength(0, 2, kJet4IndexPage), 2u);
  // A key that is a prefix of the next one.
  page.append(hexBytes("7F 41 00"), RowId::of(1, 0));
  EXPECT_EQ(page.commonPrefixLength(0, 3, kJet4IndexPage), 2u);
  IndexPage back;
  back.decode(encodeOrFail(page), 5, kJet4IndexPage);
  expectSameEntries(page, back);

  // The prefix field is kept below 256 even when keys share more.
  IndexPage longKeys;
  std::vector<std::uint8_t> key(300, 0x7F);
  longKeys.append(key, RowId::of(1, 0));
  key.push_back(1);
  longKeys.append(key, RowId::of(1, 0));
  EXPECT_EQ(longKeys.commonPrefixLength(0, 2, kJet4IndexPage), 255u);
  const Page bytes = encodeOrFail(longKeys);
  EXPECT_EQ(span(bytes, 24, 2), "FF 00");
  back.decode(bytes, 5, kJet4IndexPage);
  expectSameEntries(longKeys, back);
}

TEST(IndexPageTest, AChosenPrefixMayReachIntoTheRowPointer) {
  // Stored pages may share part of the row page number; decoding and
  // re-encoding such a page must keep it.
  IndexPage page;
  page.append(hexBytes("7F 41"), RowId::of(0x010203, 1));
  page.append(hexBytes("7F 41"), RowId::of(0x010203, 2));
  Page bytes(4096);
  ASSERT_TRUE(page.encode(bytes, kJet4IndexPage, 5));
  EXPECT_EQ(span(bytes, 480, 8), "7F 41 01 02 03 01 02 00");
  IndexPage back;
  back.decode(bytes, 5, kJet4IndexPage);
  expectSameEntries(page, back);
  // But not so far that an entry would have no bytes of its own, nor past
  // what the entries share.
  EXPECT_THROW(page.encode(bytes, kJet4IndexPage, 6), jet::Error);
  page.append(hexBytes("7F 42"), RowId::of(0x010203, 3));
  EXPECT_THROW(page.encode(bytes, kJet4IndexPage, 3), jet::Error);
}

// ---------------------------------------------------------------------------
// Round trips and the page-full boundary

TEST(IndexPageTest, RandomPagesRoundTrip) {
  std::mt19937 rng(17);
  for (int round = 0; round < 200; ++round) {
    const auto kind = round % 3 == 0 ? IndexPageKind::Node : IndexPageKind::Leaf;
    const auto& format = round % 4 == 1 ? kJet3IndexPage : kJet4IndexPage;
    IndexPage page = randomPage(rng, kind, rng() % 250);
    while (!page.fits(format)) page.erase(page.size() - 1);
    const Page bytes = encodeOrFail(page, format);
    IndexPage back;
    back.decode(bytes, 9, format);
    expectSameEntries(page, back);
    EXPECT_EQ(back.storedFreeSpace(), format.maxDataSize() - page.dataSize(format));
    EXPECT_EQ(bytes[format.nodeMarker], kind == IndexPageKind::Node ? 1 : 0);
    // Encoding what was decoded gives the same page.
    const Page again = encodeOrFail(back, format);
    ASSERT_EQ(bytes, again) << round;
  }
}

TEST(IndexPageTest, ReportsWhenEntriesDoNotFit) {
  // Nine-byte entries: 3616 bytes hold 401 of them.
  IndexPage page;
  for (std::uint32_t i = 0; i < 402; ++i) {
    page.append(
        std::vector<std::uint8_t>{static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i), 0, 0, 0},
        RowId::of(1, 0));
  }
  // Keys 00xx and 01xx share nothing; 402 entries are 3618 bytes.
  EXPECT_EQ(page.commonPrefixLength(0, page.size(), kJet4IndexPage), 0u);
  EXPECT_EQ(page.dataSize(kJet4IndexPage), 3618u);
  EXPECT_FALSE(page.fits(kJet4IndexPage));
  Page untouched(4096, 0xAB);
  EXPECT_FALSE(page.encode(untouched, kJet4IndexPage));
  EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](std::uint8_t b) { return b == 0xAB; }));

  // 400 of them and one of 16 bytes fill the page exactly.
  page.erase(400, 402);
  page.append(std::vector<std::uint8_t>(12, 0x02), RowId::of(1, 0));
  EXPECT_EQ(page.dataSize(kJet4IndexPage), 3616u);
  const Page full = encodeOrFail(page);
  EXPECT_EQ(span(full, 2, 2), "00 00");
  IndexPage back;
  back.decode(full, 3, kJet4IndexPage);
  expectSameEntries(page, back);
  EXPECT_EQ(page.dataSize(0, 200, kJet4IndexPage), 200u * 9u - 199u);  // keys 00xx share one byte
}

// ---------------------------------------------------------------------------
// Editing

TEST(IndexPageTest, InsertEraseAndLowerBoundKeepTheOrder) {
  IndexPage page;
  const auto a = hexBytes("7F 41");
  const auto b = hexBytes("7F 42");
  EXPECT_EQ(page.lowerBound(a, RowId::of(1, 0)), 0u);
  page.append(b, RowId::of(5, 0));
  page.insert(0, a, RowId::of(9, 0));
  page.insert(1, b, RowId::of(2, 0));
  // Equal keys are ordered by row pointer; a key before its longer extension.
  EXPECT_EQ(page.lowerBound(a, RowId::of(9, 0)), 0u);
  EXPECT_EQ(page.lowerBound(a, RowId::of(9, 1)), 1u);
  EXPECT_EQ(page.lowerBound(b, RowId::of(3, 0)), 2u);
  EXPECT_EQ(page.lowerBound(hexBytes("7F 42 00"), RowId::of(0, 0)), 3u);
  page.erase(0);
  EXPECT_EQ(toHex(page.key(0)), "7F 42");
  EXPECT_EQ(page.row(0), RowId::of(2, 0));
  EXPECT_THROW(page.insert(5, a, RowId::of(1, 0)), jet::Error);
  EXPECT_THROW(page.erase(1, 3), jet::Error);
  EXPECT_THROW(page.insert(0, Page{}, RowId::of(1, 0)), jet::Error);
}

TEST(IndexPageTest, ManyEditsKeepKeysIntact) {
  // Erased keys are reclaimed as the page is edited; the survivors must not move.
  std::mt19937 rng(5);
  IndexPage page;
  for (int i = 0; i < 20000; ++i) {
    std::vector<std::uint8_t> key(8);
    for (auto& x : key) x = static_cast<std::uint8_t>(rng());
    const RowId row = RowId::of(static_cast<std::uint32_t>(i), 0);
    page.insert(page.lowerBound(key, row), key, row);
    if (page.size() > 50) page.erase(rng() % page.size());
  }
  for (std::size_t i = 1; i < page.size(); ++i) {
    ASSERT_LT(jet::compareIndexEntries(page.key(i - 1), page.row(i - 1), page.key(i), page.row(i)), 0);
  }
  IndexPage back;
  back.decode(encodeOrFail(page), 1, kJet4IndexPage);
  expectSameEntries(page, back);
}

TEST(IndexPageTest, EncodeRefusesEntriesThatWouldMakeACorruptPage) {
  Page out(4096);
  auto pageOf = [](std::uint8_t first, std::uint8_t second, std::uint32_t child = 0) {
    IndexPage page;
    page.append(hexBytes("7F") + first, RowId::of(1, 0), child);
    page.append(hexBytes("7F") + second, RowId::of(1, 0), child);
    return page;
  };
  EXPECT_THROW(pageOf(2, 1).encode(out, kJet4IndexPage), jet::Error);     // out of order
  EXPECT_THROW(pageOf(1, 1).encode(out, kJet4IndexPage), jet::Error);     // the same entry twice
  EXPECT_THROW(pageOf(1, 2, 7).encode(out, kJet4IndexPage), jet::Error);  // a child page on a leaf
  Page small(100);
  EXPECT_THROW(pageOf(1, 2).encode(small, kJet4IndexPage), jet::Error);
}

TEST(IndexPageTest, DamagedPagesGiveCorruptionErrorsNamingThePage) {
  // A leaf of three nine-byte entries ending at 9, 18 and 27, and ways to damage it.
  IndexPage leaf;
  for (std::uint8_t i = 1; i <= 3; ++i) leaf.append(hexBytes("7F 80 00 00") + i, RowId::of(10, i));
  Page valid(4096);
  ASSERT_TRUE(leaf.encode(valid, kJet4IndexPage, 0));
  IndexPage shortEntries;  // six-byte entries: too short for a node's key and two pointers
  shortEntries.append(hexBytes("7F 01"), RowId::of(1, 0));
  const Page shortLeaf = encodeOrFail(shortEntries);

  const std::vector<std::pair<const char*, std::function<void(Page&)>>> damages{
      {"a data page where an index page should be", [](Page& p) { p[0] = 0x01; }},
      {"an entry ending at offset 0", [](Page& p) { p[27] |= 0x01; }},
      {"an entry ending at 3623, past the 3616 data bytes", [](Page& p) { p[27 + 452] = 0x80; }},
      {"an entry ending at 3616 whose zero bytes are out of order", [](Page& p) { p[27 + 452] = 0x01; }},
      {"a prefix longer than the first entry", [](Page& p) { p[24] = 10; }},
      {"a prefix length of 265", [](Page& p) { p[25] = 1; }},
      {"a 3-byte first entry", [](Page& p) { p[27] = 0x08, p[28] = 0; }},
      {"the first two keys swapped", [](Page& p) { std::swap(p[480 + 4], p[480 + 9 + 4]); }},
      {"an entry equal to the one before", [](Page& p) { p[480 + 18 + 4] = 2, p[480 + 18 + 8] = 2; }},
      {"leaf entries read as node entries", [&](Page& p) { p = shortLeaf, p[0] = 0x03; }},
  };
  for (const auto& [what, damage] : damages) {
    Page p = valid;
    damage(p);
    EXPECT_EQ(decodeError(p), jet::ErrorCode::Corruption) << what;
  }
  IndexPage page;
  EXPECT_THROW(page.decode(Page(4095), 1, kJet4IndexPage), jet::Error);  // not a whole page
}

TEST(IndexPageTest, RandomDamageNeverCrashes) {
  // Flip bytes of valid pages at random: decoding either succeeds with
  // ordered entries or reports corruption. (Run under the sanitizers in CI.)
  std::mt19937 rng(31337);
  int failures = 0;
  for (int round = 0; round < 1000; ++round) {
    IndexPage source = randomPage(rng, round % 2 ? IndexPageKind::Node : IndexPageKind::Leaf, 1 + rng() % 60);
    Page bytes = encodeOrFail(source);
    const int flips = 1 + static_cast<int>(rng() % 6);
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = rng() % 3 == 0 ? rng() % 480 : 480 + rng() % 800;
      bytes[at] = static_cast<std::uint8_t>(rng());
    }
    IndexPage page;
    try {
      page.decode(bytes, 1, kJet4IndexPage);
      for (std::size_t i = 1; i < page.size(); ++i) {
        ASSERT_LT(jet::compareIndexEntries(page.key(i - 1), page.row(i - 1), page.key(i), page.row(i)), 0);
      }
    } catch (const jet::Error& e) {
      ASSERT_EQ(e.code(), jet::ErrorCode::Corruption) << e.what();
      ++failures;
    }
  }
  EXPECT_GT(failures, 0);
}

}  // namespace
