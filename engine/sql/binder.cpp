// Name resolution and evaluation-tree building.
#include "sql/binder.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/function_registry.h"
#include "sql/lexer.h"
#include "value/number_text.h"
#include "value/value_error.h"

namespace jet::sql {

namespace {

const LiteralExpr* asLiteral(const Expr& e) {
  return e.kind == ExprKind::Literal ? static_cast<const LiteralExpr*>(&e) : nullptr;
}

bool isNullLiteral(const Expr& e) {
  const auto* l = asLiteral(e);
  return l != nullptr && l->literal == LiteralKind::Null;
}

bool allConstant(const std::vector<NodePtr>& nodes) {
  return std::all_of(nodes.begin(), nodes.end(), [](const NodePtr& n) { return n->constant() != nullptr; });
}

}  // namespace

Binder::Binder(std::span<const ExpressionColumn> columns, Dialect dialect, std::string_view context,
               const ExpressionOptions& options)
    : columns_(columns), dialect_(dialect), context_(context), options_(options), used_(columns.size(), false) {}

Binder::Binder(BindScope& scope, std::string_view context, const ExpressionOptions& options)
    : dialect_(Dialect::Expression), context_(context), options_(options), scope_(&scope) {}

void Binder::fail(ErrorCode code, const std::string& what, std::size_t position) const {
  throw Error(code, what + atPosition(context_, position));
}

std::vector<std::size_t> Binder::columnsUsed() const {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < used_.size(); ++i) {
    if (used_[i]) out.push_back(i);
  }
  return out;
}

bool Binder::isBlank(const Expr& e) const {
  if (dialect_ != Dialect::Filter || e.kind != ExprKind::Name) return false;
  const auto& n = static_cast<const NameExpr&>(e);
  return n.parts.size() == 1 && !n.parts[0].bracketed && equalNamesNoCase(n.parts[0].name, u"BLANK");
}

NodePtr Binder::fold(NodePtr node, bool constantInputs) {
  if (!constantInputs || !node->isDeterministic()) return node;
  try {
    const EvalEnv env{nullptr, &options_, context_};
    return makeConstant(node->evaluate(env), node->position());
  } catch (const Error&) {
    return node;  // fails only if and when it is evaluated
  }
}

NodePtr Binder::bind(const Expr& expr) {
  if (scope_ != nullptr) {
    if (NodePtr special = scope_->bindSpecial(expr, *this)) return special;
  }
  switch (expr.kind) {
    case ExprKind::Literal: {
      const auto& e = static_cast<const LiteralExpr&>(expr);
      return makeConstant(e.value, e.position);
    }
    case ExprKind::Name: return bindName(static_cast<const NameExpr&>(expr));
    case ExprKind::Parameter: fail(ErrorCode::Syntax, "Parameters ('?') are not allowed here", expr.position);
    case ExprKind::Unary: {
      const auto& e = static_cast<const UnaryExpr&>(expr);
      NodePtr operand = bind(*e.operand);
      const bool constant = operand->constant() != nullptr;
      if (e.op == UnaryOp::Plus) return operand;
      if (e.op == UnaryOp::Not) return fold(makeNot(std::move(operand), e.position), constant);
      return fold(makeNegate(std::move(operand), e.position), constant);
    }
    case ExprKind::Binary: return bindBinary(static_cast<const BinaryExpr&>(expr));
    case ExprKind::Like: return bindLike(static_cast<const LikeExpr&>(expr));
    case ExprKind::IsNull: {
      const auto& e = static_cast<const IsNullExpr&>(expr);
      NodePtr operand = bind(*e.operand);
      const bool constant = operand->constant() != nullptr;
      return fold(makeIsNull(std::move(operand), e.negated, e.position), constant);
    }
    case ExprKind::Between: return bindBetween(static_cast<const BetweenExpr&>(expr));
    case ExprKind::In: return bindIn(static_cast<const InExpr&>(expr));
    case ExprKind::Call: return bindCall(static_cast<const CallExpr&>(expr));
    case ExprKind::Subquery: fail(ErrorCode::Syntax, "A subquery is not allowed here", expr.position);
  }
  fail(ErrorCode::Syntax, "Unsupported expression", expr.position);
}

