// The row-changing statements: each binds its parsed statement against the
// database when prepared and carries it out when run (inside the write scope
// Statement::run opens around it).
#pragma once

#include <memory>
#include <string_view>

#include "jet/database.h"
#include "sql/action.h"
#include "sql/statement_ast.h"

namespace jet::sql {

std::unique_ptr<Action> prepareInsert(Database& db, std::unique_ptr<ParsedStatement> parsed);
std::unique_ptr<Action> prepareUpdate(Database& db, std::unique_ptr<ParsedStatement> parsed);
std::unique_ptr<Action> prepareDelete(Database& db, std::unique_ptr<ParsedStatement> parsed);
std::unique_ptr<Action> prepareMakeTable(Database& db, std::unique_ptr<ParsedStatement> parsed);

}  // namespace jet::sql
