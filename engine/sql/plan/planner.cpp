// Planner: query blocks above their FROM clause (grouping, select list,
// DISTINCT, ORDER BY, TOP), unions, crosstabs and subqueries.
#include "sql/plan/planner.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/exec/distinct.h"
#include "sql/exec/filter.h"
#include "sql/exec/hash_aggregate.h"
#include "sql/exec/limit.h"
#include "sql/exec/pivot.h"
#include "sql/exec/projection.h"
#include "sql/exec/row_fetch.h"
#include "sql/exec/sort.h"
#include "sql/exec/top_n.h"
#include "sql/exec/union_all.h"
#include "sql/exec/value_hash.h"
#include "index/index_range.h"

namespace jet::sql {

namespace {

std::optional<ValueKind> kindOfColumn(const Block& b, const ColumnRef& ref) {
  if (ref.column == kRowIdColumn) return ValueKind::Long;
  return kindOf(b.sources[static_cast<std::size_t>(ref.source)]->columns[static_cast<std::size_t>(ref.column)].def.type);
}

// Marks the columns of `source` that `e` reads.
void markRead(const Expr& e, const Block& b, int source, std::vector<bool>& read, int depth = 0) {
  switch (e.kind) {
    case ExprKind::Name: {
      const auto found = b.names.find(static_cast<const NameExpr*>(&e));
      if (found == b.names.end()) return;
      if (found->second.kind == NameKind::Column && found->second.ref.source == source) {
        read[static_cast<std::size_t>(found->second.ref.column)] = true;
      } else if (found->second.kind == NameKind::Alias && depth < 32) {
        const OutputColumn& o = b.outputs[static_cast<std::size_t>(found->second.output)];
        if (o.expr) markRead(*o.expr, b, source, read, depth + 1);
      }
      return;
    }
    case ExprKind::Unary: return markRead(*static_cast<const UnaryExpr&>(e).operand, b, source, read, depth);
    case ExprKind::Binary: {
      const auto& x = static_cast<const BinaryExpr&>(e);
      markRead(*x.left, b, source, read, depth);
      markRead(*x.right, b, source, read, depth);
      return;
    }
    case ExprKind::Like: {
      const auto& l = static_cast<const LikeExpr&>(e);
      markRead(*l.value, b, source, read, depth);
      markRead(*l.pattern, b, source, read, depth);
      return;
    }
    case ExprKind::IsNull: return markRead(*static_cast<const IsNullExpr&>(e).operand, b, source, read, depth);
    case ExprKind::Between: {
      const auto& x = static_cast<const BetweenExpr&>(e);
      markRead(*x.value, b, source, read, depth);
      markRead(*x.low, b, source, read, depth);
      markRead(*x.high, b, source, read, depth);
      return;
    }
    case ExprKind::In: {
      const auto& in = static_cast<const InExpr&>(e);
      markRead(*in.value, b, source, read, depth);
      for (const ExprPtr& item : in.list) markRead(*item, b, source, read, depth);
      return;
    }
    case ExprKind::Call:
      for (const ExprPtr& a : static_cast<const CallExpr&>(e).args) markRead(*a, b, source, read, depth);
      return;
    case ExprKind::Subquery: {
      const auto& s = static_cast<const SubqueryExpr&>(e);
      if (s.value) markRead(*s.value, b, source, read, depth);
      if (const auto found = b.subqueries.find(&s); found != b.subqueries.end()) {
        for (const Correlation& c : found->second->correlations) {
          if (c.depth == 1 && c.ref.source == source && c.ref.column >= 0) read[static_cast<std::size_t>(c.ref.column)] = true;
        }
      }
      return;
    }
    default: return;
  }
}

// The sources whose columns an output shows.
void outputSources(const OutputColumn& o, const Block& b, std::vector<bool>& shown) {
  if (o.ref) {
    shown[static_cast<std::size_t>(o.ref->source)] = true;
    return;
  }
  for (std::size_t s = 0; s < b.sources.size(); ++s) {
    std::vector<bool> read(b.sources[s]->columns.size(), false);
    markRead(*o.expr, b, static_cast<int>(s), read);
    if (std::find(read.begin(), read.end(), true) != read.end()) shown[s] = true;
  }
}

std::string orderText(const Block& b) {
  std::string out;
  for (const OrderKey& k : b.order) {
    if (!out.empty()) out += ", ";
    if (k.output >= 0) {
      out += toUtf8(b.outputs[static_cast<std::size_t>(k.output)].result.name);
    } else {
      out += toString(*k.expr);
    }
    if (k.descending) out += " DESC";
  }
  return out;
}

std::string aggregatesText(const Block& b, const std::vector<int>& which) {
  std::string out;
  for (const Expr* k : b.groupKeys) out += (out.empty() ? "by " : ", ") + toString(*k);
  std::string aggs;
  for (int i : which) {
    const AggregateCall& a = b.aggregates[static_cast<std::size_t>(i)];
    aggs += (aggs.empty() ? "" : ", ") + toString(*a.call);
  }
  if (!aggs.empty()) out += (out.empty() ? "" : ": ") + aggs;
  return out;
}

AggregatePlan aggregatePlan(const AggregateCall& a, ExpressionCompiler& pre) {
  AggregatePlan p;
  p.kind = a.kind;
  if (a.argument) p.argument = pre.compile(*a.argument);
  p.resultKind = a.resultKind;
  p.text = toString(*a.call);
  return p;
}

}  // namespace

Planner::Planner(Database& db, const LogicalStatement& statement, const std::vector<Value>& parameters,
                 ExecContext& ctx)
    : db_(db),
      statement_(statement),
      parameters_(parameters),
      ctx_(ctx),
      binder_(db, const_cast<LogicalStatement&>(statement)) {}

Value Planner::parameterValue(int index) const {
  const auto i = static_cast<std::size_t>(index);
  if (i >= parameters_.size()) {
    // Only a plan made without values (a crosstab probed for its columns) asks
    // past them.
    const std::u16string name = i < statement_.parameters.size() ? statement_.parameters[i].name : u"?";
    throw ParameterNotKnown(name);
  }
  return parameters_[i];
}

ParameterNotKnown::ParameterNotKnown(const std::u16string& name)
    : Error(ErrorCode::Unsupported, "The value of parameter '" + toUtf8(name) + "' is not known yet"), parameter(name) {}

PlannedQuery Planner::plan() {
  PlannedQuery out;
  QueryOut q;
  out.root = planQuery(*statement_.root, FrameContext{}, q);
  for (const OutputColumn& o : statement_.root->outputs) out.columns.push_back(o.result);
  out.pivot = q.pivot;
  out.rowIdSlot = q.rowIdSlot;
  out.updatableTable = statement_.root->updatableTable;
  out.subqueries = std::move(subqueries_);
  subqueries_.clear();
  return out;
}

std::string explainPlan(const PlannedQuery& plan) {
  std::string out = explainTree(*plan.root);
  for (const auto& [what, op] : plan.subqueries) {
    out += what + ":\n";
    const std::string tree = explainTree(*op);
    std::size_t start = 0;
    while (start < tree.size()) {
      const std::size_t end = tree.find('\n', start);
      out += "  " + tree.substr(start, end - start + 1);
      start = end == std::string::npos ? tree.size() : end + 1;
    }
  }
  return out;
}

PlannedQuery Planner::planRowIds() {
  rowIdsOnly_ = true;
  PlannedQuery out = plan();
  rowIdsOnly_ = false;
  return out;
}

OperatorPtr Planner::planQuery(const LogicalQuery& q, const FrameContext& frame, QueryOut& out) {
  switch (q.kind) {
    case LogicalKind::Block: return planBlock(static_cast<const Block&>(q), frame, out);
    case LogicalKind::Union: return planUnion(static_cast<const SetOperation&>(q), frame);
    case LogicalKind::Crosstab: return planCrosstab(static_cast<const Crosstab&>(q), frame, out);
  }
  throw Error(ErrorCode::Unsupported, "Unknown kind of query");
}

std::optional<std::size_t> Planner::indexForOrder(const Block& b) const {
  if (b.grouped || b.quantifier != Quantifier::All || !b.top || b.top->percent || b.order.empty() || !b.from ||
      !b.from->isLeaf() || !b.sources[0]->table) {
    return std::nullopt;
  }
  const Table& table = *b.sources[0]->table;
  const auto columnOf = [&](const Expr* e) -> std::optional<std::size_t> {
    if (e == nullptr || e->kind != ExprKind::Name) return std::nullopt;
    const auto found = b.names.find(static_cast<const NameExpr*>(e));
    if (found == b.names.end() || found->second.kind != NameKind::Column) return std::nullopt;
    return static_cast<std::size_t>(found->second.ref.column);
  };
  std::vector<std::pair<std::size_t, bool>> keys;  // column, descending
  for (const OrderKey& k : b.order) {
    std::optional<std::size_t> c;
    if (k.output >= 0) {
      const OutputColumn& o = b.outputs[static_cast<std::size_t>(k.output)];
      c = o.ref ? std::optional<std::size_t>(static_cast<std::size_t>(o.ref->column)) : columnOf(o.expr);
    } else {
      c = columnOf(k.expr);
    }
    // Text keys are left to a sort: the index orders texts its keys cannot
    // tell apart by row, a sort by their letters.
    if (!c || table.columns()[*c].type == DataType::Text || table.columns()[*c].type == DataType::Memo) {
      return std::nullopt;
    }
    keys.emplace_back(*c, k.descending);
  }
  // A condition an index could answer is the better way in.
  for (const Expr* w : b.where) {
    const Expr* value = nullptr;
    if (w->kind == ExprKind::Binary && isComparison(static_cast<const BinaryExpr&>(*w).op)) {
      const auto& x = static_cast<const BinaryExpr&>(*w);
      value = columnOf(x.left.get()) ? x.left.get() : x.right.get();
    } else if (w->kind == ExprKind::Between) {
      value = static_cast<const BetweenExpr&>(*w).value.get();
    } else if (w->kind == ExprKind::In) {
      value = static_cast<const InExpr&>(*w).value.get();
    }
    const auto c = columnOf(value);
    for (const IndexDef& def : table.indexes()) {
      if (c && !def.columns.empty() && def.columns[0].column == *c) return std::nullopt;
    }
  }
  for (std::size_t x = 0; x < table.indexes().size(); ++x) {
    const IndexDef& def = table.indexes()[x];
    if (def.ignoreNulls || def.columns.size() < keys.size()) continue;
    bool matches = true;
    for (std::size_t i = 0; i < keys.size() && matches; ++i) {
      matches = def.columns[i].column == keys[i].first && def.columns[i].ascending == !keys[i].second;
    }
    try {
      if (matches && IndexRange::unsupportedReason(table, x).empty()) return x;
    } catch (const Error&) {
    }
  }
  return std::nullopt;
}

OperatorPtr Planner::planBlock(const Block& b, const FrameContext& frame, QueryOut& out) {
  const std::size_t n = b.outputs.size();
  // Only the statement's own rows tell the table row they are.
  const bool isRoot = &b == statement_.root.get();
  std::vector<bool> rowIdNeeded(b.sources.size(), false);
  if (isRoot && !b.updatableTable.empty()) rowIdNeeded[static_cast<std::size_t>(b.rowIdSource)] = true;

  // DISTINCTROW: each row of the tables whose fields are shown once (it
  // changes nothing when the query shows fields of every table).
  std::vector<int> distinctRowSources;
  bool distinctOutputs = b.quantifier == Quantifier::Distinct;
  if (b.quantifier == Quantifier::DistinctRow && b.sources.size() > 1 && !b.grouped) {
    std::vector<bool> shown(b.sources.size(), false);
    for (const OutputColumn& o : b.outputs) outputSources(o, b, shown);
    if (std::find(shown.begin(), shown.end(), false) != shown.end()) {
      for (std::size_t s = 0; s < shown.size(); ++s) {
        if (!shown[s]) continue;
        if (!b.sources[s]->table) {
          distinctOutputs = true;  // a derived table's rows have no identity: compare the fields
          distinctRowSources.clear();
          break;
        }
        distinctRowSources.push_back(static_cast<int>(s));
        rowIdNeeded[s] = true;
      }
    }
  }

  // TOP n of one table in the order of one of its indexes: a walk of the
  // index that stops after n rows (and their ties).
  const bool rowIdsOnly = rowIdsOnly_ && isRoot && !b.updatableTable.empty();
  const std::optional<std::size_t> orderIndex =
      rowIdsOnly || !distinctRowSources.empty() ? std::nullopt : indexForOrder(b);
  // Else TOP n of one table: the ORDER BY and WHERE fields for every row, the
  // others only for the n rows kept.
  bool lateFetch = rowIdsOnly || (!orderIndex && !b.grouped && !distinctOutputs && distinctRowSources.empty() && b.top &&
                                  !b.top->percent && !b.order.empty() && b.from && b.from->isLeaf() && b.sources[0]->table);
  std::vector<std::vector<bool>> wanted;
  if (lateFetch) {
    const Source& s = *b.sources[0];
    wanted.assign(1, std::vector<bool>(s.columns.size(), false));
    for (const Expr* w : b.where) markRead(*w, b, 0, wanted[0]);
    for (const OrderKey& k : b.order) {
      const Expr* e = k.output >= 0 ? b.outputs[static_cast<std::size_t>(k.output)].expr : k.expr;
      if (e) markRead(*e, b, 0, wanted[0]);
      if (k.output >= 0 && b.outputs[static_cast<std::size_t>(k.output)].ref) {
        wanted[0][static_cast<std::size_t>(b.outputs[static_cast<std::size_t>(k.output)].ref->column)] = true;
      }
    }
    bool deferSome = false;
    for (std::size_t c = 0; c < s.columns.size(); ++c) {
      wanted[0][c] = wanted[0][c] && s.used[c];
      deferSome = deferSome || (s.used[c] && !wanted[0][c]);
    }
    lateFetch = deferSome || rowIdsOnly;
    if (lateFetch) rowIdNeeded[0] = true;
  }

  if (rowIdsOnly) {
    // The locator, sorted by the ORDER BY keys; the fields are read by locator later.
    Layout rows;
    OperatorPtr scan = planFromWhere(b, frame, rowIdNeeded, &wanted, rows);
    ExpressionCompiler pre(*this, b, frame, &rows, nullptr);
    std::vector<ProjectedValue> values;
    values.push_back(ProjectedValue{pre.column(ColumnRef{0, kRowIdColumn}, ValueKind::Long, 0), std::nullopt, "row"});
    std::vector<OrderSpec> specs;
    for (const OrderKey& k : b.order) {
      const Expr* e = k.output >= 0 ? b.outputs[static_cast<std::size_t>(k.output)].expr : k.expr;
      NodePtr key = e ? pre.compile(*e)
                      : pre.column(*b.outputs[static_cast<std::size_t>(k.output)].ref,
                                   kindOfColumn(b, *b.outputs[static_cast<std::size_t>(k.output)].ref), 0);
      values.push_back(ProjectedValue{std::move(key), std::nullopt, "ORDER BY"});
      specs.push_back(OrderSpec{makeColumn(values.size() - 1, ValueKind::Text, 0), k.descending, values.size() - 1});
    }
    OperatorPtr op = std::make_unique<Projection>(ctx_, std::move(scan), std::move(values));
    if (!specs.empty()) op = std::make_unique<Sort>(ctx_, std::move(op), std::move(specs), std::nullopt, false, orderText(b));
    out.rowIdSlot = 0;
    return op;
  }

  Layout layout;
  OperatorPtr op = planFromWhere(b, frame, rowIdNeeded, lateFetch ? &wanted : nullptr, layout, nullptr, orderIndex);
  if (orderIndex) {
    ExpressionCompiler pre(*this, b, frame, &layout, nullptr);
    std::vector<NodePtr> keys;
    for (const OrderKey& k : b.order) {
      const OutputColumn* o = k.output >= 0 ? &b.outputs[static_cast<std::size_t>(k.output)] : nullptr;
      if (o != nullptr && o->ref) {
        keys.push_back(pre.column(*o->ref, kindOfColumn(b, *o->ref), 0));
      } else {
        keys.push_back(pre.compile(o != nullptr ? *o->expr : *k.expr));
      }
    }
    op = std::make_unique<Limit>(ctx_, std::move(op), b.top->count, false, std::move(keys));
  }

  if (lateFetch) {
    ExpressionCompiler pre(*this, b, frame, &layout, nullptr);
    std::vector<OrderSpec> specs;
    for (const OrderKey& k : b.order) {
      OrderSpec spec;
      spec.descending = k.descending;
      if (k.output >= 0) {
        const OutputColumn& o = b.outputs[static_cast<std::size_t>(k.output)];
        spec.node = o.expr ? pre.compile(*o.expr) : pre.column(*o.ref, kindOfColumn(b, *o.ref), 0);
      } else {
        spec.node = pre.compile(*k.expr);
      }
      specs.push_back(std::move(spec));
    }
    op = std::make_unique<TopN>(ctx_, std::move(op), std::move(specs), static_cast<std::size_t>(b.top->count), orderText(b));
    std::vector<ColumnSlot> deferred;
    const Source& s = *b.sources[0];
    for (std::size_t c = 0; c < s.columns.size(); ++c) {
      if (s.used[c] && !wanted[0][c]) deferred.push_back(ColumnSlot{c, layout.add(ColumnRef{0, static_cast<int>(c)})});
    }
    const std::size_t rowIdSlot = *layout.slotOf(ColumnRef{0, kRowIdColumn});
    op = std::make_unique<RowFetch>(ctx_, std::move(op), s.table, rowIdSlot, std::move(deferred), layout.width());
  }

  GroupLayout groups;
  if (b.grouped) {
    ExpressionCompiler pre(*this, b, frame, &layout, nullptr);
    std::vector<NodePtr> keys;
    for (const Expr* k : b.groupKeys) keys.push_back(pre.compile(*k));
    std::vector<AggregatePlan> aggregates;
    std::vector<int> all;
    for (std::size_t i = 0; i < b.aggregates.size(); ++i) {
      aggregates.push_back(aggregatePlan(b.aggregates[i], pre));
      all.push_back(static_cast<int>(i));
    }
    groups.keys = b.groupKeys;
    for (std::size_t i = 0; i < b.aggregates.size(); ++i) groups.aggregateSlot.push_back(static_cast<int>(keys.size() + i));
    op = std::make_unique<HashAggregate>(ctx_, std::move(op), std::move(keys), std::move(aggregates),
                                         aggregatesText(b, all));
    if (b.having) {
      ExpressionCompiler post(*this, b, frame, nullptr, &groups);
      op = std::make_unique<Filter>(ctx_, std::move(op), post.compile(*b.having), toString(*b.having));
    }
  }

  ExpressionCompiler oc(*this, b, frame, b.grouped ? nullptr : &layout, b.grouped ? &groups : nullptr);
  std::vector<ProjectedValue> values;
  for (const OutputColumn& o : b.outputs) {
    ProjectedValue v;
    v.node = o.expr ? oc.compile(*o.expr) : oc.column(*o.ref, kindOfColumn(b, *o.ref), 0);
    v.kind = o.kind;
    v.name = toUtf8(o.result.name);
    values.push_back(std::move(v));
  }
  std::vector<std::size_t> orderSlots;
  if (!lateFetch && !orderIndex) {
    for (const OrderKey& k : b.order) {
      if (k.output >= 0) {
        orderSlots.push_back(static_cast<std::size_t>(k.output));
        continue;
      }
      values.push_back(ProjectedValue{oc.compile(*k.expr), std::nullopt, "ORDER BY"});
      orderSlots.push_back(values.size() - 1);
    }
  }
  if (isRoot && !b.updatableTable.empty()) {
    values.push_back(
        ProjectedValue{oc.column(ColumnRef{b.rowIdSource, kRowIdColumn}, ValueKind::Long, 0), std::nullopt, "row"});
    out.rowIdSlot = static_cast<int>(values.size() - 1);
  }
  std::vector<std::size_t> distinctSlots;
  for (int s : distinctRowSources) {
    values.push_back(ProjectedValue{oc.column(ColumnRef{s, kRowIdColumn}, ValueKind::Long, 0), std::nullopt, "row"});
    distinctSlots.push_back(values.size() - 1);
  }
  op = std::make_unique<Projection>(ctx_, std::move(op), std::move(values));

  if (distinctOutputs) {
    std::vector<std::size_t> slots(n);
    for (std::size_t i = 0; i < n; ++i) slots[i] = i;
    op = std::make_unique<Distinct>(ctx_, std::move(op), std::move(slots), "every field");
  } else if (!distinctSlots.empty()) {
    op = std::make_unique<Distinct>(ctx_, std::move(op), std::move(distinctSlots), "the rows of the tables shown");
  }
  if (lateFetch || orderIndex) return op;

  auto sortOn = [&](std::vector<std::size_t> slots, std::vector<bool> descending, const std::string& text) {
    std::vector<OrderSpec> specs;
    for (std::size_t i = 0; i < slots.size(); ++i) {
      specs.push_back(OrderSpec{makeColumn(slots[i], ValueKind::Text, 0), descending[i], slots[i]});
    }
    if (b.top && !b.top->percent) {
      op = std::make_unique<TopN>(ctx_, std::move(op), std::move(specs), static_cast<std::size_t>(b.top->count), text);
    } else {
      op = std::make_unique<Sort>(ctx_, std::move(op), std::move(specs),
                                  b.top ? std::optional<double>(b.top->count) : std::nullopt, b.top && b.top->percent,
                                  text);
    }
  };
  if (!b.order.empty()) {
    std::vector<bool> descending;
    for (const OrderKey& k : b.order) descending.push_back(k.descending);
    sortOn(orderSlots, descending, orderText(b));
  } else if (distinctOutputs) {
    // Jet gives DISTINCT rows sorted by their fields.
    std::vector<std::size_t> slots(n);
    for (std::size_t i = 0; i < n; ++i) slots[i] = i;
    sortOn(slots, std::vector<bool>(n, false), "every field");
  } else if (b.top) {
    op = std::make_unique<Limit>(ctx_, std::move(op), b.top->count, b.top->percent);
  }
  return op;
}

OperatorPtr Planner::planUnion(const SetOperation& u, const FrameContext& frame) {
  const std::size_t n = u.outputs.size();
  std::vector<OperatorPtr> parts;
  for (const auto& part : u.parts) {
    QueryOut out;
    OperatorPtr op = planQuery(*part, frame, out);
    std::vector<ProjectedValue> values;
    for (std::size_t i = 0; i < n; ++i) {
      values.push_back(ProjectedValue{makeColumn(i, part->outputs[i].kind, 0), u.outputs[i].kind,
                                      toUtf8(u.outputs[i].result.name)});
    }
    parts.push_back(std::make_unique<Projection>(ctx_, std::move(op), std::move(values)));
  }
  std::vector<std::size_t> all(n);
  for (std::size_t i = 0; i < n; ++i) all[i] = i;
  OperatorPtr op = std::move(parts[0]);
  bool removesDuplicates = false;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::vector<OperatorPtr> two;
    two.push_back(std::move(op));
    two.push_back(std::move(parts[i]));
    op = std::make_unique<UnionAll>(ctx_, std::move(two));
    if (!u.all[i - 1]) {
      op = std::make_unique<Distinct>(ctx_, std::move(op), all, "every field");
      removesDuplicates = true;
    }
  }
  std::vector<OrderSpec> specs;
  std::string text;
  if (!u.order.empty()) {
    for (const OrderKey& k : u.order) {
      specs.push_back(OrderSpec{makeColumn(static_cast<std::size_t>(k.output), ValueKind::Text, 0), k.descending,
                                static_cast<std::size_t>(k.output)});
      text += (text.empty() ? "" : ", ") + toUtf8(u.outputs[static_cast<std::size_t>(k.output)].result.name) +
              (k.descending ? " DESC" : "");
    }
  } else if (removesDuplicates) {
    // Jet gives the rows of a UNION without ALL sorted by their fields.
    for (std::size_t i = 0; i < n; ++i) specs.push_back(OrderSpec{makeColumn(i, ValueKind::Text, 0), false, i});
    text = "every field";
  }
  if (!specs.empty()) op = std::make_unique<Sort>(ctx_, std::move(op), std::move(specs), std::nullopt, false, text);
  return op;
}

