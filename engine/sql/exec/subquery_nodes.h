// Evaluation nodes that run a query: scalar subqueries, Exists, In (SELECT
// ...), comparisons with Any/Some/All, and the domain aggregates (DLookup,
// DSum, ...). A correlated subquery reads the enclosing row's values through
// its frame, which the node fills before each run; results are kept per frame
// value, so a subquery runs once per distinct set of outer values (once in
// all when it is not correlated).
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "jet/statement.h"
#include "sql/exec/operator.h"
#include "sql/exec/value_hash.h"
#include "sql/plan/logical_plan.h"

namespace jet::sql {

// The outer values a correlated subquery reads.
struct CorrelationFrame {
  std::vector<Value> values;
};

// A column of the enclosing query, read from the frame.
NodePtr makeFrameColumn(const CorrelationFrame& frame, std::size_t index, std::optional<ValueKind> kind,
                        std::size_t position);

// A subquery ready to run: its plan, its frame, and how the frame is filled
// from the enclosing row.
struct SubqueryRun {
  std::unique_ptr<CorrelationFrame> frame;
  OperatorPtr plan;
  std::vector<NodePtr> frameSources;  // over the enclosing row
};

NodePtr makeScalarSubquery(ExecContext& ctx, SubqueryRun run, std::optional<ValueKind> kind, std::size_t position);
NodePtr makeExistsSubquery(ExecContext& ctx, SubqueryRun run, std::size_t position);
// value [Not] In (SELECT ...)
NodePtr makeInSubquery(ExecContext& ctx, SubqueryRun run, NodePtr value, bool negated, std::size_t position);
// value op Any|All (SELECT ...)
NodePtr makeQuantifiedSubquery(ExecContext& ctx, SubqueryRun run, NodePtr value, BinaryOp op, bool all,
                               std::size_t position);

// A correlated aggregate subquery whose only link to the enclosing row is
// equalities (SELECT Avg(x) FROM t WHERE t.k = outer.k): run once, grouped by
// the inner sides of the equalities, and looked up by the outer values.
// `plan` gives rows of the keys then the subquery's value; `empty` computes
// the value over no rows (Count gives 0) from a row of empty aggregates.
struct GroupedLookup {
  OperatorPtr plan;
  std::size_t keys = 0;
  std::vector<NodePtr> outerKeys;      // over the enclosing row
  NodePtr empty;                       // over `emptyRow`
  Row emptyRow;
};
NodePtr makeGroupedLookup(ExecContext& ctx, GroupedLookup lookup, std::optional<ValueKind> kind, std::size_t position);

// DLookup and its kin: the query they stand for is prepared from the
// arguments' texts when evaluated (prepared statements are kept by text).
NodePtr makeDomainAggregate(Database& db, const ExecContext& ctx, AggregateKind kind, std::vector<NodePtr> args,
                            std::optional<ValueKind> resultKind, std::size_t position);

// Rnd([n]): VBA's generator. Without an argument, or with a constant one, it
// gives one number for the whole statement, as Jet does; with an argument that
// reads a field, one per row.
NodePtr makeRnd(ExecContext& ctx, NodePtr argument, std::size_t position);

}  // namespace jet::sql
