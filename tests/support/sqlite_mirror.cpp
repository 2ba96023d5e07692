// SqliteMirror: table creation and row loading through SQLite's C interface.
#include "support/sqlite_mirror.h"

#include <sqlite3.h>

#include <cstdio>
#include <stdexcept>

#include "jet/text.h"

namespace qbtest {

namespace {

const char* sqliteType(jet::DataType t) {
  switch (t) {
    case jet::DataType::Text:
    case jet::DataType::Memo: return "TEXT COLLATE NOCASE";
    case jet::DataType::Boolean:
    case jet::DataType::Byte:
    case jet::DataType::Integer:
    case jet::DataType::Long: return "INTEGER";
    case jet::DataType::DateTime: return "TEXT";
    case jet::DataType::Binary:
    case jet::DataType::Ole: return "BLOB";
    default: return "REAL";
  }
}

std::string quotedName(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

SqliteMirror::SqliteMirror() {
  if (sqlite3_open(":memory:", &db_) != SQLITE_OK) throw std::runtime_error("cannot open SQLite");
}

SqliteMirror::~SqliteMirror() { sqlite3_close(db_); }

std::string SqliteMirror::dateText(jet::DateTime d) {
  const jet::CivilDateTime c = jet::toCivil(d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute, c.second);
  return buf;
}

void SqliteMirror::execute(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    throw std::runtime_error("SQLite: " + message + " in: " + sql);
  }
}

void SqliteMirror::createTable(const jet::TableSpec& spec) {
  std::string sql = "CREATE TABLE " + quotedName(jet::toUtf8(spec.name)) + " (";
  std::vector<jet::DataType> types;
  for (std::size_t i = 0; i < spec.columns.size(); ++i) {
    if (i > 0) sql += ", ";
    sql += quotedName(jet::toUtf8(spec.columns[i].name)) + " " + sqliteType(spec.columns[i].type);
    types.push_back(spec.columns[i].type);
  }
  execute(sql + ")");
  for (const jet::IndexSpec& index : spec.indexes) {
    std::string columns;
    for (const auto& c : index.columns) columns += (columns.empty() ? "" : ", ") + quotedName(jet::toUtf8(c.column));
    execute("CREATE INDEX " + quotedName(jet::toUtf8(spec.name) + "_" + jet::toUtf8(index.name)) + " ON " +
            quotedName(jet::toUtf8(spec.name)) + " (" + columns + ")");
  }
  tables_.emplace_back(jet::toUtf8(spec.name), std::move(types));
}

void SqliteMirror::insert(const std::string& table, const std::vector<jet::Value>& row) {
  std::string sql = "INSERT INTO " + quotedName(table) + " VALUES (";
  for (std::size_t i = 0; i < row.size(); ++i) sql += i == 0 ? "?" : ", ?";
  sql += ")";
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db_));
  }
  for (std::size_t i = 0; i < row.size(); ++i) {
    const int at = static_cast<int>(i + 1);
    const jet::Value& v = row[i];
    switch (v.kind()) {
      case jet::ValueKind::Null: sqlite3_bind_null(st, at); break;
      case jet::ValueKind::Boolean: sqlite3_bind_int(st, at, v.asBoolean() ? -1 : 0); break;
      case jet::ValueKind::Byte: sqlite3_bind_int(st, at, v.asByte()); break;
      case jet::ValueKind::Integer: sqlite3_bind_int(st, at, v.asInteger()); break;
      case jet::ValueKind::Long: sqlite3_bind_int(st, at, v.asLong()); break;
      case jet::ValueKind::Currency: sqlite3_bind_double(st, at, static_cast<double>(v.asCurrency().units) / 10000.0); break;
      case jet::ValueKind::Single: sqlite3_bind_double(st, at, v.asSingle()); break;
      case jet::ValueKind::Double: sqlite3_bind_double(st, at, v.asDouble()); break;
      case jet::ValueKind::DateTime: {
        const std::string text = dateText(v.asDateTime());
        sqlite3_bind_text(st, at, text.c_str(), -1, SQLITE_TRANSIENT);
        break;
      }
      case jet::ValueKind::Text: {
        const std::string text = jet::toUtf8(v.asText());
        sqlite3_bind_text(st, at, text.c_str(), -1, SQLITE_TRANSIENT);
        break;
      }
      case jet::ValueKind::Decimal: sqlite3_bind_double(st, at, std::stod(v.asDecimal().toString())); break;
      case jet::ValueKind::Binary:
        sqlite3_bind_blob(st, at, v.asBinary().data(), static_cast<int>(v.asBinary().size()), SQLITE_TRANSIENT);
        break;
      case jet::ValueKind::Guid: {
        const std::string text = v.asGuid().toString();
        sqlite3_bind_text(st, at, text.c_str(), -1, SQLITE_TRANSIENT);
        break;
      }
    }
  }
  const int rc = sqlite3_step(st);
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) throw std::runtime_error(std::string("SQLite insert: ") + sqlite3_errmsg(db_));
}

std::vector<std::vector<SqliteValue>> SqliteMirror::query(const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db_) + " in: " + sql);
  }
  std::vector<std::vector<SqliteValue>> rows;
  for (;;) {
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      const std::string message = sqlite3_errmsg(db_);
      sqlite3_finalize(st);
      throw std::runtime_error("SQLite: " + message + " in: " + sql);
    }
    std::vector<SqliteValue> row;
    const int n = sqlite3_column_count(st);
    for (int i = 0; i < n; ++i) {
      SqliteValue v;
      switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER: v.v = static_cast<long long>(sqlite3_column_int64(st, i)); break;
        case SQLITE_FLOAT: v.v = sqlite3_column_double(st, i); break;
        case SQLITE_NULL: break;
        default: v.v = std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); break;
      }
      row.push_back(std::move(v));
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(st);
  return rows;
}

}  // namespace qbtest
