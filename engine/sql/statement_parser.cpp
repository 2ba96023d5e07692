// Statement parser: recursive descent over the clauses, with the expression
// parser for every expression and this class as its parser of subqueries.
#include "sql/statement_parser.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/lexer.h"
#include "sql/ddl/data_definition.h"
#include "sql/parser.h"

namespace jet::sql {

namespace {

constexpr const char* kContext = "query";

bool isClauseKeyword(const Token& t) {
  switch (t.keyword) {
    case Keyword::From:
    case Keyword::Where:
    case Keyword::Group:
    case Keyword::Having:
    case Keyword::Order:
    case Keyword::Union:
    case Keyword::Pivot:
    case Keyword::Into:
    case Keyword::Inner:
    case Keyword::Left:
    case Keyword::Right:
    case Keyword::On:
    case Keyword::With:
    case Keyword::Select: return t.kind == TokenKind::Word;
    default: return false;
  }
}

// Tokens that can only continue an expression that has an operator missing
// before them: a name, a literal, an opening parenthesis.
bool startsOperand(const Token& t) {
  switch (t.kind) {
    case TokenKind::Word: return t.keyword == Keyword::None || isOperatorKeyword(t.keyword);
    case TokenKind::BracketName:
    case TokenKind::Number:
    case TokenKind::String:
    case TokenKind::Date:
    case TokenKind::Parameter:
    case TokenKind::LParen: return true;
    default: return false;
  }
}

std::string lowerFirst(std::string s) {
  if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z') s[0] = static_cast<char>(s[0] - 'A' + 'a');
  return s;
}

struct TypeWord {
  std::u16string_view word;
  std::optional<DataType> type;
};

constexpr std::array kTypeWords = {
    TypeWord{u"Bit", DataType::Boolean},        TypeWord{u"YesNo", DataType::Boolean},
    TypeWord{u"Boolean", DataType::Boolean},    TypeWord{u"Logical", DataType::Boolean},
    TypeWord{u"Logical1", DataType::Boolean},   TypeWord{u"Byte", DataType::Byte},
    TypeWord{u"TinyInt", DataType::Byte},       TypeWord{u"Integer1", DataType::Byte},
    TypeWord{u"Short", DataType::Integer},      TypeWord{u"SmallInt", DataType::Integer},
    TypeWord{u"Integer2", DataType::Integer},   TypeWord{u"Long", DataType::Long},
    TypeWord{u"Int", DataType::Long},           TypeWord{u"Integer", DataType::Long},
    TypeWord{u"Integer4", DataType::Long},      TypeWord{u"Counter", DataType::Long},
    TypeWord{u"AutoIncrement", DataType::Long}, TypeWord{u"Currency", DataType::Currency},
    TypeWord{u"Money", DataType::Currency},     TypeWord{u"IEEESingle", DataType::Single},
    TypeWord{u"Single", DataType::Single},      TypeWord{u"Real", DataType::Single},
    TypeWord{u"Float4", DataType::Single},      TypeWord{u"IEEEDouble", DataType::Double},
    TypeWord{u"Double", DataType::Double},      TypeWord{u"Float", DataType::Double},
    TypeWord{u"Float8", DataType::Double},      TypeWord{u"Number", DataType::Double},
    TypeWord{u"DateTime", DataType::DateTime},  TypeWord{u"Date", DataType::DateTime},
    TypeWord{u"Time", DataType::DateTime},      TypeWord{u"TimeStamp", DataType::DateTime},
    TypeWord{u"Text", DataType::Text},          TypeWord{u"Char", DataType::Text},
    TypeWord{u"VarChar", DataType::Text},       TypeWord{u"String", DataType::Text},
    TypeWord{u"Alphanumeric", DataType::Text},  TypeWord{u"NChar", DataType::Text},
    TypeWord{u"NVarChar", DataType::Text},      TypeWord{u"Memo", DataType::Memo},
    TypeWord{u"LongText", DataType::Memo},      TypeWord{u"LongChar", DataType::Memo},
    TypeWord{u"Note", DataType::Memo},          TypeWord{u"NText", DataType::Memo},
    TypeWord{u"Binary", DataType::Binary},      TypeWord{u"VarBinary", DataType::Binary},
    TypeWord{u"LongBinary", DataType::Ole},     TypeWord{u"OLEObject", DataType::Ole},
    TypeWord{u"General", DataType::Ole},        TypeWord{u"Image", DataType::Ole},
    TypeWord{u"Guid", DataType::Guid},          TypeWord{u"UniqueIdentifier", DataType::Guid},
    TypeWord{u"Decimal", DataType::Numeric},    TypeWord{u"Numeric", DataType::Numeric},
    TypeWord{u"Dec", DataType::Numeric},        TypeWord{u"Value", std::nullopt},
};

class StatementParser final : public SubqueryParser {
 public:
  explicit StatementParser(std::u16string_view text) : text_(text), p_(text, kContext) {
    p_.setLongIntegerLiterals(true);
    p_.setSubqueryParser(this);
  }

