// Planning the FROM clause and the conditions of WHERE and ON: access paths
// (index seek or scan) for each table, the order and method of the joins.
#include <algorithm>
#include <cmath>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/exec/filter.h"
#include "sql/exec/hash_join.h"
#include "sql/exec/index_join.h"
#include "sql/exec/index_seek.h"
#include "sql/exec/nested_loop_join.h"
#include "sql/exec/single_row.h"
#include "sql/exec/table_scan.h"
#include "sql/exec/value_hash.h"
#include "sql/lexer.h"
#include "sql/plan/planner.h"

namespace jet::sql {

namespace {

// Cost units: reading one row in storage order is 1.
constexpr double kSeekCost = 4;          // one descent of a B-tree
constexpr double kFetchCost = 2;         // one row read by its locator
constexpr double kDefaultFanout = 10;    // rows per key of an index that is not unique
constexpr double kEqualSelectivity = 0.1;
constexpr double kRangeSelectivity = 0.25;
constexpr double kOtherSelectivity = 0.5;

BinaryOp flipped(BinaryOp op) {
  switch (op) {
    case BinaryOp::Lt: return BinaryOp::Gt;
    case BinaryOp::Gt: return BinaryOp::Lt;
    case BinaryOp::Le: return BinaryOp::Ge;
    case BinaryOp::Ge: return BinaryOp::Le;
    default: return op;
  }
}

bool isTextType(DataType t) { return t == DataType::Text || t == DataType::Memo; }

}  // namespace

class FromPlanner {
 public:
  FromPlanner(Planner& planner, const Block& block, const FrameContext& frame, const std::vector<bool>& rowIdNeeded,
              const std::vector<std::vector<bool>>* wanted, const std::vector<const Expr*>& where,
              std::optional<std::size_t> orderIndex)
      : planner_(planner), block_(block), frame_(frame), rowIdNeeded_(rowIdNeeded), wanted_(wanted), where_(where),
        orderIndex_(orderIndex) {
    if (block.sources.size() > 64) {
      throw Error(ErrorCode::Unsupported, "Query is too complex: it joins more than 64 tables and queries");
    }
  }

  OperatorPtr run(Layout& layout) {
    std::vector<int> all;
    for (const Expr* e : where_) all.push_back(addConjunct(*e));
    Input in;
    if (block_.from) {
      in = planNode(*block_.from, all);
    } else {
      in.op = std::make_unique<SingleRow>(planner_.context());
    }
    std::vector<int> rest;
    for (int c : all) {
      if (!conjuncts_[static_cast<std::size_t>(c)].placed) rest.push_back(c);
    }
    applyFilter(in, rest);
    layout = std::move(in.layout);
    layout.setWidth(in.op->width());
    return std::move(in.op);
  }

 private:
  struct Conjunct {
    const Expr* expr = nullptr;
    std::uint64_t mask = 0;  // the sources it reads
    bool placed = false;
  };

  struct Input {
    OperatorPtr op;
    Layout layout;
    std::uint64_t mask = 0;
    double rows = 1;
  };

  // An equality usable as a join key: `outer` over the rows so far, `inner` over the new input.
  struct KeyPair {
    int conjunct = -1;
    const Expr* outer = nullptr;
    const Expr* inner = nullptr;
  };

  struct IndexChoice {
    std::size_t index = 0;
    std::vector<std::vector<const Expr*>> equal;  // alternatives of the prefix values
    const Expr* low = nullptr;
    const Expr* high = nullptr;
    bool lowInclusive = true, highInclusive = true;
    std::vector<int> consumed;
    bool recheck = false;  // text keys: test the conditions on the rows too
    double rows = 1;
  };

  // --- conditions ---

  int addConjunct(const Expr& e) {
    Conjunct c;
    c.expr = &e;
    c.mask = maskOf(e, block_);
    conjuncts_.push_back(c);
    return static_cast<int>(conjuncts_.size() - 1);
  }

  static std::uint64_t bit(int source) { return std::uint64_t{1} << source; }

