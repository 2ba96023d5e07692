// Subquery nodes: fill the frame, look the frame up in the cache, run the plan.
#include "sql/exec/subquery_nodes.h"

#include <bit>
#include <deque>
#include <span>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/lexer.h"
#include "sql/plan/domain_statement.h"
#include "value/value_error.h"

namespace jet::sql {

namespace {

// Results kept per frame before the cache starts afresh.
constexpr std::size_t kMaxCachedFrames = 200000;
// Prepared domain statements kept by text.
constexpr std::size_t kMaxDomainStatements = 64;

class FrameColumnNode final : public EvalNode {
 public:
  FrameColumnNode(const CorrelationFrame& frame, std::size_t index, std::optional<ValueKind> kind, std::size_t pos)
      : EvalNode(pos, kind), frame_(frame), index_(index) {}
  Value evaluate(const EvalEnv&) const override { return frame_.values[index_]; }
  const Value* reference(const EvalEnv&) const override { return &frame_.values[index_]; }
  bool isDeterministic() const override { return false; }

 private:
  const CorrelationFrame& frame_;
  std::size_t index_;
};

// What every subquery node shares: the run and the per-frame cache.
template <typename Result>
class SubqueryNode : public EvalNode {
 public:
  SubqueryNode(ExecContext& ctx, SubqueryRun run, std::optional<ValueKind> kind, std::size_t pos)
      : EvalNode(pos, kind), ctx_(ctx), run_(std::move(run)) {}
  bool isDeterministic() const override { return false; }

 protected:
  // The result for the enclosing row of `env`, computed when not yet known.
  const Result& resultFor(const EvalEnv& env) const {
    Row& key = run_.frame->values;
    const std::size_t k = key.size();
    for (std::size_t i = 0; i < k; ++i) key[i] = run_.frameSources[i]->evaluate(env);
    if (k == 0 && !results_.empty()) return results_.front();
    const std::size_t h = hashValues(key);
    const std::uint32_t id = index_.find(h, [&](std::uint32_t e) {
      return sameKeys(std::span<const Value>(keys_.data() + std::size_t{e} * k, k), key);
    });
    if (id != KeyIndex::kEnd) return results_[id];
    if (results_.size() >= kMaxCachedFrames) {
      index_.clear();
      keys_.clear();
      results_.clear();
    }
    Result r = compute();
    index_.insert(h, static_cast<std::uint32_t>(results_.size()));
    keys_.insert(keys_.end(), key.begin(), key.end());
    results_.push_back(std::move(r));
    return results_.back();
  }
  virtual Result compute() const = 0;

  // Runs the plan from the start.
  Operator& plan() const {
    run_.plan->open();
    return *run_.plan;
  }

  ExecContext& ctx_;
  mutable SubqueryRun run_;
  // Results by frame values (a deque: references stay valid as it grows).
  mutable KeyIndex index_;
  mutable std::vector<Value> keys_;
  mutable std::deque<Result> results_;
};

class ScalarSubqueryNode final : public SubqueryNode<Value> {
 public:
  using SubqueryNode::SubqueryNode;
  Value evaluate(const EvalEnv& env) const override { return resultFor(env); }

 private:
  Value compute() const override {
    Operator& p = plan();
    if (!p.next()) return Value();
    Value v = p.row()[0];
    if (p.next()) {
      throw Error(ErrorCode::InvalidArgument, "At most one record can be returned by this subquery" +
                                                  atPosition("query", position()));
    }
    return v;
  }
};

// Nodes whose value is a condition.
template <typename Result>
class SubqueryCondition : public SubqueryNode<Result> {
 public:
  SubqueryCondition(ExecContext& ctx, SubqueryRun run, std::size_t pos)
      : SubqueryNode<Result>(ctx, std::move(run), ValueKind::Boolean, pos) {}
  Value evaluate(const EvalEnv& env) const final { return valueOf(this->test(env)); }
};

class ExistsNode final : public SubqueryCondition<bool> {
 public:
  using SubqueryCondition::SubqueryCondition;
  Tri test(const EvalEnv& env) const override { return triOf(resultFor(env)); }

 private:
  bool compute() const override { return plan().next(); }
};

// The values of a subquery's one column.
struct ValueSet {
  std::vector<Value> values;
  KeyIndex index;
  bool hasNull = false;
  std::uint8_t classes = 0;  // bit per KeyClass present
};

class InSubqueryNode final : public SubqueryCondition<ValueSet> {
 public:
  InSubqueryNode(ExecContext& ctx, SubqueryRun run, NodePtr value, bool negated, std::size_t pos)
      : SubqueryCondition(ctx, std::move(run), pos), value_(std::move(value)), negated_(negated) {}

  Tri test(const EvalEnv& env) const override {
    const ValueSet& set = resultFor(env);
    const Tri t = member(value_->evaluate(env), set);
    if (!negated_ || t == Tri::Null) return t;
    return t == Tri::True ? Tri::False : Tri::True;
  }