  ParsedStatement run() {
    ParsedStatement out;
    out.source = std::u16string(text_);
    if (p_.peek().is(Keyword::Parameters)) {
      p_.advance();
      parseParameters(out.parameters);
    }
    const Token& first = p_.peek();
    if (first.is(Keyword::Select) || first.is(Keyword::Transform) || first.is(Keyword::Table) ||
        (first.is(TokenKind::LParen) && (p_.peek(1).is(Keyword::Select) || p_.peek(1).is(TokenKind::LParen)))) {
      out.body = parseQueryStatement();
    } else if (first.is(Keyword::Insert)) {
      out.body = parseInsert();
    } else if (first.is(Keyword::Update)) {
      out.body = parseUpdate();
    } else if (first.is(Keyword::Delete)) {
      out.body = parseDelete();
    } else if (first.is(Keyword::Create) || first.is(Keyword::Alter) || first.is(Keyword::Drop)) {
      out.body = parseDataDefinition(p_);
    } else {
      p_.failAt("Invalid SQL statement: expected SELECT, TRANSFORM, PARAMETERS, INSERT, UPDATE, DELETE, CREATE, "
                "ALTER or DROP but found " +
                    describeToken(first),
                first.position);
    }
    p_.accept(TokenKind::Semicolon);
    if (!p_.peek().is(TokenKind::End)) {
      p_.failAt("Characters found after the end of the SQL statement: " + describeToken(p_.peek()),
                p_.peek().position);
    }
    return out;
  }

  std::unique_ptr<QueryNode> parseSubquery(Parser&) override { return parseQuery(); }

 private:
  // A query, or a make-table query when its SELECT has INTO.
  std::unique_ptr<StatementNode> parseQueryStatement() {
    const std::size_t position = p_.peek().position;
    intoAllowed_ = true;
    QueryPtr query = parseQuery();
    intoAllowed_ = false;
    if (query->kind == QueryShape::Select && static_cast<SelectQuery&>(*query).intoPosition != 0) {
      auto body = std::make_unique<MakeTableStatement>(position);
      body->query = std::move(query);
      return body;
    }
    const SelectQuery* first = firstSelect(*query);
    if (first != nullptr && first->intoPosition != 0) {
      p_.failAt("SELECT ... INTO makes a table from one SELECT: it cannot stand in a UNION or a crosstab query",
                first->intoPosition);
    }
    auto body = std::make_unique<QueryStatement>(position);
    body->query = std::move(query);
    return body;
  }

  static const SelectQuery* firstSelect(const QueryNode& q) {
    switch (q.kind) {
      case QueryShape::Select: return &static_cast<const SelectQuery&>(q);
      case QueryShape::Union: return firstSelect(*static_cast<const UnionQuery&>(q).parts.front());
      case QueryShape::Transform: return static_cast<const TransformQuery&>(q).select.get();
    }
    return nullptr;
  }

  // A field name, bare or in brackets.
  std::u16string parseName(const char* clause, const char* what) {
    const Token& t = p_.peek();
    if (!t.is(TokenKind::BracketName) && !(t.is(TokenKind::Word) && t.keyword == Keyword::None)) clauseError(clause, what);
    return p_.advance().text;
  }

