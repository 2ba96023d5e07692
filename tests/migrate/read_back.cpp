// Reading migrated rows back; see read_back.h.
#include "migrate/read_back.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <stdexcept>

#include "cli/csv_reader.h"
#include "cli/process_runner.h"
#include "jet/text.h"

namespace qbtest {

namespace {

using jet::DataType;

// Shortest round-trip text of a floating-point number given as text.
std::string canonicalFloat(const std::string& text, DataType type) {
  char buffer[64];
  if (text == "NaN" || text == "nan") return "NaN";
  if (type == DataType::Single) {
    const float f = std::strtof(text.c_str(), nullptr);
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, f).ptr);
  }
  const double d = std::strtod(text.c_str(), nullptr);
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, d).ptr);
}

bool isFloat(DataType t) { return t == DataType::Single || t == DataType::Double; }

bool isBinary(DataType t) {
  return t == DataType::Binary || t == DataType::Ole || t == DataType::Unknown0D || t == DataType::Unknown11;
}

// Export's CSV writes an empty binary value and Null alike (an empty field),
// so binary columns compare them as one; the tests check the difference in
// the targets directly.
Cell normalised(Cell cell, DataType type) {
  if (cell && isFloat(type)) cell = canonicalFloat(*cell, type);
  if (cell && cell->empty() && isBinary(type)) cell.reset();
  return cell;
}

void sortRows(Rows& rows) { std::sort(rows.begin(), rows.end()); }

std::string quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// A select list that prints every column in export's form.
std::string postgresSelectList(const std::vector<jet::ColumnDef>& columns) {
  std::string list;
  for (const jet::ColumnDef& c : columns) {
    const std::string q = quoted(jet::toUtf8(c.name));
    std::string e;
    switch (c.type) {
      case DataType::Boolean: e = "CASE WHEN " + q + " THEN 'true' ELSE 'false' END"; break;
      case DataType::DateTime:
        e = "to_char(" + q + ", 'YYYY-MM-DD\"T\"HH24:MI:SS') || CASE WHEN extract(microseconds FROM " + q +
            ")::bigint % 1000000 <> 0 THEN to_char(" + q + ", '.MS') ELSE '' END";
        break;
      case DataType::Guid: e = "'{' || upper(" + q + "::text) || '}'"; break;
      case DataType::Binary:
      case DataType::Ole:
      case DataType::Unknown0D:
      case DataType::Unknown11: e = "upper(encode(" + q + ", 'hex'))"; break;
      default: e = q + "::text"; break;
    }
    list += (list.empty() ? "" : ", ") + e;
  }
  return list;
}

}  // namespace

Rows exportedRows(const std::filesystem::path& file, const std::string& table, const std::string& password,
                  const std::vector<jet::ColumnDef>& columns) {
  std::vector<std::string> args = {"export", file.string(), table, "--no-header"};
  if (!password.empty()) args.insert(args.end(), {"--password", password});
  const ProcessResult result = runQbtool(args);
  if (result.exitCode != 0) throw std::runtime_error("qbtool export failed: " + result.err);
  Rows rows;
  for (const CsvRecord& record : parseCsv(result.out)) {
    std::vector<Cell> row;
    for (std::size_t i = 0; i < record.size(); ++i) {
      const CsvField& f = record[i];
      row.push_back(normalised(f.text.empty() && !f.quoted ? Cell() : Cell(f.text), columns.at(i).type));
    }
    rows.push_back(std::move(row));
  }
  sortRows(rows);
  return rows;
}

Rows postgresRows(PGconn* conn, const std::string& qualifiedTable, const std::vector<jet::ColumnDef>& columns) {
  const std::string sql = "SELECT " + postgresSelectList(columns) + " FROM " + qualifiedTable;
  PGresult* result = PQexec(conn, sql.c_str());
  if (PQresultStatus(result) != PGRES_TUPLES_OK) {
    const std::string message = PQresultErrorMessage(result);
    PQclear(result);
    throw std::runtime_error("reading " + qualifiedTable + ": " + message);
  }
  Rows rows;
  for (int r = 0; r < PQntuples(result); ++r) {
    std::vector<Cell> row;
    for (int c = 0; c < PQnfields(result); ++c) {
      row.push_back(PQgetisnull(result, r, c) ? Cell()
                                              : normalised(Cell(PQgetvalue(result, r, c)),
                                                           columns[static_cast<std::size_t>(c)].type));
    }
    rows.push_back(std::move(row));
  }
  PQclear(result);
  sortRows(rows);
  return rows;
}

