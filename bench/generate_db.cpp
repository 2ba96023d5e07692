// Writes a benchmark database: a new database with an Orders table of N rows
// and the Customers table they refer to, of N / 10 rows (see bench_tables.h),
// all in one transaction with the journal on, as a user's bulk import would.
//
//   build/bench/generate_db OUT.mdb [ROWS] [SEED] [--discount]     (ROWS defaults to 100000)
//   build/bench/generate_db --access97 FILE97.mdb OUT.mdb [ROWS] [SEED] [--discount]
//
// --access97 makes an Access 97 database instead, from a copy of FILE97.mdb
// with its user tables dropped (blank databases are always Access 2000 ones).
// --discount adds an eighth column to Orders, Discount (double), for the
// benchmarks of eight-column tables.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "bench_tables.h"

int main(int argc, char** argv) {
  const char* access97 = nullptr;
  if (argc > 2 && std::string(argv[1]) == "--access97") {
    access97 = argv[2];
    argc -= 2;
    argv += 2;
  }
  bool discount = false;
  if (argc > 2 && std::string_view(argv[argc - 1]) == "--discount") {
    discount = true;
    --argc;
  }
  if (argc < 2 || argc > 4 || argv[1][0] == '-' || (argc > 2 && argv[2][0] == '-') ||
      (argc > 3 && argv[3][0] == '-')) {
    std::fprintf(stderr, "usage: generate_db [--access97 FILE97.mdb] OUT.mdb [ROWS] [SEED] [--discount]\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const long rows = argc > 2 ? std::atol(argv[2]) : 100000;
  const auto seed = static_cast<std::uint32_t>(argc > 3 ? std::atol(argv[3]) : 1);
  if (rows <= 0) {
    std::fprintf(stderr, "generate_db: ROWS must be a positive number\n");
    return 2;
  }
  try {
    const auto start = std::chrono::steady_clock::now();
    auto db = access97 ? qbbench::createAccess97(out, access97) : qbbench::createBlank(out);
    const auto customerCount = static_cast<std::uint32_t>(std::max(1L, rows / 10));
    jet::TableSpec spec = qbbench::ordersSpec();
    if (discount) spec.columns.push_back(qbbench::column(u"Discount", jet::DataType::Double));
    auto orders = db->createTable(spec);
    auto customers = db->createTable(qbbench::customersSpec());
    qbbench::OrderRows generator(seed, customerCount);
    qbbench::CustomerRows customerGenerator(seed);
    db->beginTransaction();
    for (long i = 0; i < rows; ++i) {
      std::vector<jet::Value> row = generator.next();
      if (discount) row.push_back(jet::Value::dbl(static_cast<double>(generator.below(2000)) / 100.0));
      orders->insertRow(row);
    }
    for (std::uint32_t i = 0; i < customerCount; ++i) {
      std::vector<jet::Value> row = customerGenerator.next();
      customers->insertRow(row);
    }
    db->commitTransaction();
    const double seconds = qbbench::secondsSince(start);
    std::printf("%s: %ld orders and %u customers in %.2f s (%.0f rows/s), %u pages\n", out.c_str(), rows,
                customerCount, seconds, static_cast<double>(rows + customerCount) / seconds, db->info().pageCount);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "generate_db: %s\n", e.what());
    return 1;
  }
  return 0;
}