  std::unique_ptr<StatementNode> parseInsert() {
    auto insert = std::make_unique<InsertStatement>(p_.advance().position);
    if (!p_.accept(Keyword::Into)) clauseError("INSERT INTO", "'INTO'");
    insert->target = parseTableName("INSERT INTO");
    if (p_.accept(TokenKind::LParen)) {
      do {
        InsertStatement::Column c;
        c.position = p_.peek().position;
        c.name = parseName("INSERT INTO", "a field name");
        for (const InsertStatement::Column& other : insert->columns) {
          if (equalNamesNoCase(other.name, c.name)) {
            p_.failAt("Duplicate output destination '" + toUtf8(c.name) + "'", c.position);
          }
        }
        insert->columns.push_back(std::move(c));
      } while (p_.accept(TokenKind::Comma));
      if (!p_.accept(TokenKind::RParen)) clauseError("INSERT INTO", "',' or ')' after the field names");
    }
    const Token& t = p_.peek();
    if (t.is(Keyword::Values)) {
      auto row = std::make_unique<SelectQuery>(p_.advance().position);
      if (!p_.accept(TokenKind::LParen)) clauseError("INSERT INTO", "'(' after VALUES");
      do {
        SelectItem item;
        item.position = p_.peek().position;
        item.expr = clauseExpression("INSERT INTO");
        item.text = textFrom(item.position);
        row->items.push_back(std::move(item));
      } while (p_.accept(TokenKind::Comma));
      if (!p_.accept(TokenKind::RParen)) clauseError("INSERT INTO", "',' or ')' after the values");
      insert->values = true;
      insert->source = std::move(row);
    } else if (t.is(Keyword::Select) || t.is(Keyword::Transform) || t.is(Keyword::Table) || t.is(TokenKind::LParen)) {
      insert->source = parseQuery();
      const SelectQuery* first = firstSelect(*insert->source);
      if (first != nullptr && first->intoPosition != 0) {
        p_.failAt("An INSERT INTO statement cannot have SELECT ... INTO", first->intoPosition);
      }
    } else {
      clauseError("INSERT INTO", "VALUES or SELECT");
    }
    return insert;
  }

  std::unique_ptr<StatementNode> parseUpdate() {
    auto update = std::make_unique<UpdateStatement>(p_.advance().position);
    update->select = std::make_unique<SelectQuery>(update->position);
    update->select->fromPosition = update->position;
    // Access writes UPDATE DISTINCTROW for a saved update query of a join; each
    // row is changed once either way.
    p_.accept(Keyword::DistinctRow);
    do {
      update->select->from.push_back(parseJoinChain());
    } while (p_.accept(TokenKind::Comma));
    if (!p_.accept(Keyword::Set)) clauseError("UPDATE", "SET");
    do {
      Assignment a;
      a.position = p_.peek().position;
      a.column = parseName("UPDATE", "a field name after SET");
      if (p_.accept(TokenKind::Dot) || p_.accept(TokenKind::Bang)) {
        a.table = std::move(a.column);
        a.column = parseName("UPDATE", "a field name after the table's name");
      }
      if (!p_.accept(TokenKind::Eq)) clauseError("UPDATE", "'=' after the field name");
      SelectItem item;
      item.position = p_.peek().position;
      item.expr = clauseExpression("UPDATE");
      item.text = textFrom(item.position);
      update->select->items.push_back(std::move(item));
      update->assignments.push_back(std::move(a));
    } while (p_.accept(TokenKind::Comma));
    if (p_.accept(Keyword::Where)) update->select->where = clauseExpression("WHERE");
    return update;
  }

