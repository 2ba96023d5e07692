// Index keys and the text order on the hot paths: sorting a million texts by
// their sort keys, building keys for inserted rows, and the read-modify-write
// of a leaf page that every index insert does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>

#include "format/index_key.h"
#include "format/index_page.h"
#include "jet/collation.h"

namespace {

// Names and words of mixed case, some accented, 5-30 characters.
std::vector<std::u16string> sampleTexts(std::size_t count) {
  static const std::u16string kParts[] = {u"Smith",      u"m\u00fcller", u"Garc\u00eda", u"o'brien",
                                          u"Anne-Marie", u"street",      u"ROAD",        u"K\u00f6ln",
                                          u"caf\u00e9",  u"Order"};
  std::mt19937 rng(1);
  std::vector<std::u16string> out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::u16string s = kParts[rng() % 10];
    s += u' ';
    s += kParts[rng() % 10];
    s += u' ';
    for (int d = 0; d < 6; ++d) s += static_cast<char16_t>(u'0' + rng() % 10);
    out.push_back(std::move(s));
  }
  return out;
}

// Keys into one buffer, then an index sort by memcmp: what a dataset sort by a
// text column does.
void BM_SortMillionTextsBySortKey(benchmark::State& state) {
  const auto texts = sampleTexts(1'000'000);
  for (auto _ : state) {
    std::string keys;
    keys.reserve(texts.size() * 32);
    std::vector<std::uint32_t> offsets;
    offsets.reserve(texts.size() + 1);
    for (const auto& t : texts) {
      offsets.push_back(static_cast<std::uint32_t>(keys.size()));
      jet::appendTextSortKey(t, keys);
    }
    offsets.push_back(static_cast<std::uint32_t>(keys.size()));
    std::vector<std::uint32_t> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      const std::string_view ka(keys.data() + offsets[a], offsets[a + 1] - offsets[a]);
      const std::string_view kb(keys.data() + offsets[b], offsets[b + 1] - offsets[b]);
      return ka < kb;
    });
    benchmark::DoNotOptimize(order.data());
  }
  state.SetItemsProcessed(state.iterations() * 1'000'000);
}
BENCHMARK(BM_SortMillionTextsBySortKey)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TextSortKey(benchmark::State& state) {
  const auto texts = sampleTexts(10'000);
  std::string key;
  std::size_t i = 0;
  for (auto _ : state) {
    key.clear();
    jet::appendTextSortKey(texts[i++ % texts.size()], key);
    benchmark::DoNotOptimize(key.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextSortKey);

void BM_CompareText(benchmark::State& state) {
  const auto texts = sampleTexts(10'000);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(jet::compareTextAsIndexed(texts[i % texts.size()], texts[(i + 1) % texts.size()]));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompareText);

// The keys of one inserted row for a Long primary key and a text index.
void BM_RowKeysLongAndText(benchmark::State& state) {
  const auto texts = sampleTexts(10'000);
  std::vector<std::vector<jet::Value>> rows;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    rows.push_back({jet::Value::longInt(static_cast<std::int32_t>(i)), jet::Value::text(texts[i])});
  }
  const jet::IndexKeyEncoder primary({jet::KeyColumn{.type = jet::DataType::Long, .rowPosition = 0}});
  const jet::IndexKeyEncoder byName({jet::KeyColumn{.type = jet::DataType::Text, .rowPosition = 1}});
  std::vector<std::uint8_t> key;
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& row = rows[i++ % rows.size()];
    key.clear();
    primary.appendKey(row, key);
    key.clear();
    byName.appendKey(row, key);
    benchmark::DoNotOptimize(key.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RowKeysLongAndText);

// Decode a leaf of about 70 text entries, insert one entry, encode it back.
void BM_LeafDecodeInsertEncode(benchmark::State& state) {
  const auto texts = sampleTexts(70);
  jet::IndexPage page;
  std::vector<std::uint8_t> key;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    key.clear();
    jet::appendKeyColumn(jet::Value::text(texts[i]), jet::KeyColumn{.type = jet::DataType::Text}, key);
    const jet::RowId row = jet::RowId::of(100 + static_cast<std::uint32_t>(i), 0);
    page.insert(page.lowerBound(key, row), key, row);
  }
  std::vector<std::uint8_t> stored(4096);
  if (!page.encode(stored, jet::kJet4IndexPage)) state.SkipWithError("sample page does not fit");
  key.clear();
  jet::appendKeyColumn(jet::Value::text(u"Middle of the page"), jet::KeyColumn{.type = jet::DataType::Text},
                       key);
  jet::IndexPage work;
  std::vector<std::uint8_t> out(4096);
  const int what = static_cast<int>(state.range(0));  // 0 all, 1 decode only, 2 encode only
  work.decode(stored, 7, jet::kJet4IndexPage);
  for (auto _ : state) {
    if (what != 2) work.decode(stored, 7, jet::kJet4IndexPage);
    if (what == 0) {
      const jet::RowId row = jet::RowId::of(5, 1);
      work.insert(work.lowerBound(key, row), key, row);
    }
    if (what != 1) benchmark::DoNotOptimize(work.encode(out, jet::kJet4IndexPage));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LeafDecodeInsertEncode)->Arg(0)->Arg(1)->Arg(2);

}  // namespace

BENCHMARK_MAIN();
