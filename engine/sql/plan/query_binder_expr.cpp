// Query binder: names, aggregates and subqueries inside expressions; the select
// list, ORDER BY, the grouping check; result names and types.
#include <algorithm>
#include <array>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/eval_node.h"
#include "sql/function_registry.h"
#include "sql/lexer.h"
#include "sql/plan/domain_statement.h"
#include "sql/plan/query_binder.h"
#include "value/value_ops.h"

namespace jet::sql {

namespace {

constexpr const char* kContext = "query";
constexpr int kMaxAliasDepth = 32;

[[noreturn]] void failAt(ErrorCode code, const std::string& what, std::size_t position) {
  throw Error(code, what + atPosition(kContext, position));
}

struct AggregateName {
  std::u16string_view name;
  AggregateKind kind;
};

constexpr std::array kAggregates = {
    AggregateName{u"Count", AggregateKind::Count}, AggregateName{u"Sum", AggregateKind::Sum},
    AggregateName{u"Avg", AggregateKind::Avg},     AggregateName{u"Min", AggregateKind::Min},
    AggregateName{u"Max", AggregateKind::Max},     AggregateName{u"First", AggregateKind::First},
    AggregateName{u"Last", AggregateKind::Last},   AggregateName{u"StDev", AggregateKind::StDev},
    AggregateName{u"StDevP", AggregateKind::StDevP}, AggregateName{u"Var", AggregateKind::Var},
    AggregateName{u"VarP", AggregateKind::VarP},
};

constexpr std::array kDomainAggregates = {
    AggregateName{u"DLookup", AggregateKind::First}, AggregateName{u"DCount", AggregateKind::Count},
    AggregateName{u"DSum", AggregateKind::Sum},      AggregateName{u"DAvg", AggregateKind::Avg},
    AggregateName{u"DMin", AggregateKind::Min},      AggregateName{u"DMax", AggregateKind::Max},
    AggregateName{u"DFirst", AggregateKind::First},  AggregateName{u"DLast", AggregateKind::Last},
    AggregateName{u"DStDev", AggregateKind::StDev},  AggregateName{u"DStDevP", AggregateKind::StDevP},
    AggregateName{u"DVar", AggregateKind::Var},      AggregateName{u"DVarP", AggregateKind::VarP},
};

bool isLazyFunction(std::u16string_view name) {
  for (std::u16string_view n : {u"IIf", u"Switch", u"Choose", u"Nz"}) {
    if (equalNamesNoCase(n, name)) return true;
  }
  return false;
}

std::optional<bool> booleanWord(std::u16string_view name) {
  for (auto [word, value] : {std::pair{u"Yes", true}, std::pair{u"No", false}, std::pair{u"On", true},
                             std::pair{u"Off", false}}) {
    if (equalNamesNoCase(name, word)) return value;
  }
  return std::nullopt;
}

bool isBuiltinWord(const NamePart& part) {
  if (part.bracketed) return false;
  if (booleanWord(part.name)) return true;
  if (equalNamesNoCase(part.name, u"Rnd")) return true;
  const FunctionDef* f = findFunction(part.name);
  return f != nullptr && f->minArgs == 0;
}

// The name a parameter is asked for by: the parts as written, without brackets.
std::u16string parameterName(const NameExpr& e) {
  std::u16string out;
  for (const NamePart& p : e.parts) {
    if (p.separator != 0) out += p.separator;
    out += p.name;
  }
  return out;
}

std::optional<ValueKind> unify(std::optional<ValueKind> a, std::optional<ValueKind> b) {
  if (!a) return b;
  if (!b || *a == *b) return a;
  if (isNumberKind(*a) && isNumberKind(*b)) {
    try {
      return arithmetic(BinaryOp::Add, sampleValue(*a), sampleValue(*b)).kind();
    } catch (const std::exception&) {
    }
  }
  return ValueKind::Text;
}

bool sameValue(const Value& a, const Value& b) { return a.kind() == b.kind() && a == b; }

}  // namespace

void throwNotGrouped(const std::u16string& what) {
  throw Error(ErrorCode::InvalidArgument,
              "The query does not include the specified expression '" + toUtf8(what) +
                  "' as part of an aggregate function: in a query with GROUP BY or aggregates every field it shows "
                  "must be grouped (named in GROUP BY) or inside Sum, Count, Avg, Min, Max, First, Last, ...");
}

std::optional<AggregateKind> aggregateNamed(std::u16string_view name) {
  for (const AggregateName& a : kAggregates) {
    if (equalNamesNoCase(a.name, name)) return a.kind;
  }
  return std::nullopt;
}

std::optional<AggregateKind> domainAggregateNamed(std::u16string_view name) {
  for (const AggregateName& a : kDomainAggregates) {
    if (equalNamesNoCase(a.name, name)) return a.kind;
  }
  return std::nullopt;
}

const char* aggregateName(AggregateKind kind) {
  switch (kind) {
    case AggregateKind::CountStar: return "Count(*)";
    case AggregateKind::Count: return "Count";
    case AggregateKind::Sum: return "Sum";
    case AggregateKind::Avg: return "Avg";
    case AggregateKind::Min: return "Min";
    case AggregateKind::Max: return "Max";
    case AggregateKind::First: return "First";
    case AggregateKind::Last: return "Last";
    case AggregateKind::StDev: return "StDev";
    case AggregateKind::StDevP: return "StDevP";
    case AggregateKind::Var: return "Var";
    case AggregateKind::VarP: return "VarP";
  }
  return "?";
}

ValueKind aggregateResultKind(AggregateKind kind, std::optional<ValueKind> argument) {
  switch (kind) {
    case AggregateKind::CountStar:
    case AggregateKind::Count: return ValueKind::Long;
    case AggregateKind::Sum:
    case AggregateKind::Avg:
      if (argument == ValueKind::Currency || argument == ValueKind::Decimal) return *argument;
      return ValueKind::Double;
    case AggregateKind::Min:
    case AggregateKind::Max:
    case AggregateKind::First:
    case AggregateKind::Last: return argument.value_or(ValueKind::Text);
    default: return ValueKind::Double;
  }
}

int QueryBinder::parameterIndex(std::u16string name) {
  for (std::size_t i = 0; i < out_.parameters.size(); ++i) {
    if (equalNamesNoCase(out_.parameters[i].name, name)) return static_cast<int>(i);
  }
  StatementParameter p;
  p.name = std::move(name);
  out_.parameters.push_back(std::move(p));
  return static_cast<int>(out_.parameters.size() - 1);
}

void QueryBinder::addCorrelation(Scope& from, const ColumnRef& ref, int depth) {
  Scope* s = &from;
  for (int k = 0; k < depth && s != nullptr; ++k, s = s->parent) {
    const Correlation c{ref, depth - k};
    auto& list = s->block->correlations;
    if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
  }
}

// Looks the name up among the sources of one block.
bool QueryBinder::bindColumnIn(Scope& scope, const NameExpr& e, NameBinding& binding, bool outsideWhere) {
  Block& block = *scope.block;
  const std::u16string& column = e.parts.back().name;
  int found = -1;
  std::size_t foundColumn = 0;
  if (e.parts.size() == 2) {
    for (std::size_t s = 0; s < block.sources.size(); ++s) {
      if (!equalNamesNoCase(block.sources[s]->name, e.parts[0].name)) continue;
      const Source& src = *block.sources[s];
      for (std::size_t c = 0; c < src.columns.size(); ++c) {
        if (equalNamesNoCase(src.columns[c].name, column)) {
          found = static_cast<int>(s);
          foundColumn = c;
          break;
        }
      }
      if (found < 0) binding.kind = NameKind::Parameter;  // the table is here, the field is not
      break;
    }
  } else {
    for (std::size_t s = 0; s < block.sources.size(); ++s) {
      const Source& src = *block.sources[s];
      for (std::size_t c = 0; c < src.columns.size(); ++c) {
        if (!equalNamesNoCase(src.columns[c].name, column)) continue;
        if (found >= 0 && found != static_cast<int>(s)) {
          failAt(ErrorCode::InvalidArgument,
                 "The field '" + toUtf8(column) + "' could refer to more than one table listed in the FROM clause ('" +
                     toUtf8(block.sources[static_cast<std::size_t>(found)]->name) + "' and '" + toUtf8(src.name) +
                     "'); put the table's name before it",
                 e.position);
        }
        if (found < 0) {
          found = static_cast<int>(s);
          foundColumn = c;
        }
        break;
      }
    }
  }
  if (found < 0) return false;
  Source& src = *block.sources[static_cast<std::size_t>(found)];
  src.used[foundColumn] = true;
  if (outsideWhere) src.usedOutsideWhere[foundColumn] = true;
  binding.ref = ColumnRef{found, static_cast<int>(foundColumn)};
  binding.column = &src.columns[foundColumn];
  return true;
}

void QueryBinder::resolveName(const NameExpr& e, Scope& scope, const ExprContext& ctx) {
  NameBinding b;
  if (e.parts.size() <= 2) {
    int depth = 0;
    for (Scope* s = &scope; s != nullptr; s = s->parent, ++depth) {
      NameBinding found;
      if (bindColumnIn(*s, e, found, ctx.clause != Clause::Where || depth > 0)) {
        found.kind = depth == 0 ? NameKind::Column : NameKind::Outer;
        found.depth = depth;
        if (depth > 0) addCorrelation(scope, found.ref, depth);
        scope.block->names[&e] = found;
        return;
      }
      if (found.kind == NameKind::Parameter) break;
    }
  }
  if (e.parts.size() == 1) {
    const Block& block = *scope.block;
    const bool aliases = ctx.clause == Clause::Select || ctx.clause == Clause::OrderBy || ctx.clause == Clause::Having;
    const std::size_t limit = ctx.clause == Clause::Select ? static_cast<std::size_t>(ctx.outputLimit) : block.outputs.size();
    for (std::size_t i = 0; aliases && i < limit && i < block.outputs.size(); ++i) {
      if (block.outputs[i].aliased && block.outputs[i].expr && equalNamesNoCase(block.outputs[i].result.name, e.parts[0].name)) {
        b.kind = NameKind::Alias;
        b.output = static_cast<int>(i);
        scope.block->names[&e] = b;
        return;
      }
    }
    if (isBuiltinWord(e.parts[0])) {
      b.kind = NameKind::Builtin;
      scope.block->names[&e] = b;
      return;
    }
  }
  b.kind = NameKind::Parameter;
  b.parameter = parameterIndex(parameterName(e));
  scope.block->names[&e] = b;
}

void QueryBinder::resolveCall(const CallExpr& e, Scope& scope, const ExprContext& ctx) {
  Block& block = *scope.block;
  const std::string text = toString(e);
  if (const auto kind = aggregateNamed(e.name)) {
    if (e.star ? *kind != AggregateKind::Count : e.args.size() != 1) {
      failAt(ErrorCode::Syntax, "Wrong number of arguments to '" + toUtf8(e.name) + "' (one expected" +
                                    (*kind == AggregateKind::Count ? ", or *)" : ")"),
             e.position);
    }
    const char* clause = nullptr;
    switch (ctx.clause) {
      case Clause::Where: clause = "WHERE clause"; break;
      case Clause::GroupBy: clause = "GROUP BY clause"; break;
      case Clause::On: clause = "JOIN operation"; break;
      case Clause::Pivot: clause = "PIVOT clause"; break;
      default: break;
    }
    if (clause != nullptr) {
      failAt(ErrorCode::InvalidArgument, std::string("Cannot have aggregate function in ") + clause + " (" + text + ")",
             e.position);
    }
    if (ctx.insideAggregate) {
      failAt(ErrorCode::InvalidArgument, "Cannot have aggregate function in expression (" + text + ")", e.position);
    }
    AggregateCall call;
    call.kind = e.star ? AggregateKind::CountStar : *kind;
    call.call = &e;
    if (!e.star) {
      call.argument = e.args[0].get();
      ExprContext inner = ctx;
      inner.insideAggregate = true;
      resolve(*call.argument, scope, inner);
      call.argumentKind = kindOf(*call.argument, block);
    }
    call.resultKind = aggregateResultKind(call.kind, call.argumentKind);
    block.aggregateOf[&e] = static_cast<int>(block.aggregates.size());
    block.aggregates.push_back(call);
    return;
  }
  if (e.star) failAt(ErrorCode::Syntax, "Only Count takes * as its argument", e.position);
  const bool domain = domainAggregateNamed(e.name).has_value();
  if (domain && (e.args.size() < 2 || e.args.size() > 3)) {
    failAt(ErrorCode::Syntax, "Wrong number of arguments to '" + toUtf8(e.name) + "' (2 or 3 expected)", e.position);
  }
  if (!domain && !isLazyFunction(e.name) && !equalNamesNoCase(e.name, u"Rnd") && findFunction(e.name) == nullptr) {
    failAt(ErrorCode::Syntax, "Undefined function '" + toUtf8(e.name) + "' in expression", e.position);
  }
  for (const ExprPtr& a : e.args) resolve(*a, scope, ctx);
}

void QueryBinder::resolve(const Expr& e, Scope& scope, const ExprContext& ctx) {
  switch (e.kind) {
    case ExprKind::Literal: return;
    case ExprKind::Name: return resolveName(static_cast<const NameExpr&>(e), scope, ctx);
    case ExprKind::Parameter:
      failAt(ErrorCode::Syntax,
             "Parameters written as '?' are not supported in queries; name the parameter in brackets instead, as in "
             "[Start date]",
             e.position);
    case ExprKind::Unary: return resolve(*static_cast<const UnaryExpr&>(e).operand, scope, ctx);
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      resolve(*b.left, scope, ctx);
      resolve(*b.right, scope, ctx);
      return;
    }
    case ExprKind::Like: {
      const auto& l = static_cast<const LikeExpr&>(e);
      resolve(*l.value, scope, ctx);
      resolve(*l.pattern, scope, ctx);
      return;
    }
    case ExprKind::IsNull: return resolve(*static_cast<const IsNullExpr&>(e).operand, scope, ctx);
    case ExprKind::Between: {
      const auto& b = static_cast<const BetweenExpr&>(e);
      resolve(*b.value, scope, ctx);
      resolve(*b.low, scope, ctx);
      resolve(*b.high, scope, ctx);
      return;
    }
    case ExprKind::In: {
      const auto& in = static_cast<const InExpr&>(e);
      resolve(*in.value, scope, ctx);
      for (const ExprPtr& item : in.list) resolve(*item, scope, ctx);
      return;
    }
    case ExprKind::Call: return resolveCall(static_cast<const CallExpr&>(e), scope, ctx);
    case ExprKind::Subquery: {
      const auto& s = static_cast<const SubqueryExpr&>(e);
      if (s.value) resolve(*s.value, scope, ctx);
      auto inner = bindQuery(*s.query, &scope);
      if (s.subquery != SubqueryKind::Exists && inner->outputs.size() != 1) {
        failAt(ErrorCode::InvalidArgument,
               "A subquery used as a value must select exactly one field; this one selects " +
                   std::to_string(inner->outputs.size()) + " (use Exists to ask whether it has rows)",
               e.position);
      }
      if (inner->kind == LogicalKind::Crosstab) {
        failAt(ErrorCode::Unsupported, "A crosstab query cannot be used as a subquery", e.position);
      }
      scope.block->subqueries[&s] = std::move(inner);
      return;
    }
  }
}