  std::unique_ptr<StatementNode> parseDelete() {
    auto del = std::make_unique<DeleteStatement>(p_.advance().position);
    del->select = std::make_unique<SelectQuery>(del->position);
    if (p_.accept(Keyword::DistinctRow)) del->select->quantifier = Quantifier::DistinctRow;
    // DELETE [*] FROM, DELETE t.* FROM, or a field list (Access keeps one; only
    // the table the fields belong to matters: whole rows are deleted).
    if (!p_.peek().is(Keyword::From)) {
      do {
        const Token& t = p_.peek();
        if (t.is(TokenKind::Star)) {
          p_.advance();
          continue;
        }
        const std::size_t position = t.position;
        std::u16string first = parseName("DELETE", "'*', a table's name with '.*', or FROM");
        if (p_.accept(TokenKind::Dot) || p_.accept(TokenKind::Bang)) {
          if (!p_.accept(TokenKind::Star)) parseName("DELETE", "'*' or a field name after the table's name");
          if (del->target.empty()) {
            del->target = std::move(first);
            del->targetPosition = position;
          } else if (!equalNamesNoCase(del->target, first)) {
            p_.failAt("Could not delete from specified tables: a DELETE removes the rows of one table, not of '" +
                          toUtf8(del->target) + "' and '" + toUtf8(first) + "'",
                      position);
          }
        }
      } while (p_.accept(TokenKind::Comma));
    }
    if (!p_.peek().is(Keyword::From)) clauseError("DELETE", "FROM");
    del->select->fromPosition = p_.advance().position;
    do {
      del->select->from.push_back(parseJoinChain());
    } while (p_.accept(TokenKind::Comma));
    if (p_.accept(Keyword::Where)) del->select->where = clauseExpression("WHERE");
    return del;
  }

  [[noreturn]] void clauseError(const char* clause, const std::string& expected) const {
    p_.failAt(std::string("Syntax error in ") + clause + " clause: expected " + expected + " but found " +
                  describeToken(p_.peek()),
              p_.peek().position);
  }

  // Runs `parse` and puts the clause's name before the expression parser's errors.
  template <typename F>
  auto inClause(const char* clause, F&& parse) {
    try {
      return parse();
    } catch (const Error& e) {
      const std::string what = e.what();
      if (e.code() != ErrorCode::Syntax || what.rfind("Syntax error", 0) == 0) throw;
      throw Error(ErrorCode::Syntax, std::string("Syntax error in ") + clause + " clause: " + lowerFirst(what));
    }
  }

  // The source from `start` (1-based) up to the next token, without trailing blanks.
  std::u16string textFrom(std::size_t start) const {
    const std::size_t end = p_.peek().position;
    if (start == 0 || end <= start || start > text_.size() + 1) return {};
    std::u16string out(text_.substr(start - 1, end - start));
    while (!out.empty() && (out.back() == u' ' || out.back() == u'\t' || out.back() == u'\r' || out.back() == u'\n')) {
      out.pop_back();
    }
    return out;
  }

  // After an expression that started at `start`: an operand where an operator
  // or the clause's end should be means an operator is missing.
  void checkOperator(std::size_t start) const {
    const Token& next = p_.peek();
    if (!startsOperand(next)) return;
    std::size_t end = next.position + next.length;
    int depth = 0;
    for (std::size_t i = 0;; ++i) {
      const Token& t = p_.peek(i);
      if (t.is(TokenKind::End) || t.is(TokenKind::Semicolon)) break;
      if (depth == 0 && (t.is(TokenKind::Comma) || t.is(TokenKind::RParen) || isClauseKeyword(t) || t.is(Keyword::As))) break;
      if (t.is(TokenKind::LParen)) ++depth;
      if (t.is(TokenKind::RParen)) --depth;
      end = t.position + t.length;
    }
    const std::u16string text(text_.substr(start - 1, end - start));
    p_.failAt("Syntax error (missing operator) in query expression '" + toUtf8(text) + "'", next.position);
  }

  ExprPtr clauseExpression(const char* clause) {
    const std::size_t start = p_.peek().position;
    ExprPtr e = inClause(clause, [&] { return p_.expression(); });
    checkOperator(start);
    return e;
  }

  void parseParameters(std::vector<ParameterDecl>& out) {
    do {
      const Token& name = p_.peek();
      if (!name.is(TokenKind::BracketName) && !(name.is(TokenKind::Word) && name.keyword == Keyword::None)) {
        clauseError("PARAMETERS", "a parameter name");
      }
      p_.advance();
      ParameterDecl decl;
      decl.name = name.text;
      decl.position = name.position;
      decl.type = inClause("PARAMETERS", [&] { return parseTypeName(p_); });
      for (const ParameterDecl& other : out) {
        if (equalNamesNoCase(other.name, decl.name)) {
          p_.failAt("Duplicate parameter name '" + toUtf8(decl.name) + "' in PARAMETERS", name.position);
        }
      }
      out.push_back(std::move(decl));
    } while (p_.accept(TokenKind::Comma));
    if (!p_.accept(TokenKind::Semicolon)) clauseError("PARAMETERS", "',' or ';'");
  }