NodePtr Binder::bindName(const NameExpr& e) {
  if (isBlank(e)) fail(ErrorCode::Syntax, "BLANK can only be compared with = or <>", e.position);
  if (scope_ != nullptr) {
    if (NodePtr column = scope_->bindColumn(e)) return column;
  }
  if (e.parts.size() == 1) {
    const std::u16string& name = e.parts[0].name;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (equalNamesNoCase(columns_[i].name, name)) {
        used_[i] = true;
        return makeColumn(i, kindOf(columns_[i].type), e.position);
      }
    }
    if (!e.parts[0].bracketed) {
      // Functions without arguments may be written without parentheses (Now, Date).
      if (const FunctionDef* f = findFunction(name); f != nullptr && f->minArgs == 0) return makeCall(*f, {}, e.position);
      for (auto [word, value] : {std::pair{u"Yes", true}, std::pair{u"No", false}, std::pair{u"On", true},
                                 std::pair{u"Off", false}}) {
        if (equalNamesNoCase(name, word)) return makeConstant(Value::boolean(value), e.position);
      }
    }
  }
  if (scope_ != nullptr) return scope_->bindUnresolved(e);
  fail(ErrorCode::Syntax, "Unknown field '" + toUtf8(e.fullName()) + "'", e.position);
}

NodePtr Binder::bindComparedWith(const Expr& expr, const EvalNode& other) {
  const LiteralExpr* literal = asLiteral(expr);
  const auto kind = other.kind();
  if (literal == nullptr || !kind) return bind(expr);
  if (literal->literal == LiteralKind::Text && *kind != ValueKind::Text && *kind != ValueKind::Binary) {
    const std::u16string& text = literal->value.asText();
    if (auto exact = textAs(text, *kind, DateOrder::MonthDayYear)) return makeConstant(std::move(*exact), expr.position);
    if (isNumberKind(*kind)) {
      if (auto d = parseNumberText(text)) return makeConstant(Value::dbl(*d), expr.position);
    }
    fail(ErrorCode::InvalidArgument,
         "Data type mismatch in criteria expression: '" + toUtf8(text) + "' is not a valid " + valueKindName(*kind) + " value",
         expr.position);
  }
  if (literal->literal == LiteralKind::Number && isNumberKind(*kind)) {
    // The digits as written, in the other side's type when they fit it exactly:
    // 0.1 compares with a Currency 0.1 exactly, and rows compare without conversion.
    auto exact = textAs(literal->text, *kind, DateOrder::MonthDayYear);
    if (exact && *kind == ValueKind::Single && static_cast<double>(exact->asSingle()) != toDouble(literal->value)) {
      exact.reset();  // 0.1 is not the same number as Single 0.1
    }
    if (exact) return makeConstant(std::move(*exact), expr.position);
  }
  return bind(expr);
}

NodePtr Binder::bindBinary(const BinaryExpr& e) {
  NodePtr left, right;
  if (isComparison(e.op)) {
    const bool emptyLeft = isBlank(*e.left) || isNullLiteral(*e.left);
    const bool emptyRight = isBlank(*e.right) || isNullLiteral(*e.right);
    if (dialect_ == Dialect::Filter && (emptyLeft || emptyRight)) {
      if (e.op != BinaryOp::Eq && e.op != BinaryOp::Ne) {
        if (isBlank(*e.left) || isBlank(*e.right)) {
          fail(ErrorCode::Syntax, "BLANK can only be compared with = or <>", e.position);
        }
      } else {
        const Expr& tested = emptyRight ? *e.left : *e.right;
        NodePtr operand = isBlank(tested) ? makeConstant(Value(), tested.position) : bind(tested);
        const bool constant = operand->constant() != nullptr;
        return fold(makeBlank(std::move(operand), e.op == BinaryOp::Ne, e.position), constant);
      }
    }
    if (asLiteral(*e.left) != nullptr && asLiteral(*e.right) == nullptr) {
      right = bind(*e.right);
      left = bindComparedWith(*e.left, *right);
    } else {
      left = bind(*e.left);
      right = bindComparedWith(*e.right, *left);
    }
  } else {
    left = bind(*e.left);
    right = bind(*e.right);
  }
  const bool constant = left->constant() != nullptr && right->constant() != nullptr;
  return fold(makeBinary(e.op, std::move(left), std::move(right), e.position), constant);
}

