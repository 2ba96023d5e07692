// Data definition in the Access (Jet) dialect: CREATE TABLE, ALTER TABLE,
// DROP TABLE, CREATE INDEX, DROP INDEX and the constraints and relationships
// they make. The statement parser hands CREATE, ALTER and DROP here; the
// statement layer prepares the parsed statement into an Action it runs inside
// a transaction.
#pragma once

#include <memory>

#include "jet/database.h"
#include "sql/action.h"
#include "sql/ddl/ddl_ast.h"
#include "sql/statement_ast.h"

namespace jet::sql {

class Parser;

// The body of a parsed data-definition statement.
struct DataDefinitionNode final : StatementNode {
  explicit DataDefinitionNode(ddl::DataDefinitionStatement s)
      : StatementNode(StatementNodeKind::DataDefinition, s.position), statement(std::move(s)) {}
  ddl::DataDefinitionStatement statement;
};

// Parses a CREATE, ALTER or DROP statement from the parser's current token
// (the statement word) up to its end. Throws jet::Error (Syntax, Unsupported).
std::unique_ptr<StatementNode> parseDataDefinition(Parser& parser);

// Binds a parsed data-definition statement (body of kind DataDefinition)
// against the database. Throws jet::Error.
std::unique_ptr<Action> prepareDataDefinition(Database& db, std::unique_ptr<ParsedStatement> statement);

// Carries one statement out: inside the database's open transaction, or in
// one of its own that is rolled back when the statement fails, so a statement
// changes everything it says or nothing. Errors name the table, column, index
// or relationship at fault.
void runDataDefinition(Database& db, const ddl::DataDefinitionStatement& statement);

}  // namespace jet::sql
