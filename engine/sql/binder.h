// Binder: resolves the names of a syntax tree against the columns in scope and
// builds the evaluation tree. On the way it converts text literals compared with
// typed columns to the column's type (so rows are compared without conversion),
// compiles constant Like patterns, folds constant subexpressions, and applies
// the dataset filter dialect (BLANK, "= Null" as an emptiness test).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/error.h"
#include "jet/expression.h"
#include "sql/ast.h"
#include "sql/eval_node.h"

namespace jet::sql {

enum class Dialect {
  Expression,  // Jet's own rules: "x = Null" is Null
  Filter,      // dataset filters: BLANK, and "= Null" / "<> Null" test for empty values
};

class Binder;

// How a statement takes part in binding: its names are the columns of its
// sources (qualified, correlated, or parameters when nothing else matches), and
// it has expression kinds of its own (aggregates, subqueries, grouped values).
class BindScope {
 public:
  virtual ~BindScope() = default;
  // The node for `expr` when the scope binds it itself, else nullptr to bind it
  // the usual way (its parts come back through the binder).
  virtual NodePtr bindSpecial(const Expr& expr, Binder& binder) = 0;
  // A name as a column of the scope, or nullptr when it is none.
  virtual NodePtr bindColumn(const NameExpr& name) = 0;
  // A name that is neither a column nor a built-in word (Yes, Now, ...).
  virtual NodePtr bindUnresolved(const NameExpr& name) = 0;
};

class Binder {
 public:
  Binder(std::span<const ExpressionColumn> columns, Dialect dialect, std::string_view context,
         const ExpressionOptions& options);
  // Binds names and special kinds through `scope` instead of a column list.
  Binder(BindScope& scope, std::string_view context, const ExpressionOptions& options);

  NodePtr bind(const Expr& expr);
  // Columns the bound expressions read, ascending, each once.
  std::vector<std::size_t> columnsUsed() const;

 private:
  NodePtr bindName(const NameExpr& e);
  NodePtr bindBinary(const BinaryExpr& e);
  NodePtr bindCall(const CallExpr& e);
  NodePtr bindLike(const LikeExpr& e);
  NodePtr bindBetween(const BetweenExpr& e);
  NodePtr bindIn(const InExpr& e);
  // A literal compared with `other`, converted to other's type when that is known.
  NodePtr bindComparedWith(const Expr& literal, const EvalNode& other);
  NodePtr fold(NodePtr node, bool allConstant);
  bool isBlank(const Expr& e) const;
  [[noreturn]] void fail(ErrorCode code, const std::string& what, std::size_t position) const;

  std::span<const ExpressionColumn> columns_;
  Dialect dialect_;
  std::string context_;
  const ExpressionOptions& options_;
  std::vector<bool> used_;
  BindScope* scope_ = nullptr;
};

}  // namespace jet::sql
