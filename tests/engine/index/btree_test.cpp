// B-tree maintenance on a pager over a file in memory: random workloads
// checked against a reference set after every batch (walk order, page shape,
// tails, chains on every level, the usage map holding exactly the tree's
// pages, distinct-key counting, pages edited in place equal to full
// encodes), the append and prepend patterns, the limits of key length,
// refused duplicates, bulk builds, and a cache that must not trust pages that
// undone statements and transactions changed under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "btree_test_pages.h"
#include "format/index_key.h"
#include "index/btree.h"
#include "index/btree_check.h"
#include "jet/error.h"

namespace {

using jet::RowId;
using Key = std::vector<std::uint8_t>;
using Entry = std::pair<Key, std::uint32_t>;  // key, row value: the index's order

constexpr std::uint32_t kOwner = 7;
constexpr std::uint32_t kRoot = 9;

struct Tree {
  explicit Tree(const jet::IndexPageFormat& format = jet::kJet4IndexPage, std::size_t cachePages = 64)
      : pages(format, kOwner, kRoot), cache(pages.pager(), format, cachePages), tree(cache, kRoot, kOwner, "test index") {
    tree.setAllocator(&pages);
  }
  qbtest::TestIndexPages pages;
  jet::IndexPageCache cache;
  jet::BTree tree;
};

std::size_t distinctKeys(const std::set<Entry>& entries) {
  std::size_t n = 0;
  const Key* last = nullptr;
  for (const auto& e : entries) {
    if (!last || *last != e.first) ++n;
    last = &e.first;
  }
  return n;
}

// The whole tree against the reference: shape, order, pages, contents.
void expectMatches(Tree& t, const std::set<Entry>& reference) {
  std::vector<Entry> walked;
  const jet::BTreeCheck check =
      jet::checkBTree(t.tree, [&](std::span<const std::uint8_t> k, RowId r) { walked.push_back({{k.begin(), k.end()}, r.value}); });
  ASSERT_TRUE(check.ok()) << check.problems.front();
  ASSERT_EQ(walked.size(), reference.size());
  ASSERT_TRUE(std::equal(walked.begin(), walked.end(), reference.begin()));
  ASSERT_EQ(std::set<std::uint32_t>(check.pages.begin(), check.pages.end()), t.pages.owned)
      << "the usage map must list exactly the tree's pages";
  // Pages edited in place hold exactly what a full encode writes.
  std::vector<std::uint8_t> encoded(t.cache.format().pageSize);
  for (const std::uint32_t number : check.pages) {
    jet::IndexPage page;
    const jet::Page stored = t.pages.pager().page(number);
    page.decode(stored.bytes(), number, t.cache.format());
    ASSERT_TRUE(page.encode(encoded, t.cache.format()));
    ASSERT_TRUE(std::equal(encoded.begin(), encoded.end(), stored.bytes().begin())) << "page " << number;
  }
  // Rows in order through the public cursor too.
  std::size_t n = 0;
  for (auto at = t.tree.first(); !at.atEnd(); at.next()) ++n;
  ASSERT_EQ(n, reference.size());
}

Key longKey(std::int32_t v, bool ascending = true) {
  return jet::encodeIndexKey({{jet::Value::longInt(v), jet::DataType::Long, ascending, 0}});
}

// --- Random workloads ---

enum class Keys { SmallLongs, Texts, HugeBinary, SharedLongPrefix, Increasing, Decreasing };

struct WorkloadCase {
  const char* name;
  Keys keys;
  const jet::IndexPageFormat* format;
  std::size_t minDepth;
};

class BTreeWorkloadTest : public testing::TestWithParam<WorkloadCase> {
 protected:
  Key makeKey(std::mt19937& rng, std::uint32_t counter) {
    switch (GetParam().keys) {
      case Keys::SmallLongs:  // many duplicates and some nulls
        if (rng() % 20 == 0) return {jet::kKeyAscendingNull};
        return longKey(static_cast<std::int32_t>(rng() % 300) - 150);
      case Keys::Texts: {
        std::u16string text(rng() % 120, u'a');
        for (auto& c : text) c = static_cast<char16_t>(u'a' + rng() % 26);
        if (rng() % 3 == 0) text[0] = u'\u00e9';
        return jet::encodeIndexKey({{jet::Value::text(text), jet::DataType::Text, rng() % 4 != 0, 0}});
      }
      case Keys::HugeBinary: {  // few entries per page: deep trees
        const std::size_t max = GetParam().format->maxDataSize() / 2 - 8;
        Key k(max / 2 + rng() % (max / 2), 0x41);
        for (std::size_t i = k.size() - 6; i < k.size(); ++i) k[i] = static_cast<std::uint8_t>(rng() % 4);
        return k;
      }
      case Keys::SharedLongPrefix: {  // a prefix longer than a page may store
        Key k(300, 0x5A);
        for (int i = 0; i < 4; ++i) k.push_back(static_cast<std::uint8_t>(rng()));
        return k;
      }
      case Keys::Increasing:
        return longKey(static_cast<std::int32_t>(counter));
      case Keys::Decreasing:
        return longKey(-static_cast<std::int32_t>(counter));
    }
    return {};
  }
};

TEST_P(BTreeWorkloadTest, RandomInsertsAndRemovesKeepTheTreeEqualToTheReference) {
  Tree t(*GetParam().format);
  std::mt19937 rng(20261209);
  std::set<Entry> reference;
  std::vector<Entry> live;  // for picking victims
  std::uint32_t nextRow = 0x1000;
  std::size_t distinct = 0;  // as the tree reports it
  std::size_t maxDepth = 0;
  const bool ordered = GetParam().keys == Keys::Increasing || GetParam().keys == Keys::Decreasing;

  for (int batch = 0; batch < 24; ++batch) {
    // Grow for two thirds of the run, then shrink to nothing.
    const bool growing = batch < 16;
    for (int op = 0; op < 220; ++op) {
      const bool insert = live.empty() || (growing ? rng() % 10 < 7 : rng() % 10 < 2);
      if (insert) {
        const std::uint32_t row = nextRow++;
        const Key key = makeKey(rng, row);
        const auto result = t.tree.insert(key, RowId{row}, false);
        ASSERT_TRUE(result.inserted);
        const auto near = reference.lower_bound({key, 0});
        ASSERT_EQ(result.keyExisted, near != reference.end() && near->first == key);
        if (!result.keyExisted) ++distinct;
        reference.insert({key, row});
        live.push_back({key, row});
      } else {
        // Ordered workloads remove from the front, others anywhere.
        const std::size_t at = ordered ? 0 : rng() % live.size();
        const Entry victim = live[at];
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(at));
        const bool remains = t.tree.remove(victim.first, RowId{victim.second});
        reference.erase(victim);
        const auto near = reference.lower_bound({victim.first, 0});
        ASSERT_EQ(remains, near != reference.end() && near->first == victim.first);
        if (!remains) --distinct;
      }
    }
    if (growing && live.size() > 0 && batch == 15) {
      // Empty it completely from here on.
      while (!live.empty()) {
        const Entry victim = live.back();
        live.pop_back();
        if (!t.tree.remove(victim.first, RowId{victim.second})) --distinct;
        reference.erase(victim);
        if (live.size() % 97 == 0) {
          ASSERT_NO_FATAL_FAILURE(expectMatches(t, reference));
        }
      }
    }
    ASSERT_NO_FATAL_FAILURE(expectMatches(t, reference)) << "after batch " << batch;
    ASSERT_EQ(distinct, distinctKeys(reference));
    maxDepth = std::max(maxDepth, jet::checkBTree(t.tree).depth);
  }
  EXPECT_GE(maxDepth, GetParam().minDepth);
  // Emptied: the root alone, an empty leaf.
  while (!live.empty()) {
    t.tree.remove(live.back().first, RowId{live.back().second});
    reference.erase(live.back());
    live.pop_back();
  }
  expectMatches(t, reference);
  EXPECT_EQ(t.pages.owned, std::set<std::uint32_t>{kRoot});
}

