// The table dataset on a large table: opening to the first record, the record
// count, filters on a text column, sorts by text (through its index and
// without) and by a number, a Locate that has to look at every row, and
// reading a window of 50 rows by position. Beside the table, the query
// dataset over statements on it: SELECT * (one table's rows, read by locator
// as the table dataset reads them), a sorted select and a grouped one, each
// opened to its first record.
//
// The table is Orders of QB_DATASET_BENCH_FILE when set, else of
// orders-1m.mdb in the benchmark data folder when present, else of
// orders-100k.mdb there. Counters: rows, and the view's memory per row.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "connection/connection.h"
#include "connection/connection_string.h"
#include "connection/query_data_set.h"
#include "connection/table_data_set.h"
#include "jet/database.h"
#include "jet/statement.h"
#include "jet/text.h"

namespace {

std::filesystem::path benchFile() {
  if (const char* env = std::getenv("QB_DATASET_BENCH_FILE")) return env;
  const std::filesystem::path folder = QB_BENCH_DATA_DIR;
  if (std::filesystem::exists(folder / "orders-1m.mdb")) return folder / "orders-1m.mdb";
  return folder / "orders-100k.mdb";
}

// One read-only connection and an open Orders dataset for every benchmark.
struct Orders {
  qb::Connection con;
  qb::TableDataSet mdb;