  QueryPtr parseQuery() {
    Parser::DepthGuard depth(p_, 1);
    QueryPtr first = parseQueryTerm();
    if (!p_.peek().is(Keyword::Union)) return first;
    auto u = std::make_unique<UnionQuery>(first->position);
    u->parts.push_back(std::move(first));
    while (p_.accept(Keyword::Union)) {
      u->all.push_back(p_.accept(Keyword::All));
      u->parts.push_back(parseQueryTerm());
    }
    for (std::size_t i = 0; i < u->parts.size(); ++i) {
      QueryNode& part = *u->parts[i];
      if (part.kind != QueryShape::Select) continue;
      auto& select = static_cast<SelectQuery&>(part);
      if (select.orderBy.empty()) continue;
      if (i + 1 < u->parts.size()) {
        p_.failAt("Syntax error in ORDER BY clause: in a UNION query ORDER BY stands once, after the last SELECT",
                  select.orderBy.front().position);
      }
      u->orderBy = std::move(select.orderBy);
      select.orderBy.clear();
    }
    if (u->orderBy.empty() && p_.peek().is(Keyword::Order)) parseOrderBy(u->orderBy);
    return u;
  }

  QueryPtr parseQueryTerm() {
    const Token& t = p_.peek();
    if (t.is(TokenKind::LParen) && (p_.peek(1).is(Keyword::Select) || p_.peek(1).is(TokenKind::LParen))) {
      p_.advance();
      QueryPtr q = parseQuery();
      if (!p_.accept(TokenKind::RParen)) clauseError("UNION", "')'");
      return q;
    }
    if (t.is(Keyword::Table)) {
      auto q = std::make_unique<SelectQuery>(p_.advance().position);
      q->tableShorthand = true;
      SelectItem star;
      star.kind = SelectItem::Kind::Star;
      star.position = q->position;
      q->items.push_back(std::move(star));
      q->from.push_back(parseTableName("TABLE"));
      return q;
    }
    if (t.is(Keyword::Transform)) return parseTransform();
    if (!t.is(Keyword::Select)) clauseError("UNION", "SELECT");
    return parseSelect();
  }

  std::unique_ptr<SelectQuery> parseSelect() {
    const bool intoAllowed = std::exchange(intoAllowed_, false);
    auto q = std::make_unique<SelectQuery>(p_.advance().position);
    if (p_.accept(Keyword::Distinct)) {
      q->quantifier = Quantifier::Distinct;
    } else if (p_.accept(Keyword::DistinctRow)) {
      q->quantifier = Quantifier::DistinctRow;
    } else {
      p_.accept(Keyword::All);
    }
    if (p_.peek().is(Keyword::Top)) q->top = parseTop();
    parseSelectList(*q);
    if (p_.peek().is(Keyword::Into)) {
      q->intoPosition = p_.advance().position;
      if (!intoAllowed) {
        p_.failAt("An INTO clause (SELECT ... INTO) stands only in the statement's own SELECT, not in a subquery or an INSERT",
                  q->intoPosition);
      }
      q->intoTable = parseName("SELECT ... INTO", "the name of the new table");
      if (p_.accept(Keyword::In)) {
        if (!p_.peek().is(TokenKind::String) && !p_.peek().is(TokenKind::BracketName)) {
          clauseError("SELECT ... INTO", "the name of a database file after IN");
        }
        q->intoDatabase = p_.advance().text;
      }
    }
    if (p_.peek().is(Keyword::From)) {
      q->fromPosition = p_.advance().position;
      do {
        q->from.push_back(parseJoinChain());
      } while (p_.accept(TokenKind::Comma));
    }
    if (p_.accept(Keyword::Where)) q->where = clauseExpression("WHERE");
    if (p_.peek().is(Keyword::Group)) {
      p_.advance();
      if (!p_.accept(Keyword::By)) clauseError("GROUP BY", "'BY'");
      do {
        q->groupBy.push_back(clauseExpression("GROUP BY"));
      } while (p_.accept(TokenKind::Comma));
    }
    if (p_.accept(Keyword::Having)) q->having = clauseExpression("HAVING");
    if (p_.peek().is(Keyword::Order)) parseOrderBy(q->orderBy);
    if (p_.peek().is(Keyword::With)) {
      p_.advance();
      if (!(p_.peek().is(TokenKind::Word) && equalNamesNoCase(p_.peek().text, u"OwnerAccess"))) {
        clauseError("WITH OWNERACCESS OPTION", "'OWNERACCESS'");
      }
      p_.advance();
      if (!(p_.peek().is(TokenKind::Word) && equalNamesNoCase(p_.peek().text, u"Option"))) {
        clauseError("WITH OWNERACCESS OPTION", "'OPTION'");
      }
      p_.advance();
      q->ownerAccess = true;
    }
    return q;
  }

