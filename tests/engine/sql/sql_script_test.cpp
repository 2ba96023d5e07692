// Runs the expression behaviour scripts in tests/sql/<feature>/*.test. Each file
// is a list of blocks; a block is one command line, then "----" and what it must
// give (up to the next blank line):
//   columns ID Long, Name Text, ...   the table that filter/rows/sort work on
//   row 1, 'Smith', Null, ...         a row of it (literals, cast to the column types)
//   expr <expression>                 value of an expression that names no column
//   rows <expression>                 its value for each row, one line per row
//   filter <filter text>              first-column values of the passing rows, or "none"
//   sort <sort text>                  "Name DESC, ID ASC", or "natural"
//   locate <type> <text>              the value the text converts to, or "no"
//   parse <expression>                the expression fully parenthesised
//   error <expr|rows|filter|sort> <text>   "Code: message" of the error it raises
// Values are written "Kind text": Long 3, Text 'a''b', DateTime 2003-01-05T10:30:00, Null.
// Now() is 2003-06-15 10:30:45 in every script.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <sstream>

#include "jet/error.h"
#include "jet/expression.h"
#include "jet/text.h"
#include "sql/ast.h"
#include "sql/binder.h"
#include "sql/parser.h"
#include "value/value_ops.h"
#include "support/script_file.h"

namespace {

namespace fs = std::filesystem;
using jet::DataType;
using jet::Value;
using jet::ValueKind;

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

std::string render(const Value& v) {
  const std::string kind = jet::valueKindName(v.kind());
  switch (v.kind()) {
    case ValueKind::Null: return "Null";
    case ValueKind::Text: return kind + " " + quoted(jet::toUtf8(v.asText()));
    case ValueKind::Double:
    case ValueKind::Single: {
      char buf[64];
      const auto r = v.kind() == ValueKind::Double ? std::to_chars(buf, buf + sizeof buf, v.asDouble())
                                                   : std::to_chars(buf, buf + sizeof buf, v.asSingle());
      return kind + " " + std::string(buf, r.ptr);
    }
    case ValueKind::Currency: return kind + " " + v.asCurrency().toString();
    case ValueKind::Decimal: return kind + " " + v.asDecimal().toString();
    case ValueKind::DateTime: return kind + " " + jet::toIsoString(v.asDateTime());
    case ValueKind::Binary: {
      std::string hex;
      for (auto b : v.asBinary()) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", b);
        hex += buf;
      }
      return kind + " " + hex;
    }
    default: return kind + " " + jet::toUtf8(jet::toText(v));
  }
}

std::optional<DataType> typeNamed(const std::string& name) {
  static const std::pair<const char*, DataType> kTypes[] = {
      {"Boolean", DataType::Boolean}, {"Byte", DataType::Byte},         {"Integer", DataType::Integer},
      {"Long", DataType::Long},       {"Currency", DataType::Currency}, {"Single", DataType::Single},
      {"Double", DataType::Double},   {"DateTime", DataType::DateTime}, {"Text", DataType::Text},
      {"Memo", DataType::Memo},       {"Binary", DataType::Binary},     {"Guid", DataType::Guid},
      {"Numeric", DataType::Numeric},
  };
  for (const auto& [n, t] : kTypes) {
    if (name == n) return t;
  }
  return std::nullopt;
}

jet::DateTime fixedNow() { return jet::fromCivil({2003, 6, 15, 10, 30, 45, 0}); }

