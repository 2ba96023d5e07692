// SQL quoting; see sql_text.h.
#include "migrate/sql_text.h"

namespace qbmigrate {

namespace {

std::string quotedWith(std::string_view text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    if (c == quote) out += quote;
    out += c;
  }
  out += quote;
  return out;
}

}  // namespace

std::string quoteIdentifier(std::string_view name) { return quotedWith(name, '"'); }
std::string sqlStringLiteral(std::string_view utf8) { return quotedWith(utf8, '\''); }

}  // namespace qbmigrate
