// Reads everything in a database image the way a viewer would, for the
// corruption tests and the fuzz target: open, every local table's definition,
// its row locators and rows in strict and lenient mode, each row by locator.
// Damaged images may make the engine raise jet::Error from strict reads; lenient
// reads promise to return what they can without raising.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"

namespace qbtest {

// Opens a database image held in memory, read-only (nothing is ever written
// back, no journal is looked for beside it).
std::unique_ptr<jet::Database> openImage(std::vector<std::uint8_t> image, const std::string& name,
                                         const jet::OpenOptions& options = {});

struct ExerciseResult {
  bool opened = false;
  std::size_t tables = 0;     // tables whose definition could be read
  std::size_t rows = 0;       // rows read in lenient scans
  std::string brokenPromise;  // a lenient read that raised an error, or empty
};

ExerciseResult exerciseImage(std::vector<std::uint8_t> image, const std::u16string& password = {},
                             std::size_t maxRowsPerTable = 200);

}  // namespace qbtest