void QueryBinder::bindSelectItems(const SelectQuery& q, Block& block, Scope& scope) {
  for (const SelectItem& item : q.items) {
    if (item.kind == SelectItem::Kind::Expression) {
      OutputColumn o;
      o.expr = item.expr.get();
      o.text = item.text;
      if (!item.alias.empty()) {
        o.aliased = true;
        o.result.name = item.alias;
      }
      // Aliases of earlier outputs may be used (SELECT a * 2 AS b, b + 1 AS c).
      resolve(*item.expr, scope, {Clause::Select, false, static_cast<int>(block.outputs.size())});
      block.outputs.push_back(std::move(o));
      continue;
    }
    if (block.sources.empty()) {
      failAt(ErrorCode::InvalidArgument, "'" + toUtf8(item.text) + "' needs a FROM clause with a table or query",
             item.position);
    }
    bool matched = false;
    for (std::size_t s = 0; s < block.sources.size(); ++s) {
      Source& src = *block.sources[s];
      if (item.kind == SelectItem::Kind::TableStar && !equalNamesNoCase(src.name, item.table)) continue;
      matched = true;
      for (std::size_t c = 0; c < src.columns.size(); ++c) {
        OutputColumn o;
        o.ref = ColumnRef{static_cast<int>(s), static_cast<int>(c)};
        o.result.name = src.columns[c].name;
        o.text = src.name + u"." + src.columns[c].name;
        src.used[c] = true;
        src.usedOutsideWhere[c] = true;
        block.outputs.push_back(std::move(o));
      }
    }
    if (!matched) {
      failAt(ErrorCode::NotFound, "'" + toUtf8(item.table) + "' in '" + toUtf8(item.text) +
                                      "' is not a table or alias of the FROM clause",
             item.position);
    }
  }
}