OperatorPtr Planner::planCrosstab(const Crosstab& x, const FrameContext& frame, QueryOut& out) {
  const std::vector<bool> rowIdNeeded(x.sources.size(), false);
  Layout layout;
  OperatorPtr op = planFromWhere(x, frame, rowIdNeeded, nullptr, layout);
  ExpressionCompiler pre(*this, x, frame, &layout, nullptr);
  std::vector<NodePtr> keys;
  for (const Expr* k : x.groupKeys) keys.push_back(pre.compile(*k));
  GroupLayout groups;
  groups.keys = x.groupKeys;
  std::vector<AggregatePlan> rowAggregates;
  std::vector<int> rowWhich;
  for (std::size_t i = 0; i < x.aggregates.size(); ++i) {
    if (static_cast<int>(i) == x.transformAggregate) {
      groups.aggregateSlot.push_back(-1);
      continue;
    }
    groups.aggregateSlot.push_back(static_cast<int>(keys.size() + rowAggregates.size()));
    rowAggregates.push_back(aggregatePlan(x.aggregates[i], pre));
    rowWhich.push_back(static_cast<int>(i));
  }
  AggregatePlan cell = aggregatePlan(x.aggregates[static_cast<std::size_t>(x.transformAggregate)], pre);
  NodePtr pivot = pre.compile(*x.pivot);
  const std::size_t fixed = keys.size() + rowAggregates.size();
  auto pivotOp = std::make_unique<Pivot>(ctx_, std::move(op), std::move(keys), std::move(rowAggregates), std::move(cell),
                                         std::move(pivot), x.pivotIn, x.hasIn,
                                         aggregatesText(x, rowWhich) + "; cells " +
                                             toString(*x.aggregates[static_cast<std::size_t>(x.transformAggregate)].call) +
                                             " by " + toString(*x.pivot));
  out.pivot = pivotOp.get();
  op = std::move(pivotOp);
  ExpressionCompiler post(*this, x, frame, nullptr, &groups);
  if (x.having) op = std::make_unique<Filter>(ctx_, std::move(op), post.compile(*x.having), toString(*x.having));
  if (!x.order.empty()) {
    std::vector<OrderSpec> specs;
    for (const OrderKey& k : x.order) {
      const Expr* e = k.output >= 0 ? x.outputs[static_cast<std::size_t>(k.output)].expr : k.expr;
      if (e == nullptr) throw Error(ErrorCode::Unsupported, "A crosstab can be sorted by its row headings only");
      specs.push_back(OrderSpec{post.compile(*e), k.descending, std::nullopt});
    }
    op = std::make_unique<Sort>(ctx_, std::move(op), std::move(specs), std::nullopt, false, orderText(x));
  }
  std::vector<ProjectedValue> values;
  for (const OutputColumn& o : x.outputs) {
    if (!o.expr && !o.ref) continue;  // a pivot column: passed on
    ProjectedValue v;
    v.node = o.expr ? post.compile(*o.expr) : post.column(*o.ref, kindOfColumn(x, *o.ref), 0);
    v.kind = o.kind;
    v.name = toUtf8(o.result.name);
    values.push_back(std::move(v));
  }
  return std::make_unique<Projection>(ctx_, std::move(op), std::move(values), fixed, x.hasIn ? x.pivotIn.size() : 0);
}

