// Expression compiler: the statement's side of binding an expression.
#include "sql/plan/expression_compiler.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/lexer.h"
#include "sql/plan/planner.h"
#include "sql/plan/query_binder.h"

namespace jet::sql {

namespace {

constexpr int kMaxAliasDepth = 32;

std::optional<ValueKind> kindOfColumn(const NameBinding& b) {
  if (b.column == nullptr) return std::nullopt;
  return kindOf(b.column->def.type);
}

}  // namespace

ExpressionCompiler::ExpressionCompiler(Planner& planner, const Block& block, const FrameContext& frame,
                                       const Layout* layout, const GroupLayout* groups)
    : planner_(planner), block_(block), frame_(frame), layout_(layout), groups_(groups) {}

NodePtr ExpressionCompiler::compile(const Expr& e) {
  Binder binder(*this, "query", planner_.context().options());
  Binder* saved = binder_;
  binder_ = &binder;
  NodePtr node = binder.bind(e);
  binder_ = saved;
  return node;
}

NodePtr ExpressionCompiler::column(const ColumnRef& ref, std::optional<ValueKind> kind, std::size_t position) {
  if (groups_ != nullptr) {
    // After grouping a field stands only as a GROUP BY key.
    for (std::size_t i = 0; i < groups_->keys.size(); ++i) {
      const Expr* key = groups_->keys[i];
      if (key->kind != ExprKind::Name) continue;
      const auto found = block_.names.find(static_cast<const NameExpr*>(key));
      if (found != block_.names.end() && found->second.kind == NameKind::Column && found->second.ref == ref) {
        return makeColumn(i, kind.value_or(ValueKind::Text), position);
      }
    }
    const Source& s = *block_.sources[static_cast<std::size_t>(ref.source)];
    throwNotGrouped(s.name + u"." + s.columns[static_cast<std::size_t>(ref.column)].name);
  }
  const auto slot = layout_ != nullptr ? layout_->slotOf(ref) : std::nullopt;
  if (!slot) {
    throw Error(ErrorCode::InvalidArgument, "A field of the query is not available where it is used" +
                                                atPosition("query", position));
  }
  return makeColumn(*slot, kind.value_or(ValueKind::Text), position);
}

NodePtr ExpressionCompiler::outer(const ColumnRef& ref, int depth, std::optional<ValueKind> kind, std::size_t position) {
  if (frame_.correlations != nullptr) {
    const auto& list = *frame_.correlations;
    const auto found = std::find(list.begin(), list.end(), Correlation{ref, depth});
    if (found != list.end()) {
      return makeFrameColumn(*frame_.frame, static_cast<std::size_t>(found - list.begin()), kind, position);
    }
  }
  throw Error(ErrorCode::InvalidArgument, "A field of an enclosing query is not available where it is used" +
                                              atPosition("query", position));
}

NodePtr ExpressionCompiler::bindSpecial(const Expr& expr, Binder& binder) {
  if (groups_ != nullptr) {
    for (std::size_t i = 0; i < groups_->keys.size(); ++i) {
      if (QueryBinder::sameExpression(expr, *groups_->keys[i], block_)) {
        const auto kind = planner_.binder().kindOf(expr, block_);
        return makeColumn(i, kind.value_or(ValueKind::Text), expr.position);
      }
    }
  }
  if (expr.kind == ExprKind::Call) {
    const auto& call = static_cast<const CallExpr&>(expr);
    if (const auto agg = block_.aggregateOf.find(&call); agg != block_.aggregateOf.end()) {
      const AggregateCall& a = block_.aggregates[static_cast<std::size_t>(agg->second)];
      const int slot = groups_ != nullptr ? groups_->aggregateSlot[static_cast<std::size_t>(agg->second)] : -1;
      if (slot < 0) {
        throw Error(ErrorCode::InvalidArgument, "Cannot have aggregate function in expression (" + toString(expr) + ")" +
                                                    atPosition("query", expr.position));
      }
      return makeColumn(static_cast<std::size_t>(slot), a.resultKind, expr.position);
    }
    if (const auto domain = domainAggregateNamed(call.name)) {
      std::vector<NodePtr> args;
      for (const ExprPtr& a : call.args) args.push_back(binder.bind(*a));
      return makeDomainAggregate(planner_.database(), planner_.context(), *domain, std::move(args),
                                 planner_.binder().kindOf(expr, block_), expr.position);
    }
    if (equalNamesNoCase(call.name, u"Rnd")) {
      if (call.args.size() > 1) {
        throw Error(ErrorCode::Syntax, "Wrong number of arguments to function 'Rnd' (0 or 1 expected)" +
                                           atPosition("query", expr.position));
      }
      return makeRnd(planner_.context(), call.args.empty() ? nullptr : binder.bind(*call.args[0]), expr.position);
    }
  }
  if (expr.kind == ExprKind::Subquery) {
    const auto& sub = static_cast<const SubqueryExpr&>(expr);
    return planner_.subqueryNode(sub, *this, binder);
  }
  return nullptr;
}

NodePtr ExpressionCompiler::bindColumn(const NameExpr& name) {
  const auto found = block_.names.find(&name);
  if (found == block_.names.end()) return nullptr;
  const NameBinding& b = found->second;
  switch (b.kind) {
    case NameKind::Column: return column(b.ref, kindOfColumn(b), name.position);
    case NameKind::Outer: return outer(b.ref, b.depth, kindOfColumn(b), name.position);
    case NameKind::Parameter: return makeConstant(planner_.parameterValue(b.parameter), name.position);
    case NameKind::Alias: {
      const OutputColumn& o = block_.outputs[static_cast<std::size_t>(b.output)];
      if (o.expr == nullptr || ++aliasDepth_ > kMaxAliasDepth) {
        throw Error(ErrorCode::InvalidArgument, "The alias '" + toUtf8(name.parts[0].name) +
                                                    "' refers to itself" + atPosition("query", name.position));
      }
      NodePtr node = binder_->bind(*o.expr);
      --aliasDepth_;
      return node;
    }
    case NameKind::Builtin: return nullptr;
  }
  return nullptr;
}

NodePtr ExpressionCompiler::bindUnresolved(const NameExpr& name) {
  if (name.parts.size() == 1 && equalNamesNoCase(name.parts[0].name, u"Rnd")) {
    return makeRnd(planner_.context(), nullptr, name.position);
  }
  throw Error(ErrorCode::InvalidArgument, "Unknown field '" + toUtf8(name.fullName()) + "'" +
                                              atPosition("query", name.position));
}

}  // namespace jet::sql