INSTANTIATE_TEST_SUITE_P(
    Keys, BTreeWorkloadTest,
    testing::Values(WorkloadCase{"SmallLongsWithDuplicatesAndNulls", Keys::SmallLongs, &jet::kJet4IndexPage, 2},
                    WorkloadCase{"TextsBothDirections", Keys::Texts, &jet::kJet4IndexPage, 2},
                    WorkloadCase{"HugeKeysMakeDeepTrees", Keys::HugeBinary, &jet::kJet4IndexPage, 4},
                    WorkloadCase{"PrefixLongerThanAPageStores", Keys::SharedLongPrefix, &jet::kJet4IndexPage, 2},
                    WorkloadCase{"IncreasingKeys", Keys::Increasing, &jet::kJet4IndexPage, 2},
                    WorkloadCase{"DecreasingKeys", Keys::Decreasing, &jet::kJet4IndexPage, 2},
                    WorkloadCase{"SmallPagesOfTheOlderFormat", Keys::Texts, &jet::kJet3IndexPage, 3}),
    [](const testing::TestParamInfo<WorkloadCase>& p) { return std::string(p.param.name); });

// --- Shapes ---

TEST(BTreeShapeTest, KeysInOrderFillTheirLeaves) {
  for (const bool ascending : {true, false}) {
    Tree t;
    std::set<Entry> reference;
    for (std::uint32_t i = 0; i < 20000; ++i) {
      // Descending keys of a growing counter arrive at the front.
      const Key key = longKey(static_cast<std::int32_t>(i), ascending);
      t.tree.insert(key, RowId{i + 1}, false);
      reference.insert({key, i + 1});
    }
    expectMatches(t, reference);
    const auto check = jet::checkBTree(t.tree);
    // 20000 entries of 9 bytes (6 after the shared prefix): a full leaf holds
    // about 600; anything near half-full leaves would need twice the pages.
    EXPECT_LE(check.leafPages, 20000u / 580 + 2) << (ascending ? "ascending" : "descending");
  }
}