void QueryBinder::bindOrder(const std::vector<OrderItem>& items, Block& block, Scope& scope) {
  for (const OrderItem& item : items) {
    OrderKey key;
    key.descending = item.descending;
    const Expr& e = *item.expr;
    if (e.kind == ExprKind::Literal && static_cast<const LiteralExpr&>(e).literal == LiteralKind::Number) {
      const double n = toDouble(static_cast<const LiteralExpr&>(e).value);
      if (n < 1 || n > static_cast<double>(block.outputs.size()) || n != static_cast<double>(static_cast<int>(n))) {
        failAt(ErrorCode::InvalidArgument,
               "ORDER BY " + toUtf8(static_cast<const LiteralExpr&>(e).text) + " names no column of the select list (it has " +
                   std::to_string(block.outputs.size()) + ")",
               item.position);
      }
      key.output = static_cast<int>(n) - 1;
      block.order.push_back(key);
      continue;
    }
    if (e.kind == ExprKind::Name && static_cast<const NameExpr&>(e).parts.size() == 1) {
      const std::u16string& name = static_cast<const NameExpr&>(e).parts[0].name;
      for (std::size_t i = 0; i < block.outputs.size() && key.output < 0; ++i) {
        if (block.outputs[i].aliased && equalNamesNoCase(block.outputs[i].result.name, name)) key.output = static_cast<int>(i);
      }
      if (key.output >= 0) {
        block.order.push_back(key);
        continue;
      }
    }
    resolve(e, scope, {Clause::OrderBy});
    // The same as an output: sort by the output (what a DISTINCT or grouped
    // query still has after its rows are combined).
    for (std::size_t i = 0; i < block.outputs.size() && key.output < 0; ++i) {
      const OutputColumn& o = block.outputs[i];
      if (o.expr && sameExpression(*o.expr, e, block)) key.output = static_cast<int>(i);
      if (o.ref && e.kind == ExprKind::Name) {
        const auto found = block.names.find(static_cast<const NameExpr*>(&e));
        if (found != block.names.end() && found->second.kind == NameKind::Column && found->second.ref == *o.ref) {
          key.output = static_cast<int>(i);
        }
      }
    }
    if (key.output < 0) key.expr = &e;
    block.order.push_back(key);
  }
}