  TopClause parseTop() {
    p_.advance();
    const Token& n = p_.peek();
    if (!n.is(TokenKind::Number)) clauseError("TOP", "a number of rows");
    p_.advance();
    TopClause top;
    top.text = n.text;
    top.position = n.position;
    const std::string digits = toUtf8(n.text);
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), top.count);
    top.percent = p_.accept(Keyword::Percent);
    if (r.ec != std::errc() || !(top.count > 0) || (top.percent && top.count > 100) ||
        (!top.percent && top.count != std::floor(top.count))) {
      p_.failAt("The TOP clause needs a whole number of rows greater than 0, or a percentage from 0 to 100, not '" +
                    digits + "'",
                n.position);
    }
    return top;
  }

  void parseSelectList(SelectQuery& q) {
    do {
      SelectItem item;
      const Token& t = p_.peek();
      item.position = t.position;
      if (t.is(TokenKind::Star)) {
        p_.advance();
        item.kind = SelectItem::Kind::Star;
        item.text.assign(1, u'*');
      } else if ((t.is(TokenKind::Word) || t.is(TokenKind::BracketName)) &&
                 (p_.peek(1).is(TokenKind::Dot) || p_.peek(1).is(TokenKind::Bang)) && p_.peek(2).is(TokenKind::Star)) {
        item.kind = SelectItem::Kind::TableStar;
        item.table = p_.advance().text;
        p_.advance();
        p_.advance();
        item.text = textFrom(item.position);
      } else {
        if (t.is(TokenKind::End) || (isClauseKeyword(t) && !p_.peek(1).is(TokenKind::LParen))) {
          clauseError("SELECT", "a field or an expression");
        }
        item.expr = inClause("SELECT", [&] { return p_.expression(); });
        item.text = textFrom(item.position);
        if (p_.accept(Keyword::As)) {
          const Token& alias = p_.peek();
          if (!alias.is(TokenKind::BracketName) && !alias.is(TokenKind::String) &&
              !(alias.is(TokenKind::Word) && alias.keyword == Keyword::None)) {
            clauseError("SELECT", "a name after AS");
          }
          item.alias = p_.advance().text;
        } else {
          checkOperator(item.position);
        }
      }
      q.items.push_back(std::move(item));
    } while (p_.accept(TokenKind::Comma));
  }

  void parseOrderBy(std::vector<OrderItem>& out) {
    p_.advance();
    if (!p_.accept(Keyword::By)) clauseError("ORDER BY", "'BY'");
    do {
      OrderItem item;
      item.position = p_.peek().position;
      item.expr = clauseExpression("ORDER BY");
      if (p_.accept(Keyword::Desc)) {
        item.descending = true;
      } else {
        p_.accept(Keyword::Asc);
      }
      out.push_back(std::move(item));
    } while (p_.accept(TokenKind::Comma));
  }

