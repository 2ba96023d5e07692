// The write benchmark: into a new table with a primary key and one text index,
// insert 100 000 rows, then change the indexed text column of 10 000 rows,
// then delete 10 000 rows; each step one transaction with the journal on and
// the file synced at commit. Prints rows per second for each step, and for
// comparison the rate of single-row writes that each commit on their own.
//
//   build/bench/write_bench [FOLDER]     (the database goes there; default /tmp)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "bench_tables.h"

namespace {

void report(const char* step, std::size_t rows, double seconds) {
  std::printf("%-34s %8zu rows %8.3f s %10.0f rows/s\n", step, rows, seconds, static_cast<double>(rows) / seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : "/tmp";
  const std::filesystem::path file = folder / ("qb-write-bench-" + std::to_string(::getpid()) + ".mdb");
  constexpr std::size_t kInserts = 100000;
  constexpr std::size_t kUpdates = 10000;
  constexpr std::size_t kDeletes = 10000;
  constexpr std::size_t kSingles = 200;
  try {
    auto db = qbbench::createBlank(file);
    auto table = db->createTable(qbbench::ordersSpec());
    qbbench::OrderRows generator(7);
    std::vector<std::vector<jet::Value>> rows;
    rows.reserve(kInserts);
    for (std::size_t i = 0; i < kInserts; ++i) {
      rows.push_back(generator.next());
      rows.back()[6] = jet::Value();  // the measured rows carry no memo
    }

    auto start = std::chrono::steady_clock::now();
    db->beginTransaction();
    std::vector<jet::RowId> ids;
    ids.reserve(kInserts);
    for (auto& row : rows) ids.push_back(table->insertRow(row));
    db->commitTransaction();
    report("insert (one transaction)", kInserts, qbbench::secondsSince(start));

    std::vector<jet::Value> row;
    start = std::chrono::steady_clock::now();
    db->beginTransaction();
    for (std::size_t i = 0; i < kUpdates; ++i) {
      const jet::RowId id = ids[generator.below(static_cast<std::uint32_t>(ids.size()))];
      table->readRow(id, row);
      row[2] = jet::Value::text(generator.customerName());
      table->updateRow(id, row);
    }
    db->commitTransaction();
    report("update indexed text (one transaction)", kUpdates, qbbench::secondsSince(start));

    start = std::chrono::steady_clock::now();
    db->beginTransaction();
    for (std::size_t i = 0; i < kDeletes; ++i) {
      const std::size_t at = generator.below(static_cast<std::uint32_t>(ids.size()));
      table->deleteRow(ids[at]);
      ids[at] = ids.back();
      ids.pop_back();
    }
    db->commitTransaction();
    report("delete (one transaction)", kDeletes, qbbench::secondsSince(start));

    start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < kSingles; ++i) {
      std::vector<jet::Value> single = generator.next();
      table->insertRow(single);
    }
    report("insert (each its own transaction)", kSingles, qbbench::secondsSince(start));
    std::printf("file: %u pages, %zu rows\n", db->info().pageCount, table->rowIds().size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "write_bench: %s\n", e.what());
    std::filesystem::remove(file);
    return 1;
  }
  std::filesystem::remove(file);
  return 0;
}
