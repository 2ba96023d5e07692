// Parser for the Access (Jet) SQL dialect: expressions now, statements to come
// on the same token stream. Operator precedence, tightest first:
//   ^ | unary - + | * / | \ | Mod | + - | & | = <> < > <= >= Like Is Between In
//   | Not | And | Or | Xor | Eqv | Imp
// Operators of one level group from the left.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sql/ast.h"
#include "sql/token.h"

namespace jet::sql {

class Parser {
 public:
  // `context` names the text in messages ("filter", "expression", "query").
  Parser(std::u16string_view source, std::string_view context);

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

 private:
  ExprPtr parseLevel(int minPower);
  ExprPtr parsePrefix();
  ExprPtr parsePrimary();
  ExprPtr parseName(const Token& first);
  ExprPtr parseDate(const Token& token);
  ExprPtr parseNumber(const Token& token);
  ExprPtr parsePostfix(ExprPtr left, int power);

  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  std::string context_;
  std::size_t parameterCount_ = 0;
};

// Parses `text` as one expression.
ExprPtr parseExpression(std::u16string_view text, std::string_view context);

}  // namespace jet::sql
