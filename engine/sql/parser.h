// Parser for the Access (Jet) SQL dialect: expressions, and the token stream the
// statement parser (statement_parser.h) reads its clauses from. Operator
// precedence, tightest first:
//   ^ | unary - + | * / | \ | Mod | + - | & | = <> < > <= >= Like Is Between In
//   | Not | And | Or | Xor | Eqv | Imp
// Operators of one level group from the left.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sql/ast.h"
#include "sql/token.h"

namespace jet::sql {

class Parser;

// Parses the queries that stand inside expressions: (SELECT ...), Exists
// (SELECT ...), In (SELECT ...), = Any (SELECT ...). Without one, a subquery is
// an error (dataset filters have none).
class SubqueryParser {
 public:
  virtual ~SubqueryParser() = default;
  // Parses a query from the current token (its SELECT) up to, not including,
  // the ')' that closes it.
  virtual std::unique_ptr<QueryNode> parseSubquery(Parser& parser) = 0;
};

// Deepest nesting of expressions, parentheses and subqueries a text may have;
// deeper texts fail with "Query is too complex" instead of exhausting the stack
// of the recursive parser, binder and evaluator.
inline constexpr std::size_t kMaxNestingDepth = 250;
// What one level of subquery counts for in that depth: a subquery is parsed,
// bound, planned and run by recursion several frames deep.
inline constexpr std::size_t kSubqueryNestingCost = 10;

class Parser {
 public:
  // `context` names the text in messages ("filter", "expression", "query").
  Parser(std::u16string_view source, std::string_view context);

  // Integer literals that fit are Long (as in SQL statements) instead of the
  // smallest of Integer and Long (as in expressions and filters).
  void setLongIntegerLiterals(bool on) { longIntegers_ = on; }
  void setSubqueryParser(SubqueryParser* subqueries) { subqueries_ = subqueries; }

  // Counts nesting while alive; throws "Query is too complex" past kMaxNestingDepth.
  class DepthGuard {
   public:
    DepthGuard(Parser& parser, std::size_t cost);
    ~DepthGuard();
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    void add(std::size_t cost);

   private:
    Parser& parser_;
    std::size_t cost_ = 0;
  };

  // The whole text as one expression; anything after it is an error.
  ExprPtr parseWholeExpression();

  // One expression starting at the current token (for statement clauses).
  ExprPtr expression();

  const Token& peek(std::size_t ahead = 0) const;
  const Token& advance();
  bool accept(TokenKind kind);
  bool accept(Keyword keyword);
  const Token& expect(TokenKind kind, const char* what);
  [[noreturn]] void failAt(const std::string& what, std::size_t position) const;
  [[noreturn]] void unexpected(const char* expected) const;
  std::string_view context() const { return context_; }
  std::u16string_view source() const { return source_; }
  // The query of a subquery whose '(' has been read.
  std::unique_ptr<QueryNode> subquery();

 private:
  ExprPtr parseLevel(int minPower);
  ExprPtr parsePrefix();
  ExprPtr parsePrimary();
  ExprPtr parseName(const Token& first);
  ExprPtr parseDate(const Token& token);
  ExprPtr parseNumber(const Token& token);
  ExprPtr parsePostfix(ExprPtr left, int power);
  ExprPtr parseCall(const Token& name);
  ExprPtr parseQuantified(ExprPtr left, BinaryOp op, std::size_t position);

  std::u16string source_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  std::string context_;
  std::size_t parameterCount_ = 0;
  std::size_t depth_ = 0;
  bool longIntegers_ = false;
  SubqueryParser* subqueries_ = nullptr;
};

// Parses `text` as one expression.
ExprPtr parseExpression(std::u16string_view text, std::string_view context);

}  // namespace jet::sql
