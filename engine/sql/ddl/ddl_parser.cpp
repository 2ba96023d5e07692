// Data-definition parser: recursive descent over the token stream of the
// expression parser, which also reads DEFAULT expressions.
#include "sql/ddl/ddl_parser.h"

#include <charconv>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/parser.h"
#include "sql/statement_parser.h"

namespace jet::sql {

namespace {

using ddl::Constraint;
using ddl::ReferentialAction;

class DdlParser {
 public:
  explicit DdlParser(Parser& p) : p_(p) {}

  ddl::DataDefinitionStatement run() {
    ddl::DataDefinitionStatement out;
    const Token& first = p_.peek();
    out.position = first.position;
    if (p_.accept(Keyword::Create)) {
      if (isWord(p_.peek(), u"TEMPORARY")) {
        p_.failAt("CREATE TEMPORARY TABLE is not supported: a temporary table would vanish with the session; "
                  "create an ordinary table instead",
                  p_.peek().position);
      }
      if (p_.accept(Keyword::Table)) {
        statement_ = "CREATE TABLE";
        out.body = createTable();
      } else if (p_.peek().is(Keyword::Unique) || p_.peek().is(Keyword::Index)) {
        statement_ = "CREATE INDEX";
        out.body = createIndex();
      } else {
        fail("TABLE or INDEX after CREATE");
      }
    } else if (p_.accept(Keyword::Alter)) {
      statement_ = "ALTER TABLE";
      if (!p_.accept(Keyword::Table)) fail("TABLE after ALTER");
      out.body = alterTable();
    } else if (p_.accept(Keyword::Drop)) {
      statement_ = "DROP TABLE or DROP INDEX";
      if (p_.accept(Keyword::Table)) {
        out.body = ddl::DropTable{name("a table name")};
      } else if (p_.accept(Keyword::Index)) {
        ddl::DropIndex d;
        d.index = name("an index name");
        if (!p_.accept(Keyword::On)) fail("ON and the table's name after the index name");
        d.table = name("a table name");
        out.body = std::move(d);
      } else {
        fail("TABLE or INDEX after DROP");
      }
    } else {
      p_.unexpected("CREATE, ALTER or DROP");
    }
    return out;
  }

 private:
  static bool isWord(const Token& t, std::u16string_view word) {
    return t.kind == TokenKind::Word && equalNamesNoCase(t.text, word);
  }
  bool acceptWord(std::u16string_view word) {
    if (!isWord(p_.peek(), word)) return false;
    p_.advance();
    return true;
  }

  [[noreturn]] void fail(const std::string& expected) const {
    p_.failAt("Syntax error in " + statement_ + " statement: expected " + expected + " but found " +
                  describeToken(p_.peek()),
              p_.peek().position);
  }

  // A table, column, index or constraint name: a plain word or [bracketed].
  std::u16string name(const char* what) {
    const Token& t = p_.peek();
    if (t.is(TokenKind::BracketName) || (t.is(TokenKind::Word) && t.keyword == Keyword::None)) {
      return p_.advance().text;
    }
    fail(what);
  }

  std::vector<std::u16string> nameList(const char* what) {
    if (!p_.accept(TokenKind::LParen)) fail(std::string("'(' before the list of ") + what);
    std::vector<std::u16string> out;
    do {
      out.push_back(name(what));
    } while (p_.accept(TokenKind::Comma));
    if (!p_.accept(TokenKind::RParen)) fail("',' or ')'");
    return out;
  }

  std::int32_t integer(const char* what) {
    const bool negative = p_.accept(TokenKind::Minus);
    const Token& t = p_.peek();
    if (!t.is(TokenKind::Number)) fail(what);
    const std::string digits = toUtf8(t.text);
    std::int64_t v = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || v > 2147483647) {
      p_.failAt("Invalid number '" + digits + "' in " + statement_ + ": expected a whole number", t.position);
    }
    p_.advance();
    return static_cast<std::int32_t>(negative ? -v : v);
  }

  ddl::CreateTable createTable() {
    ddl::CreateTable out;
    out.table = name("a table name");
    if (!p_.accept(TokenKind::LParen)) fail("'(' before the table's columns");
    do {
      if (p_.peek().is(Keyword::Constraint) || p_.peek().is(Keyword::Primary) || p_.peek().is(Keyword::Unique) ||
          isWord(p_.peek(), u"FOREIGN")) {
        out.constraints.push_back(constraint(true));
      } else {
        out.columns.push_back(columnDefinition(true));
      }
    } while (p_.accept(TokenKind::Comma));
    if (!p_.accept(TokenKind::RParen)) fail("',' or ')' after a column");
    if (out.columns.empty()) {
      p_.failAt("CREATE TABLE needs at least one column", p_.peek().position);
    }
    return out;
  }

