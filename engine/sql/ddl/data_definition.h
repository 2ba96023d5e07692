// Data definition in the Access (Jet) dialect: CREATE TABLE, ALTER TABLE,
// DROP TABLE, CREATE INDEX, DROP INDEX and the constraints and relationships
// they make. The statement parser hands CREATE, ALTER and DROP here; the
// statement layer prepares the parsed statement into an Action it runs inside
// a transaction.
#pragma once

#include <memory>

#include "jet/database.h"
#include "sql/action.h"
#include "sql/statement_ast.h"

namespace jet::sql {

class Parser;

// Parses a CREATE, ALTER or DROP statement from the parser's current token
// (the statement word) up to its end. Throws jet::Error (Syntax, Unsupported).
std::unique_ptr<StatementNode> parseDataDefinition(Parser& parser);

// Binds a parsed data-definition statement (body of kind DataDefinition)
// against the database. Throws jet::Error.
std::unique_ptr<Action> prepareDataDefinition(Database& db, std::unique_ptr<ParsedStatement> statement);

}  // namespace jet::sql
