// Quoting for SQL text in both target dialects: identifiers in double
// quotes, string literals in single quotes, the quote doubled inside.
#pragma once

#include <string>
#include <string_view>

namespace qbmigrate {

// "name" with inner double quotes doubled.
std::string quoteIdentifier(std::string_view name);
// 'text' with inner single quotes doubled.
std::string sqlStringLiteral(std::string_view utf8);

}  // namespace qbmigrate