 private:
  Tri member(const Value& v, const ValueSet& set) const {
    if (set.values.empty() && !set.hasNull) return Tri::False;
    if (v.isNull()) return Tri::Null;
    const auto cls = static_cast<std::uint8_t>(1u << static_cast<unsigned>(keyClassOf(v.kind())));
    if ((set.classes & ~cls) == 0) {
      const std::size_t h = hashValue(v);
      if (set.index.find(h, [&](std::uint32_t id) { return sameKey(set.values[id], v); }) != KeyIndex::kEnd) {
        return Tri::True;
      }
    } else {
      // Values of other types compare by conversion: ask each.
      for (const Value& s : set.values) {
        try {
          if (compare(BinaryOp::Eq, v, s) == Tri::True) return Tri::True;
        } catch (const ValueError& e) {
          raise(ctx_.envWithoutRow(), e);
        }
      }
    }
    return set.hasNull ? Tri::Null : Tri::False;
  }

  ValueSet compute() const override {
    ValueSet set;
    Operator& p = plan();
    while (p.next()) {
      const Value& v = p.row()[0];
      if (v.isNull()) {
        set.hasNull = true;
        continue;
      }
      const std::size_t h = hashValue(v);
      const auto same = [&](std::uint32_t id) { return sameKey(set.values[id], v) && set.values[id].kind() == v.kind(); };
      if (set.index.find(h, same) != KeyIndex::kEnd) continue;
      set.index.insert(h, static_cast<std::uint32_t>(set.values.size()));
      set.values.push_back(v);
      set.classes |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(keyClassOf(v.kind())));
    }
    return set;
  }

  NodePtr value_;
  bool negated_;
};

class QuantifiedNode final : public SubqueryCondition<std::vector<Value>> {
 public:
  QuantifiedNode(ExecContext& ctx, SubqueryRun run, NodePtr value, BinaryOp op, bool all, std::size_t pos)
      : SubqueryCondition(ctx, std::move(run), pos), value_(std::move(value)), op_(op), all_(all) {}

  Tri test(const EvalEnv& env) const override {
    const std::vector<Value>& values = resultFor(env);
    const Value v = value_->evaluate(env);
    bool sawNull = false;
    try {
      for (const Value& s : values) {
        const Tri t = compare(op_, v, s);
        if (t == Tri::Null) sawNull = true;
        if (all_ && t == Tri::False) return Tri::False;
        if (!all_ && t == Tri::True) return Tri::True;
      }
    } catch (const ValueError& e) {
      raise(env, e);
    }
    if (sawNull) return Tri::Null;
    return triOf(all_);
  }

 private:
  std::vector<Value> compute() const override {
    std::vector<Value> out;
    Operator& p = plan();
    while (p.next()) out.push_back(p.row()[0]);
    return out;
  }

  NodePtr value_;
  BinaryOp op_;
  bool all_;
};

class GroupedLookupNode final : public EvalNode {
 public:
  GroupedLookupNode(ExecContext& ctx, GroupedLookup lookup, std::optional<ValueKind> kind, std::size_t pos)
      : EvalNode(pos, kind), ctx_(ctx), lookup_(std::move(lookup)), key_(lookup_.keys) {}
  bool isDeterministic() const override { return false; }

  Value evaluate(const EvalEnv& env) const override {
    if (!built_) build();
    bool hasNull = false;
    for (std::size_t i = 0; i < key_.size(); ++i) {
      key_[i] = lookup_.outerKeys[i]->evaluate(env);
      hasNull = hasNull || key_[i].isNull();
    }
    if (!hasNull) {
      const std::size_t k = key_.size();
      const std::uint32_t id = index_.find(hashValues(key_), [&](std::uint32_t g) {
        return sameKeys(std::span<const Value>(keys_.data() + std::size_t{g} * k, k), key_);
      });
      if (id != KeyIndex::kEnd) return values_[id];
    }
    if (!empty_) {
      const RowSpan span(lookup_.emptyRow);
      empty_ = lookup_.empty->evaluate(ctx_.env(span));
    }
    return *empty_;
  }

 private:
  void build() const {
    Operator& plan = *lookup_.plan;
    plan.open();
    const std::size_t k = lookup_.keys;
    while (plan.next()) {
      const Row& row = plan.row();
      index_.insert(hashValues(std::span<const Value>(row.data(), k)), static_cast<std::uint32_t>(values_.size()));
      keys_.insert(keys_.end(), row.begin(), row.begin() + static_cast<std::ptrdiff_t>(k));
      values_.push_back(row[k]);
    }
    built_ = true;
  }

  ExecContext& ctx_;
  GroupedLookup lookup_;
  mutable Row key_;
  mutable bool built_ = false;
  mutable KeyIndex index_;
  mutable std::vector<Value> keys_;
  mutable std::vector<Value> values_;
  mutable std::optional<Value> empty_;
};

class DomainNode final : public EvalNode {
 public:
  DomainNode(Database& db, const ExecContext& ctx, AggregateKind kind, std::vector<NodePtr> args,
             std::optional<ValueKind> resultKind, std::size_t pos)
      : EvalNode(pos, resultKind), db_(db), ctx_(ctx), kind_(kind), args_(std::move(args)) {}
  bool isDeterministic() const override { return false; }

