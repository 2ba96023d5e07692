// The evaluation nodes: constants, columns, operators, Like, Null and blank
// tests, Between, In, function calls and the functions that evaluate lazily.
#include <array>
#include <chrono>
#include <ctime>
#include <optional>

#include "jet/error.h"
#include "sql/eval_node.h"
#include "sql/function_registry.h"
#include "sql/lexer.h"
#include "sql/like_pattern.h"
#include "value/value_error.h"

namespace jet::sql {

DateTime EvalEnv::now() const {
  if (options != nullptr && options->clock) return options->clock();
  const auto tp = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(tp);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count() % 1000;
  return fromCivil({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                    local.tm_sec, static_cast<int>(ms)});
}

Tri EvalNode::test(const EvalEnv& env) const {
  Value scratch;
  const Value& v = operand(*this, env, scratch);
  try {
    return truth(v);
  } catch (const ValueError& e) {
    raise(env, e);
  }
}

void EvalNode::raise(const EvalEnv& env, const ValueError& e, std::string_view prefix) const {
  std::string message = prefix.empty() ? e.what() : std::string(prefix) + ": " + e.what();
  throw Error(e.code(), message + atPosition(env.context, position_));
}

const Value& EvalNode::operand(const EvalNode& node, const EvalEnv& env, Value& scratch) {
  if (const Value* v = node.reference(env)) return *v;
  scratch = node.evaluate(env);
  return scratch;
}

namespace {

std::optional<ValueKind> kindOfValue(const Value& v) {
  if (v.isNull()) return std::nullopt;
  return v.kind();
}

class ConstantNode final : public EvalNode {
 public:
  ConstantNode(Value v, std::size_t pos) : EvalNode(pos, kindOfValue(v)), value_(std::move(v)) {}
  Value evaluate(const EvalEnv&) const override { return value_; }
  const Value* reference(const EvalEnv&) const override { return &value_; }
  const Value* constant() const override { return &value_; }

 private:
  Value value_;
};

class ColumnNode final : public EvalNode {
 public:
  ColumnNode(std::size_t index, ValueKind kind, std::size_t pos) : EvalNode(pos, kind), index_(index) {}
  Value evaluate(const EvalEnv& env) const override { return env.row->value(index_); }
  const Value* reference(const EvalEnv& env) const override { return &env.row->value(index_); }
  std::size_t index() const { return index_; }

 private:
  std::size_t index_;
};

class NegateNode final : public EvalNode {
 public:
  NegateNode(NodePtr e, std::size_t pos) : EvalNode(pos, std::nullopt), operand_(std::move(e)) {}
  Value evaluate(const EvalEnv& env) const override {
    Value scratch;
    const Value& v = operand(*operand_, env, scratch);
    try {
      return negate(v);
    } catch (const ValueError& e) {
      raise(env, e);
    }
  }

 private:
  NodePtr operand_;
};

// Nodes whose value is a condition: evaluate() is test() as a Boolean or Null.
class ConditionNode : public EvalNode {
 public:
  explicit ConditionNode(std::size_t pos) : EvalNode(pos, ValueKind::Boolean) {}
  Value evaluate(const EvalEnv& env) const final { return valueOf(test(env)); }
};

Tri invert(Tri t) { return t == Tri::Null ? Tri::Null : triOf(t == Tri::False); }

class NotNode final : public ConditionNode {
 public:
  NotNode(NodePtr e, std::size_t pos) : ConditionNode(pos), operand_(std::move(e)) {}
  Tri test(const EvalEnv& env) const override { return invert(operand_->test(env)); }

 private:
  NodePtr operand_;
};

class ArithmeticNode final : public EvalNode {
 public:
  ArithmeticNode(BinaryOp op, NodePtr l, NodePtr r, std::size_t pos)
      : EvalNode(pos, op == BinaryOp::Concat ? std::optional(ValueKind::Text) : std::nullopt),
        op_(op), left_(std::move(l)), right_(std::move(r)) {}
  Value evaluate(const EvalEnv& env) const override {
    Value s1, s2;
    const Value& a = operand(*left_, env, s1);
    const Value& b = operand(*right_, env, s2);
    try {
      return arithmetic(op_, a, b);
    } catch (const ValueError& e) {
      raise(env, e);
    }
  }

