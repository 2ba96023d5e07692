// Tokens of the Access (Jet) SQL dialect: what the lexer produces and the parsers
// consume. Every token remembers where it starts in the source text (1-based, in
// UTF-16 code units, which is what a person counts as characters in Jet text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace jet::sql {

enum class TokenKind : std::uint8_t {
  End,           // after the last token
  Word,          // bare identifier or keyword; `keyword` tells which
  BracketName,   // [name with spaces]: never a keyword
  Number,        // integer, decimal or exponent literal; `text` holds its digits
  String,        // '...' or "..." with the doubled quote undone
  Date,          // #...#; `text` holds what stands between the hashes
  Parameter,     // ?
  LParen, RParen, Comma, Dot, Bang, Semicolon,
  Eq, Ne, Lt, Gt, Le, Ge,
  Plus, Minus, Star, Slash, Backslash, Caret, Ampersand,
};

// Reserved words. Operator words take part in expressions; the others start or
// separate the clauses of statements.
enum class Keyword : std::uint8_t {
  None,
  // Operators and literals.
  And, Or, Not, Xor, Eqv, Imp, Mod, Like, ALike, Is, Null, Between, In, True, False,
  // Statement words.
  Select, Distinct, DistinctRow, Top, Percent, From, Where, Group, By, Having, Order, Asc, Desc,
  As, On, Inner, Left, Right, Outer, Join, Union, All, Insert, Into, Values, Update, Set,
  Delete, Create, Drop, Alter, Table, Index, Unique, Primary, Key, Constraint, References,
  Parameters, Transform, Pivot, Exists, With,
};

struct Token {
  TokenKind kind = TokenKind::End;
  Keyword keyword = Keyword::None;
  std::u16string text;       // the name, the string's contents, the number's or date's text
  std::size_t position = 0;  // 1-based start in the source
  std::size_t length = 0;    // source code units the token spans

  bool is(TokenKind k) const { return kind == k; }
  bool is(Keyword k) const { return kind == TokenKind::Word && keyword == k; }
};

// True for the keywords that belong to expressions (operators, Null, True, False).
bool isOperatorKeyword(Keyword k) noexcept;

// How a token looks in an error message: 'text' for names and literals, the
// operator for symbols, "end of text" for End.
std::string describeToken(const Token& token);

}  // namespace jet::sql
