// Test helpers for the integrity checker over the real files: a database image
// held in memory that a test can damage byte by byte, open and check, and
// predicates over the checker's report.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/database.h"
#include "jet/integrity.h"
#include "jet/table.h"

namespace qbtest {

class DatabaseImage {
 public:
  static constexpr std::uint32_t kPageSize = 4096;

  // A copy of a corpus file's bytes (the file itself is never touched).
  explicit DatabaseImage(const std::string& corpusName);

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::span<std::uint8_t> page(std::uint32_t number);

  // Opens the image as it is now, read-only.
  std::unique_ptr<jet::Database> open() const;
  jet::IntegrityReport check(jet::IntegrityStrictness strictness = jet::IntegrityStrictness::Tolerant) const;

  // Where a live row's bytes start (its slot's offset on its page).
  std::size_t rowOffset(jet::RowId row);

 private:
  std::string name_;
  std::vector<std::uint8_t> bytes_;
};

// Problems of that severity and area whose message contains `text`.
std::size_t countProblems(const jet::IntegrityReport& report, jet::ProblemSeverity severity,
                          jet::ProblemArea area, std::string_view text = {});
bool hasError(const jet::IntegrityReport& report, jet::ProblemArea area, std::string_view text = {});

// Every problem, one per line, for failure messages.
std::string describe(const jet::IntegrityReport& report);

void storeU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value);
void storeU32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value);
std::uint16_t loadU16(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint32_t loadU32(std::span<const std::uint8_t> bytes, std::size_t offset);

}  // namespace qbtest
