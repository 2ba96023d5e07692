// The query under an action statement: bound by the query binder, planned by
// the planner, its rows streamed to the action.
#include "sql/action/action_query.h"

#include "jet/error.h"
#include "jet/text.h"
#include "sql/lexer.h"
#include "sql/exec/table_scan.h"
#include "sql/plan/planner.h"
#include "sql/plan/query_binder.h"

namespace jet::sql {

void throwNotUpdatable(const std::string& what) {
  throw Error(ErrorCode::InvalidArgument, "Operation must use an updatable query: " + what);
}

std::size_t sourceNamed(const Block& block, const std::u16string& name, std::size_t position, const char* clause) {
  for (std::size_t s = 0; s < block.sources.size(); ++s) {
    if (equalNamesNoCase(block.sources[s]->name, name)) return s;
  }
  throw Error(ErrorCode::NotFound, "'" + toUtf8(name) + "' in the " + clause +
                                       " clause is not a table or alias of the statement" +
                                       atPosition("query", position));
}

ActionQuery::ActionQuery(Database& db, std::unique_ptr<ParsedStatement> parsed, const QueryNode& query)
    : db_(db), logical_(bindQueryOf(db, std::move(parsed), query)) {}

Block& ActionQuery::block() {
  if (logical_.root->kind != LogicalKind::Block) throwNotUpdatable("its query is not a single SELECT");
  return static_cast<Block&>(*logical_.root);
}

void ActionQuery::carryRowIdsOf(std::size_t source, const std::string& what) {
  Block& b = block();
  Source& s = *b.sources.at(source);
  if (!s.table || b.grouped || b.quantifier == Quantifier::Distinct) throwNotUpdatable(what);
  b.updatableTable = s.table->name();
  b.rowIdSource = static_cast<int>(source);
  s.rowIdUsed = true;
}

void ActionQuery::check() const {
  ExecContext ctx({}, 0);
  const std::vector<Value> none(logical_.parameters.size());
  Planner(db_, logical_, none, ctx).plan();
}

void ActionQuery::forEachRow(const std::vector<Value>& parameters, const ExecuteOptions& options,
                             const std::function<void(std::vector<Value>&, std::optional<RowId>)>& visit) const {
  ExpressionOptions expressionOptions;
  expressionOptions.clock = options.clock;
  ExecContext ctx(expressionOptions, options.rowBudget);
  PlannedQuery plan = Planner(db_, logical_, parameters, ctx).plan();
  plan.root->open();
  const std::size_t width = plan.columns.size();
  std::vector<Value> values(width);
  while (plan.root->next()) {
    const Row& row = plan.root->row();
    for (std::size_t i = 0; i < width; ++i) values[i] = row[i];
    std::optional<RowId> id;
    if (plan.rowIdSlot >= 0) id = rowIdOf(row[static_cast<std::size_t>(plan.rowIdSlot)]);
    visit(values, id);
  }
}

std::string ActionQuery::explain(const std::vector<Value>& parameters) const {
  ExecContext ctx({}, 0);
  return explainPlan(Planner(db_, logical_, parameters, ctx).plan());
}

}  // namespace jet::sql