void QueryBinder::checkGrouped(const Expr& e, const Block& block, const std::u16string& what) const {
  for (const Expr* key : block.groupKeys) {
    if (sameExpression(e, *key, block)) return;
  }
  switch (e.kind) {
    case ExprKind::Literal:
    case ExprKind::Parameter: return;
    case ExprKind::Name: {
      const auto found = block.names.find(static_cast<const NameExpr*>(&e));
      if (found == block.names.end()) return;
      if (found->second.kind == NameKind::Column) throwNotGrouped(what);
      if (found->second.kind == NameKind::Alias) {
        const OutputColumn& o = block.outputs[static_cast<std::size_t>(found->second.output)];
        if (o.expr && o.expr != &e) checkGrouped(*o.expr, block, what);
      }
      return;
    }
    case ExprKind::Unary: return checkGrouped(*static_cast<const UnaryExpr&>(e).operand, block, what);
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      checkGrouped(*b.left, block, what);
      checkGrouped(*b.right, block, what);
      return;
    }
    case ExprKind::Like: {
      const auto& l = static_cast<const LikeExpr&>(e);
      checkGrouped(*l.value, block, what);
      checkGrouped(*l.pattern, block, what);
      return;
    }
    case ExprKind::IsNull: return checkGrouped(*static_cast<const IsNullExpr&>(e).operand, block, what);
    case ExprKind::Between: {
      const auto& b = static_cast<const BetweenExpr&>(e);
      checkGrouped(*b.value, block, what);
      checkGrouped(*b.low, block, what);
      checkGrouped(*b.high, block, what);
      return;
    }
    case ExprKind::In: {
      const auto& in = static_cast<const InExpr&>(e);
      checkGrouped(*in.value, block, what);
      for (const ExprPtr& item : in.list) checkGrouped(*item, block, what);
      return;
    }
    case ExprKind::Call: {
      const auto& c = static_cast<const CallExpr&>(e);
      if (block.aggregateOf.contains(&c)) return;
      for (const ExprPtr& a : c.args) checkGrouped(*a, block, what);
      return;
    }
    case ExprKind::Subquery: {
      const auto& s = static_cast<const SubqueryExpr&>(e);
      if (s.value) checkGrouped(*s.value, block, what);
      return;
    }
  }
}

