// Planner: the physical plan of a bound statement, a tree of operators.
//
// For each query block it plans the FROM clause (planner_from.cpp): every
// condition of WHERE and ON is split at And and placed as low as it can go;
// a table is read by an index seek when a condition compares an indexed
// column with a value known before the scan (a constant, a parameter, the
// enclosing row of a correlated subquery), else by a scan that decodes only
// the columns the query reads. Inner joins are ordered greedily from the
// smallest input; each next table is joined by an index join when it has an
// index on its join column and the rows coming in are few, by a hash join
// otherwise, and by a nested loop only when the condition has no equal keys.
// Then grouping (hash aggregate), HAVING, the select list, DISTINCT, ORDER BY
// (a bounded heap for TOP n; TOP n of one table decodes the other fields of
// its n rows only) and TOP.
#pragma once

#include <memory>
#include <vector>

#include "jet/database.h"
#include "jet/error.h"
#include "sql/exec/operator.h"
#include "sql/plan/expression_compiler.h"
#include "sql/plan/logical_plan.h"
#include "sql/plan/query_binder.h"

namespace jet::sql {

class Pivot;

struct PlannedQuery {
  OperatorPtr root;
  std::vector<ResultColumn> columns;  // a crosstab without IN adds its pivot columns once open
  const Pivot* pivot = nullptr;       // that crosstab's pivot operator
  int rowIdSlot = -1;                 // the updatable table's row locator in the root's rows
  std::u16string updatableTable;
  // The plans of subqueries (owned by the nodes that run them), for explain.
  std::vector<std::pair<std::string, const Operator*>> subqueries;
};

// Raised by a plan made without parameter values when it needs one.
struct ParameterNotKnown : Error {
  explicit ParameterNotKnown(const std::u16string& name);
  std::u16string parameter;
};

// The plan and its subqueries' plans as indented text.
std::string explainPlan(const PlannedQuery& plan);

class Planner {
 public:
  Planner(Database& db, const LogicalStatement& statement, const std::vector<Value>& parameters, ExecContext& ctx);

  PlannedQuery plan();
  // For a statement whose rows are one table's rows (see
  // LogicalQuery::updatableTable): a plan whose rows hold only the row
  // locator (slot 0), the table's fields being read later by locator.
  PlannedQuery planRowIds();

  // --- for the expression compiler ---
  ExecContext& context() { return ctx_; }
  Database& database() { return db_; }
  const QueryBinder& binder() const { return binder_; }
  Value parameterValue(int index) const;
  NodePtr subqueryNode(const SubqueryExpr& sub, ExpressionCompiler& outer, Binder& binder);

 private:
  friend class FromPlanner;

  struct QueryOut {
    int rowIdSlot = -1;
    const Pivot* pivot = nullptr;
  };

  // A query's operator; its rows start with the query's outputs.
  OperatorPtr planQuery(const LogicalQuery& q, const FrameContext& frame, QueryOut& out);
  OperatorPtr planBlock(const Block& b, const FrameContext& frame, QueryOut& out);
  OperatorPtr planUnion(const SetOperation& u, const FrameContext& frame);
  OperatorPtr planCrosstab(const Crosstab& x, const FrameContext& frame, QueryOut& out);
  // FROM and WHERE of a block; `layout` receives the rows' layout.
  // `where` replaces the block's own conditions when given; `orderIndex`
  // reads the block's one table by walking that index (its rows in the
  // index's order).
  OperatorPtr planFromWhere(const Block& b, const FrameContext& frame, const std::vector<bool>& rowIdNeeded,
                            const std::vector<std::vector<bool>>* columnsWanted, Layout& layout,
                            const std::vector<const Expr*>* where = nullptr,
                            std::optional<std::size_t> orderIndex = std::nullopt);
  // An index whose order is the block's ORDER BY, for TOP n of one table.
  std::optional<std::size_t> indexForOrder(const Block& b) const;
  // A correlated aggregate subquery as one grouped run and a lookup, when it can be.
  NodePtr groupedLookup(const SubqueryExpr& sub, const LogicalQuery& inner, ExpressionCompiler& outer);

  bool rowIdsOnly_ = false;
  std::vector<std::pair<std::string, const Operator*>> subqueries_;
  Database& db_;
  const LogicalStatement& statement_;
  const std::vector<Value>& parameters_;
  ExecContext& ctx_;
  QueryBinder binder_;
};

}  // namespace jet::sql