TEST(BTreeShapeTest, RemovingAllButAFewLeavesAShallowTree) {
  Tree t;
  std::set<Entry> reference;
  for (std::uint32_t i = 0; i < 5000; ++i) {
    t.tree.insert(longKey(static_cast<std::int32_t>(i * 7919 % 5000)), RowId{i + 1}, false);
    reference.insert({longKey(static_cast<std::int32_t>(i * 7919 % 5000)), i + 1});
  }
  ASSERT_GE(jet::checkBTree(t.tree).depth, 2u);
  // Remove every entry but ten scattered ones: merges and the root's collapse
  // bring it back to one page.
  std::vector<Entry> all(reference.begin(), reference.end());
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i % 500 == 0) continue;
    t.tree.remove(all[i].first, RowId{all[i].second});
    reference.erase(all[i]);
  }
  expectMatches(t, reference);
  EXPECT_EQ(jet::checkBTree(t.tree).depth, 1u);
  EXPECT_EQ(t.pages.owned, std::set<std::uint32_t>{kRoot});
}

TEST(BTreeShapeTest, RootStaysWhereItIsThroughGrowthAndShrinking) {
  Tree t;
  for (std::uint32_t i = 0; i < 3000; ++i) t.tree.insert(longKey(static_cast<std::int32_t>(i)), RowId{i + 1}, false);
  ASSERT_EQ(t.tree.root(), kRoot);
  const auto root = t.cache.load(kRoot);
  EXPECT_EQ(root->page.kind, jet::IndexPageKind::Node);
  // Keys that only grow leave the last leaf in the root's tail, so appends
  // never rewrite a node (the node pages were written only at splits).
  EXPECT_NE(root->page.tailPage, 0u);
}

// --- Limits and refusals ---

TEST(BTreeLimitsTest, KeysUpToTheLimitWorkAndLongerOnesAreRefused) {
  Tree t;
  const std::size_t max = t.tree.maxKeyLength();
  std::set<Entry> reference;
  for (std::uint32_t i = 0; i < 40; ++i) {
    Key key(max, static_cast<std::uint8_t>(0x40 + i % 7));
    key.back() = static_cast<std::uint8_t>(i);
    t.tree.insert(key, RowId{i + 1}, false);
    reference.insert({key, i + 1});
  }
  expectMatches(t, reference);
  const auto before = t.pages.snapshot();
  try {
    t.tree.insert(Key(max + 1, 0x41), RowId{99}, false);
    FAIL() << "a key past the limit was taken";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Constraint);
    EXPECT_NE(std::string(e.what()).find("test index"), std::string::npos);
  }
  EXPECT_EQ(t.pages.snapshot(), before);
}