void QueryBinder::nameOutputs(std::vector<OutputColumn>& outputs, const Block* block) const {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    OutputColumn& o = outputs[i];
    const SourceColumn* column = nullptr;
    if (o.ref) {
      column = &block->sources[static_cast<std::size_t>(o.ref->source)]->columns[static_cast<std::size_t>(o.ref->column)];
    } else if (o.expr->kind == ExprKind::Name) {
      const auto found = block->names.find(static_cast<const NameExpr*>(o.expr));
      if (found != block->names.end() && (found->second.kind == NameKind::Column || found->second.kind == NameKind::Outer)) {
        column = found->second.column;
      }
    }
    if (column != nullptr) {
      o.kind = jet::kindOf(column->def.type);
      o.result.column = column->def;
    } else {
      o.kind = kindOf(*o.expr, *block).value_or(ValueKind::Text);
      o.result.column = columnOf(*o.expr, *block);
      if (jet::kindOf(o.result.column.type) != o.kind) o.result.column = columnForKind(o.kind);
    }
    if (!o.aliased) o.result.name = column != nullptr ? column->name : u"Expr" + fromUtf8(std::to_string(1000 + i));
  }
  // Two outputs that would share a field's name are told apart by their table.
  std::vector<bool> shared(outputs.size(), false);
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (std::size_t j = 0; j < outputs.size() && !shared[i]; ++j) {
      shared[i] = j != i && !outputs[i].aliased && equalNamesNoCase(outputs[i].result.name, outputs[j].result.name);
    }
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (!shared[i]) continue;
    int source = -1;
    if (outputs[i].ref) {
      source = outputs[i].ref->source;
    } else if (outputs[i].expr->kind == ExprKind::Name) {
      const auto found = block->names.find(static_cast<const NameExpr*>(outputs[i].expr));
      if (found != block->names.end() && found->second.kind == NameKind::Column) source = found->second.ref.source;
    }
    if (source >= 0) {
      outputs[i].result.name = block->sources[static_cast<std::size_t>(source)]->name + u"." + outputs[i].result.name;
    }
  }
  for (OutputColumn& o : outputs) o.result.column.name = o.result.name;
}

