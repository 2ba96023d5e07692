// Which Action a statement becomes.
#include "sql/action/prepare_action.h"

#include "jet/error.h"
#include "jet/text.h"
#include "sql/action/actions.h"
#include "sql/ddl/data_definition.h"
#include "sql/statement_parser.h"

namespace jet::sql {

namespace {

bool changesData(QueryKind kind) {
  switch (kind) {
    case QueryKind::MakeTable:
    case QueryKind::Append:
    case QueryKind::Update:
    case QueryKind::Delete:
    case QueryKind::DataDefinition: return true;
    default: return false;
  }
}

}  // namespace

std::unique_ptr<Action> prepareAction(Database& db, std::unique_ptr<ParsedStatement> parsed) {
  switch (parsed->body->kind) {
    case StatementNodeKind::Insert: return prepareInsert(db, std::move(parsed));
    case StatementNodeKind::Update: return prepareUpdate(db, std::move(parsed));
    case StatementNodeKind::Delete: return prepareDelete(db, std::move(parsed));
    case StatementNodeKind::MakeTable: return prepareMakeTable(db, std::move(parsed));
    case StatementNodeKind::DataDefinition: return prepareDataDefinition(db, std::move(parsed));
    case StatementNodeKind::Query: break;
  }
  throw Error(ErrorCode::InvalidArgument, "A query returns rows: it is executed, not run as an action");
}

std::unique_ptr<Action> prepareActionText(Database& db, std::u16string_view text) {
  std::u16string name;
  if (isBareName(text, name)) {
    for (const SavedQuery& saved : db.savedQueries()) {
      if (!equalNamesNoCase(saved.name, name)) continue;
      if (!changesData(saved.kind)) return nullptr;
      try {
        auto parsed = std::make_unique<ParsedStatement>(parseStatement(saved.sql));
        if (parsed->body->kind == StatementNodeKind::Query) {
          throw Error(ErrorCode::Unsupported, "its SQL is a query, not the action its kind says");
        }
        return prepareAction(db, std::move(parsed));
      } catch (const Error& e) {
        throw Error(e.code(), "In saved query '" + toUtf8(saved.name) + "': " + e.what());
      }
    }
    return nullptr;
  }
  auto parsed = std::make_unique<ParsedStatement>(parseStatement(text));
  if (parsed->body->kind == StatementNodeKind::Query) return nullptr;
  return prepareAction(db, std::move(parsed));
}

}  // namespace jet::sql
