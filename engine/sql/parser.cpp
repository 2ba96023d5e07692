// Expression parser for the Access (Jet) SQL dialect: precedence climbing over
// the lexer's tokens.
#include "sql/parser.h"

#include <charconv>
#include <limits>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/lexer.h"
#include "sql/statement_ast.h"
#include "value/date_text.h"

namespace jet::sql {

namespace {

// Binding powers: an operator joins its left operand when its power exceeds the
// level being parsed.
constexpr int kImp = 10, kEqv = 20, kXor = 30, kOr = 40, kAnd = 50, kNot = 60, kCompare = 70, kConcat = 80,
              kAdditive = 90, kMod = 100, kIntDivide = 110, kMultiplicative = 120, kUnary = 130, kPower = 140;

struct Infix {
  int power = 0;
  BinaryOp op = BinaryOp::Add;
  bool binary = false;  // a plain binary operator (else Like, Is, Between, In or Not ...)
};

Infix infixOf(const Token& t, const Token& after) {
  switch (t.kind) {
    case TokenKind::Caret: return {kPower, BinaryOp::Power, true};
    case TokenKind::Star: return {kMultiplicative, BinaryOp::Multiply, true};
    case TokenKind::Slash: return {kMultiplicative, BinaryOp::Divide, true};
    case TokenKind::Backslash: return {kIntDivide, BinaryOp::IntDivide, true};
    case TokenKind::Plus: return {kAdditive, BinaryOp::Add, true};
    case TokenKind::Minus: return {kAdditive, BinaryOp::Subtract, true};
    case TokenKind::Ampersand: return {kConcat, BinaryOp::Concat, true};
    case TokenKind::Eq: return {kCompare, BinaryOp::Eq, true};
    case TokenKind::Ne: return {kCompare, BinaryOp::Ne, true};
    case TokenKind::Lt: return {kCompare, BinaryOp::Lt, true};
    case TokenKind::Gt: return {kCompare, BinaryOp::Gt, true};
    case TokenKind::Le: return {kCompare, BinaryOp::Le, true};
    case TokenKind::Ge: return {kCompare, BinaryOp::Ge, true};
    case TokenKind::Word: break;
    default: return {};
  }
  switch (t.keyword) {
    case Keyword::Mod: return {kMod, BinaryOp::Mod, true};
    case Keyword::And: return {kAnd, BinaryOp::And, true};
    case Keyword::Or: return {kOr, BinaryOp::Or, true};
    case Keyword::Xor: return {kXor, BinaryOp::Xor, true};
    case Keyword::Eqv: return {kEqv, BinaryOp::Eqv, true};
    case Keyword::Imp: return {kImp, BinaryOp::Imp, true};
    case Keyword::Like:
    case Keyword::ALike:
    case Keyword::Is:
    case Keyword::Between:
    case Keyword::In: return {kCompare, BinaryOp::Eq, false};
    case Keyword::Not:
      if (after.is(Keyword::Like) || after.is(Keyword::ALike) || after.is(Keyword::Between) || after.is(Keyword::In)) {
        return {kCompare, BinaryOp::Eq, false};
      }
      return {};
    default: return {};
  }
}

}  // namespace

Parser::Parser(std::u16string_view source, std::string_view context)
    : source_(source), tokens_(tokenize(source, context)), context_(context) {}

Parser::DepthGuard::DepthGuard(Parser& parser, std::size_t cost) : parser_(parser) { add(cost); }

Parser::DepthGuard::~DepthGuard() { parser_.depth_ -= cost_; }

void Parser::DepthGuard::add(std::size_t cost) {
  parser_.depth_ += cost;
  cost_ += cost;
  if (parser_.depth_ > kMaxNestingDepth) {
    throw Error(ErrorCode::Unsupported, "Query is too complex: it nests expressions, parentheses or subqueries "
                                        "more than " + std::to_string(kMaxNestingDepth) + " levels deep" +
                                        atPosition(parser_.context_, parser_.peek().position));
  }
}

std::unique_ptr<QueryNode> Parser::subquery() {
  if (subqueries_ == nullptr) failAt("A subquery (SELECT ...) is not allowed in a " + context_, peek().position);
  DepthGuard guard(*this, kSubqueryNestingCost);
  return subqueries_->parseSubquery(*this);
}

const Token& Parser::peek(std::size_t ahead) const {
  const std::size_t i = pos_ + ahead;
  return i < tokens_.size() ? tokens_[i] : tokens_.back();
}

const Token& Parser::advance() {
  const Token& t = tokens_[pos_];
  if (pos_ + 1 < tokens_.size()) ++pos_;
  return t;
}

bool Parser::accept(TokenKind kind) {
  if (!peek().is(kind)) return false;
  advance();
  return true;
}

bool Parser::accept(Keyword keyword) {
  if (!peek().is(keyword)) return false;
  advance();
  return true;
}

const Token& Parser::expect(TokenKind kind, const char* what) {
  if (!peek().is(kind)) unexpected(what);
  return advance();
}

void Parser::failAt(const std::string& what, std::size_t position) const {
  throw Error(ErrorCode::Syntax, what + atPosition(context_, position));
}

void Parser::unexpected(const char* expected) const {
  failAt(std::string("Expected ") + expected + " but found " + describeToken(peek()), peek().position);
}

ExprPtr Parser::parseWholeExpression() {
  ExprPtr e = expression();
  if (!peek().is(TokenKind::End)) unexpected("an operator or the end of the text");
  return e;
}

ExprPtr Parser::expression() { return parseLevel(0); }

ExprPtr Parser::parseLevel(int minPower) {
  // Each operator joined here deepens the (left-leaning) tree by one.
  DepthGuard depth(*this, 1);
  ExprPtr left = parsePrefix();
  for (;;) {
    const Infix in = infixOf(peek(), peek(1));
    if (in.power == 0 || in.power <= minPower) return left;
    depth.add(1);
    if (in.binary) {
      const std::size_t at = advance().position;
      if (isComparison(in.op) && peek(1).is(TokenKind::LParen) &&
          (peek().is(Keyword::All) || (peek().is(TokenKind::Word) && (equalNamesNoCase(peek().text, u"Any") ||
                                                                     equalNamesNoCase(peek().text, u"Some"))))) {
        left = parseQuantified(std::move(left), in.op, at);
        continue;
      }
      ExprPtr right = parseLevel(in.power);
      left = std::make_unique<BinaryExpr>(at, in.op, std::move(left), std::move(right));
      continue;
    }
    left = parsePostfix(std::move(left), in.power);
  }
}

// Like, Is [Not] Null, Between ... And ..., In (...), each optionally after Not.
ExprPtr Parser::parsePostfix(ExprPtr left, int power) {
  const std::size_t at = peek().position;
  const bool negated = accept(Keyword::Not);
  if (accept(Keyword::Like) || accept(Keyword::ALike)) {
    ExprPtr pattern = parseLevel(power);
    return std::make_unique<LikeExpr>(at, std::move(left), std::move(pattern), negated);
  }
  if (accept(Keyword::Is)) {
    const bool isNot = accept(Keyword::Not);
    if (!accept(Keyword::Null)) unexpected("'Null' after 'Is'");
    return std::make_unique<IsNullExpr>(at, std::move(left), isNot);
  }
  if (accept(Keyword::Between)) {
    ExprPtr low = parseLevel(power);
    if (!accept(Keyword::And)) unexpected("'And' in 'Between'");
    ExprPtr high = parseLevel(power);
    return std::make_unique<BetweenExpr>(at, std::move(left), std::move(low), std::move(high), negated);
  }
  advance();  // In
  expect(TokenKind::LParen, "'(' after 'In'");
  if (peek().is(Keyword::Select)) {
    auto e = std::make_unique<SubqueryExpr>(at, SubqueryKind::In, subquery());
    expect(TokenKind::RParen, "')' after the subquery");
    e->value = std::move(left);
    e->negated = negated;
    return e;
  }
  std::vector<ExprPtr> items;
  do {
    items.push_back(expression());
  } while (accept(TokenKind::Comma));
  expect(TokenKind::RParen, "',' or ')' in the 'In' list");
  return std::make_unique<InExpr>(at, std::move(left), std::move(items), negated);
}

ExprPtr Parser::parsePrefix() {
  const Token& t = peek();
  if (t.is(Keyword::Not)) {
    const std::size_t at = advance().position;
    return std::make_unique<UnaryExpr>(at, UnaryOp::Not, parseLevel(kNot));
  }
  if (t.is(TokenKind::Minus) || t.is(TokenKind::Plus)) {
    const UnaryOp op = t.is(TokenKind::Minus) ? UnaryOp::Negate : UnaryOp::Plus;
    const std::size_t at = advance().position;
    return std::make_unique<UnaryExpr>(at, op, parseLevel(kUnary));
  }
  return parsePrimary();
}

ExprPtr Parser::parsePrimary() {
  const Token& t = peek();
  switch (t.kind) {
    case TokenKind::Number: return parseNumber(advance());
    case TokenKind::String: {
      const Token& s = advance();
      return std::make_unique<LiteralExpr>(s.position, LiteralKind::Text, Value::text(s.text), s.text);
    }
    case TokenKind::Date: return parseDate(advance());
    case TokenKind::Parameter: return std::make_unique<ParameterExpr>(advance().position, parameterCount_++);
    case TokenKind::LParen: {
      const std::size_t at = advance().position;
      if (peek().is(Keyword::Select)) {
        auto e = std::make_unique<SubqueryExpr>(at, SubqueryKind::Scalar, subquery());
        expect(TokenKind::RParen, "')' after the subquery");
        return e;
      }
      ExprPtr inner = expression();
      expect(TokenKind::RParen, "')'");
      return inner;
    }
    case TokenKind::BracketName: return parseName(advance());
    case TokenKind::Word: break;
    default: unexpected("an operand");
  }
  switch (t.keyword) {
    case Keyword::Null: return std::make_unique<LiteralExpr>(advance().position, LiteralKind::Null, Value(), u"Null");
    case Keyword::True:
    case Keyword::False: {
      const bool value = t.keyword == Keyword::True;
      return std::make_unique<LiteralExpr>(advance().position, LiteralKind::Boolean, Value::boolean(value),
                                           value ? u"True" : u"False");
    }
    default: break;
  }
  if (isOperatorKeyword(t.keyword)) unexpected("an operand");
  if (t.is(Keyword::Exists) && peek(1).is(TokenKind::LParen)) {
    const std::size_t at = advance().position;
    advance();
    if (!peek().is(Keyword::Select)) unexpected("a subquery (SELECT ...) after 'Exists ('");
    auto e = std::make_unique<SubqueryExpr>(at, SubqueryKind::Exists, subquery());
    expect(TokenKind::RParen, "')' after the subquery");
    return e;
  }
  if (peek(1).is(TokenKind::LParen)) return parseCall(advance());
  return parseName(advance());
}

ExprPtr Parser::parseCall(const Token& name) {
  advance();  // (
  std::vector<ExprPtr> args;
  bool star = false;
  if (peek().is(TokenKind::Star) && peek(1).is(TokenKind::RParen)) {
    advance();
    star = true;
  } else if (peek().is(Keyword::Distinct)) {
    failAt("'" + toUtf8(name.text) + "(DISTINCT ...)' is not part of Access SQL: count the rows of a "
           "subquery instead, as in SELECT Count(*) FROM (SELECT DISTINCT ...)",
           peek().position);
  }
  if (!accept(TokenKind::RParen)) {
    do {
      args.push_back(expression());
    } while (accept(TokenKind::Comma));
    expect(TokenKind::RParen, "',' or ')' after a function argument");
  }
  auto call = std::make_unique<CallExpr>(name.position, name.text, std::move(args));
  call->star = star;
  return call;
}

// value op Any|Some|All (SELECT ...), the operator already read.
ExprPtr Parser::parseQuantified(ExprPtr left, BinaryOp op, std::size_t position) {
  const bool all = advance().is(Keyword::All);
  advance();  // (
  if (!peek().is(Keyword::Select)) unexpected(all ? "a subquery (SELECT ...) after 'All ('" : "a subquery (SELECT ...)");
  auto e = std::make_unique<SubqueryExpr>(position, all ? SubqueryKind::All : SubqueryKind::Any, subquery());
  expect(TokenKind::RParen, "')' after the subquery");
  e->value = std::move(left);
  e->op = op;
  return e;
}

ExprPtr Parser::parseName(const Token& first) {
  std::vector<NamePart> parts{{first.text, first.is(TokenKind::BracketName), first.position}};
  while ((peek().is(TokenKind::Dot) || peek().is(TokenKind::Bang)) &&
         (peek(1).is(TokenKind::Word) || peek(1).is(TokenKind::BracketName))) {
    const char16_t separator = advance().is(TokenKind::Bang) ? u'!' : u'.';
    const Token& part = advance();
    parts.push_back({part.text, part.is(TokenKind::BracketName), part.position, separator});
  }
  return std::make_unique<NameExpr>(first.position, std::move(parts));
}

ExprPtr Parser::parseDate(const Token& token) {
  auto date = parseDateText(token.text, DateOrder::MonthDayYear, std::nullopt);
  if (!date) failAt("Invalid date '#" + toUtf8(token.text) + "#'", token.position);
  return std::make_unique<LiteralExpr>(token.position, LiteralKind::Date, Value::dateTime(*date), token.text);
}

ExprPtr Parser::parseNumber(const Token& token) {
  const std::string digits = toUtf8(token.text);
  const bool integral = digits.find_first_of(".eE") == std::string::npos;
  Value value;
  if (integral) {
    long long v = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (r.ec == std::errc() && !longIntegers_ && v <= std::numeric_limits<std::int16_t>::max()) {
      value = Value::integer(static_cast<std::int16_t>(v));
    } else if (r.ec == std::errc() && v <= std::numeric_limits<std::int32_t>::max()) {
      value = Value::longInt(static_cast<std::int32_t>(v));
    }
  }
  if (value.isNull()) {
    double d = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), d);
    if (r.ec != std::errc()) failAt("Number out of range '" + digits + "'", token.position);
    value = Value::dbl(d);
  }
  return std::make_unique<LiteralExpr>(token.position, LiteralKind::Number, std::move(value), token.text);
}

ExprPtr parseExpression(std::u16string_view text, std::string_view context) {
  return Parser(text, context).parseWholeExpression();
}

}  // namespace jet::sql
