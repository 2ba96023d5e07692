// Parser of Access (Jet) SQL statements: PARAMETERS declarations, SELECT with
// every clause, UNION [ALL], TRANSFORM ... PIVOT, subqueries in expressions and
// in FROM, Access's parenthesised joins. Expressions come from the expression
// parser on the same token stream.
//
// Errors are jet::Error (Syntax) in the provider's manner, with the position:
//   "Syntax error in FROM clause: expected a table or query name but found ','
//    in query at position 15"
//   "Syntax error (missing operator) in query expression 'a b' in query at position 8"
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sql/statement_ast.h"

namespace jet::sql {

// Longest statement text accepted (Jet's own limit is about 64 000 characters).
inline constexpr std::size_t kMaxStatementLength = 64000;

// Parses one statement (an optional trailing ';' allowed).
ParsedStatement parseStatement(std::u16string_view text);

// Splits a text holding several statements separated by ';' into the text of
// each (a PARAMETERS declaration stays with the statement it precedes; ';'
// inside literals, names and dates does not split). Blank pieces are dropped.
std::vector<std::u16string> splitStatements(std::u16string_view text);

// True when the text is nothing but one name, bare or in brackets (a saved
// query or table run by name); the name goes to `name`.
bool isBareName(std::u16string_view text, std::u16string& name);

// Reads a type name (Text, Long, DateTime, Text(50), Decimal(10, 2), ...) at the
// parser's current token, for PARAMETERS and data definition.
TypeName parseTypeName(class Parser& parser);

}  // namespace jet::sql
