// RowWriter: writes a table's rows in one of the export formats — CSV (RFC
// 4180), TSV and JSON — straight into an OutputBuffer. All formats write text
// as UTF-8, dates as ISO 8601, binary values as hexadecimal digits and
// currency and decimals with their exact digits.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/value.h"
#include "output_buffer.h"

namespace qbtool {

enum class ExportFormat { Csv, Tsv, Json };

struct ExportOptions {
  ExportFormat format = ExportFormat::Csv;
  bool header = true;  // CSV/TSV: a line of column names; JSON: rows as objects (else arrays)
  bool crlf = false;   // CSV/TSV: end lines with CR LF instead of LF
};

// Parses "csv", "tsv" or "json"; false for anything else.
bool parseExportFormat(std::string_view name, ExportFormat& format);

class RowWriter {
 public:
  static std::unique_ptr<RowWriter> create(OutputBuffer& out, const ExportOptions& options);
  virtual ~RowWriter() = default;

  // Call once, with the column names, before the first row.
  virtual void begin(const std::vector<std::u16string>& columns) = 0;
  virtual void row(const std::vector<jet::Value>& values) = 0;
  // Call once after the last row.
  virtual void end() = 0;
};

}  // namespace qbtool