  FromPtr parseJoinChain() {
    Parser::DepthGuard depth(p_, 1);
    FromPtr left = parseFromPrimary();
    for (;;) {
      const Token& t = p_.peek();
      JoinKind kind;
      if (t.is(Keyword::Inner)) {
        kind = JoinKind::Inner;
      } else if (t.is(Keyword::Left)) {
        kind = JoinKind::Left;
      } else if (t.is(Keyword::Right)) {
        kind = JoinKind::Right;
      } else {
        if (t.is(Keyword::Join)) clauseError("JOIN", "INNER, LEFT or RIGHT before JOIN");
        return left;
      }
      depth.add(1);
      auto join = std::make_unique<JoinItem>(p_.advance().position);
      join->join = kind;
      if (kind != JoinKind::Inner) p_.accept(Keyword::Outer);
      if (!p_.accept(Keyword::Join)) clauseError("JOIN", "'JOIN'");
      join->left = std::move(left);
      join->right = parseFromPrimary();
      if (!p_.accept(Keyword::On)) clauseError("JOIN", "'ON' and the join condition");
      join->on = clauseExpression("JOIN");
      left = std::move(join);
    }
  }

  FromPtr parseFromPrimary() {
    Parser::DepthGuard depth(p_, 1);
    const Token& t = p_.peek();
    if (t.is(TokenKind::LParen)) {
      if (p_.peek(1).is(Keyword::Select)) {
        auto derived = std::make_unique<DerivedTable>(p_.advance().position);
        {
          Parser::DepthGuard nested(p_, kSubqueryNestingCost);
          derived->query = parseQuery();
        }
        if (!p_.accept(TokenKind::RParen)) clauseError("FROM", "')' after the subquery");
        p_.accept(Keyword::As);
        if (p_.peek().is(TokenKind::BracketName) || (p_.peek().is(TokenKind::Word) && p_.peek().keyword == Keyword::None)) {
          derived->alias = p_.advance().text;
        }
        return derived;
      }
      p_.advance();
      FromPtr inner = parseJoinChain();
      if (!p_.accept(TokenKind::RParen)) clauseError("FROM", "')' or a JOIN");
      return inner;
    }
    return parseTableName("FROM");
  }

  std::unique_ptr<TableRef> parseTableName(const char* clause) {
    const Token& t = p_.peek();
    if (!t.is(TokenKind::BracketName) && !(t.is(TokenKind::Word) && t.keyword == Keyword::None)) {
      clauseError(clause, "a table or query name");
    }
    auto ref = std::make_unique<TableRef>(t.position);
    ref->bracketed = t.is(TokenKind::BracketName);
    ref->name = p_.advance().text;
    if (p_.peek().is(TokenKind::Dot) || p_.peek().is(TokenKind::Bang)) clauseError(clause, "a table or query name");
    if (p_.accept(Keyword::In)) {
      if (!p_.peek().is(TokenKind::String) && !p_.peek().is(TokenKind::BracketName)) {
        clauseError(clause, "the name of a database file after IN");
      }
      ref->externalDatabase = p_.advance().text;
    }
    if (p_.accept(Keyword::As)) {
      const Token& alias = p_.peek();
      if (!alias.is(TokenKind::BracketName) && !(alias.is(TokenKind::Word) && alias.keyword == Keyword::None)) {
        clauseError(clause, "an alias after AS");
      }
      ref->alias = p_.advance().text;
    } else if (p_.peek().is(TokenKind::BracketName) ||
               (p_.peek().is(TokenKind::Word) && p_.peek().keyword == Keyword::None)) {
      ref->alias = p_.advance().text;
    }
    return ref;
  }

  QueryPtr parseTransform() {
    auto t = std::make_unique<TransformQuery>(p_.advance().position);
    t->aggregate = clauseExpression("TRANSFORM");
    if (p_.accept(Keyword::As)) {
      const Token& alias = p_.peek();
      if (!alias.is(TokenKind::BracketName) && !(alias.is(TokenKind::Word) && alias.keyword == Keyword::None)) {
        clauseError("TRANSFORM", "a name after AS");
      }
      t->aggregateAlias = p_.advance().text;
    }
    if (!p_.peek().is(Keyword::Select)) clauseError("TRANSFORM", "SELECT");
    t->select = parseSelect();
    if (!p_.peek().is(Keyword::Pivot)) clauseError("TRANSFORM", "PIVOT");
    t->pivotPosition = p_.advance().position;
    t->pivot = clauseExpression("PIVOT");
    // PIVOT x IN (a, b) reads as the In operator: its list is the column list.
    if (t->pivot->kind == ExprKind::In && !static_cast<InExpr&>(*t->pivot).negated) {
      auto& in = static_cast<InExpr&>(*t->pivot);
      t->hasIn = true;
      t->pivotIn = std::move(in.list);
      ExprPtr value = std::move(in.value);
      t->pivot = std::move(value);
    } else if (p_.accept(Keyword::In)) {
      t->hasIn = true;
      if (!p_.accept(TokenKind::LParen)) clauseError("PIVOT", "'(' after IN");
      do {
        t->pivotIn.push_back(clauseExpression("PIVOT"));
      } while (p_.accept(TokenKind::Comma));
      if (!p_.accept(TokenKind::RParen)) clauseError("PIVOT", "',' or ')'");
    }
    return t;
  }

