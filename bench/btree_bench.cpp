// B-tree maintenance on the hot paths of row writes: keys that only grow (an
// autonumber primary key), random text keys (a name index), moving entries
// (an update of an indexed text column) and the bulk build of a new index.
// Pages live in memory here, so the figures are the index code's own share of
// a row write.
#include <benchmark/benchmark.h>

#include <random>
#include <set>
#include <vector>

#include "db/btree.h"
#include "format/index_key.h"
#include "format/index_page.h"

namespace {

constexpr std::uint32_t kOwner = 2;
constexpr std::uint32_t kRoot = 3;

class MemoryPages final : public jet::IndexPageStore, public jet::IndexPageAllocator {
 public:
  MemoryPages() : pages_(kRoot + 1, std::vector<std::uint8_t>(4096, 0)) {
    jet::IndexPage empty;
    empty.ownerPage = kOwner;
    empty.encode(pages_[kRoot], jet::kJet4IndexPage);
  }
  std::uint32_t pageCount() const override { return static_cast<std::uint32_t>(pages_.size()); }
  std::span<const std::uint8_t> read(std::uint32_t page) override { return pages_[page]; }
  void write(std::uint32_t page, std::span<const std::uint8_t> bytes) override {
    pages_[page].assign(bytes.begin(), bytes.end());
  }
  std::uint32_t allocate() override {
    pages_.emplace_back(4096, 0);
    return pageCount() - 1;
  }
  void release(std::uint32_t) override {}

 private:
  std::vector<std::vector<std::uint8_t>> pages_;
};

struct Index {
  MemoryPages pages;
  jet::IndexPageCache cache{pages, jet::kJet4IndexPage};
  jet::BTree tree{cache, kRoot, kOwner, "bench index"};
  Index() { tree.setAllocator(&pages); }
};

std::vector<std::uint8_t> textKey(std::mt19937& rng) {
  static const std::u16string kParts[] = {u"Smith", u"m\u00fcller", u"Garc\u00eda", u"o'brien", u"Anne-Marie",
                                          u"street", u"ROAD", u"K\u00f6ln", u"caf\u00e9", u"Order"};
  std::u16string s = kParts[rng() % 10];
  s += u' ';
  s += kParts[rng() % 10];
  s += u' ';
  for (int d = 0; d < 6; ++d) s += static_cast<char16_t>(u'0' + rng() % 10);
  return jet::encodeIndexKey({{jet::Value::text(s), jet::DataType::Text, true, 0}});
}

std::vector<std::uint8_t> longKey(std::int32_t v) {
  return jet::encodeIndexKey({{jet::Value::longInt(v), jet::DataType::Long, true, 0}});
}

void BM_InsertIncreasingLongs(benchmark::State& state) {
  const auto n = static_cast<std::uint32_t>(state.range(0));
  std::vector<std::vector<std::uint8_t>> keys;
  for (std::uint32_t i = 0; i < n; ++i) keys.push_back(longKey(static_cast<std::int32_t>(i + 1)));
  for (auto _ : state) {
    Index index;
    for (std::uint32_t i = 0; i < n; ++i) index.tree.insert(keys[i], jet::RowId{0x100 + i}, true);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_InsertIncreasingLongs)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_InsertRandomTexts(benchmark::State& state) {
  const auto n = static_cast<std::uint32_t>(state.range(0));
  std::mt19937 rng(1);
  std::vector<std::vector<std::uint8_t>> keys;
  for (std::uint32_t i = 0; i < n; ++i) keys.push_back(textKey(rng));
  for (auto _ : state) {
    Index index;
    for (std::uint32_t i = 0; i < n; ++i) index.tree.insert(keys[i], jet::RowId{0x100 + i}, false);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_InsertRandomTexts)->Arg(100'000)->Unit(benchmark::kMillisecond);

// 10 000 updates of an indexed text column over 100 000 rows: each removes the
// row's old entry and inserts the new one.
void BM_MoveTextEntries(benchmark::State& state) {
  std::mt19937 rng(2);
  Index index;
  std::vector<std::vector<std::uint8_t>> current;
  for (std::uint32_t i = 0; i < 100'000; ++i) {
    current.push_back(textKey(rng));
    index.tree.insert(current.back(), jet::RowId{0x100 + i}, false);
  }
  for (auto _ : state) {
    for (int u = 0; u < 10'000; ++u) {
      const std::uint32_t i = rng() % 100'000;
      auto next = textKey(rng);
      index.tree.remove(current[i], jet::RowId{0x100 + i});
      index.tree.insert(next, jet::RowId{0x100 + i}, false);
      current[i] = std::move(next);
    }
  }
  state.SetItemsProcessed(state.iterations() * 10'000);
}
BENCHMARK(BM_MoveTextEntries)->Unit(benchmark::kMillisecond);

void BM_BuildTextIndex(benchmark::State& state) {
  const auto n = static_cast<std::uint32_t>(state.range(0));
  std::mt19937 rng(3);
  std::set<std::pair<std::vector<std::uint8_t>, std::uint32_t>> sorted;
  for (std::uint32_t i = 0; i < n; ++i) sorted.insert({textKey(rng), 0x100 + i});
  std::vector<std::uint8_t> keys;
  std::vector<jet::BTree::BuildEntry> entries;
  for (const auto& [key, row] : sorted) {
    entries.push_back({static_cast<std::uint32_t>(keys.size()), static_cast<std::uint32_t>(key.size()), jet::RowId{row}});
    keys.insert(keys.end(), key.begin(), key.end());
  }
  for (auto _ : state) {
    Index index;
    index.tree.build(keys, entries);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BuildTextIndex)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