class ScriptRunner {
 public:
  explicit ScriptRunner(fs::path file) : file_(std::move(file)) {}

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
      if (command == "columns") {
        defineColumns(rest);
        continue;
      }
      if (command == "row") {
        addRow(rest);
        continue;
      }
      std::vector<std::string> expected;
      if (i + 1 >= lines.size() || lines[i + 1] != "----") {
        ADD_FAILURE() << where() << "expected '----' after the command";
        continue;
      }
      for (i += 2; i < lines.size() && !lines[i].empty(); ++i) expected.push_back(lines[i]);
      check(command, rest, expected);
    }
  }

 private:
  std::string where() const { return file_.filename().string() + ":" + std::to_string(line_) + ": "; }

  void defineColumns(const std::string& list) {
    columns_.clear();
    rows_.clear();
    std::stringstream ss(list);
    for (std::string item; std::getline(ss, item, ',');) {
      std::stringstream parts(item);
      std::string name, type;
      parts >> name >> type;
      const auto t = typeNamed(type);
      if (!t) {
        ADD_FAILURE() << where() << "unknown type " << type;
        return;
      }
      columns_.push_back({jet::fromUtf8(name), *t});
    }
  }

  void addRow(const std::string& list) {
    jet::sql::Parser parser(jet::fromUtf8(list), "row");
    jet::sql::Binder binder({}, jet::sql::Dialect::Expression, "row", options_);
    std::vector<Value> row;
    do {
      const Value v = binder.bind(*parser.expression())->evaluate(jet::sql::EvalEnv{nullptr, &options_, "row"});
      const std::size_t c = row.size();
      if (c >= columns_.size()) {
        ADD_FAILURE() << where() << "more values than columns";
        return;
      }
      row.push_back(v.isNull() ? v : jet::castTo(v, jet::kindOf(columns_[c].type)));
    } while (parser.accept(jet::sql::TokenKind::Comma));
    if (row.size() != columns_.size()) ADD_FAILURE() << where() << "fewer values than columns";
    rows_.push_back(std::move(row));
  }

  std::vector<std::string> perform(const std::string& command, const std::string& text) {
    const std::u16string t = jet::fromUtf8(text);
    if (command == "expr") return {render(jet::Expression::parse(t, {}, options_).evaluate())};
    if (command == "parse") return {jet::sql::toString(*jet::sql::parseExpression(t, "expression"))};
    if (command == "rows") {
      const auto e = jet::Expression::parse(t, columns_, options_);
      std::vector<std::string> out;
      for (const auto& row : rows_) out.push_back(render(e.evaluate(jet::RowSpan(row))));
      return out;
    }
    if (command == "filter") {
      const auto f = jet::Filter::parse(t, columns_, options_);
      std::string ids;
      for (const auto& row : rows_) {
        if (f.matches(jet::RowSpan(row))) ids += (ids.empty() ? "" : ", ") + jet::toUtf8(jet::toText(row[0]));
      }
      return {ids.empty() ? "none" : ids};
    }
    if (command == "sort") {
      std::string out;
      for (const auto& key : jet::parseSort(t, columns_)) {
        out += (out.empty() ? "" : ", ") + jet::toUtf8(columns_[key.column].name) + (key.descending ? " DESC" : " ASC");
      }
      return {out.empty() ? "natural" : out};
    }
    if (command == "locate") {
      const auto space = text.find(' ');
      const auto type = typeNamed(text.substr(0, space));
      if (!type) return {"bad type"};
      const auto v = jet::valueFromText(space == std::string::npos ? u"" : jet::fromUtf8(text.substr(space + 1)), *type);
      return {v ? render(*v) : "no"};
    }
    return {"unknown command '" + command + "'"};
  }

  void check(const std::string& command, const std::string& text, const std::vector<std::string>& expected) {
    std::vector<std::string> actual;
    if (command == "error") {
      const auto space = text.find(' ');
      try {
        actual = perform(text.substr(0, space), text.substr(space + 1));
        actual.insert(actual.begin(), "no error; gave:");
      } catch (const jet::Error& e) {
        actual = {std::string(jet::errorCodeName(e.code())) + ": " + e.what()};
      }
    } else {
      try {
        actual = perform(command, text);
      } catch (const jet::Error& e) {
        actual = {std::string("unexpected error ") + jet::errorCodeName(e.code()) + ": " + e.what()};
      }
    }
    if (actual != expected) {
      std::string a, x;
      for (const auto& s : actual) a += "\n    " + s;
      for (const auto& s : expected) x += "\n    " + s;
      ADD_FAILURE() << where() << command << " " << text << "\n  expected:" << x << "\n  actual:" << a;
    }
  }

  fs::path file_;
  std::size_t line_ = 0;
  jet::ExpressionOptions options_{fixedNow};
  std::vector<jet::ExpressionColumn> columns_;
  std::vector<std::vector<Value>> rows_;
};

std::vector<fs::path> scriptFiles() {
  std::vector<fs::path> files;
  const fs::path root = fs::path(QB_SOURCE_DIR) / "tests" / "sql";
  if (fs::exists(root)) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      // Statement scripts (statements/) have their own runner.
      if (fs::relative(entry.path(), root).begin()->string() == "statements") continue;
      if (entry.is_regular_file() && entry.path().extension() == ".test") files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

class SqlScriptTest : public ::testing::TestWithParam<fs::path> {};

TEST_P(SqlScriptTest, BehavesAsWritten) { ScriptRunner(GetParam()).run(); }

INSTANTIATE_TEST_SUITE_P(Scripts, SqlScriptTest, ::testing::ValuesIn(scriptFiles()),
                         [](const ::testing::TestParamInfo<fs::path>& param) {
                           const fs::path root = fs::path(QB_SOURCE_DIR) / "tests" / "sql";
                           std::string name = fs::relative(param.param, root).replace_extension().string();
                           for (auto& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(SqlScriptFiles, AreFound) { EXPECT_FALSE(scriptFiles().empty()); }

}  // namespace