TEST(BTreeLimitsTest, RefusedEqualKeyChangesNothing) {
  Tree t;
  for (std::uint32_t i = 0; i < 2000; ++i) t.tree.insert(longKey(static_cast<std::int32_t>(i)), RowId{i + 1}, true);
  const auto before = t.pages.snapshot();
  const std::size_t dirty = t.pages.pager().dirtyPages();
  // At the start, inside, at leaf boundaries and at the end of the index.
  for (const std::int32_t v : {0, 1, 599, 600, 601, 1000, 1999}) {
    const auto r = t.tree.insert(longKey(v), RowId{50000}, true);
    EXPECT_FALSE(r.inserted) << v;
    EXPECT_TRUE(r.keyExisted) << v;
  }
  EXPECT_EQ(t.pages.pager().dirtyPages(), dirty);
  EXPECT_EQ(t.pages.snapshot(), before);
  EXPECT_TRUE(t.tree.insert(longKey(2000), RowId{50000}, true).inserted);
}

TEST(BTreeLimitsTest, MissingAndRepeatedEntriesAreCorruption) {
  Tree t;
  t.tree.insert(longKey(5), RowId{10}, false);
  const auto codeOf = [](auto&& f) {
    try {
      f();
    } catch (const jet::Error& e) {
      return e.code();
    }
    return jet::ErrorCode::NotFound;
  };
  EXPECT_EQ(codeOf([&] { t.tree.insert(longKey(5), RowId{10}, false); }), jet::ErrorCode::Corruption);
  EXPECT_EQ(codeOf([&] { t.tree.remove(longKey(5), RowId{11}); }), jet::ErrorCode::Corruption);
  EXPECT_EQ(codeOf([&] { t.tree.remove(longKey(6), RowId{10}); }), jet::ErrorCode::Corruption);
  EXPECT_EQ(codeOf([&] { t.tree.insert({}, RowId{12}, false); }), jet::ErrorCode::InvalidArgument);
}

// --- Batched removals ---

// Removes `victims` (a subset of the reference) in one batch and checks the
// tree and the count of key values that went.
void removeBatch(Tree& t, std::set<Entry>& reference, const std::set<Entry>& victims) {
  Key keys;
  std::vector<jet::BTree::BuildEntry> entries;
  for (const auto& [key, row] : victims) {
    entries.push_back({static_cast<std::uint32_t>(keys.size()), static_cast<std::uint32_t>(key.size()), RowId{row}});
    keys.insert(keys.end(), key.begin(), key.end());
  }
  const std::size_t before = distinctKeys(reference);
  for (const Entry& v : victims) reference.erase(v);
  EXPECT_EQ(t.tree.removeSorted(keys, entries), before - distinctKeys(reference));
  ASSERT_NO_FATAL_FAILURE(expectMatches(t, reference));
}

TEST(BTreeRemoveSortedTest, BatchesOfEverySizeLeaveTheRestAndCountTheKeysThatWent) {
  // Keys repeated across leaf boundaries (a few hundred values), unique
  // ascending keys, and long text keys (few per leaf, deep trees).
  for (const int kind : {0, 1, 2}) {
    for (const double share : {0.0, 0.001, 0.1, 0.5, 0.97, 1.0}) {
      Tree t;
      std::mt19937 rng(static_cast<unsigned>(kind * 100 + share * 1000));
      std::set<Entry> reference;
      for (std::uint32_t i = 0; i < 6000; ++i) {
        Key key;
        if (kind == 0) {
          key = longKey(static_cast<std::int32_t>(rng() % 200));
        } else if (kind == 1) {
          key = longKey(static_cast<std::int32_t>(i));
        } else {
          std::u16string text(60 + rng() % 60, u'k');
          for (std::size_t c = 40; c < text.size(); ++c) text[c] = static_cast<char16_t>(u'a' + rng() % 3);
          key = jet::encodeIndexKey({{jet::Value::text(text), jet::DataType::Text, true, 0}});
        }
        const std::uint32_t row = 0x100 + static_cast<std::uint32_t>(rng() % 0x100000);
        if (reference.insert({key, row}).second) t.tree.insert(key, RowId{row}, false);
      }
      std::set<Entry> victims;
      for (const Entry& e : reference) {
        if (share >= 1.0 || static_cast<double>(rng() % 100000) < share * 100000) victims.insert(e);
      }
      SCOPED_TRACE("kind " + std::to_string(kind) + ", share " + std::to_string(share));
      ASSERT_NO_FATAL_FAILURE(removeBatch(t, reference, victims));
      // The tree takes later changes, and an emptied one starts again.
      for (std::uint32_t i = 0; i < 500; ++i) {
        const Key key = longKey(static_cast<std::int32_t>(rng() % 300));
        t.tree.insert(key, RowId{0x200000 + i}, false);
        reference.insert({key, 0x200000 + i});
      }
      ASSERT_NO_FATAL_FAILURE(expectMatches(t, reference)) << "kind " << kind << ", share " << share << ", refilled";
    }
  }
}