  // col TYPE [(size)] [NOT NULL] [WITH COMPRESSION] [DEFAULT expr] [constraint ...]
  ddl::ColumnDefinition columnDefinition(bool constraints) {
    ddl::ColumnDefinition c;
    c.position = p_.peek().position;
    c.spec.name = name("a column name");
    const Token& typeWord = p_.peek();
    if (typeWord.is(TokenKind::Word) &&
        (equalNamesNoCase(typeWord.text, u"COUNTER") || equalNamesNoCase(typeWord.text, u"AUTOINCREMENT"))) {
      p_.advance();
      c.spec.type = DataType::Long;
      c.spec.autoNumber = true;
      if (p_.accept(TokenKind::LParen)) {
        c.seed = integer("the counter's first value");
        if (p_.accept(TokenKind::Comma)) c.step = integer("the counter's step");
        if (!p_.accept(TokenKind::RParen)) fail("')' after the counter's seed and step");
      }
    } else {
      const TypeName type = parseTypeName(p_);
      if (!type.type) p_.failAt("A column cannot be of type Value: name a data type", typeWord.position);
      c.spec.type = *type.type;
      c.spec.size = type.size;
      c.spec.precision = type.precision;
      c.spec.scale = type.scale;
      if (c.spec.type == DataType::Binary && c.spec.size == 0) c.spec.size = 255;
    }
    // Jet 4 stores text uncompressed unless the column asks for compression.
    c.spec.compressedUnicode = false;
    for (;;) {
      const Token& t = p_.peek();
      if (t.is(Keyword::Not) && p_.peek(1).is(Keyword::Null)) {
        p_.advance();
        p_.advance();
        c.spec.required = true;
      } else if (t.is(Keyword::Null)) {
        p_.advance();  // NULL: the column may be empty, as it is without
      } else if (t.is(Keyword::With)) {
        p_.advance();
        if (!acceptWord(u"COMPRESSION") && !acceptWord(u"COMP")) fail("COMPRESSION after WITH");
        if (c.spec.type != DataType::Text && c.spec.type != DataType::Memo) {
          p_.failAt("WITH COMPRESSION applies to Text and Memo columns only, not to '" + toUtf8(c.spec.name) + "'",
                    t.position);
        }
        c.spec.compressedUnicode = true;
      } else if (isWord(t, u"DEFAULT")) {
        p_.advance();
        const std::size_t from = p_.peek().position;
        (void)p_.expression();
        const std::size_t to = p_.peek().is(TokenKind::End) ? p_.source().size() + 1 : p_.peek().position;
        std::u16string text(p_.source().substr(from - 1, to - from));
        while (!text.empty() && (text.back() == u' ' || text.back() == u'\t' || text.back() == u'\n' ||
                                 text.back() == u'\r')) {
          text.pop_back();
        }
        c.defaultValue = std::move(text);
      } else if (constraints && (t.is(Keyword::Constraint) || t.is(Keyword::Primary) ||
                                 t.is(Keyword::Unique) || t.is(Keyword::References))) {
        Constraint k = constraint(false);
        k.columns = {c.spec.name};
        c.constraints.push_back(std::move(k));
      } else {
        break;
      }
    }
    return c;
  }

  // After a column:  [CONSTRAINT name] PRIMARY KEY | UNIQUE | NOT NULL | REFERENCES p [(col)] [ON ...]
  // After the columns: [CONSTRAINT name] PRIMARY KEY (cols) | UNIQUE (cols) | NOT NULL (col) |
  //                    FOREIGN KEY (cols) REFERENCES p [(cols)] [ON ...]
  Constraint constraint(bool ofTable) {
    Constraint k;
    k.position = p_.peek().position;
    if (p_.accept(Keyword::Constraint)) k.name = name("the constraint's name");
    if (p_.accept(Keyword::Primary)) {
      if (!p_.accept(Keyword::Key)) fail("KEY after PRIMARY");
      k.kind = Constraint::Kind::PrimaryKey;
    } else if (p_.accept(Keyword::Unique)) {
      k.kind = Constraint::Kind::Unique;
    } else if (p_.peek().is(Keyword::Not) && p_.peek(1).is(Keyword::Null)) {
      p_.advance();
      p_.advance();
      k.kind = Constraint::Kind::NotNull;
    } else if (!ofTable && p_.accept(Keyword::References)) {
      k.kind = Constraint::Kind::ForeignKey;
      references(k);
      return k;
    } else if (ofTable && acceptWord(u"FOREIGN")) {
      if (!p_.accept(Keyword::Key)) fail("KEY after FOREIGN");
      k.kind = Constraint::Kind::ForeignKey;
      k.columns = nameList("foreign-key columns");
      if (!p_.accept(Keyword::References)) fail("REFERENCES after the foreign-key columns");
      references(k);
      return k;
    } else {
      fail(ofTable ? "PRIMARY KEY, UNIQUE, NOT NULL or FOREIGN KEY in the CONSTRAINT clause"
                   : "PRIMARY KEY, UNIQUE, NOT NULL or REFERENCES in the CONSTRAINT clause");
    }
    if (ofTable) k.columns = nameList("key columns");
    return k;
  }

