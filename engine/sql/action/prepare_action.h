// From a statement's text to the Action that carries it out, for every
// statement that does not return rows: INSERT, UPDATE, DELETE, SELECT ... INTO,
// data definition, and the saved action queries run by name.
#pragma once

#include <memory>
#include <string_view>

#include "jet/database.h"
#include "sql/action.h"
#include "sql/statement_ast.h"

namespace jet::sql {

// The Action of a parsed statement whose body is not a query.
std::unique_ptr<Action> prepareAction(Database& db, std::unique_ptr<ParsedStatement> parsed);

// The Action of `text` (a statement, or the name of a saved action query);
// nullptr when the text is a query or names a table or a saved query that
// returns rows.
std::unique_ptr<Action> prepareActionText(Database& db, std::u16string_view text);

}  // namespace jet::sql