TEST(BTreeRemoveSortedTest, AKeyValueSpreadOverManyLeavesGoesOnlyWithItsLastEntry) {
  Tree t;
  std::set<Entry> reference;
  // One value on several leaves, between two others.
  for (std::uint32_t i = 0; i < 3000; ++i) {
    const std::int32_t v = i < 10 ? 1 : i >= 2990 ? 3 : 2;
    t.tree.insert(longKey(v), RowId{0x100 + i}, false);
    reference.insert({longKey(v), 0x100 + i});
  }
  std::set<Entry> most;  // every entry of value 2 but one in the middle
  for (std::uint32_t i = 10; i < 2990; ++i) {
    if (i != 1500) most.insert({longKey(2), 0x100 + i});
  }
  ASSERT_NO_FATAL_FAILURE(removeBatch(t, reference, most));
  EXPECT_TRUE(t.tree.containsKey(longKey(2)));
  ASSERT_NO_FATAL_FAILURE(removeBatch(t, reference, {{longKey(2), 0x100 + 1500}, {longKey(3), 0x100 + 2999}}));
  EXPECT_FALSE(t.tree.containsKey(longKey(2)));
}

TEST(BTreeRemoveSortedTest, AnEntryTheTreeDoesNotHoldIsCorruption) {
  Tree t;
  for (std::uint32_t i = 0; i < 50; ++i) t.tree.insert(longKey(static_cast<std::int32_t>(i)), RowId{0x100 + i}, false);
  Key keys = longKey(3);
  const Key other = longKey(4);
  keys.insert(keys.end(), other.begin(), other.end());
  const std::vector<jet::BTree::BuildEntry> entries{{0, static_cast<std::uint32_t>(other.size()), RowId{0x103}},
                                                    {static_cast<std::uint32_t>(other.size()),
                                                     static_cast<std::uint32_t>(other.size()), RowId{0x999}}};
  try {
    t.tree.removeSorted(keys, entries);
    ADD_FAILURE() << "a missing entry was not noticed";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
    EXPECT_NE(std::string(e.what()).find("no entry for the row"), std::string::npos) << e.what();
  }
}

// --- Bulk build ---

TEST(BTreeBuildTest, BuiltTreesMatchTheirEntriesAndTakeLaterChanges) {
  for (const std::size_t count : {0u, 1u, 400u, 5000u, 60000u}) {
    Tree t;
    std::mt19937 rng(static_cast<unsigned>(count));
    std::set<Entry> reference;
    while (reference.size() < count) {
      std::u16string text(1 + rng() % 40, u'a');
      for (auto& c : text) c = static_cast<char16_t>(u'a' + rng() % 26);
      reference.insert({jet::encodeIndexKey({{jet::Value::text(text), jet::DataType::Text, true, 0}}),
                        static_cast<std::uint32_t>(0x100 + reference.size())});
    }
    Key keys;
    std::vector<jet::BTree::BuildEntry> entries;
    for (const auto& [key, row] : reference) {
      entries.push_back({static_cast<std::uint32_t>(keys.size()), static_cast<std::uint32_t>(key.size()), RowId{row}});
      keys.insert(keys.end(), key.begin(), key.end());
    }
    t.tree.build(keys, entries);
    ASSERT_NO_FATAL_FAILURE(expectMatches(t, reference)) << count << " entries";
    const auto check = jet::checkBTree(t.tree);
    if (count == 60000) {
      EXPECT_GE(check.depth, 3u);
    }
    // Packed: every leaf but the last is nearly full.
    for (const std::uint32_t page : check.pages) {
      const auto p = t.cache.load(page);
      if (p->page.kind == jet::IndexPageKind::Leaf && p->page.nextPage != 0) {
        EXPECT_LT(p->page.storedFreeSpace(), 60u) << "page " << page;
      }
    }
    // Later inserts and removes work on the built shape.
    for (std::uint32_t i = 0; i < 300 && count > 0; ++i) {
      const Key key = longKey(static_cast<std::int32_t>(rng() % 1000));
      t.tree.insert(key, RowId{0x900000 + i}, false);
      reference.insert({key, 0x900000 + i});
      const auto victim = std::next(reference.begin(), static_cast<std::ptrdiff_t>(rng() % reference.size()));
      t.tree.remove(victim->first, RowId{victim->second});
      reference.erase(victim);
    }
    ASSERT_NO_FATAL_FAILURE(expectMatches(t, reference)) << count << " entries, changed";
  }
}

