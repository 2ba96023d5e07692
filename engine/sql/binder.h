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

class Binder {
 public:
  Binder(std::span<const ExpressionColumn> columns, Dialect dialect, std::string_view context,
         const ExpressionOptions& options);

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
};

}  // namespace jet::sql
