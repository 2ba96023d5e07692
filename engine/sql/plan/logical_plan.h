// The logical plan: what a query means once its names are resolved. Each query
// block (one SELECT) knows its sources (tables, derived tables, saved queries),
// how they are joined, its conditions split at And, its grouping and
// aggregates, its outputs with their names and types, and its sort order.
// Expressions stay syntax trees (they live as long as the statement); side
// tables say what each name, aggregate and subquery in them stands for, so the
// planner can compile them against whatever row layout an operator has.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/statement.h"
#include "jet/table.h"
#include "sql/ast.h"
#include "sql/statement_ast.h"

namespace jet::sql {

// A source's row identity (its RowId) as if it were one of its columns.
inline constexpr int kRowIdColumn = -1;

// A column of one of a block's sources.
struct ColumnRef {
  int source = -1;  // index in Block::sources
  int column = 0;   // index in Source::columns, or kRowIdColumn
  friend bool operator==(const ColumnRef&, const ColumnRef&) = default;
};

struct SourceColumn {
  std::u16string name;
  ColumnDef def;                 // type facts (def.name is the name too)
  std::u16string originTable;    // a table's field passed through unchanged
  int originColumn = -1;
};

struct LogicalQuery;

struct Source {
  std::u16string name;        // what its columns are qualified with: the alias, else the object's name
  std::u16string objectName;  // the table or saved query as the catalog names it
  bool savedQuery = false;
  std::shared_ptr<Table> table;           // a local table, or
  std::unique_ptr<LogicalQuery> derived;  // a derived table or a saved query
  std::vector<SourceColumn> columns;
  std::vector<bool> used;  // columns the block reads
  std::vector<bool> usedOutsideWhere;  // ... other than in its WHERE conditions
  bool rowIdUsed = false;
  std::size_t position = 0;  // in the text, for messages
};

// The FROM clause as a tree: comma lists are inner joins without a condition.
struct FromNode {
  int source = -1;  // >= 0: a leaf
  JoinKind join = JoinKind::Inner;
  const Expr* on = nullptr;  // null: a cross join (comma)
  std::unique_ptr<FromNode> left, right;
  std::vector<int> sources;  // every source below this node
  bool isLeaf() const { return source >= 0; }
};

enum class AggregateKind : std::uint8_t { CountStar, Count, Sum, Avg, Min, Max, First, Last, StDev, StDevP, Var, VarP };

struct AggregateCall {
  AggregateKind kind = AggregateKind::CountStar;
  const CallExpr* call = nullptr;
  const Expr* argument = nullptr;  // null for Count(*)
  std::optional<ValueKind> argumentKind;
  ValueKind resultKind = ValueKind::Long;
};

enum class NameKind : std::uint8_t {
  Column,     // a column of a source of this block
  Outer,      // a column of an enclosing block (a correlated reference)
  Parameter,  // a statement parameter
  Alias,      // another output of the same SELECT, by its alias
  Builtin,    // Yes, No, On, Off, or a function written without parentheses
};

struct NameBinding {
  NameKind kind = NameKind::Column;
  ColumnRef ref;       // Column, Outer
  const SourceColumn* column = nullptr;  // Column, Outer: the column's description
  int depth = 0;       // Outer: how many blocks out (1 = the enclosing one)
  int parameter = -1;  // Parameter: index in LogicalStatement::parameters
  int output = -1;     // Alias: index in outputs
};

// A column of an enclosing block that a block reads: `depth` blocks out.
struct Correlation {
  ColumnRef ref;
  int depth = 1;
  friend bool operator==(const Correlation&, const Correlation&) = default;
};

struct OutputColumn {
  ResultColumn result;
  const Expr* expr = nullptr;    // the expression computed, or
  std::optional<ColumnRef> ref;  // a source column taken as it is (from * and t.*)
  ValueKind kind = ValueKind::Text;
  std::u16string text;           // as written, for messages
  bool aliased = false;          // result.name is an AS alias
};

struct OrderKey {
  const Expr* expr = nullptr;  // an expression over the block, or
  int output = -1;             // an output (by alias or position)
  bool descending = false;
};

// A domain aggregate (DLookup, DCount, ...) whose arguments are constant text.
struct DomainCall {
  std::u16string function;
  std::u16string expression, domain, criteria;
};

enum class LogicalKind : std::uint8_t { Block, Union, Crosstab };

struct LogicalQuery {
  explicit LogicalQuery(LogicalKind k) : kind(k) {}
  virtual ~LogicalQuery() = default;
  LogicalQuery(const LogicalQuery&) = delete;
  LogicalQuery& operator=(const LogicalQuery&) = delete;

  const LogicalKind kind;
  std::vector<OutputColumn> outputs;
  // Columns of enclosing blocks this query reads (its subqueries' included).
  std::vector<Correlation> correlations;
  // The table whose rows are this query's rows (see Cursor::updatableTable).
  std::u16string updatableTable;
};

struct Block : LogicalQuery {
  Block() : LogicalQuery(LogicalKind::Block) {}
  explicit Block(LogicalKind k) : LogicalQuery(k) {}

  std::vector<std::unique_ptr<Source>> sources;
  std::unique_ptr<FromNode> from;  // null: SELECT without FROM (one row)
  std::vector<const Expr*> where;  // conjuncts
  bool grouped = false;
  std::vector<const Expr*> groupKeys;
  std::vector<AggregateCall> aggregates;
  const Expr* having = nullptr;
  std::vector<OrderKey> order;
  Quantifier quantifier = Quantifier::All;
  std::optional<TopClause> top;
  // The source whose rows updatableTable names: the first, or the table an
  // UPDATE or DELETE over a join changes.
  int rowIdSource = 0;

  std::unordered_map<const NameExpr*, NameBinding> names;
  std::unordered_map<const CallExpr*, int> aggregateOf;
  std::unordered_map<const SubqueryExpr*, std::unique_ptr<LogicalQuery>> subqueries;
  std::unordered_map<const CallExpr*, DomainCall> domainCalls;

  bool hasAggregates() const { return grouped; }
};

// TRANSFORM aggregate SELECT ... PIVOT: a grouped block whose extra aggregate
// is spread over one column per pivot value.
struct Crosstab : Block {
  Crosstab() : Block(LogicalKind::Crosstab) {}
  int transformAggregate = -1;  // index in aggregates
  const Expr* pivot = nullptr;
  std::optional<ValueKind> pivotKind;
  std::vector<Value> pivotIn;   // the IN list's values, or empty
  bool hasIn = false;
  std::vector<std::u16string> pivotInNames;
  ColumnDef valueColumn;        // the type of every pivot column
};

struct SetOperation : LogicalQuery {
  SetOperation() : LogicalQuery(LogicalKind::Union) {}
  std::vector<std::unique_ptr<LogicalQuery>> parts;
  std::vector<bool> all;  // all[i]: UNION ALL between parts i and i + 1
  std::vector<OrderKey> order;  // by output
};

struct LogicalStatement {
  jet::StatementKind kind = jet::StatementKind::Select;
  std::vector<StatementParameter> parameters;
  std::unique_ptr<LogicalQuery> root;
  // The parsed texts the plan's expressions point into: the statement, then
  // the saved queries it reads.
  std::vector<std::unique_ptr<ParsedStatement>> texts;
};

// The ColumnDef of a computed value of `kind` (Text as 255 characters).
ColumnDef columnForKind(ValueKind kind);
// A value of `kind` for working out result types by evaluation.
Value sampleValue(ValueKind kind);

}  // namespace jet::sql