 private:
  BinaryOp op_;
  NodePtr left_, right_;
};

class CompareNode final : public ConditionNode {
 public:
  CompareNode(BinaryOp op, NodePtr l, NodePtr r, std::size_t pos)
      : ConditionNode(pos), op_(op), left_(std::move(l)), right_(std::move(r)) {}
  Tri test(const EvalEnv& env) const override {
    Value s1, s2;
    const Value& a = operand(*left_, env, s1);
    const Value& b = operand(*right_, env, s2);
    try {
      return compare(op_, a, b);
    } catch (const ValueError& e) {
      raise(env, e);
    }
  }

 private:
  BinaryOp op_;
  NodePtr left_, right_;
};

// A column compared with a constant: the most common filter, read in place.
class ColumnCompareNode final : public ConditionNode {
 public:
  ColumnCompareNode(BinaryOp op, std::size_t column, Value constant, bool constantFirst, std::size_t pos)
      : ConditionNode(pos), op_(op), column_(column), constant_(std::move(constant)), constantFirst_(constantFirst) {}
  Tri test(const EvalEnv& env) const override {
    const Value& v = env.row->value(column_);
    try {
      const auto c = constantFirst_ ? compareValues(constant_, v) : compareValues(v, constant_);
      return c ? applyComparison(op_, *c) : Tri::Null;
    } catch (const ValueError& e) {
      raise(env, e);
    }
  }

 private:
  BinaryOp op_;
  std::size_t column_;
  Value constant_;
  bool constantFirst_;
};

class LogicalNode final : public ConditionNode {
 public:
  LogicalNode(BinaryOp op, NodePtr l, NodePtr r, std::size_t pos)
      : ConditionNode(pos), op_(op), left_(std::move(l)), right_(std::move(r)) {}
  Tri test(const EvalEnv& env) const override {
    const Tri a = left_->test(env);
    if (op_ == BinaryOp::And && a == Tri::False) return Tri::False;
    if (op_ == BinaryOp::Or && a == Tri::True) return Tri::True;
    if (op_ == BinaryOp::Imp && a == Tri::False) return Tri::True;
    return logical(op_, a, right_->test(env));
  }

 private:
  BinaryOp op_;
  NodePtr left_, right_;
};

class LikeNode final : public ConditionNode {
 public:
  LikeNode(NodePtr v, NodePtr p, bool negated, std::size_t pos)
      : ConditionNode(pos), value_(std::move(v)), pattern_(std::move(p)), negated_(negated) {
    if (const Value* c = pattern_->constant(); c != nullptr && !c->isNull()) {
      compiled_.emplace(c->kind() == ValueKind::Text ? LikePattern(c->asText()) : LikePattern(toText(*c)));
    }
  }
  Tri test(const EvalEnv& env) const override {
    Value s1, s2;
    const Value& v = operand(*value_, env, s1);
    if (v.isNull()) return Tri::Null;
    try {
      std::optional<LikePattern> dynamic;
      const LikePattern* pattern = compiled_ ? &*compiled_ : nullptr;
      if (pattern == nullptr) {
        const Value& p = operand(*pattern_, env, s2);
        if (p.isNull()) return Tri::Null;
        pattern = &dynamic.emplace(toText(p));
      }
      const bool match = v.kind() == ValueKind::Text ? pattern->matches(v.asText()) : pattern->matches(toText(v));
      return triOf(match != negated_);
    } catch (const ValueError& e) {
      raise(env, e);
    }
  }

 private:
  NodePtr value_, pattern_;
  bool negated_;
  std::optional<LikePattern> compiled_;
};

class IsNullNode final : public ConditionNode {
 public:
  IsNullNode(NodePtr e, bool negated, bool blank, std::size_t pos)
      : ConditionNode(pos), operand_(std::move(e)), negated_(negated), blank_(blank) {}
  Tri test(const EvalEnv& env) const override {
    Value scratch;
    const Value& v = operand(*operand_, env, scratch);
    bool empty = v.isNull();
    if (blank_ && !empty) {
      empty = (v.kind() == ValueKind::Text && v.asText().empty()) ||
              (v.kind() == ValueKind::Binary && v.asBinary().empty());
    }
    return triOf(empty != negated_);
  }

