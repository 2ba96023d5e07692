// Damageable database images and report predicates for the integrity tests.
#include "integrity_test_support.h"

#include "corpus/database_exercise.h"
#include "support/test_files.h"

namespace qbtest {

DatabaseImage::DatabaseImage(const std::string& corpusName) : name_(corpusName) {
  const std::string raw = readFileBytes(corpusFile(corpusName));
  bytes_.assign(raw.begin(), raw.end());
}

std::span<std::uint8_t> DatabaseImage::page(std::uint32_t number) {
  return std::span(bytes_).subspan(static_cast<std::size_t>(number) * kPageSize, kPageSize);
}

std::unique_ptr<jet::Database> DatabaseImage::open() const { return openImage(bytes_, name_); }

jet::IntegrityReport DatabaseImage::check(jet::IntegrityStrictness strictness) const {
  jet::IntegrityOptions options;
  options.strictness = strictness;
  auto db = open();
  return jet::checkIntegrity(*db, options);
}

std::size_t DatabaseImage::rowOffset(jet::RowId row) {
  return loadU16(page(row.page()), 14 + 2 * static_cast<std::size_t>(row.slot())) & 0x1FFF;
}

std::size_t countProblems(const jet::IntegrityReport& report, jet::ProblemSeverity severity,
                          jet::ProblemArea area, std::string_view text) {
  std::size_t n = 0;
  for (const auto& p : report.problems) {
    if (p.severity == severity && p.area == area && p.message.find(text) != std::string::npos) ++n;
  }
  return n;
}

bool hasError(const jet::IntegrityReport& report, jet::ProblemArea area, std::string_view text) {
  return countProblems(report, jet::ProblemSeverity::Error, area, text) > 0;
}

std::string describe(const jet::IntegrityReport& report) {
  std::string out =
      std::to_string(report.errorCount) + " errors, " + std::to_string(report.warningCount) + " warnings:\n";
  for (const auto& p : report.problems) {
    out += std::string(p.severity == jet::ProblemSeverity::Error ? "  error [" : "  warning [") +
           jet::problemAreaName(p.area) + "] " + p.message + "\n";
  }
  return out;
}

void storeU16(std::span<std::uint8_t> b, std::size_t offset, std::uint16_t value) {
  b[offset] = static_cast<std::uint8_t>(value);
  b[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void storeU32(std::span<std::uint8_t> b, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t loadU16(std::span<const std::uint8_t> b, std::size_t offset) {
  return static_cast<std::uint16_t>(b[offset] | b[offset + 1] << 8);
}

std::uint32_t loadU32(std::span<const std::uint8_t> b, std::size_t offset) {
  return static_cast<std::uint32_t>(b[offset]) | static_cast<std::uint32_t>(b[offset + 1]) << 8 |
         static_cast<std::uint32_t>(b[offset + 2]) << 16 | static_cast<std::uint32_t>(b[offset + 3]) << 24;
}

}  // namespace qbtest
