// qbtool create-table and drop-table. create-table takes a small definition
// language in the style of Jet SQL's CREATE TABLE:
//   Name(column TYPE[(size[, scale])] [NOT NULL] [PRIMARY KEY] [UNIQUE], ...)
// with the types TEXT(n), MEMO, BYTE, SHORT, LONG (INTEGER), COUNTER
// (autonumber), CURRENCY, SINGLE, DOUBLE, DATETIME, YESNO, BINARY(n),
// OLEOBJECT, GUID and DECIMAL(precision, scale). Names with spaces go in [ ].
#include <cctype>

#include "commands.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/text.h"

namespace qbtool {

namespace {

class DefinitionParser {
 public:
  explicit DefinitionParser(std::string_view text) : text_(text) {}

  jet::TableSpec parse() {
    jet::TableSpec spec;
    spec.name = name("a table name");
    expect('(');
    do {
      column(spec);
    } while (accept(','));
    expect(')');
    skipSpace();
    if (pos_ != text_.size()) fail("text after the closing parenthesis");
    return spec;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw UsageError("in the table definition at character " + std::to_string(pos_ + 1) + ": " + what);
  }
  void skipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool accept(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void expect(char c) {
    if (!accept(c)) fail(std::string("'") + c + "' expected");
  }
  std::string word() {
    skipSpace();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_' ||
                                   static_cast<unsigned char>(text_[pos_]) >= 0x80)) {
      ++pos_;
    }
    return std::string(text_.substr(start, pos_ - start));
  }
  std::string upperWord() {
    std::string w = word();
    for (char& c : w) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return w;
  }
  std::u16string name(const char* what) {
    skipSpace();
    if (accept('[')) {
      const std::size_t end = text_.find(']', pos_);
      if (end == std::string_view::npos) fail("']' expected");
      const std::string_view inside = text_.substr(pos_, end - pos_);
      pos_ = end + 1;
      return jet::fromUtf8(inside);
    }
    const std::string w = word();
    if (w.empty()) fail(std::string(what) + " expected");
    return jet::fromUtf8(w);
  }
  unsigned number() {
    skipSpace();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (start == pos_ || pos_ - start > 5) fail("a size expected");
    return static_cast<unsigned>(std::stoul(std::string(text_.substr(start, pos_ - start))));
  }

  void column(jet::TableSpec& spec) {
    jet::ColumnSpec c;
    c.name = name("a column name");
    const std::string type = upperWord();
    std::vector<unsigned> sizes;
    if (accept('(')) {
      do {
        sizes.push_back(number());
      } while (accept(','));
      expect(')');
    }
    const auto size = [&](std::size_t i, unsigned fallback) { return i < sizes.size() ? sizes[i] : fallback; };
    if (type == "TEXT" || type == "VARCHAR" || type == "CHAR") {
      c.type = jet::DataType::Text;
      c.size = static_cast<std::uint16_t>(size(0, 255));
    } else if (type == "MEMO" || type == "LONGTEXT") {
      c.type = jet::DataType::Memo;
    } else if (type == "BYTE") {
      c.type = jet::DataType::Byte;
    } else if (type == "SHORT" || type == "SMALLINT") {
      c.type = jet::DataType::Integer;
    } else if (type == "LONG" || type == "INTEGER" || type == "INT") {
      c.type = jet::DataType::Long;
    } else if (type == "COUNTER" || type == "AUTOINCREMENT") {
      c.type = jet::DataType::Long;
      c.autoNumber = true;
    } else if (type == "CURRENCY" || type == "MONEY") {
      c.type = jet::DataType::Currency;
    } else if (type == "SINGLE" || type == "REAL") {
      c.type = jet::DataType::Single;
    } else if (type == "DOUBLE" || type == "FLOAT") {
      c.type = jet::DataType::Double;
    } else if (type == "DATETIME" || type == "DATE") {
      c.type = jet::DataType::DateTime;
    } else if (type == "YESNO" || type == "BIT" || type == "BOOLEAN") {
      c.type = jet::DataType::Boolean;
    } else if (type == "BINARY" || type == "VARBINARY") {
      c.type = jet::DataType::Binary;
      c.size = static_cast<std::uint16_t>(size(0, 255));
    } else if (type == "OLEOBJECT" || type == "LONGBINARY") {
      c.type = jet::DataType::Ole;
    } else if (type == "GUID") {
      c.type = jet::DataType::Guid;
    } else if (type == "DECIMAL" || type == "NUMERIC") {
      c.type = jet::DataType::Numeric;
      c.precision = static_cast<std::uint8_t>(size(0, 18));
      c.scale = static_cast<std::uint8_t>(size(1, 0));
    } else {
      fail(type.empty() ? "a type expected" : "unknown type '" + type + "'");
    }
    for (;;) {
      const std::size_t before = pos_;
      const std::string w = upperWord();
      if (w == "NOT") {
        if (upperWord() != "NULL") fail("NOT NULL expected");
        c.required = true;
      } else if (w == "PRIMARY") {
        if (upperWord() != "KEY") fail("PRIMARY KEY expected");
        spec.indexes.push_back(indexOn(c.name, u"PrimaryKey", true));
      } else if (w == "UNIQUE") {
        spec.indexes.push_back(indexOn(c.name, c.name, false));
        spec.indexes.back().unique = true;
      } else if (w.empty()) {
        break;
      } else {
        pos_ = before;
        fail("unknown word '" + w + "'");
      }
    }
    spec.columns.push_back(c);
  }

  static jet::IndexSpec indexOn(const std::u16string& column, const std::u16string& name, bool primaryKey) {
    jet::IndexSpec i;
    i.name = name;
    i.primaryKey = primaryKey;
    i.columns = {{column, true}};
    return i;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

int runCreateTable(const Arguments& args, OutputBuffer& out) {
  const jet::TableSpec spec = DefinitionParser(args.operands().at(1)).parse();
  const auto db = openDatabaseForWriting(args);
  db->createTable(spec);
  out.write("table '" + jet::toUtf8(spec.name) + "' created\n");
  return 0;
}

int runDropTable(const Arguments& args, OutputBuffer& out) {
  const auto db = openDatabaseForWriting(args);
  const std::string& name = args.operands().at(1);
  db->dropTable(jet::fromUtf8(name));
  out.write("table '" + name + "' dropped\n");
  return 0;
}

}  // namespace qbtool