 private:
  NodePtr operand_;
  bool negated_, blank_;
};

class BetweenNode final : public ConditionNode {
 public:
  BetweenNode(NodePtr v, NodePtr lo, NodePtr hi, bool negated, std::size_t pos)
      : ConditionNode(pos), value_(std::move(v)), low_(std::move(lo)), high_(std::move(hi)), negated_(negated) {}
  Tri test(const EvalEnv& env) const override {
    Value s1, s2, s3;
    const Value& v = operand(*value_, env, s1);
    if (v.isNull()) return Tri::Null;
    try {
      const Tri inside = logical(BinaryOp::And, compare(BinaryOp::Ge, v, operand(*low_, env, s2)),
                                 compare(BinaryOp::Le, v, operand(*high_, env, s3)));
      return negated_ ? invert(inside) : inside;
    } catch (const ValueError& e) {
      raise(env, e);
    }
  }

 private:
  NodePtr value_, low_, high_;
  bool negated_;
};

class InNode final : public ConditionNode {
 public:
  InNode(NodePtr v, std::vector<NodePtr> list, bool negated, std::size_t pos)
      : ConditionNode(pos), value_(std::move(v)), list_(std::move(list)), negated_(negated) {}
  Tri test(const EvalEnv& env) const override {
    Value s1, s2;
    const Value& v = operand(*value_, env, s1);
    if (v.isNull()) return Tri::Null;
    Tri found = Tri::False;
    try {
      for (const auto& item : list_) {
        const Tri t = compare(BinaryOp::Eq, v, operand(*item, env, s2));
        if (t == Tri::True) {
          found = Tri::True;
          break;
        }
        if (t == Tri::Null) found = Tri::Null;
      }
    } catch (const ValueError& e) {
      raise(env, e);
    }
    return negated_ ? invert(found) : found;
  }

 private:
  NodePtr value_;
  std::vector<NodePtr> list_;
  bool negated_;
};

class CallNode final : public EvalNode {
 public:
  CallNode(const FunctionDef& f, std::vector<NodePtr> args, std::size_t pos)
      : EvalNode(pos, f.result), function_(f), args_(std::move(args)) {}
  Value evaluate(const EvalEnv& env) const override {
    std::array<Value, kMaxFunctionArgs> values;
    for (std::size_t i = 0; i < args_.size(); ++i) {
      values[i] = args_[i]->evaluate(env);
      if (values[i].isNull() && (function_.nulls == NullRule::AnyNullGivesNull ||
                                 (i == 0 && function_.nulls == NullRule::FirstNullGivesNull))) {
        return Value();
      }
    }
    try {
      return function_.impl(std::span<const Value>(values.data(), args_.size()), env);
    } catch (const ValueError& e) {
      raise(env, e, std::string(function_.name.begin(), function_.name.end()));
    }
  }
  bool isDeterministic() const override { return !function_.readsClock; }

 private:
  const FunctionDef& function_;
  std::vector<NodePtr> args_;
};

class IIfNode final : public EvalNode {
 public:
  IIfNode(NodePtr c, NodePtr a, NodePtr b, std::size_t pos)
      : EvalNode(pos, a->kind() == b->kind() ? a->kind() : std::nullopt),
        condition_(std::move(c)), whenTrue_(std::move(a)), whenFalse_(std::move(b)) {}
  Value evaluate(const EvalEnv& env) const override {
    return (condition_->test(env) == Tri::True ? whenTrue_ : whenFalse_)->evaluate(env);
  }

 private:
  NodePtr condition_, whenTrue_, whenFalse_;
};

class SwitchNode final : public EvalNode {
 public:
  SwitchNode(std::vector<NodePtr> items, std::size_t pos) : EvalNode(pos, std::nullopt), items_(std::move(items)) {}
  Value evaluate(const EvalEnv& env) const override {
    for (std::size_t i = 0; i + 1 < items_.size(); i += 2) {
      if (items_[i]->test(env) == Tri::True) return items_[i + 1]->evaluate(env);
    }
    return Value();
  }

 private:
  std::vector<NodePtr> items_;
};

class ChooseNode final : public EvalNode {
 public:
  ChooseNode(std::vector<NodePtr> items, std::size_t pos) : EvalNode(pos, std::nullopt), items_(std::move(items)) {}
  Value evaluate(const EvalEnv& env) const override {
    const Value index = items_[0]->evaluate(env);
    if (index.isNull()) return Value();
    try {
      // Choose truncates the index; outside 1..n gives Null.
      const double d = toDouble(index);
      if (d < 1 || d >= static_cast<double>(items_.size())) return Value();
      return items_[static_cast<std::size_t>(d)]->evaluate(env);
    } catch (const ValueError& e) {
      raise(env, e, "Choose");
    }
  }