Rows sqliteRows(const std::filesystem::path& file, const std::string& table, const std::vector<jet::ColumnDef>& columns) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw std::runtime_error("cannot open " + file.string());
  }
  std::string list;
  for (const jet::ColumnDef& c : columns) list += (list.empty() ? "" : ", ") + quoted(jet::toUtf8(c.name));
  const std::string sql = "SELECT " + list + " FROM " + quoted(table);
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(db);
    sqlite3_close_v2(db);
    throw std::runtime_error("reading " + table + ": " + message);
  }
  Rows rows;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    std::vector<Cell> row;
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
      const DataType type = columns[static_cast<std::size_t>(c)].type;
      // The type first: asking for the text of a value converts it.
      const int kind = sqlite3_column_type(stmt, c);
      const void* blob = kind == SQLITE_BLOB ? sqlite3_column_blob(stmt, c) : nullptr;
      const auto* text = kind == SQLITE_BLOB ? nullptr : reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      const int bytes = sqlite3_column_bytes(stmt, c);
      switch (kind) {
        case SQLITE_NULL: row.emplace_back(); break;
        case SQLITE_INTEGER:
          if (type == DataType::Boolean) {
            row.emplace_back(sqlite3_column_int(stmt, c) != 0 ? "true" : "false");
          } else {
            row.emplace_back(std::string(text, static_cast<std::size_t>(bytes)));
          }
          break;
        case SQLITE_FLOAT: {
          char buffer[64];
          const double d = sqlite3_column_double(stmt, c);
          // SQLite keeps no sign of zero: -0.0 reads back as 0.
          row.emplace_back(std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, d).ptr));
          row.back() = normalised(row.back(), type);
          break;
        }
        case SQLITE_BLOB: {
          static constexpr char kHex[] = "0123456789ABCDEF";
          const auto* p = static_cast<const unsigned char*>(blob);
          std::string hex;
          for (int i = 0; i < bytes; ++i) {
            hex += kHex[p[i] >> 4];
            hex += kHex[p[i] & 15];
          }
          row.push_back(normalised(Cell(std::move(hex)), type));
          break;
        }
        default: {
          std::string value(text ? text : "", static_cast<std::size_t>(bytes));
          if (type == DataType::DateTime && value.size() > 10 && value[10] == ' ') value[10] = 'T';
          row.push_back(normalised(Cell(value), type));
          break;
        }
      }
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(stmt);
  sqlite3_close_v2(db);
  sortRows(rows);
  return rows;
}

Rows withoutSignOfZero(Rows rows, const std::vector<jet::ColumnDef>& columns) {
  for (auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (row[c] && *row[c] == "-0" && isFloat(columns[c].type)) row[c] = "0";
    }
  }
  sortRows(rows);
  return rows;
}

std::string firstDifference(const Rows& expected, const Rows& actual, const std::vector<jet::ColumnDef>& columns) {
  if (expected.size() != actual.size()) {
    return std::to_string(expected.size()) + " rows expected, " + std::to_string(actual.size()) + " read back";
  }
  auto show = [](const Cell& c) {
    if (!c) return std::string("Null");
    return "\"" + (c->size() > 120 ? c->substr(0, 120) + "..." : *c) + "\"";
  };
  for (std::size_t r = 0; r < expected.size(); ++r) {
    for (std::size_t c = 0; c < expected[r].size() && c < actual[r].size(); ++c) {
      if (expected[r][c] != actual[r][c]) {
        return "row " + std::to_string(r) + " (sorted), column " + jet::toUtf8(columns[c].name) + ": expected " +
               show(expected[r][c]) + ", read back " + show(actual[r][c]);
      }
    }
    if (expected[r].size() != actual[r].size()) return "row " + std::to_string(r) + " has a different column count";
  }
  return {};
}

}  // namespace qbtest