  Value evaluate(const EvalEnv& env) const override {
    std::u16string parts[3];
    for (std::size_t i = 0; i < args_.size(); ++i) {
      const Value v = args_[i]->evaluate(env);
      if (v.isNull() && i < 2) {
        throw Error(ErrorCode::InvalidArgument, "The expression and the domain of a domain aggregate cannot be Null" +
                                                    atPosition("query", position()));
      }
      parts[i] = v.isNull() ? std::u16string() : toText(v);
    }
    const std::u16string text = domainStatementText(kind_, parts[0], parts[1], parts[2]);
    ExecuteOptions options;
    options.clock = ctx_.options().clock;
    try {
      auto cursor = statementFor(text).execute(options);
      return cursor->next() ? cursor->row()[0] : Value();
    } catch (const Error& e) {
      const std::string what = e.what();
      if (what.rfind("In the domain aggregate", 0) == 0) throw;
      throw Error(e.code(), "In the domain aggregate at position " + std::to_string(position()) + " (" + toUtf8(text) +
                                "): " + what);
    }
  }

 private:
  const Statement& statementFor(const std::u16string& text) const {
    for (auto it = statements_.begin(); it != statements_.end(); ++it) {
      if (it->first == text) {
        statements_.splice(statements_.begin(), statements_, it);
        return statements_.front().second;
      }
    }
    if (statements_.size() >= kMaxDomainStatements) statements_.pop_back();
    statements_.emplace_front(text, Statement::prepare(db_, text));
    return statements_.front().second;
  }

  Database& db_;
  const ExecContext& ctx_;
  AggregateKind kind_;
  std::vector<NodePtr> args_;
  mutable std::list<std::pair<std::u16string, Statement>> statements_;
};

class RndNode final : public EvalNode {
 public:
  RndNode(ExecContext& ctx, NodePtr argument, std::size_t pos)
      : EvalNode(pos, ValueKind::Single), ctx_(ctx), argument_(std::move(argument)) {}
  bool isDeterministic() const override { return false; }

  Value evaluate(const EvalEnv& env) const override {
    const bool perRow = argument_ && argument_->constant() == nullptr;
    if (!perRow && once_) return *once_;
    std::optional<double> n;
    if (argument_) {
      const Value a = argument_->evaluate(env);
      if (a.isNull()) throw Error(ErrorCode::InvalidArgument, "Rnd: Invalid use of Null" + atPosition("query", position()));
      n = toDouble(a);
    }
    std::uint32_t& seed = ctx_.rndSeed();
    if (n && *n < 0) {
      const std::uint32_t bits = std::bit_cast<std::uint32_t>(static_cast<float>(*n));
      seed = (bits + (bits >> 24)) & 0xFFFFFFu;
    }
    if (!n || *n != 0) seed = (seed * 1140671485u + 12820163u) & 0xFFFFFFu;
    const Value v = Value::single(static_cast<float>(seed) / 16777216.0f);
    if (!perRow) once_ = v;
    return v;
  }

 private:
  ExecContext& ctx_;
  NodePtr argument_;
  mutable std::optional<Value> once_;
};

}  // namespace

NodePtr makeFrameColumn(const CorrelationFrame& frame, std::size_t index, std::optional<ValueKind> kind,
                        std::size_t position) {
  return std::make_unique<FrameColumnNode>(frame, index, kind, position);
}

NodePtr makeScalarSubquery(ExecContext& ctx, SubqueryRun run, std::optional<ValueKind> kind, std::size_t position) {
  return std::make_unique<ScalarSubqueryNode>(ctx, std::move(run), kind, position);
}

NodePtr makeExistsSubquery(ExecContext& ctx, SubqueryRun run, std::size_t position) {
  return std::make_unique<ExistsNode>(ctx, std::move(run), position);
}

NodePtr makeInSubquery(ExecContext& ctx, SubqueryRun run, NodePtr value, bool negated, std::size_t position) {
  return std::make_unique<InSubqueryNode>(ctx, std::move(run), std::move(value), negated, position);
}

NodePtr makeQuantifiedSubquery(ExecContext& ctx, SubqueryRun run, NodePtr value, BinaryOp op, bool all,
                               std::size_t position) {
  return std::make_unique<QuantifiedNode>(ctx, std::move(run), std::move(value), op, all, position);
}

NodePtr makeGroupedLookup(ExecContext& ctx, GroupedLookup lookup, std::optional<ValueKind> kind, std::size_t position) {
  return std::make_unique<GroupedLookupNode>(ctx, std::move(lookup), kind, position);
}

NodePtr makeDomainAggregate(Database& db, const ExecContext& ctx, AggregateKind kind, std::vector<NodePtr> args,
                            std::optional<ValueKind> resultKind, std::size_t position) {
  return std::make_unique<DomainNode>(db, ctx, kind, std::move(args), resultKind, position);
}

NodePtr makeRnd(ExecContext& ctx, NodePtr argument, std::size_t position) {
  return std::make_unique<RndNode>(ctx, std::move(argument), position);
}

}  // namespace jet::sql
