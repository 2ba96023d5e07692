// A strict RFC 4180 reader for the command-line tests: splits qbtool's and
// mdb-export's CSV into records, keeping for each field whether it was quoted
// (qbtool and mdb-export both write Null as an empty unquoted field and the
// empty text as "").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qbtest {

struct CsvField {
  std::string text;
  bool quoted = false;
  friend bool operator==(const CsvField&, const CsvField&) = default;
};

using CsvRecord = std::vector<CsvField>;

// Accepts LF and CR LF line ends; throws std::runtime_error on a stray quote
// or an unterminated quoted field.
std::vector<CsvRecord> parseCsv(std::string_view text, char delimiter = ',');

}  // namespace qbtest