  void references(Constraint& k) {
    k.referencedTable = name("the referenced table's name");
    if (p_.peek().is(TokenKind::LParen)) k.referencedColumns = nameList("referenced columns");
    while (p_.peek().is(Keyword::On)) {
      p_.advance();
      ReferentialAction* action = nullptr;
      if (p_.accept(Keyword::Update)) {
        action = &k.onUpdate;
      } else if (p_.accept(Keyword::Delete)) {
        action = &k.onDelete;
      } else {
        fail("UPDATE or DELETE after ON");
      }
      if (acceptWord(u"CASCADE")) {
        *action = ReferentialAction::Cascade;
      } else if (p_.accept(Keyword::Set)) {
        if (!p_.accept(Keyword::Null)) fail("NULL after SET");
        *action = ReferentialAction::SetNull;
      } else if (acceptWord(u"NO")) {
        if (!acceptWord(u"ACTION")) fail("ACTION after NO");
        *action = ReferentialAction::None;
      } else {
        fail("CASCADE, SET NULL or NO ACTION");
      }
    }
  }

  ddl::AlterTable alterTable() {
    ddl::AlterTable out;
    out.table = name("a table name");
    if (acceptWord(u"ADD")) {
      if (acceptWord(u"COLUMN")) {
        out.op = ddl::AlterTable::Op::AddColumn;
        out.column = columnDefinition(true);
      } else if (p_.peek().is(Keyword::Constraint) || p_.peek().is(Keyword::Primary) ||
                 p_.peek().is(Keyword::Unique) || isWord(p_.peek(), u"FOREIGN")) {
        out.op = ddl::AlterTable::Op::AddConstraint;
        out.constraint = constraint(true);
      } else {
        out.op = ddl::AlterTable::Op::AddColumn;
        out.column = columnDefinition(true);
      }
    } else if (p_.accept(Keyword::Drop)) {
      if (p_.accept(Keyword::Constraint)) {
        out.op = ddl::AlterTable::Op::DropConstraint;
        out.name = name("the constraint's name");
      } else {
        acceptWord(u"COLUMN");
        out.op = ddl::AlterTable::Op::DropColumn;
        out.name = name("a column name");
      }
    } else if (p_.accept(Keyword::Alter)) {
      acceptWord(u"COLUMN");
      out.op = ddl::AlterTable::Op::AlterColumn;
      out.column = columnDefinition(false);
    } else {
      fail("ADD, DROP or ALTER after the table's name");
    }
    return out;
  }

  ddl::CreateIndex createIndex() {
    ddl::CreateIndex out;
    out.index.unique = p_.accept(Keyword::Unique);
    if (!p_.accept(Keyword::Index)) fail("INDEX");
    out.index.name = name("an index name");
    if (!p_.accept(Keyword::On)) fail("ON and the table's name after the index name");
    out.table = name("a table name");
    if (!p_.accept(TokenKind::LParen)) fail("'(' before the index's columns");
    do {
      IndexColumnSpec c;
      c.column = name("a column name");
      if (p_.accept(Keyword::Desc)) {
        c.ascending = false;
      } else {
        p_.accept(Keyword::Asc);
      }
      out.index.columns.push_back(std::move(c));
    } while (p_.accept(TokenKind::Comma));
    if (!p_.accept(TokenKind::RParen)) fail("',' or ')' after an index column");
    if (p_.accept(Keyword::With)) {
      bool any = false;
      for (;;) {
        if (p_.accept(Keyword::Primary)) {
          out.index.primaryKey = true;
        } else if (acceptWord(u"DISALLOW")) {
          if (!p_.accept(Keyword::Null)) fail("NULL after DISALLOW");
          out.index.required = true;
        } else if (acceptWord(u"IGNORE")) {
          if (!p_.accept(Keyword::Null)) fail("NULL after IGNORE");
          out.index.ignoreNulls = true;
        } else {
          break;
        }
        any = true;
      }
      if (!any) fail("PRIMARY, DISALLOW NULL or IGNORE NULL after WITH");
    }
    if (out.index.primaryKey) {
      out.index.unique = true;
      out.index.required = true;
    }
    return out;
  }

  Parser& p_;
  std::string statement_ = "data-definition";
};

}  // namespace

ddl::DataDefinitionStatement parseDataDefinitionStatement(Parser& parser) { return DdlParser(parser).run(); }

ddl::DataDefinitionStatement parseDataDefinitionStatement(std::u16string_view text) {
  if (text.size() > kMaxStatementLength) {
    throw Error(ErrorCode::Unsupported, "Query is too complex: the statement is " + std::to_string(text.size()) +
                                            " characters long, more than the " + std::to_string(kMaxStatementLength) +
                                            " allowed");
  }
  Parser p(text, "query");
  p.setLongIntegerLiterals(true);
  ddl::DataDefinitionStatement out = parseDataDefinitionStatement(p);
  p.accept(TokenKind::Semicolon);
  if (!p.peek().is(TokenKind::End)) {
    p.failAt("Characters found after the end of the SQL statement: " + describeToken(p.peek()), p.peek().position);
  }
  return out;
}

}  // namespace jet::sql
