// ExpressionCompiler: turns an expression of a query block into an
// evaluation tree for rows of a given layout. Before grouping, names are the
// slots of the source columns; after grouping, a GROUP BY expression is its
// group's key slot and an aggregate its result's slot. Correlated names read
// the block's frame; parameters are constants of the execution; subqueries
// and domain aggregates become nodes that run queries.
#pragma once

#include <optional>
#include <vector>

#include "sql/binder.h"
#include "sql/exec/subquery_nodes.h"
#include "sql/plan/layout.h"

namespace jet::sql {

class Planner;

// The frame a block's correlated names read (null for a block that has none).
struct FrameContext {
  const CorrelationFrame* frame = nullptr;
  const std::vector<Correlation>* correlations = nullptr;
};

// The rows after grouping: the keys first, then the aggregates' results.
struct GroupLayout {
  std::vector<const Expr*> keys;
  std::vector<int> aggregateSlot;  // by aggregate index; -1 where not computed here
};

class ExpressionCompiler final : public BindScope {
 public:
  // Compiles against `layout` (before grouping) or `groups` (after it).
  ExpressionCompiler(Planner& planner, const Block& block, const FrameContext& frame, const Layout* layout,
                     const GroupLayout* groups);

  NodePtr compile(const Expr& e);
  // A column of the block (for frames of subqueries).
  NodePtr column(const ColumnRef& ref, std::optional<ValueKind> kind, std::size_t position);
  // A column of an enclosing block, `depth` out, from this block's frame.
  NodePtr outer(const ColumnRef& ref, int depth, std::optional<ValueKind> kind, std::size_t position);

  NodePtr bindSpecial(const Expr& expr, Binder& binder) override;
  NodePtr bindColumn(const NameExpr& name) override;
  NodePtr bindUnresolved(const NameExpr& name) override;

  const Block& block() const { return block_; }
  const FrameContext& frame() const { return frame_; }

 private:
  Planner& planner_;
  const Block& block_;
  FrameContext frame_;
  const Layout* layout_;
  const GroupLayout* groups_;
  Binder* binder_ = nullptr;
  int aliasDepth_ = 0;
};

}  // namespace jet::sql