namespace {

// True when `e` reads a column of an enclosing block (directly or through a
// subquery inside it).
bool readsOuter(const Expr& e, const Block& b) {
  switch (e.kind) {
    case ExprKind::Literal:
    case ExprKind::Parameter: return false;
    case ExprKind::Name: {
      const auto found = b.names.find(static_cast<const NameExpr*>(&e));
      if (found == b.names.end()) return false;
      if (found->second.kind == NameKind::Outer) return true;
      if (found->second.kind == NameKind::Alias) {
        const OutputColumn& o = b.outputs[static_cast<std::size_t>(found->second.output)];
        return o.expr != nullptr && o.expr != &e && readsOuter(*o.expr, b);
      }
      return false;
    }
    case ExprKind::Unary: return readsOuter(*static_cast<const UnaryExpr&>(e).operand, b);
    case ExprKind::Binary: {
      const auto& x = static_cast<const BinaryExpr&>(e);
      return readsOuter(*x.left, b) || readsOuter(*x.right, b);
    }
    case ExprKind::Like: {
      const auto& l = static_cast<const LikeExpr&>(e);
      return readsOuter(*l.value, b) || readsOuter(*l.pattern, b);
    }
    case ExprKind::IsNull: return readsOuter(*static_cast<const IsNullExpr&>(e).operand, b);
    case ExprKind::Between: {
      const auto& x = static_cast<const BetweenExpr&>(e);
      return readsOuter(*x.value, b) || readsOuter(*x.low, b) || readsOuter(*x.high, b);
    }
    case ExprKind::In: {
      const auto& in = static_cast<const InExpr&>(e);
      if (readsOuter(*in.value, b)) return true;
      for (const ExprPtr& item : in.list) {
        if (readsOuter(*item, b)) return true;
      }
      return false;
    }
    case ExprKind::Call:
      for (const ExprPtr& a : static_cast<const CallExpr&>(e).args) {
        if (readsOuter(*a, b)) return true;
      }
      return false;
    case ExprKind::Subquery: {
      const auto& s = static_cast<const SubqueryExpr&>(e);
      if (s.value && readsOuter(*s.value, b)) return true;
      const auto found = b.subqueries.find(&s);
      if (found == b.subqueries.end()) return false;
      for (const Correlation& c : found->second->correlations) {
        if (c.depth >= 2) return true;
      }
      return false;
    }
  }
  return false;
}

bool fromReadsOuter(const FromNode& n, const Block& b) {
  if (n.isLeaf()) return false;
  if (n.on != nullptr && readsOuter(*n.on, b)) return true;
  return fromReadsOuter(*n.left, b) || fromReadsOuter(*n.right, b);
}

}  // namespace

