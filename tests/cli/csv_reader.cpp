// RFC 4180 parsing for the command-line tests.
#include "csv_reader.h"

#include <stdexcept>

namespace qbtest {

std::vector<CsvRecord> parseCsv(std::string_view text, char delimiter) {
  std::vector<CsvRecord> records;
  std::size_t i = 0;
  while (i < text.size()) {
    CsvRecord record;
    while (true) {
      CsvField field;
      if (i < text.size() && text[i] == '"') {
        field.quoted = true;
        ++i;
        while (true) {
          if (i >= text.size()) throw std::runtime_error("unterminated quoted field");
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field.text += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          field.text += text[i++];
        }
      } else {
        while (i < text.size() && text[i] != delimiter && text[i] != '\n' && text[i] != '\r') {
          if (text[i] == '"') throw std::runtime_error("quote inside an unquoted field");
          field.text += text[i++];
        }
      }
      record.push_back(std::move(field));
      if (i < text.size() && text[i] == delimiter) {
        ++i;
        continue;
      }
      break;
    }
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size()) {
      if (text[i] != '\n') throw std::runtime_error("text after a quoted field");
      ++i;
    }
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace qbtest