NodePtr Binder::bindLike(const LikeExpr& e) {
  NodePtr value = bind(*e.value);
  NodePtr pattern = bind(*e.pattern);
  const bool constant = value->constant() != nullptr && pattern->constant() != nullptr;
  try {
    return fold(makeLike(std::move(value), std::move(pattern), e.negated, e.position), constant);
  } catch (const ValueError& error) {
    fail(ErrorCode::Syntax, error.what(), e.pattern->position);
  }
}

NodePtr Binder::bindBetween(const BetweenExpr& e) {
  NodePtr value = bind(*e.value);
  NodePtr low = bindComparedWith(*e.low, *value);
  NodePtr high = bindComparedWith(*e.high, *value);
  const bool constant = value->constant() != nullptr && low->constant() != nullptr && high->constant() != nullptr;
  return fold(makeBetween(std::move(value), std::move(low), std::move(high), e.negated, e.position), constant);
}

NodePtr Binder::bindIn(const InExpr& e) {
  NodePtr value = bind(*e.value);
  std::vector<NodePtr> items;
  for (const auto& item : e.list) items.push_back(bindComparedWith(*item, *value));
  const bool constant = value->constant() != nullptr && allConstant(items);
  return fold(makeIn(std::move(value), std::move(items), e.negated, e.position), constant);
}

NodePtr Binder::bindCall(const CallExpr& e) {
  std::vector<NodePtr> args;
  for (const auto& a : e.args) args.push_back(bind(*a));
  const bool constant = allConstant(args);
  const std::size_t n = args.size();
  auto arity = [&](bool ok, const char* expected) {
    if (!ok) {
      fail(ErrorCode::Syntax,
           "Wrong number of arguments to function '" + toUtf8(e.name) + "' (" + expected + ")", e.position);
    }
  };
  if (equalNamesNoCase(e.name, u"IIf")) {
    arity(n == 3, "3 expected");
    return fold(makeIIf(std::move(args[0]), std::move(args[1]), std::move(args[2]), e.position), constant);
  }
  if (equalNamesNoCase(e.name, u"Switch")) {
    arity(n >= 2 && n % 2 == 0, "pairs of condition and value expected");
    return fold(makeSwitch(std::move(args), e.position), constant);
  }
  if (equalNamesNoCase(e.name, u"Choose")) {
    arity(n >= 2, "an index and at least one choice expected");
    return fold(makeChoose(std::move(args), e.position), constant);
  }
  if (equalNamesNoCase(e.name, u"Nz")) {
    arity(n == 1 || n == 2, "1 or 2 expected");
    if (n == 1) {
      // Without a replacement: zero for a number column, else a zero-length text.
      const auto kind = args[0]->kind();
      Value zero = kind && isNumberKind(*kind) ? castTo(Value::integer(0), *kind) : Value::text(u"");
      args.push_back(makeConstant(std::move(zero), e.position));
    }
    return fold(makeNz(std::move(args[0]), std::move(args[1]), e.position), constant);
  }
  const FunctionDef* f = findFunction(e.name);
  if (f == nullptr) fail(ErrorCode::Syntax, "Unknown function '" + toUtf8(e.name) + "'", e.position);
  if (n < f->minArgs || n > f->maxArgs) {
    const std::string expected = f->minArgs == f->maxArgs
                                     ? std::to_string(f->minArgs) + " expected"
                                     : std::to_string(f->minArgs) + " to " + std::to_string(f->maxArgs) + " expected";
    arity(false, expected.c_str());
  }
  return fold(makeCall(*f, std::move(args), e.position), constant);
}

}  // namespace jet::sql