  std::u16string_view text_;
  Parser p_;
  bool intoAllowed_ = false;  // the next SELECT is the statement's own
};

}  // namespace

TypeName parseTypeName(Parser& parser) {
  const Token& t = parser.peek();
  if (!t.is(TokenKind::Word)) parser.unexpected("a type name (Text, Long, DateTime, ...)");
  TypeName out;
  out.text = t.text;
  bool known = false;
  for (const TypeWord& w : kTypeWords) {
    if (equalNamesNoCase(w.word, t.text)) {
      out.type = w.type;
      known = true;
      break;
    }
  }
  if (!known) parser.failAt("Unknown type '" + toUtf8(t.text) + "'", t.position);
  parser.advance();
  if (parser.accept(TokenKind::LParen)) {
    auto number = [&](int max) {
      const Token& n = parser.expect(TokenKind::Number, "a number in the type's size");
      int v = 0;
      const std::string digits = toUtf8(n.text);
      const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
      if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || v < 0 || v > max) {
        parser.failAt("Invalid size '" + digits + "' of type '" + toUtf8(out.text) + "'", n.position);
      }
      return v;
    };
    if (out.type == DataType::Numeric) {
      out.precision = static_cast<std::uint8_t>(number(28));
      if (parser.accept(TokenKind::Comma)) out.scale = static_cast<std::uint8_t>(number(28));
    } else {
      out.size = static_cast<std::uint16_t>(number(255));
    }
    parser.expect(TokenKind::RParen, "')' after the type's size");
  }
  return out;
}

ParsedStatement parseStatement(std::u16string_view text) {
  if (text.size() > kMaxStatementLength) {
    throw Error(ErrorCode::Unsupported, "Query is too complex: the statement is " + std::to_string(text.size()) +
                                            " characters long, more than the " + std::to_string(kMaxStatementLength) +
                                            " allowed");
  }
  return StatementParser(text).run();
}

std::vector<std::u16string> splitStatements(std::u16string_view text) {
  const std::vector<Token> tokens = tokenize(text, kContext);
  std::vector<std::u16string> out;
  std::size_t start = 0;  // 0-based start of the current piece
  bool declaring = false;  // inside PARAMETERS ... ;
  bool pieceStarted = false;
  auto finish = [&](std::size_t end) {
    std::u16string piece(text.substr(start, end - start));
    bool blank = true;
    for (char16_t c : piece) blank = blank && (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n');
    if (!blank) out.push_back(std::move(piece));
  };
  for (const Token& t : tokens) {
    if (t.is(TokenKind::End)) break;
    if (!pieceStarted) {
      pieceStarted = true;
      declaring = t.is(Keyword::Parameters);
    }
    if (!t.is(TokenKind::Semicolon)) continue;
    if (declaring) {
      declaring = false;
      continue;
    }
    finish(t.position - 1);
    start = t.position;  // just past the ';'
    pieceStarted = false;
  }
  finish(text.size());
  return out;
}

bool isBareName(std::u16string_view text, std::u16string& name) {
  std::vector<Token> tokens;
  try {
    tokens = tokenize(text, kContext);
  } catch (const Error&) {
    return false;
  }
  std::size_t n = tokens.size();
  if (n >= 2 && tokens[n - 2].is(TokenKind::Semicolon)) --n;
  if (n != 2) return false;
  const Token& t = tokens[0];
  if (!t.is(TokenKind::BracketName) && !(t.is(TokenKind::Word) && t.keyword == Keyword::None)) return false;
  name = t.text;
  return true;
}

}  // namespace jet::sql
