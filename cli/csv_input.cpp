// CSV reading.
#include "csv_input.h"

#include "arguments.h"

namespace qbtool {

int CsvInput::get() {
  if (pending_ != -2) {
    const int c = pending_;
    pending_ = -2;
    return c;
  }
  return std::fgetc(file_);
}

bool CsvInput::next(CsvFields& fields) {
  fields.clear();
  int c = get();
  if (!started_) {
    started_ = true;
    // A UTF-8 byte-order mark before the first record.
    if (c == 0xEF) {
      const int b = get();
      const int d = get();
      if (b != 0xBB || d != 0xBF) throw UsageError(name_ + ": line 1 is not UTF-8 text");
      c = get();
    }
  }
  if (c == EOF) return false;
  recordLine_ = line_;
  std::string field;
  bool quoted = false;
  for (;;) {
    if (c == '"' && field.empty() && !quoted) {
      quoted = true;
      for (;;) {
        c = get();
        if (c == EOF) throw UsageError(name_ + ": line " + std::to_string(recordLine_) + ": a quoted field is not closed");
        if (c == '\n') ++line_;
        if (c == '"') {
          c = get();
          if (c != '"') break;  // the closing quote
        }
        field.push_back(static_cast<char>(c));
      }
      if (c != ',' && c != '\n' && c != '\r' && c != EOF) {
        throw UsageError(name_ + ": line " + std::to_string(line_) + ": text after a closing quote");
      }
      continue;
    }
    if (c == ',' || c == '\n' || c == EOF || c == '\r') {
      if (quoted || !field.empty()) {
        fields.emplace_back(std::move(field));
      } else {
        fields.emplace_back(std::nullopt);
      }
      field.clear();
      quoted = false;
      if (c == ',') {
        c = get();
        continue;
      }
      if (c == '\r') {
        c = get();
        if (c != '\n') unget(c);
      }
      ++line_;
      return true;
    }
    if (c == '"') throw UsageError(name_ + ": line " + std::to_string(line_) + ": a quote inside an unquoted field");
    field.push_back(static_cast<char>(c));
    c = get();
  }
}

}  // namespace qbtool
