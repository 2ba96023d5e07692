// Runs the statement behaviour scripts in tests/sql/statements/<feature>/*.test.
// A script builds tables (in a new database written by the engine, and the
// same rows in an in-memory SQLite database), then states what statements
// give. A block is one command line, "----", and what it must give (up to the
// next blank line):
//   database                        a new empty database (and SQLite mirror)
//   dataset shop                    a new database holding the shop tables (see below)
//   table T (A Long, B Text(20), C Currency, ...)   a table, in both
//   index T (A, B) [unique]         an index (in both)
//   row T 1, 'x', 2.5, #2003-01-05#, Null, True      a row (Access literals), in both; T may
//                                   also be a table that "query CREATE TABLE" and "lite CREATE
//                                   TABLE" made on each side
//   param NAME=VALUE                a parameter value for the next statement
//   query SQL                       its rows, in order: values joined by '|'
//   unordered SQL                   its rows in any order
//   sqlite SQL                      its rows, in any order, equal SQLite's for the
//                                   statement after "----"
//   sqlite-ordered SQL              the same, in order
//   columns SQL                     "Name Type" of each result column
//   error SQL                       "Code: message" of the error it raises
//   lite SQL                        runs SQL in the SQLite mirror only (the same
//                                   change an action statement made, in its dialect)
//   check                           the database's integrity check finds nothing
// An action statement (INSERT, UPDATE, DELETE, SELECT ... INTO) given to query
// gives "N rows affected".
//   explain SQL                     lines (substrings) its plan must contain
// Values print as: NULL, True/False, numbers (15 significant digits, currency
// exact), dates "YYYY-MM-DD HH:MM:SS", text as it is. Now() is 2003-06-15 10:30:45.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "sql/binder.h"
#include "sql/parser.h"
#include "value/value_ops.h"
#include "support/sqlite_mirror.h"
#include "support/test_files.h"
#include "support/script_file.h"

