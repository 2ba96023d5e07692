// Opening a database and listing its tables, for every Jet 4 file of the test
// corpus and the benchmark databases: the time a user waits before the first
// tab appears.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "jet/database.h"
#include "jet/error.h"

namespace {

void openAndList(benchmark::State& state, const std::filesystem::path& file, const std::u16string& password) {
  jet::OpenOptions options;
  options.readOnly = true;
  options.password = password;
  for (auto _ : state) {
    const auto db = jet::Database::open(file, options);
    benchmark::DoNotOptimize(db->listTables(true));
  }
}

void registerFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().extension() != ".mdb") continue;
    const std::string name = entry.path().filename().string();
    const std::u16string password = name.find("password") != std::string::npos ? u"password" : u"";
    try {
      jet::OpenOptions options;
      options.readOnly = true;
      options.password = password;
      jet::Database::open(entry.path(), options);  // skips the formats not read yet
    } catch (const jet::Error&) {
      continue;
    }
    benchmark::RegisterBenchmark(("open_and_list/" + name).c_str(), openAndList, entry.path(), password)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerFolder(QB_CORPUS_DIR);
  registerFolder(QB_BENCH_DATA_DIR);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
