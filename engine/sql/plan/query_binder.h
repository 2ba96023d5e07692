// QueryBinder: resolves a parsed statement against a database into its logical
// plan. It finds the tables and saved queries of every FROM clause (saved
// queries parsed and bound in turn), resolves each name to a column of a
// source of its block or of an enclosing block (a correlated reference), to an
// alias of the select list, or to a parameter when nothing else matches, as
// Jet does; collects aggregates and checks that a grouped query outputs only
// grouped or aggregated values; names and types the result columns.
//
// The methods are split over query_binder.cpp (statements, blocks, sources)
// and query_binder_expr.cpp (expressions, aggregates, types, outputs).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/database.h"
#include "sql/plan/logical_plan.h"

namespace jet::sql {

// Binds `parsed` (kept alive in the result) against `db`; `savedQuery` names
// the saved query whose text it is, when it is one.
LogicalStatement bindStatement(Database& db, std::unique_ptr<ParsedStatement> parsed,
                               const std::u16string& savedQuery = {});

// Binds `query`, a part of `parsed` (kept alive in the result), with the
// parameters `parsed` declares: the rows of an action statement.
LogicalStatement bindQueryOf(Database& db, std::unique_ptr<ParsedStatement> parsed, const QueryNode& query);

// Binds a statement text: a query, or the name of a saved query or table alone.
LogicalStatement bindStatementText(Database& db, std::u16string_view text);

class QueryBinder {
 public:
  QueryBinder(Database& db, LogicalStatement& out);

  // The enclosing blocks a query sees, innermost first.
  struct Scope {
    Block* block = nullptr;
    Scope* parent = nullptr;
  };

  std::unique_ptr<LogicalQuery> bindQuery(const QueryNode& query, Scope* parent);
  void declareParameters(const std::vector<ParameterDecl>& declared);
  // The statement is this saved query's own text (reading itself is a cycle).
  void bindingSavedQuery(const std::u16string& name) { savedQueryStack_.push_back(name); }

 private:
  enum class Clause : std::uint8_t { Select, Where, GroupBy, Having, OrderBy, On, Transform, Pivot };
  struct ExprContext {
    Clause clause = Clause::Select;
    bool insideAggregate = false;
    int outputLimit = 0;  // Select: aliases of outputs before this one may be named
  };

  // --- query_binder.cpp ---
  std::unique_ptr<Block> bindSelect(const SelectQuery& q, Scope* parent, std::unique_ptr<Block> block);
  std::unique_ptr<LogicalQuery> bindUnion(const UnionQuery& q, Scope* parent);
  std::unique_ptr<LogicalQuery> bindTransform(const TransformQuery& q, Scope* parent);
  std::unique_ptr<FromNode> bindFrom(const FromItem& item, Block& block, Scope& scope);
  std::unique_ptr<Source> bindTableRef(const TableRef& ref);
  std::unique_ptr<Source> bindSavedQuery(const SavedQuery& saved, const TableRef& ref);
  const SavedQuery* findSavedQuery(std::u16string_view name);
  void addSourceColumns(Source& source);
  void splitConjuncts(const Expr& e, std::vector<const Expr*>& out);
  void decideUpdatable(Block& block);
  // The crosstab's pivot columns as outputs, from its IN list.
  void addPivotOutputs(Crosstab& x);
  // A crosstab without an IN list read as a table: runs it to learn its
  // columns, which become its IN list. `what` names it in errors.
  void fixPivotColumns(std::unique_ptr<LogicalQuery>& query, const std::string& what, std::size_t position);

  // --- query_binder_expr.cpp ---
  void resolve(const Expr& e, Scope& scope, const ExprContext& ctx);
  void resolveName(const NameExpr& e, Scope& scope, const ExprContext& ctx);
  void resolveCall(const CallExpr& e, Scope& scope, const ExprContext& ctx);
  bool bindColumnIn(Scope& scope, const NameExpr& e, NameBinding& binding, bool outsideWhere);
  int parameterIndex(std::u16string name);
  void addCorrelation(Scope& from, const ColumnRef& ref, int depth);
  void bindSelectItems(const SelectQuery& q, Block& block, Scope& scope);
  void bindOrder(const std::vector<OrderItem>& items, Block& block, Scope& scope);
  void checkGrouped(const Expr& e, const Block& block, const std::u16string& what) const;
  void nameOutputs(std::vector<OutputColumn>& outputs, const Block* block) const;

 public:
  // Result types, worked out from the operands' types by the same value
  // operations that compute the values (query_binder_expr.cpp).
  std::optional<ValueKind> kindOf(const Expr& e, const Block& block, int aliasDepth = 0) const;
  ColumnDef columnOf(const Expr& e, const Block& block) const;
  // True when two expressions of a block compute the same value (a select item
  // and a GROUP BY key): same structure, names bound to the same columns.
  static bool sameExpression(const Expr& a, const Expr& b, const Block& block);

 private:
  Database& db_;
  LogicalStatement& out_;
  std::optional<std::vector<SavedQuery>> savedQueries_;
  std::vector<std::u16string> savedQueryStack_;  // saved queries being bound (a cycle is an error)
  int subqueryDepth_ = 0;
};

// The error for an output of a grouped query that is neither grouped nor aggregated.
[[noreturn]] void throwNotGrouped(const std::u16string& what);

// What an aggregate function name stands for; nullopt when it is none.
std::optional<AggregateKind> aggregateNamed(std::u16string_view name);
const char* aggregateName(AggregateKind kind);
// DLookup, DCount, DSum, ...: the aggregate it applies to its domain (DLookup
// is First); nullopt when the name is no domain function.
std::optional<AggregateKind> domainAggregateNamed(std::u16string_view name);
// The type of an aggregate's result from the type of its argument.
ValueKind aggregateResultKind(AggregateKind kind, std::optional<ValueKind> argument);

}  // namespace jet::sql
