// Access SQL select queries printed in PostgreSQL's or SQLite's dialect: the
// statement is parsed with the engine's own parser and its syntax tree is
// walked clause by clause: joins, WHERE, GROUP BY and HAVING, ORDER BY,
// DISTINCT, TOP, unions, subqueries, #date# literals, '&', Like patterns,
// IIf, Nz and the functions that have a faithful equivalent there.
//
// What would give other rows in the target is refused with the reason:
// parameters, TOP ... PERCENT, DISTINCTROW over several tables, text
// compared by order (Access sorts text in its own collation), '&' of numbers
// or dates (Access writes those in its own formats), functions without an
// equivalent (Format, First, Round, ...), and names the target does not have.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "migrate/saved_query_views.h"

namespace qbmigrate {

class AccessSqlTranslator final : public SelectTranslator {
 public:
  std::optional<TranslatedQuery> translate(jet::Database& db, const jet::SavedQuery& query, const Ddl& ddl,
                                           std::string& reason) const override;
};

// Translates one select statement of Access SQL over `db`'s tables and saved
// queries (as `ddl` names them in the target); nullopt with the reason when
// it cannot.
std::optional<TranslatedQuery> translateSelect(jet::Database& db, std::u16string_view sql, const Ddl& ddl,
                                               std::string& reason);

}  // namespace qbmigrate