NodePtr Planner::groupedLookup(const SubqueryExpr& sub, const LogicalQuery& inner, ExpressionCompiler& outer) {
  if (inner.kind != LogicalKind::Block || inner.correlations.empty()) return nullptr;
  const auto& b = static_cast<const Block&>(inner);
  if (!b.grouped || !b.groupKeys.empty() || b.having || b.quantifier != Quantifier::All || b.top ||
      b.outputs.size() != 1 || !b.outputs[0].expr || !b.from) {
    return nullptr;
  }
  for (const Correlation& c : b.correlations) {
    if (c.depth != 1) return nullptr;
  }
  // The WHERE conditions: equalities of an inner expression with an outer
  // field become the grouping; the others must not read the outer row.
  std::vector<const Expr*> plain, innerKeys;
  std::vector<const NameExpr*> outerNames;
  for (const Expr* w : b.where) {
    if (!readsOuter(*w, b)) {
      plain.push_back(w);
      continue;
    }
    if (w->kind != ExprKind::Binary || static_cast<const BinaryExpr&>(*w).op != BinaryOp::Eq) return nullptr;
    const auto& eq = static_cast<const BinaryExpr&>(*w);
    const auto outerName = [&](const Expr& e) -> const NameExpr* {
      if (e.kind != ExprKind::Name) return nullptr;
      const auto found = b.names.find(static_cast<const NameExpr*>(&e));
      return found != b.names.end() && found->second.kind == NameKind::Outer ? static_cast<const NameExpr*>(&e) : nullptr;
    };
    const NameExpr* o = outerName(*eq.right);
    const Expr* i = eq.left.get();
    if (o == nullptr) {
      o = outerName(*eq.left);
      i = eq.right.get();
    }
    if (o == nullptr || readsOuter(*i, b)) return nullptr;
    const auto ki = binder_.kindOf(*i, b);
    const auto ko = binder_.kindOf(*o, b);
    if (!ki || !ko || keyClassOf(*ki) != keyClassOf(*ko) || keyClassOf(*ki) == KeyClass::None) return nullptr;
    innerKeys.push_back(i);
    outerNames.push_back(o);
  }
  if (innerKeys.empty() || fromReadsOuter(*b.from, b) || readsOuter(*b.outputs[0].expr, b)) return nullptr;
  for (const AggregateCall& a : b.aggregates) {
    if (a.argument && readsOuter(*a.argument, b)) return nullptr;
  }
  // Every outer field the block reads is one of those equalities' (the
  // correlations of its subqueries were ruled out by the checks above).
  for (const auto& [name, binding] : b.names) {
    if (binding.kind == NameKind::Outer && std::find(outerNames.begin(), outerNames.end(), name) == outerNames.end()) {
      return nullptr;
    }
  }

  Layout layout;
  const std::vector<bool> rowIdNeeded(b.sources.size(), false);
  const FrameContext none;
  OperatorPtr op = planFromWhere(b, none, rowIdNeeded, nullptr, layout, &plain);
  ExpressionCompiler pre(*this, b, none, &layout, nullptr);
  std::vector<NodePtr> keys;
  std::string keyText;
  for (const Expr* k : innerKeys) {
    keys.push_back(pre.compile(*k));
    keyText += (keyText.empty() ? "by " : ", ") + toString(*k);
  }
  std::vector<AggregatePlan> aggregates;
  GroupLayout groups;
  for (std::size_t i = 0; i < b.aggregates.size(); ++i) {
    aggregates.push_back(aggregatePlan(b.aggregates[i], pre));
    groups.aggregateSlot.push_back(static_cast<int>(innerKeys.size() + i));
  }
  const std::size_t k = innerKeys.size();
  op = std::make_unique<HashAggregate>(ctx_, std::move(op), std::move(keys), std::move(aggregates),
                                       keyText + " (a correlated subquery, run once)", false);
  ExpressionCompiler post(*this, b, none, nullptr, &groups);
  std::vector<ProjectedValue> values;
  for (std::size_t i = 0; i < k; ++i) values.push_back(ProjectedValue{makeColumn(i, ValueKind::Text, 0), std::nullopt, "key"});
  values.push_back(ProjectedValue{post.compile(*b.outputs[0].expr), b.outputs[0].kind, toUtf8(b.outputs[0].result.name)});
  GroupedLookup lookup;
  lookup.plan = std::make_unique<Projection>(ctx_, std::move(op), std::move(values));
  subqueries_.emplace_back("Subquery at position " + std::to_string(sub.position) +
                               " (correlated by equal keys: run once, grouped, then looked up)",
                           lookup.plan.get());
  lookup.keys = k;
  for (const NameExpr* o : outerNames) {
    const NameBinding& binding = b.names.at(o);
    lookup.outerKeys.push_back(outer.column(binding.ref, kindOf(binding.column->def.type), o->position));
  }
  lookup.emptyRow.resize(k + b.aggregates.size());
  for (std::size_t i = 0; i < b.aggregates.size(); ++i) {
    lookup.emptyRow[k + i] = AggregateState().result(b.aggregates[i].kind, b.aggregates[i].resultKind);
  }
  lookup.empty = post.compile(*b.outputs[0].expr);
  return makeGroupedLookup(ctx_, std::move(lookup), b.outputs[0].kind, sub.position);
}

