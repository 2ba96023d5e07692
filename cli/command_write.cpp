// qbtool's row writes: insert rows from CSV, update or delete one row picked
// by its position. Values arrive as text and the engine converts them to each
// column's type (binary columns take hexadecimal digits, as export writes
// them). A whole insert is one transaction: a bad row leaves the file as it was.
#include <cstdio>
#include <memory>

#include "commands.h"
#include "csv_input.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"

namespace qbtool {

namespace {

bool isBinary(jet::DataType t) { return jet::factsOf(t).kind == jet::ValueKind::Binary; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A value from the command line or a CSV field for a column: Null, hex for
// binary columns, text for the engine to convert otherwise.
jet::Value valueFor(const jet::ColumnDef& column, const std::optional<std::string>& text) {
  if (!text) return jet::Value();
  if (!isBinary(column.type)) return jet::Value::text(jet::fromUtf8(*text));
  std::string_view digits = *text;
  if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
  jet::Bytes bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int hi = hexDigit(digits[i]);
    const int lo = i + 1 < digits.size() ? hexDigit(digits[i + 1]) : -1;
    if (hi < 0 || lo < 0) {
      throw jet::Error(jet::ErrorCode::InvalidArgument, "the value for the binary field '" + jet::toUtf8(column.name) +
                                                            "' is not hexadecimal digits: " + *text);
    }
    bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
  }
  return jet::Value::binary(std::move(bytes));
}

// The row at 1-based position `--where-rownum` in storage order (the order
// export lists rows in).
jet::RowId rowAt(jet::Table& table, const Arguments& args) {
  const auto given = args.value("--where-rownum");
  if (!given) throw UsageError("--where-rownum N is required");
  std::size_t n = 0;
  try {
    std::size_t used = 0;
    n = std::stoul(*given, &used);
    if (used != given->size() || n == 0) throw std::invalid_argument("");
  } catch (const std::logic_error&) {
    throw UsageError("--where-rownum needs a row number from 1 up, not '" + *given + "'");
  }
  const std::vector<jet::RowId> ids = table.rowIds();
  if (n > ids.size()) {
    throw jet::Error(jet::ErrorCode::NotFound, "table '" + jet::toUtf8(table.name()) + "' has " +
                                                   std::to_string(ids.size()) + " rows, no row " + std::to_string(n));
  }
  return ids[n - 1];
}

std::size_t columnIndex(jet::Table& table, const std::string& name) {
  const int at = table.findColumn(jet::fromUtf8(name));
  if (at < 0) {
    throw jet::Error(jet::ErrorCode::NotFound,
                     "table '" + jet::toUtf8(table.name()) + "' has no column '" + name + "'");
  }
  return static_cast<std::size_t>(at);
}

void reportRows(OutputBuffer& out, std::size_t n, const char* what) {
  out.write(std::to_string(n) + (n == 1 ? " row " : " rows ") + what + "\n");
}

}  // namespace

int runInsert(const Arguments& args, OutputBuffer& out) {
  const std::string source = args.value("--csv").value_or("-");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
  std::FILE* input = stdin;
  if (source != "-") {
    file.reset(std::fopen(source.c_str(), "rb"));
    if (!file) throw jet::Error(jet::ErrorCode::NotFound, "Cannot open '" + source + "' to read rows from it");
    input = file.get();
  }
  CsvInput csv(input, source == "-" ? "standard input" : source);

  const auto db = openDatabaseForWriting(args);
  const auto table = openTable(*db, args.operands().at(1));
  CsvFields fields;
  if (!csv.next(fields)) throw UsageError("the CSV has no header line naming the columns");
  std::vector<std::size_t> columns;
  for (const auto& name : fields) {
    if (!name) throw UsageError("the CSV header has an empty column name");
    columns.push_back(columnIndex(*table, *name));
  }
  std::size_t inserted = 0;
  std::vector<jet::Value> row(table->columns().size());
  db->beginTransaction();
  while (csv.next(fields)) {
    if (fields.size() != columns.size()) {
      throw UsageError("line " + std::to_string(csv.line()) + " has " + std::to_string(fields.size()) +
                       " fields; the header names " + std::to_string(columns.size()));
    }
    std::fill(row.begin(), row.end(), jet::Value());
    try {
      for (std::size_t i = 0; i < columns.size(); ++i) row[columns[i]] = valueFor(table->columns()[columns[i]], fields[i]);
      table->insertRow(row);
    } catch (const jet::Error& e) {
      throw jet::Error(e.code(), "line " + std::to_string(csv.line()) + ": " + e.what() + " (nothing was inserted)");
    }
    ++inserted;
  }
  db->commitTransaction();
  reportRows(out, inserted, "inserted");
  return 0;
}

int runUpdate(const Arguments& args, OutputBuffer& out) {
  // Mistyped assignments are reported before the file is even opened.
  for (std::size_t i = 2; i < args.operands().size(); ++i) {
    const std::string& assignment = args.operands()[i];
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) throw UsageError("'" + assignment + "' is not COLUMN=VALUE");
  }
  const auto db = openDatabaseForWriting(args);
  const auto table = openTable(*db, args.operands().at(1));
  const jet::RowId id = rowAt(*table, args);
  std::vector<jet::Value> row = table->readRow(id);
  for (std::size_t i = 2; i < args.operands().size(); ++i) {
    const std::string& assignment = args.operands()[i];
    const auto eq = assignment.find('=');
    const std::size_t column = columnIndex(*table, assignment.substr(0, eq));
    const std::string value = assignment.substr(eq + 1);
    row[column] = valueFor(table->columns()[column], value.empty() ? std::nullopt : std::optional(value));
  }
  table->updateRow(id, row);
  reportRows(out, 1, "updated");
  return 0;
}

int runDelete(const Arguments& args, OutputBuffer& out) {
  const auto db = openDatabaseForWriting(args);
  const auto table = openTable(*db, args.operands().at(1));
  table->deleteRow(rowAt(*table, args));
  reportRows(out, 1, "deleted");
  return 0;
}

}  // namespace qbtool
