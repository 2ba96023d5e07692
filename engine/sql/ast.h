// Syntax tree of the Access (Jet) SQL dialect. Expressions are the part every
// user of the parser shares (dataset filters, computed values, the clauses of
// statements); names in them are not yet resolved: the binder does that against
// whatever scope the caller has (a table's columns, the sources of a query).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/value.h"
#include "value/binary_op.h"

namespace jet::sql {

enum class ExprKind : std::uint8_t { Literal, Name, Parameter, Unary, Binary, Like, IsNull, Between, In, Call, Subquery };

enum class UnaryOp : std::uint8_t { Negate, Plus, Not };

// The binary operators are the value operations' (value/binary_op.h).
using BinaryOp = jet::BinaryOp;

struct Expr {
  explicit Expr(ExprKind k, std::size_t pos) : kind(k), position(pos) {}
  virtual ~Expr() = default;
  Expr(const Expr&) = delete;
  Expr& operator=(const Expr&) = delete;

  const ExprKind kind;
  // 1-based place in the source of what a message about this node should point
  // at: the operator of an operation, the start of a name, literal or call.
  const std::size_t position;
};

using ExprPtr = std::unique_ptr<Expr>;

enum class LiteralKind : std::uint8_t { Null, Boolean, Number, Text, Date };

struct LiteralExpr final : Expr {
  LiteralExpr(std::size_t pos, LiteralKind k, Value v, std::u16string source)
      : Expr(ExprKind::Literal, pos), literal(k), value(std::move(v)), text(std::move(source)) {}
  LiteralKind literal;
  Value value;
  std::u16string text;  // numbers: the digits as written, so exact types can convert them exactly
};

struct NamePart {
  std::u16string name;
  bool bracketed = false;
  std::size_t position = 0;
  char16_t separator = 0;  // '.' or '!' before this part; 0 for the first
};

// A field, possibly qualified: Name, [Some Name], t.Name, [t].[c], t!c.
struct NameExpr final : Expr {
  NameExpr(std::size_t pos, std::vector<NamePart> p) : Expr(ExprKind::Name, pos), parts(std::move(p)) {}
  std::vector<NamePart> parts;
  // The name as written, parts joined by '.' ("t.Name", "[Some Name]" shows as "Some Name").
  std::u16string fullName() const;
};

// A '?' placeholder, numbered from 0 in order of appearance.
struct ParameterExpr final : Expr {
  ParameterExpr(std::size_t pos, std::size_t i) : Expr(ExprKind::Parameter, pos), index(i) {}
  std::size_t index;
};

struct UnaryExpr final : Expr {
  UnaryExpr(std::size_t pos, UnaryOp o, ExprPtr e) : Expr(ExprKind::Unary, pos), op(o), operand(std::move(e)) {}
  UnaryOp op;
  ExprPtr operand;
};

struct BinaryExpr final : Expr {
  BinaryExpr(std::size_t pos, BinaryOp o, ExprPtr l, ExprPtr r)
      : Expr(ExprKind::Binary, pos), op(o), left(std::move(l)), right(std::move(r)) {}
  BinaryOp op;
  ExprPtr left;
  ExprPtr right;
};

struct LikeExpr final : Expr {
  LikeExpr(std::size_t pos, ExprPtr v, ExprPtr p, bool neg)
      : Expr(ExprKind::Like, pos), value(std::move(v)), pattern(std::move(p)), negated(neg) {}
  ExprPtr value;
  ExprPtr pattern;
  bool negated;
};

struct IsNullExpr final : Expr {
  IsNullExpr(std::size_t pos, ExprPtr e, bool neg) : Expr(ExprKind::IsNull, pos), operand(std::move(e)), negated(neg) {}
  ExprPtr operand;
  bool negated;
};

struct BetweenExpr final : Expr {
  BetweenExpr(std::size_t pos, ExprPtr v, ExprPtr lo, ExprPtr hi, bool neg)
      : Expr(ExprKind::Between, pos), value(std::move(v)), low(std::move(lo)), high(std::move(hi)), negated(neg) {}
  ExprPtr value;
  ExprPtr low;
  ExprPtr high;
  bool negated;
};

struct InExpr final : Expr {
  InExpr(std::size_t pos, ExprPtr v, std::vector<ExprPtr> items, bool neg)
      : Expr(ExprKind::In, pos), value(std::move(v)), list(std::move(items)), negated(neg) {}
  ExprPtr value;
  std::vector<ExprPtr> list;
  bool negated;
};

struct CallExpr final : Expr {
  CallExpr(std::size_t pos, std::u16string n, std::vector<ExprPtr> a)
      : Expr(ExprKind::Call, pos), name(std::move(n)), args(std::move(a)) {}
  std::u16string name;
  std::vector<ExprPtr> args;
  bool star = false;  // Count(*): no arguments, every row counts
};

// A query inside an expression (statement_ast.h defines it).
struct QueryNode;

enum class SubqueryKind : std::uint8_t {
  Scalar,  // (SELECT ...): the one value of its one row
  Exists,  // Exists (SELECT ...)
  In,      // value [Not] In (SELECT ...)
  Any,     // value op Any|Some (SELECT ...)
  All,     // value op All (SELECT ...)
};

struct SubqueryExpr final : Expr {
  SubqueryExpr(std::size_t pos, SubqueryKind k, std::unique_ptr<QueryNode> q);
  ~SubqueryExpr() override;
  SubqueryKind subquery;
  std::unique_ptr<QueryNode> query;
  ExprPtr value;               // In, Any, All: the value compared
  BinaryOp op = BinaryOp::Eq;  // Any, All: the comparison
  bool negated = false;        // Not In, Not Exists (as written)
};

// Fully parenthesised text of an expression, e.g. "(a + (b * 2))": shows how the
// parser grouped it.
std::string toString(const Expr& expr);
// The same for a subquery and what it is tested with (statement_ast.cpp).
std::string subqueryText(const SubqueryExpr& expr);

}  // namespace jet::sql