std::optional<ValueKind> QueryBinder::kindOf(const Expr& e, const Block& block, int aliasDepth) const {
  const auto kind = [&](const Expr& x) { return kindOf(x, block, aliasDepth); };
  switch (e.kind) {
    case ExprKind::Literal: {
      const Value& v = static_cast<const LiteralExpr&>(e).value;
      if (v.isNull()) return std::nullopt;
      return v.kind();
    }
    case ExprKind::Name: {
      const auto found = block.names.find(static_cast<const NameExpr*>(&e));
      if (found == block.names.end()) return std::nullopt;
      const NameBinding& b = found->second;
      switch (b.kind) {
        case NameKind::Column:
        case NameKind::Outer: return jet::kindOf(b.column->def.type);
        case NameKind::Parameter: {
          const auto& p = out_.parameters[static_cast<std::size_t>(b.parameter)];
          return p.type ? jet::kindOf(*p.type) : ValueKind::Text;
        }
        case NameKind::Alias: {
          if (aliasDepth > kMaxAliasDepth) return std::nullopt;
          const OutputColumn& o = block.outputs[static_cast<std::size_t>(b.output)];
          return o.expr ? kindOf(*o.expr, block, aliasDepth + 1) : std::optional(o.kind);
        }
        case NameKind::Builtin: {
          const std::u16string& word = static_cast<const NameExpr&>(e).parts[0].name;
          if (booleanWord(word)) return ValueKind::Boolean;
          if (equalNamesNoCase(word, u"Rnd")) return ValueKind::Single;
          const FunctionDef* f = findFunction(word);
          return f != nullptr ? f->result : std::nullopt;
        }
      }
      return std::nullopt;
    }
    case ExprKind::Parameter: return std::nullopt;
    case ExprKind::Unary: {
      const auto& u = static_cast<const UnaryExpr&>(e);
      const auto operand = kind(*u.operand);
      if (u.op == UnaryOp::Not) return ValueKind::Boolean;
      if (u.op == UnaryOp::Plus || !operand) return operand;
      try {
        return negate(sampleValue(*operand)).kind();
      } catch (const std::exception&) {
        return operand;
      }
    }
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      if (isComparison(b.op) || isLogical(b.op)) return ValueKind::Boolean;
      if (b.op == BinaryOp::Concat) return ValueKind::Text;
      const auto l = kind(*b.left), r = kind(*b.right);
      if (!l || !r) return l ? l : r;
      try {
        const Value v = arithmetic(b.op, sampleValue(*l), sampleValue(*r));
        if (!v.isNull()) return v.kind();
      } catch (const std::exception&) {
      }
      return std::nullopt;
    }
    case ExprKind::Like:
    case ExprKind::IsNull:
    case ExprKind::Between:
    case ExprKind::In: return ValueKind::Boolean;
    case ExprKind::Call: {
      const auto& c = static_cast<const CallExpr&>(e);
      if (const auto agg = block.aggregateOf.find(&c); agg != block.aggregateOf.end()) {
        return block.aggregates[static_cast<std::size_t>(agg->second)].resultKind;
      }
      if (const auto domain = domainAggregateNamed(c.name)) {
        const AggregateKind k = *domain;
        if (k == AggregateKind::Count) return ValueKind::Long;
        if (k != AggregateKind::First && k != AggregateKind::Min && k != AggregateKind::Max && k != AggregateKind::Last) {
          return ValueKind::Double;
        }
        return domainResultKind(db_, c).value_or(ValueKind::Text);
      }
      const std::size_t n = c.args.size();
      if (equalNamesNoCase(c.name, u"IIf")) return n == 3 ? unify(kind(*c.args[1]), kind(*c.args[2])) : std::nullopt;
      if (equalNamesNoCase(c.name, u"Switch")) {
        std::optional<ValueKind> out;
        for (std::size_t i = 1; i < n; i += 2) out = unify(out, kind(*c.args[i]));
        return out;
      }
      if (equalNamesNoCase(c.name, u"Choose")) {
        std::optional<ValueKind> out;
        for (std::size_t i = 1; i < n; ++i) out = unify(out, kind(*c.args[i]));
        return out;
      }
      if (equalNamesNoCase(c.name, u"Nz")) {
        const auto first = n >= 1 ? kind(*c.args[0]) : std::nullopt;
        if (n == 1) return first ? first : std::optional(ValueKind::Text);
        return n == 2 ? unify(first, kind(*c.args[1])) : std::nullopt;
      }
      if (equalNamesNoCase(c.name, u"Rnd")) return ValueKind::Single;
      const FunctionDef* f = findFunction(c.name);
      if (f == nullptr) return std::nullopt;
      if (f->result) return f->result;
      // The type follows the arguments' (Abs, Int, Round, CVar): the function
      // itself says which, on sample values of the arguments' types.
      std::array<Value, kMaxFunctionArgs> samples;
      for (std::size_t i = 0; i < n && i < samples.size(); ++i) {
        const auto k = kind(*c.args[i]);
        if (!k) return std::nullopt;
        samples[i] = sampleValue(*k);
      }
      try {
        const ExpressionOptions options;
        const EvalEnv env{nullptr, &options, kContext};
        const Value v = f->impl(std::span<const Value>(samples.data(), std::min(n, samples.size())), env);
        if (!v.isNull()) return v.kind();
      } catch (const std::exception&) {
      }
      return std::nullopt;
    }
    case ExprKind::Subquery: {
      const auto& s = static_cast<const SubqueryExpr&>(e);
      if (s.subquery != SubqueryKind::Scalar) return ValueKind::Boolean;
      const auto found = block.subqueries.find(&s);
      if (found == block.subqueries.end() || found->second->outputs.empty()) return std::nullopt;
      return found->second->outputs[0].kind;
    }
  }
  return std::nullopt;
}