TEST(BTreeBuildTest, RefusesUnorderedEntriesAndNonEmptyTrees) {
  Tree t;
  const Key a = longKey(1);
  const Key b = longKey(2);
  Key keys = a;
  keys.insert(keys.end(), b.begin(), b.end());
  const std::uint32_t n = static_cast<std::uint32_t>(a.size());
  const std::vector<jet::BTree::BuildEntry> unordered{{n, n, RowId{1}}, {0, n, RowId{2}}};
  EXPECT_THROW(t.tree.build(keys, unordered), jet::Error);
  const std::vector<jet::BTree::BuildEntry> outside{{n, n + 1, RowId{1}}};
  EXPECT_THROW(t.tree.build(keys, outside), jet::Error);
  t.tree.insert(a, RowId{1}, false);
  const std::vector<jet::BTree::BuildEntry> fine{{n, n, RowId{5}}};
  EXPECT_THROW(t.tree.build(keys, fine), jet::Error);
}

// --- The cache ---

// Undone writes put old page images back under a cache that holds the newer
// ones; the tree must go on from the old state.
TEST(BTreeCacheTest, AnUndoneStatementIsNotSeenThroughTheCache) {
  Tree t(jet::kJet4IndexPage, 4096);
  std::set<Entry> reference;
  std::mt19937 rng(7);
  for (std::uint32_t i = 0; i < 3000; ++i) {
    const Key key = longKey(static_cast<std::int32_t>(rng() % 100000));
    t.tree.insert(key, RowId{i + 1}, false);
    reference.insert({key, i + 1});
  }
  for (int round = 0; round < 2; ++round) {
    const auto owned = t.pages.owned;
    t.pages.pager().beginStatement();
    if (round == 0) {
      // Many changes, splits included.
      for (std::uint32_t i = 0; i < 3000; ++i) t.tree.insert(longKey(static_cast<std::int32_t>(rng() % 100000)), RowId{10000 + i}, false);
    } else {
      // Keys swapped for others of the same length in the same places: the
      // pages' headers and bitmaps stay as they were, only key bytes change.
      for (const auto& [key, row] : reference) {
        if (row % 3 != 0) continue;
        t.tree.remove(key, RowId{row});
        Key other = key;
        other.back() ^= 1;
        t.tree.insert(other, RowId{row}, false);
      }
    }
    t.pages.pager().rollbackStatement();
    t.pages.owned = owned;
    ASSERT_NO_FATAL_FAILURE(expectMatches(t, reference)) << "round " << round;
  }
  for (std::uint32_t i = 0; i < 2000; ++i) {
    const Key key = longKey(static_cast<std::int32_t>(rng() % 100000));
    t.tree.insert(key, RowId{20000 + i}, false);
    reference.insert({key, 20000 + i});
  }
  expectMatches(t, reference);
}

TEST(BTreeCacheTest, AnUndoneTransactionIsNotSeenThroughTheCache) {
  Tree t(jet::kJet4IndexPage, 4096);
  std::set<Entry> reference;
  for (std::uint32_t i = 0; i < 2000; ++i) {
    t.tree.insert(longKey(static_cast<std::int32_t>(i * 37 % 2000)), RowId{i + 1}, false);
    reference.insert({longKey(static_cast<std::int32_t>(i * 37 % 2000)), i + 1});
  }
  t.pages.pager().commitWrite();
  const auto owned = t.pages.owned;
  t.pages.pager().beginWrite();
  for (std::uint32_t i = 0; i < 2000; ++i) t.tree.remove(longKey(static_cast<std::int32_t>(i * 37 % 2000)), RowId{i + 1});
  t.pages.pager().rollbackWrite();
  t.pages.owned = owned;
  t.pages.pager().beginWrite();
  expectMatches(t, reference);
  t.tree.insert(longKey(5000), RowId{9999}, false);
  reference.insert({longKey(5000), 9999});
  expectMatches(t, reference);
}

}  // namespace