  static std::uint64_t maskOf(const Expr& e, const Block& block, int depth = 0) {
    std::uint64_t m = 0;
    switch (e.kind) {
      case ExprKind::Literal:
      case ExprKind::Parameter: return 0;
      case ExprKind::Name: {
        const auto found = block.names.find(static_cast<const NameExpr*>(&e));
        if (found == block.names.end()) return 0;
        if (found->second.kind == NameKind::Column) return bit(found->second.ref.source);
        if (found->second.kind == NameKind::Alias && depth < 32) {
          const OutputColumn& o = block.outputs[static_cast<std::size_t>(found->second.output)];
          return o.expr ? maskOf(*o.expr, block, depth + 1) : 0;
        }
        return 0;
      }
      case ExprKind::Unary: return maskOf(*static_cast<const UnaryExpr&>(e).operand, block, depth);
      case ExprKind::Binary: {
        const auto& b = static_cast<const BinaryExpr&>(e);
        return maskOf(*b.left, block, depth) | maskOf(*b.right, block, depth);
      }
      case ExprKind::Like: {
        const auto& l = static_cast<const LikeExpr&>(e);
        return maskOf(*l.value, block, depth) | maskOf(*l.pattern, block, depth);
      }
      case ExprKind::IsNull: return maskOf(*static_cast<const IsNullExpr&>(e).operand, block, depth);
      case ExprKind::Between: {
        const auto& b = static_cast<const BetweenExpr&>(e);
        return maskOf(*b.value, block, depth) | maskOf(*b.low, block, depth) | maskOf(*b.high, block, depth);
      }
      case ExprKind::In: {
        const auto& in = static_cast<const InExpr&>(e);
        m = maskOf(*in.value, block, depth);
        for (const ExprPtr& item : in.list) m |= maskOf(*item, block, depth);
        return m;
      }
      case ExprKind::Call: {
        for (const ExprPtr& a : static_cast<const CallExpr&>(e).args) m |= maskOf(*a, block, depth);
        return m;
      }
      case ExprKind::Subquery: {
        const auto& s = static_cast<const SubqueryExpr&>(e);
        if (s.value) m = maskOf(*s.value, block, depth);
        if (const auto found = block.subqueries.find(&s); found != block.subqueries.end()) {
          for (const Correlation& c : found->second->correlations) {
            if (c.depth == 1) m |= bit(c.ref.source);
          }
        }
        return m;
      }
    }
    return m;
  }

  // The column a name of this block stands for, when it is one of `source`.
  std::optional<std::size_t> columnOf(const Expr& e, int source) const {
    if (e.kind != ExprKind::Name) return std::nullopt;
    const auto found = block_.names.find(static_cast<const NameExpr*>(&e));
    if (found == block_.names.end() || found->second.kind != NameKind::Column || found->second.ref.source != source) {
      return std::nullopt;
    }
    return static_cast<std::size_t>(found->second.ref.column);
  }

  std::uint64_t maskOfExpr(const Expr& e) const { return maskOf(e, block_); }

  ExpressionCompiler compiler(const Layout& layout) { return ExpressionCompiler(planner_, block_, frame_, &layout, nullptr); }

  static bool hasSubquery(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Subquery: return true;
      case ExprKind::Unary: return hasSubquery(*static_cast<const UnaryExpr&>(e).operand);
      case ExprKind::Binary:
        return hasSubquery(*static_cast<const BinaryExpr&>(e).left) || hasSubquery(*static_cast<const BinaryExpr&>(e).right);
      case ExprKind::Call:
        for (const ExprPtr& a : static_cast<const CallExpr&>(e).args) {
          if (hasSubquery(*a)) return true;
        }
        return false;
      default: return false;
    }
  }

  // The conditions joined by And, those without subqueries first (they are
  // cheaper, and And stops at the first that is False).
  NodePtr compileAnd(std::vector<int> list, const Layout& layout) {
    std::stable_partition(list.begin(), list.end(), [&](int i) {
      return !hasSubquery(*conjuncts_[static_cast<std::size_t>(i)].expr);
    });
    NodePtr out;
    ExpressionCompiler c = compiler(layout);
    for (int i : list) {
      NodePtr n = c.compile(*conjuncts_[static_cast<std::size_t>(i)].expr);
      out = out ? makeBinary(BinaryOp::And, std::move(out), std::move(n), 0) : std::move(n);
    }
    return out;
  }

  std::string textOf(const std::vector<int>& list) const {
    std::string out;
    for (int i : list) {
      if (!out.empty()) out += " And ";
      out += toString(*conjuncts_[static_cast<std::size_t>(i)].expr);
    }
    return out;
  }

  void applyFilter(Input& in, const std::vector<int>& list) {
    if (list.empty()) return;
    Layout layout = in.layout;
    layout.setWidth(in.op->width());
    in.op = std::make_unique<Filter>(planner_.context(), std::move(in.op), compileAnd(list, layout), textOf(list));
    for (int i : list) conjuncts_[static_cast<std::size_t>(i)].placed = true;
    in.rows = std::max(1.0, in.rows * std::pow(kOtherSelectivity, static_cast<double>(list.size())));
  }

  // Applies the unplaced conditions the input can now answer.
  void applyReady(Input& in, const std::vector<int>& candidates) {
    std::vector<int> ready;
    for (int i : candidates) {
      const Conjunct& c = conjuncts_[static_cast<std::size_t>(i)];
      if (!c.placed && c.mask != 0 && (c.mask & ~in.mask) == 0) ready.push_back(i);
    }
    applyFilter(in, ready);
  }

  double selectivity(const Expr& e) const {
    if (e.kind == ExprKind::Binary) {
      const BinaryOp op = static_cast<const BinaryExpr&>(e).op;
      if (op == BinaryOp::Eq) return kEqualSelectivity;
      if (op == BinaryOp::Lt || op == BinaryOp::Le || op == BinaryOp::Gt || op == BinaryOp::Ge) return kRangeSelectivity;
    }
    if (e.kind == ExprKind::Like || e.kind == ExprKind::Between || e.kind == ExprKind::In) return kRangeSelectivity;
    return kOtherSelectivity;
  }