  Orders() {
    con.setConnectionString(qb::openConnectionString(jet::fromUtf8(benchFile().string())) + u";Mode=Read");
    mdb.setConnection(&con);
    mdb.setTableName(u"Orders");
    mdb.open();
  }
};

Orders& orders() {
  static Orders o;
  return o;
}

std::size_t allocatedBytes() {
  return mallinfo2().uordblks;
}

void setRows(benchmark::State& state, std::size_t rows) {
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_OpenToFirstRecord(benchmark::State& state) {
  qb::TableDataSet& mdb = orders().mdb;
  mdb.close();
  double bytesPerRow = 0;
  for (auto _ : state) {
    const std::size_t before = allocatedBytes();
    mdb.open();
    benchmark::DoNotOptimize(mdb.field(1).value());
    bytesPerRow = static_cast<double>(allocatedBytes() - before) / static_cast<double>(mdb.recordCount());
    state.PauseTiming();
    mdb.close();
    state.ResumeTiming();
  }
  mdb.open();
  setRows(state, mdb.recordCount());
  state.counters["bytes_per_row"] = bytesPerRow;
}

void BM_RecordCount(benchmark::State& state) {
  qb::TableDataSet& mdb = orders().mdb;
  for (auto _ : state) benchmark::DoNotOptimize(mdb.recordCount());
  setRows(state, mdb.recordCount());
}

// The customer of the middle row: the filters below match rows in every
// benchmark file, whatever names its generator gave the customers.
std::u16string middleCustomer() {
  qb::TableDataSet& mdb = orders().mdb;
  return mdb.valueAt(mdb.recordCount() / 2, mdb.fieldByName(u"Customer").index()).asText();
}

void filter(benchmark::State& state, const std::u16string& expression) {
  qb::TableDataSet& mdb = orders().mdb;
  mdb.setFilter(expression);
  for (auto _ : state) {
    mdb.setFiltered(true);
    benchmark::DoNotOptimize(mdb.recordCount());
    state.PauseTiming();
    state.counters["matches"] = static_cast<double>(mdb.recordCount());
    mdb.setFiltered(false);
    state.ResumeTiming();
  }
  setRows(state, mdb.recordCount());
}

void BM_FilterTextEquals(benchmark::State& state) {
  filter(state, u"Customer = '" + middleCustomer() + u"'");
}
// Names that begin with the middle row's first word.
void BM_FilterTextLike(benchmark::State& state) {
  const std::u16string customer = middleCustomer();
  filter(state, u"Customer Like '" + customer.substr(0, customer.find(u' ')) + u"*'");
}

void sort(benchmark::State& state, const char16_t* order) {
  qb::TableDataSet& mdb = orders().mdb;
  double bytesPerRow = 0;
  for (auto _ : state) {
    const std::size_t before = allocatedBytes();
    mdb.setSort(order);
    bytesPerRow = static_cast<double>(allocatedBytes() - before) / static_cast<double>(mdb.recordCount());
    state.PauseTiming();
    mdb.setSort(u"");
    state.ResumeTiming();
  }
  setRows(state, mdb.recordCount());
  state.counters["sorted_extra_bytes_per_row"] = bytesPerRow;
}

// Customer has an ascending index, which gives the ascending order; the
// descending order is sorted here.
void BM_SortByTextIndexed(benchmark::State& state) {
  sort(state, u"Customer");
}
void BM_SortByText(benchmark::State& state) {
  sort(state, u"Customer DESC");
}
void BM_SortByNumber(benchmark::State& state) {
  sort(state, u"Amount DESC");
}

void BM_LocateNoMatch(benchmark::State& state) {
  qb::TableDataSet& mdb = orders().mdb;
  for (auto _ : state) {
    benchmark::DoNotOptimize(mdb.locate(u"Customer", u"Nobody Ltd", qb::LocateOptions{true, false}));
  }
  setRows(state, mdb.recordCount());
}

void BM_LocateLastRecord(benchmark::State& state) {
  qb::TableDataSet& mdb = orders().mdb;
  mdb.last();
  const std::u16string created = mdb.fieldByName(u"Created").text();
  mdb.first();
  for (auto _ : state) {
    benchmark::DoNotOptimize(mdb.locate(u"Created", created, qb::LocateOptions{}));
    state.PauseTiming();
    state.counters["found_at"] = mdb.recordNumber();
    mdb.first();
    state.ResumeTiming();
  }
  setRows(state, mdb.recordCount());
}

void BM_WindowOf50Rows(benchmark::State& state) {
  qb::TableDataSet& mdb = orders().mdb;
  const std::size_t rows = mdb.recordCount();
  std::size_t window = 0;
  for (auto _ : state) {
    // A different window each time, so that no row comes from the cache.
    const std::size_t start = (rows / 2 + window * 7919 * 50) % (rows - 50);
    for (std::size_t row = start; row < start + 50; ++row) benchmark::DoNotOptimize(mdb.rowValues(row));
    ++window;
  }
  setRows(state, rows);
}

}  // namespace

// A statement opened in the query dataset on the benchmark's connection, to
// its first record.
void queryOpen(benchmark::State& state, const char16_t* statement) {
  qb::QueryDataSet query;
  query.setConnection(&orders().con);
  query.setSql({statement});
  // Once before timing, as statementAll does, so that neither pays for the
  // file's pages coming into the cache first.
  query.open();
  query.close();
  for (auto _ : state) {
    query.open();
    benchmark::DoNotOptimize(query.field(0).value());
    state.PauseTiming();
    setRows(state, query.recordCount());
    query.close();
    state.ResumeTiming();
  }
}

// The same statement read whole by the engine alone, the base the query
// dataset's own work adds to.
void statementAll(benchmark::State& state, const char16_t* statement) {
  jet::Database& db = orders().con.database();
  jet::Statement::prepare(db, statement).executeAll();  // before timing, as queryOpen does
  for (auto _ : state) {
    auto result = jet::Statement::prepare(db, statement).executeAll();
    benchmark::DoNotOptimize(result->row(0));
    state.PauseTiming();
    setRows(state, result->size());
    result.reset();
    state.ResumeTiming();
  }
}

constexpr const char16_t* kSorted = u"SELECT ID, Customer, Amount FROM Orders ORDER BY Customer, ID";
constexpr const char16_t* kGrouped = u"SELECT Customer, Count(*) AS N, Sum(Amount) AS Total FROM Orders GROUP BY Customer";

void BM_QueryOpenSelectAll(benchmark::State& state) {
  queryOpen(state, u"SELECT * FROM Orders");
}
void BM_QueryOpenSorted(benchmark::State& state) {
  queryOpen(state, kSorted);
}
void BM_StatementSorted(benchmark::State& state) {
  statementAll(state, kSorted);
}
void BM_QueryOpenGrouped(benchmark::State& state) {
  queryOpen(state, kGrouped);
}
void BM_StatementGrouped(benchmark::State& state) {
  statementAll(state, kGrouped);
}

BENCHMARK(BM_OpenToFirstRecord)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_QueryOpenSelectAll)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_QueryOpenSorted)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StatementSorted)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_QueryOpenGrouped)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StatementGrouped)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecordCount);
BENCHMARK(BM_FilterTextEquals)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilterTextLike)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByTextIndexed)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByNumber)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LocateNoMatch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LocateLastRecord)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowOf50Rows)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