namespace {

namespace fs = std::filesystem;
using jet::DataType;
using jet::Value;
using jet::ValueKind;

std::string trimZeros(std::string s) {
  if (s.find('.') == std::string::npos) return s;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string numberText(double d) {
  if (d == 0) return "0";
  if (d == std::floor(d) && std::fabs(d) < 1e15) return std::to_string(static_cast<long long>(d));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

std::string render(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return "NULL";
    case ValueKind::Boolean: return v.asBoolean() ? "True" : "False";
    case ValueKind::Byte: return std::to_string(v.asByte());
    case ValueKind::Integer: return std::to_string(v.asInteger());
    case ValueKind::Long: return std::to_string(v.asLong());
    case ValueKind::Currency: return trimZeros(v.asCurrency().toString());
    case ValueKind::Decimal: return trimZeros(v.asDecimal().toString());
    case ValueKind::Single: return numberText(v.asSingle());
    case ValueKind::Double: return numberText(v.asDouble());
    case ValueKind::DateTime: return qbtest::SqliteMirror::dateText(v.asDateTime());
    case ValueKind::Text: return jet::toUtf8(v.asText());
    case ValueKind::Guid: return v.asGuid().toString();
    case ValueKind::Binary: {
      std::string hex;
      for (auto b : v.asBinary()) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", b);
        hex += buf;
      }
      return hex;
    }
  }
  return "?";
}

// A SQLite value printed as ours would be in a column of `type`.
std::string renderSqlite(const qbtest::SqliteValue& v, DataType type) {
  if (v.isNull()) return "NULL";
  if (const auto* i = std::get_if<long long>(&v.v)) {
    if (type == DataType::Boolean) return *i != 0 ? "True" : "False";
    return std::to_string(*i);
  }
  if (const auto* d = std::get_if<double>(&v.v)) return numberText(*d);
  return std::get<std::string>(v.v);
}

std::string typeName(DataType t) {
  switch (t) {
    case DataType::Boolean: return "Boolean";
    case DataType::Byte: return "Byte";
    case DataType::Integer: return "Integer";
    case DataType::Long: return "Long";
    case DataType::Currency: return "Currency";
    case DataType::Single: return "Single";
    case DataType::Double: return "Double";
    case DataType::DateTime: return "DateTime";
    case DataType::Text: return "Text";
    case DataType::Memo: return "Memo";
    case DataType::Binary: return "Binary";
    case DataType::Ole: return "Ole";
    case DataType::Guid: return "Guid";
    case DataType::Numeric: return "Decimal";
    default: return "Unknown";
  }
}

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  const auto e = s.find_last_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

jet::ColumnSpec columnSpec(const std::string& text) {
  // "Name Type" or "Name Text(20)" or "Name Decimal(10,2)"
  std::istringstream in(text);
  std::string name, type;
  in >> name;
  std::getline(in, type);
  type = trim(type);
  jet::ColumnSpec c;
  c.name = jet::fromUtf8(name);
  std::string base = type;
  std::vector<int> args;
  if (const auto open = type.find('('); open != std::string::npos) {
    base = trim(type.substr(0, open));
    std::stringstream list(type.substr(open + 1, type.find(')') - open - 1));
    for (std::string a; std::getline(list, a, ',');) args.push_back(std::stoi(a));
  }
  static const std::map<std::string, DataType> kTypes = {
      {"Boolean", DataType::Boolean}, {"Byte", DataType::Byte},     {"Integer", DataType::Integer},
      {"Long", DataType::Long},       {"Currency", DataType::Currency}, {"Single", DataType::Single},
      {"Double", DataType::Double},   {"DateTime", DataType::DateTime}, {"Text", DataType::Text},
      {"Memo", DataType::Memo},       {"Guid", DataType::Guid},     {"Decimal", DataType::Numeric},
      {"Binary", DataType::Binary}};
  const auto found = kTypes.find(base);
  if (found == kTypes.end()) throw std::runtime_error("unknown type '" + base + "'");
  c.type = found->second;
  if (c.type == DataType::Text || c.type == DataType::Binary) c.size = static_cast<std::uint16_t>(args.empty() ? 50 : args[0]);
  if (c.type == DataType::Numeric && args.size() == 2) {
    c.precision = static_cast<std::uint8_t>(args[0]);
    c.scale = static_cast<std::uint8_t>(args[1]);
  }
  return c;
}

jet::DateTime fixedNow() { return jet::fromCivil({2003, 6, 15, 10, 30, 45, 0}); }

// The shop tables: Customers (40 rows), Products (12) and Orders (300), with
// Nulls, repeated values, text that differs only in case, and orders of
// customers that do not exist.
void buildShop(jet::Database& db, qbtest::SqliteMirror& lite) {
  std::uint32_t seed = 12345;
  auto next = [&](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  auto make = [&](const char16_t* name, std::vector<jet::ColumnSpec> columns, std::vector<jet::IndexSpec> indexes) {
    jet::TableSpec spec;
    spec.name = name;
    spec.columns = std::move(columns);
    spec.indexes = std::move(indexes);
    lite.createTable(spec);
    return db.createTable(spec);
  };
  auto col = [](const char* text) { return columnSpec(text); };
  auto idx = [](const char16_t* name, const char16_t* column, bool primary) {
    jet::IndexSpec i;
    i.name = name;
    i.primaryKey = primary;
    i.columns = {{column, true}};
    return i;
  };
  auto customers = make(u"Customers",
                        {col("CustomerId Long"), col("Name Text(30)"), col("City Text(20)"), col("Country Text(20)"),
                         col("Joined DateTime"), col("Credit Currency"), col("Vip Boolean")},
                        {idx(u"PrimaryKey", u"CustomerId", true), idx(u"City", u"City", false)});
  auto products = make(u"Products", {col("Product Text(20)"), col("Category Text(20)"), col("ListPrice Currency")},
                       {idx(u"PrimaryKey", u"Product", true)});
  auto orders = make(u"Orders",
                     {col("OrderId Long"), col("CustomerId Long"), col("Product Text(20)"), col("Qty Integer"),
                      col("Price Currency"), col("Discount Double"), col("OrderDate DateTime"), col("Shipped Boolean"),
                      col("Note Memo")},
                     {idx(u"PrimaryKey", u"OrderId", true), idx(u"CustomerId", u"CustomerId", false),
                      idx(u"Product", u"Product", false)});
  static const char16_t* kNames[] = {u"Smith", u"smith", u"Jones", u"Brown", u"Miller", u"Davis", u"Garcia", u"Wilson",
                                     u"Moore", u"Taylor", u"Anderson", u"Thomas", u"Jackson", u"White", u"Harris",
                                     u"Martin", u"THOMPSON", u"Lee", u"Walker", u"Hall"};
  static const char16_t* kCities[] = {u"Berlin", u"Paris", u"berlin", u"London", u"Rome", u"Madrid", u"Oslo"};
  static const char16_t* kCountries[] = {u"Germany", u"France", u"UK", u"Italy", u"Spain", u"Norway"};
  auto insert = [&](jet::Table& table, const char* name, std::vector<Value> row) {
    table.insertRow(row);
    lite.insert(name, row);
  };
  for (int i = 1; i <= 40; ++i) {
    const std::uint32_t city = next(8);
    std::vector<Value> row{
        Value::longInt(i),
        Value::text(kNames[next(20)]),
        city == 7 ? Value() : Value::text(kCities[city]),
        Value::text(kCountries[next(6)]),
        Value::dateTime(jet::fromCivil({2000 + static_cast<int>(next(4)), 1 + static_cast<int>(next(12)),
                                        1 + static_cast<int>(next(28)), 0, 0, 0, 0})),
        next(10) == 0 ? Value() : Value::currency(jet::Currency{static_cast<std::int64_t>(next(100000)) * 100}),
        Value::boolean(next(3) == 0)};
    insert(*customers, "Customers", std::move(row));
  }
  static const char16_t* kProducts[] = {u"Apple", u"Banana", u"Cherry", u"Date", u"Elderberry", u"Fig",
                                        u"Grape", u"Honeydew", u"Kiwi", u"Lemon", u"Mango", u"Nectarine"};
  static const char16_t* kCategories[] = {u"Fruit", u"Berry", u"Citrus"};
  for (int i = 0; i < 12; ++i) {
    std::vector<Value> row{Value::text(kProducts[i]), i == 11 ? Value() : Value::text(kCategories[next(3)]),
                           Value::currency(jet::Currency{static_cast<std::int64_t>(50 + next(500)) * 100})};
    insert(*products, "Products", std::move(row));
  }
  for (int i = 1; i <= 300; ++i) {
    const std::uint32_t customer = next(46);  // 41..45: no such customer; 0: Null
    std::vector<Value> row{
        Value::longInt(i),
        customer == 0 ? Value() : Value::longInt(static_cast<std::int32_t>(customer)),
        next(15) == 0 ? Value() : Value::text(kProducts[next(12)]),
        next(12) == 0 ? Value() : Value::integer(static_cast<std::int16_t>(1 + next(20))),
        Value::currency(jet::Currency{static_cast<std::int64_t>(100 + next(9900)) * 100}),
        next(4) == 0 ? Value() : Value::dbl(static_cast<double>(next(30)) / 100.0),
        Value::dateTime(jet::fromCivil({2003, 1 + static_cast<int>(next(12)), 1 + static_cast<int>(next(28)), 0, 0, 0, 0})),
        Value::boolean(next(2) == 0),
        next(6) == 0 ? Value::text(u"note " + jet::fromUtf8(std::to_string(next(5)))) : Value()};
    insert(*orders, "Orders", std::move(row));
  }
}

class StatementScript {
 public:
  explicit StatementScript(fs::path file) : file_(std::move(file)) {}

  void run() {
    const auto read = qbtest::readScriptLines(file_);
    ASSERT_TRUE(read) << "cannot read " << file_;
    const std::vector<std::string>& lines = *read;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      if (line.empty() || line[0] == '#') continue;
      line_ = i + 1;
      const auto split = qbtest::splitCommand(line);
      const std::string& command = split.first;
      const std::string& rest = split.second;
      try {
        if (setup(command, rest)) continue;
      } catch (const std::exception& e) {
        ADD_FAILURE() << where() << "setting up failed: " << e.what();
        return;
      }
      if (i + 1 >= lines.size() || lines[i + 1] != "----") {
        ADD_FAILURE() << where() << "expected '----' after the command";
        continue;
      }
      std::vector<std::string> expected;
      for (i += 2; i < lines.size() && !lines[i].empty(); ++i) expected.push_back(lines[i]);
      check(command, rest, expected);
      params_.clear();
    }
  }

 private:
  std::string where() const { return file_.filename().string() + ":" + std::to_string(line_) + ": "; }

  void fresh() {
    db_.reset();
    dir_ = std::make_unique<qbtest::TempDir>();
    db_ = jet::Database::create(dir_->path() / "script.mdb");
    lite_ = std::make_unique<qbtest::SqliteMirror>();
    specs_.clear();
  }

  bool setup(const std::string& command, const std::string& rest) {
    if (command == "database") {
      fresh();
      return true;
    }
    if (command == "dataset") {
      fresh();
      if (rest != "shop") throw std::runtime_error("unknown dataset '" + rest + "'");
      db_->beginTransaction();
      buildShop(*db_, *lite_);
      db_->commitTransaction();
      return true;
    }
    // Rows go in one transaction until the next statement (one sync, not one per row).
    if ((command == "table" || command == "index" || command == "row") && db_ && !db_->inTransaction()) {
      db_->beginTransaction();
    }
    if (command == "table") {
      const auto open = rest.find('(');
      jet::TableSpec spec;
      spec.name = jet::fromUtf8(trim(rest.substr(0, open)));
      std::stringstream list(rest.substr(open + 1, rest.rfind(')') - open - 1));
      std::string item, pending;
      // Commas inside a type's parentheses (Decimal(10,2)) do not separate columns.
      for (; std::getline(list, item, ',');) {
        pending += pending.empty() ? item : "," + item;
        if (std::count(pending.begin(), pending.end(), '(') != std::count(pending.begin(), pending.end(), ')')) continue;
        spec.columns.push_back(columnSpec(trim(pending)));
        pending.clear();
      }
      db_->createTable(spec);
      lite_->createTable(spec);
      specs_[trim(rest.substr(0, open))] = spec;
      return true;
    }
    if (command == "index") {
      const auto open = rest.find('(');
      const std::string table = trim(rest.substr(0, open));
      jet::IndexSpec index;
      std::stringstream list(rest.substr(open + 1, rest.find(')') - open - 1));
      std::string names;
      for (std::string c; std::getline(list, c, ',');) {
        index.columns.push_back({jet::fromUtf8(trim(c)), true});
        names += (names.empty() ? "" : ", ") + std::string("\"") + trim(c) + "\"";
      }
      index.unique = rest.find(") unique") != std::string::npos;
      index.name = jet::fromUtf8("ix" + std::to_string(++indexes_));
      db_->createIndex(jet::fromUtf8(table), index);
      lite_->execute("CREATE INDEX ix" + std::to_string(indexes_) + " ON \"" + table + "\" (" + names + ")");
      return true;
    }
    if (command == "row") {
      const auto space = rest.find(' ');
      const std::string table = rest.substr(0, space);
      // A table made by a statement (CREATE TABLE in both, through query and lite) takes its columns from ours.
      if (!specs_.count(table)) {
        jet::TableSpec made;
        made.name = jet::fromUtf8(table);
        for (const jet::ColumnDef& c : db_->table(made.name)->columns()) made.columns.push_back({c.name, c.type});
        specs_[table] = made;
      }
      const jet::TableSpec& spec = specs_.at(table);
      jet::sql::Parser parser(jet::fromUtf8(rest.substr(space + 1)), "row");
      parser.setLongIntegerLiterals(true);
      jet::sql::Binder binder({}, jet::sql::Dialect::Expression, "row", options_);
      std::vector<Value> row;
      do {
        const Value v = binder.bind(*parser.expression())->evaluate(jet::sql::EvalEnv{nullptr, &options_, "row"});
        if (row.size() >= spec.columns.size()) throw std::runtime_error("more values than columns");
        row.push_back(v.isNull() ? v : jet::castTo(v, jet::kindOf(spec.columns[row.size()].type)));
      } while (parser.accept(jet::sql::TokenKind::Comma));
      if (row.size() != spec.columns.size()) throw std::runtime_error("fewer values than columns");
      db_->table(spec.name)->insertRow(row);
      lite_->insert(table, row);
      return true;
    }
    if (command == "check") {
      if (db_->inTransaction()) db_->commitTransaction();
      jet::IntegrityOptions strict;
      strict.strictness = jet::IntegrityStrictness::Strict;
      for (const auto& p : jet::checkIntegrity(*db_, strict).problems) ADD_FAILURE() << where() << p.message;
      return true;
    }
    if (command == "lite") {
      lite_->execute(rest);
      return true;
    }
    if (command == "param") {
      const auto eq = rest.find('=');
      params_.emplace_back(rest.substr(0, eq), rest.substr(eq + 1));
      return true;
    }
    return false;
  }

  jet::Statement prepare(const std::string& sql) {
    jet::Statement s = jet::Statement::prepare(*db_, jet::fromUtf8(sql));
    for (const auto& [name, value] : params_) s.setParameter(jet::fromUtf8(name), Value::text(jet::fromUtf8(value)));
    return s;
  }

  // Our rows, and the type of each column.
  std::vector<std::string> rows(const std::string& sql, std::vector<DataType>* types = nullptr) {
    jet::Statement s = prepare(sql);
    jet::ExecuteOptions options;
    options.clock = fixedNow;
    if (!s.returnsRows()) {
      const std::uint64_t n = s.run(options).rowsAffected;
      return {std::to_string(n) + (n == 1 ? " row affected" : " rows affected")};
    }
    auto cursor = s.execute(options);
    if (types) {
      for (const auto& c : cursor->columns()) types->push_back(c.column.type);
    }
    std::vector<std::string> out;
    while (cursor->next()) {
      std::string line;
      for (std::size_t i = 0; i < cursor->row().size(); ++i) line += (i ? "|" : "") + render(cursor->row()[i]);
      out.push_back(line);
    }
    return out;
  }

  std::vector<std::string> sqliteRows(const std::string& sql, const std::vector<DataType>& types) {
    std::vector<std::string> out;
    for (const auto& row : lite_->query(sql)) {
      std::string line;
      for (std::size_t i = 0; i < row.size(); ++i) {
        line += (i ? "|" : "") + renderSqlite(row[i], i < types.size() ? types[i] : DataType::Text);
      }
      out.push_back(line);
    }
    return out;
  }

  std::vector<std::string> perform(const std::string& command, const std::string& sql,
                                   std::vector<std::string>& expected) {
    if (!db_) throw std::runtime_error("no database: start the script with 'database' or 'dataset'");
    if (db_->inTransaction()) db_->commitTransaction();
    if (command == "query") return rows(sql);
    if (command == "unordered") {
      auto out = rows(sql);
      std::sort(out.begin(), out.end());
      std::sort(expected.begin(), expected.end());
      return out;
    }
    if (command == "sqlite" || command == "sqlite-ordered") {
      std::vector<DataType> types;
      auto out = rows(sql, &types);
      std::string other;
      for (const auto& e : expected) other += (other.empty() ? "" : " ") + e;
      expected = sqliteRows(other, types);
      if (expected.empty() && out.empty()) {
        ADD_FAILURE() << where() << "both engines return no rows: the comparison tests nothing";
      }
      if (command == "sqlite") {
        std::sort(out.begin(), out.end());
        std::sort(expected.begin(), expected.end());
      }
      return out;
    }
    if (command == "columns") {
      jet::Statement s = prepare(sql);
      std::vector<std::string> out;
      for (const auto& c : s.columns()) out.push_back(jet::toUtf8(c.name) + " " + typeName(c.column.type));
      return out;
    }
    if (command == "explain") {
      const std::string plan = prepare(sql).explain();
      std::vector<std::string> out;
      for (const auto& e : expected) out.push_back(plan.find(e) != std::string::npos ? e : "missing: " + e + "\n" + plan);
      return out;
    }
    if (command == "error") {
      try {
        auto out = rows(sql);
        out.insert(out.begin(), "no error; gave:");
        return out;
      } catch (const jet::Error& e) {
        return {std::string(jet::errorCodeName(e.code())) + ": " + e.what()};
      }
    }
    return {"unknown command '" + command + "'"};
  }

  void check(const std::string& command, const std::string& sql, std::vector<std::string> expected) {
    std::vector<std::string> actual;
    try {
      actual = perform(command, sql, expected);
    } catch (const jet::Error& e) {
      actual = {std::string("unexpected error ") + jet::errorCodeName(e.code()) + ": " + e.what()};
    } catch (const std::exception& e) {
      actual = {std::string("unexpected failure: ") + e.what()};
    }
    if (actual != expected) {
      std::string a, x;
      for (const auto& s : actual) a += "\n    " + s;
      for (const auto& s : expected) x += "\n    " + s;
      ADD_FAILURE() << where() << command << " " << sql << "\n  expected:" << x << "\n  actual:" << a;
    }
  }

  fs::path file_;
  std::size_t line_ = 0;
  jet::ExpressionOptions options_{fixedNow};
  std::unique_ptr<qbtest::TempDir> dir_;
  std::unique_ptr<jet::Database> db_;
  std::unique_ptr<qbtest::SqliteMirror> lite_;
  std::map<std::string, jet::TableSpec> specs_;
  std::vector<std::pair<std::string, std::string>> params_;
  int indexes_ = 0;
};

fs::path scriptRoot() { return fs::path(QB_SOURCE_DIR) / "tests" / "sql" / "statements"; }

std::vector<fs::path> scriptFiles() {
  std::vector<fs::path> files;
  if (fs::exists(scriptRoot())) {
    for (const auto& entry : fs::recursive_directory_iterator(scriptRoot())) {
      if (entry.is_regular_file() && entry.path().extension() == ".test") files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

class SqlStatementScriptTest : public ::testing::TestWithParam<fs::path> {};

TEST_P(SqlStatementScriptTest, BehavesAsWritten) { StatementScript(GetParam()).run(); }

INSTANTIATE_TEST_SUITE_P(Scripts, SqlStatementScriptTest, ::testing::ValuesIn(scriptFiles()),
                         [](const ::testing::TestParamInfo<fs::path>& param) {
                           std::string name = fs::relative(param.param, scriptRoot()).replace_extension().string();
                           for (auto& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(SqlStatementScriptFiles, AreFound) { EXPECT_FALSE(scriptFiles().empty()); }

}  // namespace