  // --- tables ---

  const Source& source(int s) const { return *block_.sources[static_cast<std::size_t>(s)]; }
  const std::vector<bool>& decoded(int s) const {
    return wanted_ != nullptr ? (*wanted_)[static_cast<std::size_t>(s)] : source(s).used;
  }

  // Columns a table's rows carry in the plan, at slots from `offset`.
  Layout tableLayout(int s) const {
    Layout layout;
    const auto& columns = decoded(s);
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (columns[c]) layout.add(ColumnRef{s, static_cast<int>(c)});
    }
    if (rowIdNeeded_[static_cast<std::size_t>(s)]) layout.add(ColumnRef{s, kRowIdColumn});
    return layout;
  }

  // Splits the table's slots of `layout` into those `filter` conditions read and the rest.
  void columnSlots(int s, const Layout& layout, const std::vector<int>& filter, std::vector<ColumnSlot>& first,
                   std::vector<ColumnSlot>& rest, int& rowIdSlot) const {
    std::vector<bool> read(source(s).columns.size(), false);
    for (int i : filter) markColumns(*conjuncts_[static_cast<std::size_t>(i)].expr, s, read);
    rowIdSlot = -1;
    for (const auto& [ref, slot] : layout.entries()) {
      if (ref.source != s) continue;
      if (ref.column == kRowIdColumn) {
        rowIdSlot = static_cast<int>(slot);
        continue;
      }
      const ColumnSlot cs{static_cast<std::size_t>(ref.column), slot};
      (read[static_cast<std::size_t>(ref.column)] ? first : rest).push_back(cs);
    }
  }

  void markColumns(const Expr& e, int s, std::vector<bool>& read, int depth = 0) const {
    switch (e.kind) {
      case ExprKind::Name: {
        const auto found = block_.names.find(static_cast<const NameExpr*>(&e));
        if (found == block_.names.end()) return;
        if (found->second.kind == NameKind::Column && found->second.ref.source == s) {
          read[static_cast<std::size_t>(found->second.ref.column)] = true;
        }
        if (found->second.kind == NameKind::Alias && depth < 32) {
          const OutputColumn& o = block_.outputs[static_cast<std::size_t>(found->second.output)];
          if (o.expr) markColumns(*o.expr, s, read, depth + 1);
        }
        return;
      }
      case ExprKind::Unary: return markColumns(*static_cast<const UnaryExpr&>(e).operand, s, read, depth);
      case ExprKind::Binary: {
        const auto& b = static_cast<const BinaryExpr&>(e);
        markColumns(*b.left, s, read, depth);
        markColumns(*b.right, s, read, depth);
        return;
      }
      case ExprKind::Like: {
        const auto& l = static_cast<const LikeExpr&>(e);
        markColumns(*l.value, s, read, depth);
        markColumns(*l.pattern, s, read, depth);
        return;
      }
      case ExprKind::IsNull: return markColumns(*static_cast<const IsNullExpr&>(e).operand, s, read, depth);
      case ExprKind::Between: {
        const auto& b = static_cast<const BetweenExpr&>(e);
        markColumns(*b.value, s, read, depth);
        markColumns(*b.low, s, read, depth);
        markColumns(*b.high, s, read, depth);
        return;
      }
      case ExprKind::In: {
        const auto& in = static_cast<const InExpr&>(e);
        markColumns(*in.value, s, read, depth);
        for (const ExprPtr& item : in.list) markColumns(*item, s, read, depth);
        return;
      }
      case ExprKind::Call:
        for (const ExprPtr& a : static_cast<const CallExpr&>(e).args) markColumns(*a, s, read, depth);
        return;
      case ExprKind::Subquery: {
        const auto& sub = static_cast<const SubqueryExpr&>(e);
        if (sub.value) markColumns(*sub.value, s, read, depth);
        if (const auto found = block_.subqueries.find(&sub); found != block_.subqueries.end()) {
          for (const Correlation& c : found->second->correlations) {
            if (c.depth == 1 && c.ref.source == s && c.ref.column >= 0) read[static_cast<std::size_t>(c.ref.column)] = true;
          }
        }
        return;
      }
      default: return;
    }
  }

  // The best index for the table's own conditions, if any helps.
  std::optional<IndexChoice> chooseIndex(int s, const std::vector<int>& local) const {
    const Table& table = *source(s).table;
    struct Candidate {
      int conjunct;
      std::size_t column;
      BinaryOp op;  // Eq, Lt, Le, Gt, Ge; In for lists
      const Expr* value = nullptr;
      const InExpr* list = nullptr;
    };
    std::vector<Candidate> candidates;
    for (int i : local) {
      const Expr& e = *conjuncts_[static_cast<std::size_t>(i)].expr;
      if (e.kind == ExprKind::Binary) {
        const auto& b = static_cast<const BinaryExpr&>(e);
        if (!isComparison(b.op) || b.op == BinaryOp::Ne) continue;
        if (auto c = columnOf(*b.left, s); c && maskOfExpr(*b.right) == 0) {
          candidates.push_back({i, *c, b.op, b.right.get()});
        } else if (auto c2 = columnOf(*b.right, s); c2 && maskOfExpr(*b.left) == 0) {
          candidates.push_back({i, *c2, flipped(b.op), b.left.get()});
        }
      } else if (e.kind == ExprKind::Between) {
        const auto& b = static_cast<const BetweenExpr&>(e);
        auto c = columnOf(*b.value, s);
        if (!b.negated && c && maskOfExpr(*b.low) == 0 && maskOfExpr(*b.high) == 0) {
          candidates.push_back({i, *c, BinaryOp::Ge, b.low.get()});
          candidates.push_back({i, *c, BinaryOp::Le, b.high.get()});
        }
      } else if (e.kind == ExprKind::In) {
        const auto& in = static_cast<const InExpr&>(e);
        auto c = columnOf(*in.value, s);
        bool constant = !in.negated && c.has_value() && in.list.size() <= 1000;
        for (const ExprPtr& item : in.list) constant = constant && maskOfExpr(*item) == 0;
        if (constant) candidates.push_back({i, *c, BinaryOp::Eq, nullptr, &in});
      }
    }
    if (candidates.empty()) return std::nullopt;
    std::optional<IndexChoice> best;
    int bestScore = 0;
    const double rows = std::max(1.0, static_cast<double>(table.storedRowCount()));
    for (std::size_t x = 0; x < table.indexes().size(); ++x) {
      const IndexDef& def = table.indexes()[x];
      if (def.columns.empty()) continue;
      try {
        if (!IndexRange::unsupportedReason(table, x).empty()) continue;
      } catch (const Error&) {
        continue;
      }
      IndexChoice choice;
      choice.index = x;
      choice.equal = {{}};
      std::size_t k = 0;
      bool usedList = false;
      for (; k < def.columns.size(); ++k) {
        const Candidate* eq = nullptr;
        const Candidate* list = nullptr;
        for (const Candidate& c : candidates) {
          if (c.column != def.columns[k].column || c.op != BinaryOp::Eq) continue;
          if (c.list == nullptr && eq == nullptr) eq = &c;
          if (c.list != nullptr && list == nullptr) list = &c;
        }
        if (eq != nullptr) {
          for (auto& alternative : choice.equal) alternative.push_back(eq->value);
          choice.consumed.push_back(eq->conjunct);
        } else if (list != nullptr && !usedList) {
          usedList = true;
          std::vector<std::vector<const Expr*>> product;
          for (const auto& alternative : choice.equal) {
            for (const ExprPtr& item : list->list->list) {
              product.push_back(alternative);
              product.back().push_back(item.get());
            }
          }
          choice.equal = std::move(product);
          choice.consumed.push_back(list->conjunct);
        } else {
          break;
        }
        if (isTextType(table.columns()[def.columns[k].column].type)) choice.recheck = true;
      }
      bool range = false;
      if (k < def.columns.size()) {
        for (const Candidate& c : candidates) {
          if (c.column != def.columns[k].column || c.list != nullptr) continue;
          const bool lower = c.op == BinaryOp::Gt || c.op == BinaryOp::Ge;
          const bool upper = c.op == BinaryOp::Lt || c.op == BinaryOp::Le;
          if (lower && choice.low == nullptr) {
            choice.low = c.value;
            choice.lowInclusive = c.op == BinaryOp::Ge;
          } else if (upper && choice.high == nullptr) {
            choice.high = c.value;
            choice.highInclusive = c.op == BinaryOp::Le;
          } else {
            continue;
          }
          range = true;
          if (std::find(choice.consumed.begin(), choice.consumed.end(), c.conjunct) == choice.consumed.end()) {
            choice.consumed.push_back(c.conjunct);
          }
        }
        if (range && isTextType(table.columns()[def.columns[k].column].type)) choice.recheck = true;
      }
      if (k == 0 && !range) continue;
      if (k == 0) choice.equal.clear();
      const bool fullUnique = def.unique && k == def.columns.size() && !usedList;
      int score = static_cast<int>(k) * 10 + (range ? 3 : 0) + (fullUnique ? 50 : 0) - (usedList ? 1 : 0);
      choice.rows = fullUnique ? 1.0
                               : std::max(1.0, rows * std::pow(kEqualSelectivity, static_cast<double>(k)) *
                                                   (range ? kRangeSelectivity : 1.0) *
                                                   static_cast<double>(std::max<std::size_t>(1, choice.equal.size())));
      if (!best || score > bestScore) {
        best = std::move(choice);
        bestScore = score;
      }
    }
    return best;
  }

  double estimateTable(int s, const std::vector<int>& local) const {
    double rows = std::max(1.0, static_cast<double>(source(s).table->storedRowCount()));
    std::vector<int> others = local;
    if (auto choice = chooseIndex(s, local)) {
      rows = choice->rows;
      for (int c : choice->consumed) others.erase(std::remove(others.begin(), others.end(), c), others.end());
    }
    for (int i : others) rows *= selectivity(*conjuncts_[static_cast<std::size_t>(i)].expr);
    return std::max(1.0, rows);
  }

  Input planTable(int s, const std::vector<int>& local) {
    const Source& src = source(s);
    Input in;
    in.mask = bit(s);
    in.layout = tableLayout(s);
    in.rows = estimateTable(s, local);
    std::vector<ColumnSlot> first, rest;
    int rowIdSlot = -1;
    const std::size_t width = in.layout.width();
    if (orderIndex_ && s == 0) {
      // The rows in the order of the index: its whole walk, every condition tested on the rows.
      columnSlots(s, in.layout, local, first, rest, rowIdSlot);
      IndexKeyPlan key;
      key.index = *orderIndex_;
      key.text = "in index order";
      in.op = std::make_unique<IndexSeek>(planner_.context(), src.table, std::move(key), width, std::move(first),
                                          std::vector<ColumnSlot>{}, nullptr, compileAnd(local, in.layout),
                                          textOf(local), std::move(rest), rowIdSlot);
    } else if (auto choice = chooseIndex(s, local)) {
      std::vector<int> residual;
      for (int i : local) {
        const bool consumed = std::find(choice->consumed.begin(), choice->consumed.end(), i) != choice->consumed.end();
        if (!consumed || choice->recheck) residual.push_back(i);
      }
      columnSlots(s, in.layout, residual, first, rest, rowIdSlot);
      // Columns only the index's own conditions read: decoded only to recheck them.
      std::vector<bool> consumedReads(src.columns.size(), false);
      for (int i : choice->consumed) markColumns(*conjuncts_[static_cast<std::size_t>(i)].expr, s, consumedReads);
      std::vector<ColumnSlot> recheck, others;
      for (const ColumnSlot& c : rest) {
        const bool onlyConsumed = consumedReads[c.column] && !src.usedOutsideWhere[c.column];
        (onlyConsumed ? recheck : others).push_back(c);
      }
      rest = std::move(others);
      IndexKeyPlan key;
      key.index = choice->index;
      ExpressionCompiler c = compiler(in.layout);
      for (const auto& alternative : choice->equal) {
        std::vector<NodePtr> values;
        for (const Expr* v : alternative) values.push_back(c.compile(*v));
        key.equal.push_back(std::move(values));
      }
      if (choice->low) key.low = c.compile(*choice->low);
      if (choice->high) key.high = c.compile(*choice->high);
      key.lowInclusive = choice->lowInclusive;
      key.highInclusive = choice->highInclusive;
      key.text = textOf(choice->consumed);
      in.op = std::make_unique<IndexSeek>(planner_.context(), src.table, std::move(key), width, std::move(first),
                                          std::move(recheck), compileAnd(choice->consumed, in.layout),
                                          compileAnd(residual, in.layout),
                                          textOf(residual), std::move(rest), rowIdSlot);
    } else {
      columnSlots(s, in.layout, local, first, rest, rowIdSlot);
      in.op = std::make_unique<TableScan>(planner_.context(), src.table, width, std::move(first),
                                          compileAnd(local, in.layout), textOf(local), std::move(rest), rowIdSlot);
    }
    for (int i : local) conjuncts_[static_cast<std::size_t>(i)].placed = true;
    return in;
  }

  Input planDerived(int s, const std::vector<int>& local) {
    Planner::QueryOut out;
    Input in;
    in.mask = bit(s);
    in.op = planner_.planQuery(*source(s).derived, FrameContext{}, out);
    for (std::size_t c = 0; c < source(s).columns.size(); ++c) in.layout.map(ColumnRef{s, static_cast<int>(c)}, c);
    in.layout.setWidth(in.op->width());
    in.rows = 1000;
    applyFilter(in, local);
    return in;
  }

  Input planLeaf(int s, const std::vector<int>& pushed) {
    std::vector<int> local;
    for (int i : pushed) {
      const Conjunct& c = conjuncts_[static_cast<std::size_t>(i)];
      if (!c.placed && c.mask == bit(s)) local.push_back(i);
    }
    return source(s).table ? planTable(s, local) : planDerived(s, local);
  }

  // --- joins ---

  static std::uint64_t maskOfNode(const FromNode& n) {
    std::uint64_t m = 0;
    for (int s : n.sources) m |= bit(s);
    return m;
  }

  void addOnConditions(const FromNode& n, std::vector<int>& out) {
    if (n.on == nullptr) return;
    std::vector<const Expr*> parts;
    splitAnd(*n.on, parts);
    for (const Expr* e : parts) out.push_back(addConjunct(*e));
  }

  static void splitAnd(const Expr& e, std::vector<const Expr*>& out) {
    if (e.kind == ExprKind::Binary && static_cast<const BinaryExpr&>(e).op == BinaryOp::And) {
      splitAnd(*static_cast<const BinaryExpr&>(e).left, out);
      splitAnd(*static_cast<const BinaryExpr&>(e).right, out);
      return;
    }
    out.push_back(&e);
  }

  Input planNode(const FromNode& n, const std::vector<int>& pushed) {
    if (n.isLeaf()) return planLeaf(n.source, pushed);
    if (n.join != JoinKind::Inner) return planOuter(n, pushed);
    std::vector<const FromNode*> members;
    std::vector<int> conditions = pushed;
    collectInner(n, members, conditions);
    return planGroup(members, conditions);
  }

  void collectInner(const FromNode& n, std::vector<const FromNode*>& members, std::vector<int>& conditions) {
    if (!n.isLeaf() && n.join == JoinKind::Inner) {
      collectInner(*n.left, members, conditions);
      collectInner(*n.right, members, conditions);
      addOnConditions(n, conditions);
      return;
    }
    members.push_back(&n);
  }

  // Equalities between the rows so far (`outer`) and a new input.
  std::vector<KeyPair> keyPairs(const std::vector<int>& conditions, std::uint64_t outer, std::uint64_t inner) const {
    std::vector<KeyPair> out;
    for (int i : conditions) {
      const Conjunct& c = conjuncts_[static_cast<std::size_t>(i)];
      if (c.placed || c.expr->kind != ExprKind::Binary) continue;
      const auto& b = static_cast<const BinaryExpr&>(*c.expr);
      if (b.op != BinaryOp::Eq) continue;
      const std::uint64_t l = maskOfExpr(*b.left), r = maskOfExpr(*b.right);
      KeyPair k{i, nullptr, nullptr};
      if (l != 0 && r != 0 && (l & ~outer) == 0 && (r & ~inner) == 0) {
        k.outer = b.left.get();
        k.inner = b.right.get();
      } else if (l != 0 && r != 0 && (r & ~outer) == 0 && (l & ~inner) == 0) {
        k.outer = b.right.get();
        k.inner = b.left.get();
      } else {
        continue;
      }
      const auto ko = planner_.binder().kindOf(*k.outer, block_);
      const auto ki = planner_.binder().kindOf(*k.inner, block_);
      if (!ko || !ki || keyClassOf(*ko) != keyClassOf(*ki) || keyClassOf(*ko) == KeyClass::None) continue;
      out.push_back(k);
    }
    return out;
  }

  struct IndexJoinChoice {
    std::size_t index = 0;
    std::vector<KeyPair> keys;  // one per leading index column
    bool unique = false;
    bool recheck = false;
  };

  std::optional<IndexJoinChoice> indexForJoin(int s, const std::vector<KeyPair>& pairs) const {
    const Table& table = *source(s).table;
    std::optional<IndexJoinChoice> best;
    for (std::size_t x = 0; x < table.indexes().size(); ++x) {
      const IndexDef& def = table.indexes()[x];
      try {
        if (def.columns.empty() || !IndexRange::unsupportedReason(table, x).empty()) continue;
      } catch (const Error&) {
        continue;
      }
      IndexJoinChoice choice;
      choice.index = x;
      for (const IndexColumn& ic : def.columns) {
        const KeyPair* match = nullptr;
        for (const KeyPair& k : pairs) {
          if (columnOf(*k.inner, s) == ic.column) {
            match = &k;
            break;
          }
        }
        if (match == nullptr) break;
        choice.keys.push_back(*match);
        if (isTextType(table.columns()[ic.column].type)) choice.recheck = true;
      }
      if (choice.keys.empty()) continue;
      choice.unique = def.unique && choice.keys.size() == def.columns.size();
      if (!best || choice.keys.size() > best->keys.size() || (choice.unique && !best->unique)) best = std::move(choice);
    }
    return best;
  }

  // Joins `inner` (planned) to `current` by hashing on `keys`, or by a nested loop without keys.
  Input hashOrLoop(Input current, Input inner, const std::vector<KeyPair>& keys, const std::vector<int>& residual,
                   JoinType type) {
    Layout joined = current.layout;
    joined.setWidth(current.op->width());
    Layout right = inner.layout;
    right.setWidth(inner.op->width());
    joined.append(right);
    Input out;
    out.mask = current.mask | inner.mask;
    if (!keys.empty()) {
      std::vector<NodePtr> leftKeys, rightKeys;
      std::vector<int> used;
      ExpressionCompiler lc = compiler(current.layout);
      ExpressionCompiler rc = compiler(inner.layout);
      for (const KeyPair& k : keys) {
        leftKeys.push_back(lc.compile(*k.outer));
        rightKeys.push_back(rc.compile(*k.inner));
        used.push_back(k.conjunct);
      }
      const bool buildLeft = type == JoinType::Inner && current.rows < inner.rows;
      out.rows = type == JoinType::Inner ? std::max(current.rows, inner.rows) : current.rows;
      out.op = std::make_unique<HashJoin>(planner_.context(), std::move(current.op), std::move(inner.op),
                                          std::move(leftKeys), std::move(rightKeys), compileAnd(residual, joined), type,
                                          buildLeft, textOf(used) + (residual.empty() ? "" : " And " + textOf(residual)));
      for (int i : used) conjuncts_[static_cast<std::size_t>(i)].placed = true;
    } else {
      out.rows = type == JoinType::Inner ? current.rows * inner.rows : current.rows;
      out.op = std::make_unique<NestedLoopJoin>(planner_.context(), std::move(current.op), std::move(inner.op),
                                                compileAnd(residual, joined), type, textOf(residual));
    }
    for (int i : residual) conjuncts_[static_cast<std::size_t>(i)].placed = true;
    out.layout = std::move(joined);
    return out;
  }

  // Joins table `s` to `current` by seeking its index for each current row.
  Input indexJoin(Input current, int s, const IndexJoinChoice& choice, std::vector<int> filter, JoinType type) {
    Layout inner = tableLayout(s);
    Layout joined = current.layout;
    joined.setWidth(current.op->width());
    joined.append(inner);
    std::vector<int> keysUsed;
    std::vector<NodePtr> keys;
    ExpressionCompiler oc = compiler(current.layout);
    for (const KeyPair& k : choice.keys) {
      keys.push_back(oc.compile(*k.outer));
      keysUsed.push_back(k.conjunct);
    }
    if (choice.recheck) filter.insert(filter.end(), keysUsed.begin(), keysUsed.end());
    std::vector<ColumnSlot> first, rest;
    int rowIdSlot = -1;
    columnSlots(s, joined, filter, first, rest, rowIdSlot);
    Input out;
    out.mask = current.mask | bit(s);
    out.rows = choice.unique ? current.rows : current.rows * kDefaultFanout;
    const std::string text = textOf(keysUsed);
    out.op = std::make_unique<IndexJoin>(planner_.context(), std::move(current.op), source(s).table, choice.index,
                                         std::move(keys), inner.width(), std::move(first), compileAnd(filter, joined),
                                         std::move(rest), rowIdSlot, type, text);
    for (int i : keysUsed) conjuncts_[static_cast<std::size_t>(i)].placed = true;
    for (int i : filter) conjuncts_[static_cast<std::size_t>(i)].placed = true;
    out.layout = std::move(joined);
    return out;
  }

  std::vector<int> localTo(std::uint64_t mask, const std::vector<int>& conditions) const {
    std::vector<int> out;
    for (int i : conditions) {
      const Conjunct& c = conjuncts_[static_cast<std::size_t>(i)];
      if (!c.placed && c.mask != 0 && (c.mask & ~mask) == 0) out.push_back(i);
    }
    return out;
  }

  Input planGroup(const std::vector<const FromNode*>& members, const std::vector<int>& conditions) {
    struct Member {
      const FromNode* node;
      std::uint64_t mask;
      bool table;  // a table leaf, planned when it is joined
      std::optional<Input> planned;
      double rows = 1;
      double cost = 1;  // of reading it on its own
      bool done = false;
    };
    std::vector<Member> all;
    for (const FromNode* n : members) {
      Member m{n, maskOfNode(*n), n->isLeaf() && source(n->source).table != nullptr, std::nullopt};
      if (m.table) {
        const std::vector<int> local = localTo(m.mask, conditions);
        m.rows = estimateTable(n->source, local);
        m.cost = chooseIndex(n->source, local) ? kSeekCost + m.rows * kFetchCost
                                               : std::max(1.0, static_cast<double>(source(n->source).table->storedRowCount()));
      } else {
        m.planned = planNode(*n, localTo(m.mask, conditions));
        m.rows = m.planned->rows;
        m.cost = m.rows;
      }
      all.push_back(std::move(m));
    }
    auto take = [&](Member& m) -> Input {
      m.done = true;
      if (m.planned) return std::move(*m.planned);
      return planTable(m.node->source, localTo(m.mask, conditions));
    };
    std::size_t start = 0;
    for (std::size_t i = 1; i < all.size(); ++i) {
      if (all[i].rows < all[start].rows) start = i;
    }
    Input current = take(all[start]);
    applyReady(current, conditions);
    for (std::size_t joined = 1; joined < all.size(); ++joined) {
      // The cheapest next input connected by equal keys.
      double bestCost = 0;
      int bestMember = -1;
      std::optional<IndexJoinChoice> bestIndex;
      for (std::size_t i = 0; i < all.size(); ++i) {
        Member& m = all[i];
        if (m.done) continue;
        const auto pairs = keyPairs(conditions, current.mask, m.mask);
        if (pairs.empty()) continue;
        double cost = m.cost + current.rows * 0.2;
        std::optional<IndexJoinChoice> viaIndex;
        if (m.table) {
          if (auto choice = indexForJoin(m.node->source, pairs)) {
            const double fanout = choice->unique ? 1 : kDefaultFanout;
            const double seekCost = current.rows * (kSeekCost + fanout * kFetchCost);
            if (seekCost < cost) {
              cost = seekCost;
              viaIndex = std::move(choice);
            }
          }
        }
        if (bestMember < 0 || cost < bestCost) {
          bestCost = cost;
          bestMember = static_cast<int>(i);
          bestIndex = std::move(viaIndex);
        }
      }
      if (bestMember < 0) {
        // Nothing connects: the smallest input, joined by a nested loop.
        for (std::size_t i = 0; i < all.size(); ++i) {
          if (!all[i].done && (bestMember < 0 || all[i].rows < all[static_cast<std::size_t>(bestMember)].rows)) {
            bestMember = static_cast<int>(i);
          }
        }
        Member& m = all[static_cast<std::size_t>(bestMember)];
        current = hashOrLoop(std::move(current), take(m), {}, {}, JoinType::Inner);
      } else if (bestIndex) {
        Member& m = all[static_cast<std::size_t>(bestMember)];
        m.done = true;
        current = indexJoin(std::move(current), m.node->source, *bestIndex, localTo(m.mask, conditions), JoinType::Inner);
      } else {
        Member& m = all[static_cast<std::size_t>(bestMember)];
        const std::uint64_t outer = current.mask;
        Input inner = take(m);
        current = hashOrLoop(std::move(current), std::move(inner), keyPairs(conditions, outer, m.mask), {},
                             JoinType::Inner);
      }
      applyReady(current, conditions);
    }
    return current;
  }

  Input planOuter(const FromNode& n, const std::vector<int>& pushed) {
    const FromNode& preservedNode = n.join == JoinKind::Left ? *n.left : *n.right;
    const FromNode& nullableNode = n.join == JoinKind::Left ? *n.right : *n.left;
    const std::uint64_t preservedMask = maskOfNode(preservedNode);
    const std::uint64_t nullableMask = maskOfNode(nullableNode);
    std::vector<int> on;
    addOnConditions(n, on);
    for (int i : on) {
      const Conjunct& c = conjuncts_[static_cast<std::size_t>(i)];
      if ((c.mask & ~(preservedMask | nullableMask)) != 0) {
        throw Error(ErrorCode::InvalidArgument, "JOIN expression not supported: the ON condition '" + toString(*c.expr) +
                                                    "' of a LEFT or RIGHT JOIN may only use the two sides it joins");
      }
    }
    std::vector<int> down, above;
    for (int i : pushed) {
      const Conjunct& c = conjuncts_[static_cast<std::size_t>(i)];
      if (c.placed) continue;
      ((c.mask != 0 && (c.mask & ~preservedMask) == 0) ? down : above).push_back(i);
    }
    Input preserved = planNode(preservedNode, down);
    const std::vector<int> nullableLocal = localTo(nullableMask, on);
    const std::vector<KeyPair> keys = keyPairs(on, preservedMask, nullableMask);
    auto residualOf = [&](const std::vector<int>& taken) {
      std::vector<int> out;
      for (int i : on) {
        if (std::find(taken.begin(), taken.end(), i) == taken.end()) out.push_back(i);
      }
      return out;
    };
    Input out;
    std::optional<IndexJoinChoice> viaIndex;
    if (nullableNode.isLeaf() && source(nullableNode.source).table != nullptr && !keys.empty()) {
      viaIndex = indexForJoin(nullableNode.source, keys);
    }
    if (viaIndex) {
      std::vector<int> taken;
      for (const KeyPair& k : viaIndex->keys) taken.push_back(k.conjunct);
      out = indexJoin(std::move(preserved), nullableNode.source, *viaIndex, residualOf(taken), JoinType::LeftOuter);
    } else {
      Input nullable = planNode(nullableNode, nullableLocal);
      std::vector<int> taken = nullableLocal;
      for (const KeyPair& k : keys) taken.push_back(k.conjunct);
      out = hashOrLoop(std::move(preserved), std::move(nullable), keys, residualOf(taken), JoinType::LeftOuter);
    }
    for (int i : on) conjuncts_[static_cast<std::size_t>(i)].placed = true;
    applyReady(out, above);
    return out;
  }

  Planner& planner_;
  const Block& block_;
  FrameContext frame_;
  const std::vector<bool>& rowIdNeeded_;
  const std::vector<std::vector<bool>>* wanted_;
  const std::vector<const Expr*>& where_;
  std::optional<std::size_t> orderIndex_;
  std::vector<Conjunct> conjuncts_;
};

OperatorPtr Planner::planFromWhere(const Block& b, const FrameContext& frame, const std::vector<bool>& rowIdNeeded,
                                   const std::vector<std::vector<bool>>* columnsWanted, Layout& layout,
                                   const std::vector<const Expr*>* where, std::optional<std::size_t> orderIndex) {
  FromPlanner from(*this, b, frame, rowIdNeeded, columnsWanted, where ? *where : b.where, orderIndex);
  return from.run(layout);
}

}  // namespace jet::sql
