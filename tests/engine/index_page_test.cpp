// Index pages: the stored layout (header, entry-end bitmap, shared prefix,
// node entries and tail) byte for byte, round trips, the page-full boundary,
// editing, and damaged pages that must give errors rather than crashes.
#include <gtest/gtest.h>

#include <algorithm>
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

Page encodeOrFail(const IndexPage& page, const jet::IndexPageFormat& format = kJet4IndexPage) {
  Page out(format.pageSize, 0xEE);
  EXPECT_TRUE(page.encode(out, format));
  return out;
}

std::string span(const Page& page, std::size_t offset, std::size_t size) {
  return toHex(std::span(page).subspan(offset, size));
}

jet::ErrorCode decodeError(const Page& bytes, const jet::IndexPageFormat& format = kJet4IndexPage) {
  IndexPage page;
  try {
    page.decode(bytes, 77, format);
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("77"), std::string::npos) << e.what();
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

TEST(IndexPageTest, EmptyLeafHasAZeroBitmapAndAllSpaceFree) {
  IndexPage page;
  page.ownerPage = 0x0F;
  const Page bytes = encodeOrFail(page);
  EXPECT_EQ(span(bytes, 0, 8), "04 01 20 0E 0F 00 00 00");  // free space 3616
  EXPECT_TRUE(std::all_of(bytes.begin() + 8, bytes.end(), [](std::uint8_t b) { return b == 0; }));
  IndexPage back;
  back.decode(bytes, 1, kJet4IndexPage);
  EXPECT_TRUE(back.empty());
  EXPECT_EQ(back.storedFreeSpace(), 3616);
}

TEST(IndexPageTest, LeafLayoutMatchesAStoredPage) {
  // Nine-byte entries with keys that differ in their first byte (no shared
  // prefix) end at 9, 18, 27, ...: bitmap 00 02 04 08 10 20 40 80 00 01 02.
  IndexPage page;
  page.ownerPage = 2;
  for (std::uint8_t i = 0; i < 11; ++i) {
    page.append(std::vector<std::uint8_t>{static_cast<std::uint8_t>(0x10 + i), 0x80, 0x00, 0x00, i},
                RowId::of(0x0E, i));
  }
  const Page bytes = encodeOrFail(page);
  EXPECT_EQ(span(bytes, 24, 3), "00 00 00");  // no prefix, leaf marker 0
  EXPECT_EQ(span(bytes, 27, 14), "00 02 04 08 10 20 40 80 00 01 02 04 08 00");
  EXPECT_EQ(span(bytes, 2, 2), "BD 0D");  // 3616 - 99 = 3517
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

  // Without compression every entry is whole.
  const Page plain = [&] {
    Page out(4096);
    EXPECT_TRUE(page.encode(out, kJet4IndexPage, 0));
    return out;
  }();
  EXPECT_EQ(span(plain, 24, 2), "00 00");
  back.decode(plain, 32, kJet4IndexPage);
  expectSameEntries(page, back);
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
  EXPECT_EQ(page.lowerBound(a, RowId::of(1, 0)), 0u);
  EXPECT_EQ(page.lowerBound(a, RowId::of(9, 0)), 0u);
  EXPECT_EQ(page.lowerBound(a, RowId::of(9, 1)), 1u);
  EXPECT_EQ(page.lowerBound(b, RowId::of(3, 0)), 2u);
  EXPECT_EQ(page.lowerBound(hexBytes("7F 42 00"), RowId::of(0, 0)), 3u);
  EXPECT_EQ(page.lowerBound(hexBytes("7F"), RowId::of(0xFFFFFF, 0xFF)), 0u);
  page.erase(0);
  EXPECT_EQ(toHex(page.key(0)), "7F 42");
  EXPECT_EQ(page.row(0), RowId::of(2, 0));
  EXPECT_THROW(page.insert(5, a, RowId::of(1, 0)), jet::Error);
  EXPECT_THROW(page.erase(1, 3), jet::Error);
  EXPECT_THROW(page.insert(0, std::vector<std::uint8_t>{}, RowId::of(1, 0)), jet::Error);
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
  IndexPage page;
  page.append(hexBytes("7F 42"), RowId::of(1, 0));
  page.append(hexBytes("7F 41"), RowId::of(1, 0));
  Page out(4096);
  EXPECT_THROW(page.encode(out, kJet4IndexPage), jet::Error);  // out of order

  IndexPage twice;
  twice.append(hexBytes("7F 41"), RowId::of(1, 0));
  twice.append(hexBytes("7F 41"), RowId::of(1, 0));
  EXPECT_THROW(twice.encode(out, kJet4IndexPage), jet::Error);  // the same entry twice

  IndexPage leafWithChild;
  leafWithChild.append(hexBytes("7F 41"), RowId::of(1, 0), 7);
  EXPECT_THROW(leafWithChild.encode(out, kJet4IndexPage), jet::Error);

  Page small(100);
  EXPECT_THROW(twice.encode(small, kJet4IndexPage), jet::Error);
}

TEST(IndexPageTest, Jet3PagesUseTheirOwnOffsets) {
  IndexPage page;
  page.kind = IndexPageKind::Node;
  page.ownerPage = 7;
  page.prevPage = 1;
  page.nextPage = 2;
  page.tailPage = 3;
  page.append(hexBytes("7F 60 61"), RowId::of(4, 5), 6);
  page.append(hexBytes("7F 60 62"), RowId::of(4, 6), 8);
  const Page bytes = encodeOrFail(page, kJet3IndexPage);
  ASSERT_EQ(bytes.size(), 2048u);
  EXPECT_EQ(span(bytes, 0, 24), "03 01 F4 06 07 00 00 00 01 00 00 00 02 00 00 00 03 00 00 00 02 01 00 08");
  EXPECT_EQ(span(bytes, 22, 3), "00 08 10");  // ends at 11 and 20
  EXPECT_EQ(span(bytes, 248, 20), "7F 60 61 00 00 04 05 00 00 00 06 62 00 00 04 06 00 00 00 08");
}

// ---------------------------------------------------------------------------
// Damaged pages

Page validLeaf() {
  IndexPage page;
  page.ownerPage = 3;
  page.append(hexBytes("7F 80 00 00 01"), RowId::of(10, 0));
  page.append(hexBytes("7F 80 00 00 02"), RowId::of(10, 1));
  page.append(hexBytes("7F 80 00 00 03"), RowId::of(10, 2));
  Page out(4096);
  EXPECT_TRUE(page.encode(out, kJet4IndexPage, 0));
  return out;
}

TEST(IndexPageTest, DamagedPagesGiveCorruptionErrorsNamingThePage) {
  using jet::ErrorCode;
  {
    Page p = validLeaf();
    p[0] = 0x01;  // a data page where an index page should be
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p = validLeaf();
    p[27] |= 0x01;  // an entry ending at offset 0
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p = validLeaf();
    p[27 + 452] = 0x80;  // an entry ending at 3623, past the 3616 data bytes
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p = validLeaf();
    // An entry may end exactly at 3616; here the bytes up to there are zeros,
    // a key that does not belong after the others.
    p[27 + 452] = 0x01;
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p = validLeaf();
    p[24] = 10;  // prefix longer than the 9-byte first entry
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p = validLeaf();
    p[25] = 1;  // a prefix length of 265
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p = validLeaf();
    p[27] = 0x08;  // first entry of 3 bytes: no room for key and row pointer
    p[28] = 0;
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    // Six-byte leaf entries are too short for a node's key and two pointers.
    IndexPage leaf;
    leaf.append(hexBytes("7F 01"), RowId::of(1, 0));
    Page p = encodeOrFail(leaf);
    p[0] = 0x03;
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p = validLeaf();
    std::swap(p[480 + 4], p[480 + 9 + 4]);  // first two keys swapped
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p = validLeaf();
    p[480 + 18 + 8] = 1;  // same key and row pointer as the entry before
    p[480 + 18 + 4] = 2;
    EXPECT_EQ(decodeError(p), ErrorCode::Corruption);
  }
  {
    Page p(4095);
    IndexPage page;
    EXPECT_THROW(page.decode(p, 1, kJet4IndexPage), jet::Error);
  }
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
