// B-tree maintenance on the hot paths of row writes: keys that only grow (an
// autonumber primary key), random text keys (a name index), moving entries
// (an update of an indexed text column) and the bulk build of a new index,
// first with pages in memory (the index code's own share of a row write), then
// whole row writes through the engine into a table with an autonumber primary
// key and a text index, in one journaled transaction on a file.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <vector>

#include "format/index_key.h"
#include "format/index_page.h"
#include "index/btree.h"
#include "jet/database.h"
#include "jet/table.h"
#include "storage/memory_file.h"
#include "storage/memory_vfs.h"
#include "storage/pager.h"

namespace {

constexpr std::uint32_t kOwner = 2;
constexpr std::uint32_t kRoot = 3;

// The index's pages in a database file held in memory, inside a journaled
// write transaction, as a row write sees them.
class MemoryPages final : public jet::IndexPageAllocator {
 public:
  MemoryPages() {
    std::vector<std::uint8_t> file(std::size_t{4096} * (kRoot + 1), 0);
    jet::IndexPage empty;
    empty.ownerPage = kOwner;
    empty.encode(std::span<std::uint8_t>(file).subspan(std::size_t{kRoot} * 4096, 4096), jet::kJet4IndexPage);
    pager_ = std::make_unique<jet::Pager>(std::make_unique<jet::MemoryFile>(std::move(file)), 4096);
    pager_->enableWriting(std::make_shared<jet::MemoryVfs>(), "/bench.mdb-journal");
    pager_->beginWrite();
  }
  jet::Pager& pager() { return *pager_; }
  std::uint32_t allocate() override { return pager_->allocatePage(); }
  void release(std::uint32_t page) override { pager_->freePage(page); }

 private:
  std::unique_ptr<jet::Pager> pager_;
};

struct Index {
  MemoryPages pages;
  jet::IndexPageCache cache{pages.pager(), jet::kJet4IndexPage};
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

std::u16string nameText(std::mt19937& rng) {
  static const std::u16string kParts[] = {u"Smith", u"m\u00fcller", u"Garc\u00eda", u"o'brien", u"Anne-Marie",
                                          u"street", u"ROAD", u"K\u00f6ln", u"caf\u00e9", u"Order"};
  std::u16string s = kParts[rng() % 10] + u' ' + kParts[rng() % 10] + u' ';
  for (int d = 0; d < 6; ++d) s += static_cast<char16_t>(u'0' + rng() % 10);
  return s;
}

// A copy of a corpus table with an autonumber primary key and an indexed text
// column, in a scratch folder.
struct TableCopy {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "qb-btree-bench";
  std::filesystem::path file = dir / "table.mdb";
  TableCopy() {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(std::filesystem::path(QB_CORPUS_DIR) / "jackcess-V2003-testUnicodeCompV2003.mdb", file);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  }
  ~TableCopy() { std::filesystem::remove_all(dir); }
};

// CPU time of this thread: on a shared machine the wall clock also counts
// other people's work.
double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Inserts 100 000 rows, updates the text of 10 000 and deletes 10 000, each
// part one transaction; reports each part's rows per second of CPU time (the
// commits' writes and syncs included) and of wall time.
void BM_TableWritesWithTwoIndexes(benchmark::State& state) {
  struct Part {
    const char* name;
    double rows;
    double cpu = 0;
    double wall = 0;
  };
  Part parts[] = {{"inserts", 100'000}, {"updates", 10'000}, {"deletes", 10'000}};
  for (auto _ : state) {
    state.PauseTiming();
    TableCopy copy;
    auto db = jet::Database::open(copy.file);
    auto table = db->table(u"Table");
    const std::size_t text = static_cast<std::size_t>(table->findColumn(u"Unicode"));
    std::mt19937 rng(5);
    std::vector<std::u16string> texts;
    for (int i = 0; i < 100'000; ++i) texts.push_back(nameText(rng));
    std::vector<jet::Value> row(table->columns().size());
    std::vector<jet::RowId> ids;
    ids.reserve(texts.size());
    state.ResumeTiming();

    const auto timed = [&](Part& part, auto&& work) {
      const double cpu = threadSeconds();
      const auto wall = std::chrono::steady_clock::now();
      db->beginTransaction();
      work();
      db->commitTransaction();
      part.cpu += threadSeconds() - cpu;
      part.wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    };
    timed(parts[0], [&] {
      for (const auto& t : texts) {
        std::fill(row.begin(), row.end(), jet::Value());
        row[text] = jet::Value::text(t);
        ids.push_back(table->insertRow(row));
      }
    });
    timed(parts[1], [&] {
      for (int u = 0; u < 10'000; ++u) {
        const jet::RowId id = ids[rng() % ids.size()];
        table->readRow(id, row);
        row[text] = jet::Value::text(nameText(rng));
        table->updateRow(id, row);
      }
    });
    timed(parts[2], [&] {
      for (int d = 0; d < 10'000; ++d) table->deleteRow(ids[static_cast<std::size_t>(d) * 7]);
    });
  }
  const double runs = static_cast<double>(state.iterations());
  for (const Part& part : parts) {
    state.counters[std::string(part.name) + "_per_cpu_s"] = part.rows * runs / part.cpu;
    state.counters[std::string(part.name) + "_per_wall_s"] = part.rows * runs / part.wall;
  }
}
BENCHMARK(BM_TableWritesWithTwoIndexes)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
