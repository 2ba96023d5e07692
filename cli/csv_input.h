// Reading CSV for qbtool's insert command: RFC 4180 records from a file or
// standard input, UTF-8 (a byte-order mark is skipped), LF or CR LF line ends,
// fields quoted with "" escapes. An empty unquoted field is Null and the
// quoted empty text ("") is the empty text, as qbtool export writes them.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace qbtool {

using CsvFields = std::vector<std::optional<std::string>>;

class CsvInput {
 public:
  // Reads from `file` (not closed); `name` is used in messages.
  CsvInput(std::FILE* file, std::string name) : file_(file), name_(std::move(name)) {}

  // The next record, or false at the end. Throws UsageError naming the line for
  // a stray quote or a quoted field left open.
  bool next(CsvFields& fields);
  // Line of the record last returned (1-based).
  std::size_t line() const { return recordLine_; }

 private:
  int get();
  void unget(int c) { pending_ = c; }

  std::FILE* file_;
  std::string name_;
  int pending_ = -2;  // -2: none
  std::size_t line_ = 1;
  std::size_t recordLine_ = 0;
  bool started_ = false;
};

}  // namespace qbtool
