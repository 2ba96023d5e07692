// Syntax tree of Access (Jet) SQL statements: queries (SELECT, UNION,
// TRANSFORM ... PIVOT) with their FROM clauses, select lists and sort orders,
// and the statement around them (PARAMETERS). Names are not resolved here; the
// query binder (plan/query_binder.h) does that. The tree keeps what was written
// closely enough to be printed back (printStatement), in this dialect or, by
// another printer walking the same structure, in another one.
//
// Action statements and data definition join this tree as further kinds of
// StatementNode; queries are the part every kind can contain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/value.h"
#include "sql/ast.h"

namespace jet::sql {

// --- FROM clause ---

enum class FromKind : std::uint8_t { Table, Derived, Join };
enum class JoinKind : std::uint8_t { Inner, Left, Right };

struct FromItem {
  FromItem(FromKind k, std::size_t pos) : kind(k), position(pos) {}
  virtual ~FromItem() = default;
  FromItem(const FromItem&) = delete;
  FromItem& operator=(const FromItem&) = delete;
  const FromKind kind;
  const std::size_t position;
};
using FromPtr = std::unique_ptr<FromItem>;

// A table or saved query by name: Orders, [Order Details] AS d, Orders o.
struct TableRef final : FromItem {
  explicit TableRef(std::size_t pos) : FromItem(FromKind::Table, pos) {}
  std::u16string name;
  std::u16string alias;            // empty when none was written
  std::u16string externalDatabase; // IN 'other.mdb' (not supported; kept for messages)
  bool bracketed = false;
  // The name others refer to it by: the alias, else the table's name.
  const std::u16string& exposedName() const { return alias.empty() ? name : alias; }
};

struct QueryNode;
using QueryPtr = std::unique_ptr<QueryNode>;

// (SELECT ...) AS x
struct DerivedTable final : FromItem {
  explicit DerivedTable(std::size_t pos) : FromItem(FromKind::Derived, pos) {}
  QueryPtr query;
  std::u16string alias;
};

// left INNER|LEFT|RIGHT JOIN right ON condition
struct JoinItem final : FromItem {
  explicit JoinItem(std::size_t pos) : FromItem(FromKind::Join, pos) {}
  JoinKind join = JoinKind::Inner;
  FromPtr left;
  FromPtr right;
  ExprPtr on;
};

// --- Queries ---

enum class QueryShape : std::uint8_t { Select, Union, Transform };

struct QueryNode {
  QueryNode(QueryShape k, std::size_t pos) : kind(k), position(pos) {}
  virtual ~QueryNode() = default;
  QueryNode(const QueryNode&) = delete;
  QueryNode& operator=(const QueryNode&) = delete;
  const QueryShape kind;
  const std::size_t position;
};

enum class Quantifier : std::uint8_t { All, Distinct, DistinctRow };

struct TopClause {
  double count = 0;     // rows, or a percentage with `percent`
  bool percent = false;
  std::u16string text;  // the number as written
  std::size_t position = 0;
};

struct SelectItem {
  enum class Kind : std::uint8_t { Expression, Star, TableStar };
  Kind kind = Kind::Expression;
  ExprPtr expr;          // Expression
  std::u16string alias;  // AS alias; empty when none
  std::u16string table;  // TableStar: the table or alias before ".*"
  std::size_t position = 0;
  std::u16string text;   // the item as written (for names and messages)
};

struct OrderItem {
  ExprPtr expr;
  bool descending = false;
  std::size_t position = 0;
};

struct SelectQuery final : QueryNode {
  explicit SelectQuery(std::size_t pos) : QueryNode(QueryShape::Select, pos) {}
  Quantifier quantifier = Quantifier::All;
  std::optional<TopClause> top;
  std::vector<SelectItem> items;
  std::vector<FromPtr> from;  // the comma list; empty for SELECT without FROM
  ExprPtr where;
  std::vector<ExprPtr> groupBy;
  ExprPtr having;
  std::vector<OrderItem> orderBy;
  bool tableShorthand = false;  // written as TABLE name (in a union)
  bool ownerAccess = false;     // WITH OWNERACCESS OPTION
  std::size_t fromPosition = 0; // where the FROM keyword stands (0: none)
  // SELECT ... INTO table [IN 'file'] (a make-table query; only the statement's own SELECT)
  std::u16string intoTable;
  std::u16string intoDatabase;
  std::size_t intoPosition = 0;  // 0: no INTO
};

// part UNION [ALL] part ... [ORDER BY ...]
struct UnionQuery final : QueryNode {
  explicit UnionQuery(std::size_t pos) : QueryNode(QueryShape::Union, pos) {}
  std::vector<QueryPtr> parts;
  std::vector<bool> all;  // all[i]: UNION ALL between parts i and i + 1
  std::vector<OrderItem> orderBy;
};

// TRANSFORM aggregate SELECT ... GROUP BY ... PIVOT expr [IN (values)]
struct TransformQuery final : QueryNode {
  explicit TransformQuery(std::size_t pos) : QueryNode(QueryShape::Transform, pos) {}
  ExprPtr aggregate;
  std::u16string aggregateAlias;
  std::unique_ptr<SelectQuery> select;
  ExprPtr pivot;
  std::vector<ExprPtr> pivotIn;
  bool hasIn = false;
  std::size_t pivotPosition = 0;
};

// --- Statements ---

// A type as written in PARAMETERS (and, later, in data definition).
struct TypeName {
  std::optional<DataType> type;  // nullopt: Value (any type)
  std::uint16_t size = 0;        // Text(n), Binary(n)
  std::uint8_t precision = 18;   // Decimal(p, s)
  std::uint8_t scale = 0;
  std::u16string text;           // as written
};

struct ParameterDecl {
  std::u16string name;
  TypeName type;
  std::size_t position = 0;
};

enum class StatementNodeKind : std::uint8_t { Query, Insert, Update, Delete, MakeTable, DataDefinition };

struct StatementNode {
  StatementNode(StatementNodeKind k, std::size_t pos) : kind(k), position(pos) {}
  virtual ~StatementNode() = default;
  StatementNode(const StatementNode&) = delete;
  StatementNode& operator=(const StatementNode&) = delete;
  const StatementNodeKind kind;
  const std::size_t position;
};

struct QueryStatement final : StatementNode {
  explicit QueryStatement(std::size_t pos) : StatementNode(StatementNodeKind::Query, pos) {}
  QueryPtr query;
};

// INSERT INTO t [(c, ...)] VALUES (...) | SELECT ...: the rows come from a
// query; VALUES is read as a SELECT without FROM.
struct InsertStatement final : StatementNode {
  explicit InsertStatement(std::size_t pos) : StatementNode(StatementNodeKind::Insert, pos) {}
  std::unique_ptr<TableRef> target;
  struct Column {
    std::u16string name;
    std::size_t position = 0;
  };
  std::vector<Column> columns;  // empty: every column, in the table's order
  QueryPtr source;
  bool values = false;          // written as VALUES (...)
};

// A field of an UPDATE's SET list: [table.]field = value.
struct Assignment {
  std::u16string table;  // the qualifier as written; empty when none
  std::u16string column;
  std::size_t position = 0;
};

// UPDATE from SET a = x, ... [WHERE ...]: the rows and the new values come from
// a query over the same FROM and WHERE whose select list is the values.
struct UpdateStatement final : StatementNode {
  explicit UpdateStatement(std::size_t pos) : StatementNode(StatementNodeKind::Update, pos) {}
  std::vector<Assignment> assignments;
  std::unique_ptr<SelectQuery> select;
};

// DELETE [t.* | *] FROM from [WHERE ...]: the rows of one table of the FROM
// clause that the query over it finds.
struct DeleteStatement final : StatementNode {
  explicit DeleteStatement(std::size_t pos) : StatementNode(StatementNodeKind::Delete, pos) {}
  std::u16string target;  // the table (or alias) before ".*"; empty when not written
  std::size_t targetPosition = 0;
  std::unique_ptr<SelectQuery> select;
};

// SELECT ... INTO t [IN 'file'] FROM ...: the query whose rows make the new
// table (its SelectQuery carries the target).
struct MakeTableStatement final : StatementNode {
  explicit MakeTableStatement(std::size_t pos) : StatementNode(StatementNodeKind::MakeTable, pos) {}
  QueryPtr query;
  const SelectQuery& select() const { return static_cast<const SelectQuery&>(*query); }
};

// One statement as parsed: its declared parameters and its body.
struct ParsedStatement {
  std::vector<ParameterDecl> parameters;
  std::unique_ptr<StatementNode> body;
  std::u16string source;  // the whole text, for messages
};

// The statement back as Access SQL (names bracketed where needed, expressions
// fully parenthesised), e.g. for tests that check what was parsed.
std::u16string printStatement(const ParsedStatement& statement);
std::u16string printQuery(const QueryNode& query);
std::u16string printFrom(const FromItem& item);

// Names as Access SQL writes them: bare when they are a plain word, else in brackets.
std::u16string quoteName(std::u16string_view name);

}  // namespace jet::sql
