// libFuzzer target: treats the input as a database file held in memory, opens
// it and reads all of it (every table's definition, locators and rows, strict
// and lenient). Engine errors are fine; a crash, a hang, an out-of-bounds read
// (under AddressSanitizer), undefined behaviour, a foreign exception or a
// lenient read that raises is a finding.
//
// Run by hand for longer, e.g.:
//   build-asan/tests/open_scan_fuzz -max_total_time=3600 -max_len=300000 work/ ../shared/corpus
#include <cstdio>
#include <cstdlib>

#include "corpus/database_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qbtest::ExerciseResult result =
      qbtest::exerciseImage(std::vector<std::uint8_t>(data, data + size), u"", 50);
  if (!result.brokenPromise.empty()) {
    std::fprintf(stderr, "%s\n", result.brokenPromise.c_str());
    std::abort();
  }
  return 0;
}