ColumnDef QueryBinder::columnOf(const Expr& e, const Block& block) const {
  if (e.kind == ExprKind::Name) {
    const auto found = block.names.find(static_cast<const NameExpr*>(&e));
    if (found != block.names.end() && (found->second.kind == NameKind::Column || found->second.kind == NameKind::Outer)) {
      return found->second.column->def;
    }
  }
  if (e.kind == ExprKind::Call) {
    const auto agg = block.aggregateOf.find(static_cast<const CallExpr*>(&e));
    if (agg != block.aggregateOf.end()) {
      const AggregateCall& call = block.aggregates[static_cast<std::size_t>(agg->second)];
      const bool keepsType = call.kind == AggregateKind::Min || call.kind == AggregateKind::Max ||
                             call.kind == AggregateKind::First || call.kind == AggregateKind::Last;
      if (keepsType && call.argument) return columnOf(*call.argument, block);
    }
  }
  return columnForKind(kindOf(e, block).value_or(ValueKind::Text));
}

bool QueryBinder::sameExpression(const Expr& a, const Expr& b, const Block& block) {
  if (&a == &b) return true;
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case ExprKind::Literal: return sameValue(static_cast<const LiteralExpr&>(a).value, static_cast<const LiteralExpr&>(b).value);
    case ExprKind::Name: {
      const auto fa = block.names.find(static_cast<const NameExpr*>(&a));
      const auto fb = block.names.find(static_cast<const NameExpr*>(&b));
      if (fa == block.names.end() || fb == block.names.end()) return false;
      const NameBinding& x = fa->second;
      const NameBinding& y = fb->second;
      if (x.kind != y.kind) return false;
      switch (x.kind) {
        case NameKind::Column: return x.ref == y.ref;
        case NameKind::Outer: return x.ref == y.ref && x.depth == y.depth;
        case NameKind::Parameter: return x.parameter == y.parameter;
        case NameKind::Alias: return x.output == y.output;
        case NameKind::Builtin:
          return equalNamesNoCase(static_cast<const NameExpr&>(a).parts[0].name, static_cast<const NameExpr&>(b).parts[0].name);
      }
      return false;
    }
    case ExprKind::Parameter: return static_cast<const ParameterExpr&>(a).index == static_cast<const ParameterExpr&>(b).index;
    case ExprKind::Unary: {
      const auto& x = static_cast<const UnaryExpr&>(a);
      const auto& y = static_cast<const UnaryExpr&>(b);
      return x.op == y.op && sameExpression(*x.operand, *y.operand, block);
    }
    case ExprKind::Binary: {
      const auto& x = static_cast<const BinaryExpr&>(a);
      const auto& y = static_cast<const BinaryExpr&>(b);
      return x.op == y.op && sameExpression(*x.left, *y.left, block) && sameExpression(*x.right, *y.right, block);
    }
    case ExprKind::Like: {
      const auto& x = static_cast<const LikeExpr&>(a);
      const auto& y = static_cast<const LikeExpr&>(b);
      return x.negated == y.negated && sameExpression(*x.value, *y.value, block) &&
             sameExpression(*x.pattern, *y.pattern, block);
    }
    case ExprKind::IsNull: {
      const auto& x = static_cast<const IsNullExpr&>(a);
      const auto& y = static_cast<const IsNullExpr&>(b);
      return x.negated == y.negated && sameExpression(*x.operand, *y.operand, block);
    }
    case ExprKind::Between: {
      const auto& x = static_cast<const BetweenExpr&>(a);
      const auto& y = static_cast<const BetweenExpr&>(b);
      return x.negated == y.negated && sameExpression(*x.value, *y.value, block) &&
             sameExpression(*x.low, *y.low, block) && sameExpression(*x.high, *y.high, block);
    }
    case ExprKind::In: {
      const auto& x = static_cast<const InExpr&>(a);
      const auto& y = static_cast<const InExpr&>(b);
      if (x.negated != y.negated || x.list.size() != y.list.size() || !sameExpression(*x.value, *y.value, block)) return false;
      for (std::size_t i = 0; i < x.list.size(); ++i) {
        if (!sameExpression(*x.list[i], *y.list[i], block)) return false;
      }
      return true;
    }
    case ExprKind::Call: {
      const auto& x = static_cast<const CallExpr&>(a);
      const auto& y = static_cast<const CallExpr&>(b);
      std::u16string_view nx = x.name, ny = y.name;
      if (!nx.empty() && nx.back() == u'$') nx.remove_suffix(1);
      if (!ny.empty() && ny.back() == u'$') ny.remove_suffix(1);
      if (!equalNamesNoCase(nx, ny) || x.star != y.star || x.args.size() != y.args.size()) return false;
      for (std::size_t i = 0; i < x.args.size(); ++i) {
        if (!sameExpression(*x.args[i], *y.args[i], block)) return false;
      }
      return true;
    }
    case ExprKind::Subquery: return false;
  }
  return false;
}

}  // namespace jet::sql