 private:
  std::vector<NodePtr> items_;
};

class NzNode final : public EvalNode {
 public:
  NzNode(NodePtr v, NodePtr d, std::size_t pos) : EvalNode(pos, std::nullopt), value_(std::move(v)), default_(std::move(d)) {}
  Value evaluate(const EvalEnv& env) const override {
    Value v = value_->evaluate(env);
    if (!v.isNull()) return v;
    return default_->evaluate(env);
  }

 private:
  NodePtr value_, default_;
};

}  // namespace

NodePtr makeConstant(Value value, std::size_t position) {
  return std::make_unique<ConstantNode>(std::move(value), position);
}
NodePtr makeColumn(std::size_t index, ValueKind kind, std::size_t position) {
  return std::make_unique<ColumnNode>(index, kind, position);
}
NodePtr makeNegate(NodePtr operand, std::size_t position) {
  return std::make_unique<NegateNode>(std::move(operand), position);
}
NodePtr makeNot(NodePtr operand, std::size_t position) { return std::make_unique<NotNode>(std::move(operand), position); }

NodePtr makeBinary(BinaryOp op, NodePtr left, NodePtr right, std::size_t position) {
  if (isComparison(op)) {
    const auto* leftColumn = dynamic_cast<const ColumnNode*>(left.get());
    const auto* rightColumn = dynamic_cast<const ColumnNode*>(right.get());
    if (leftColumn != nullptr && right->constant() != nullptr) {
      return std::make_unique<ColumnCompareNode>(op, leftColumn->index(), *right->constant(), false, position);
    }
    if (rightColumn != nullptr && left->constant() != nullptr) {
      return std::make_unique<ColumnCompareNode>(op, rightColumn->index(), *left->constant(), true, position);
    }
    return std::make_unique<CompareNode>(op, std::move(left), std::move(right), position);
  }
  if (isLogical(op)) return std::make_unique<LogicalNode>(op, std::move(left), std::move(right), position);
  return std::make_unique<ArithmeticNode>(op, std::move(left), std::move(right), position);
}

NodePtr makeLike(NodePtr value, NodePtr pattern, bool negated, std::size_t position) {
  return std::make_unique<LikeNode>(std::move(value), std::move(pattern), negated, position);
}
NodePtr makeIsNull(NodePtr operand, bool negated, std::size_t position) {
  return std::make_unique<IsNullNode>(std::move(operand), negated, false, position);
}
NodePtr makeBlank(NodePtr operand, bool negated, std::size_t position) {
  return std::make_unique<IsNullNode>(std::move(operand), negated, true, position);
}
NodePtr makeBetween(NodePtr value, NodePtr low, NodePtr high, bool negated, std::size_t position) {
  return std::make_unique<BetweenNode>(std::move(value), std::move(low), std::move(high), negated, position);
}
NodePtr makeIn(NodePtr value, std::vector<NodePtr> list, bool negated, std::size_t position) {
  return std::make_unique<InNode>(std::move(value), std::move(list), negated, position);
}
NodePtr makeCall(const FunctionDef& function, std::vector<NodePtr> args, std::size_t position) {
  return std::make_unique<CallNode>(function, std::move(args), position);
}
NodePtr makeIIf(NodePtr condition, NodePtr whenTrue, NodePtr whenFalse, std::size_t position) {
  return std::make_unique<IIfNode>(std::move(condition), std::move(whenTrue), std::move(whenFalse), position);
}
NodePtr makeSwitch(std::vector<NodePtr> items, std::size_t position) {
  return std::make_unique<SwitchNode>(std::move(items), position);
}
NodePtr makeChoose(std::vector<NodePtr> items, std::size_t position) {
  return std::make_unique<ChooseNode>(std::move(items), position);
}
NodePtr makeNz(NodePtr value, NodePtr whenNull, std::size_t position) {
  return std::make_unique<NzNode>(std::move(value), std::move(whenNull), position);
}

}  // namespace jet::sql
