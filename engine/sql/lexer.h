// Lexer for the Access (Jet) SQL dialect, shared by expressions, dataset filters
// and sorts, and statements.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sql/token.h"

namespace jet::sql {

// Splits `source` into tokens, ending with one End token. Unterminated strings,
// brackets and dates and characters that start no token throw jet::Error (Syntax)
// whose message ends " in <context> at position N", `context` being e.g. "filter".
std::vector<Token> tokenize(std::u16string_view source, std::string_view context);

// " in filter at position 7": the tail every message about a place in a text ends with.
std::string atPosition(std::string_view context, std::size_t position);

}  // namespace jet::sql