NodePtr Planner::subqueryNode(const SubqueryExpr& sub, ExpressionCompiler& outer, Binder& binder) {
  const Block& block = outer.block();
  const LogicalQuery& inner = *block.subqueries.at(&sub);
  if (sub.subquery == SubqueryKind::Scalar) {
    if (NodePtr lookup = groupedLookup(sub, inner, outer)) return lookup;
  }
  SubqueryRun run;
  run.frame = std::make_unique<CorrelationFrame>();
  run.frame->values.resize(inner.correlations.size());
  QueryOut out;
  run.plan = planQuery(inner, FrameContext{run.frame.get(), &inner.correlations}, out);
  subqueries_.emplace_back("Subquery at position " + std::to_string(sub.position) +
                               (inner.correlations.empty() ? " (run once)"
                                                           : " (correlated: run for each distinct set of outer values)"),
                           run.plan.get());
  for (const Correlation& c : inner.correlations) {
    if (c.depth == 1) {
      run.frameSources.push_back(outer.column(c.ref, kindOfColumn(block, c.ref), sub.position));
    } else {
      run.frameSources.push_back(outer.outer(c.ref, c.depth - 1, std::nullopt, sub.position));
    }
  }
  switch (sub.subquery) {
    case SubqueryKind::Scalar:
      return makeScalarSubquery(ctx_, std::move(run), inner.outputs.empty() ? std::nullopt : std::optional(inner.outputs[0].kind),
                                sub.position);
    case SubqueryKind::Exists: return makeExistsSubquery(ctx_, std::move(run), sub.position);
    case SubqueryKind::In:
      return makeInSubquery(ctx_, std::move(run), binder.bind(*sub.value), sub.negated, sub.position);
    case SubqueryKind::Any:
    case SubqueryKind::All:
      return makeQuantifiedSubquery(ctx_, std::move(run), binder.bind(*sub.value), sub.op,
                                    sub.subquery == SubqueryKind::All, sub.position);
  }
  throw Error(ErrorCode::Unsupported, "Unknown kind of subquery");
}

}  // namespace jet::sql
