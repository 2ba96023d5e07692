// HashAggregate: groups its input by the values of the key expressions (text
// without regard to case, the first spelling seen kept; Nulls in one group)
// and computes each aggregate per group. Its rows are the groups' key values
// followed by the aggregates' results, in the order of the keys (Jet returns
// grouped rows sorted by their groups). Without keys there is exactly one
// row, even for no input (Count gives 0, the others Null).
//
// Memory: one entry per group (its key values and aggregate states).
#pragma once

#include <string>
#include <vector>

#include "sql/exec/aggregate.h"
#include "sql/exec/operator.h"
#include "sql/exec/value_hash.h"

namespace jet::sql {

struct AggregatePlan {
  AggregateKind kind = AggregateKind::CountStar;
  NodePtr argument;  // null for Count(*)
  ValueKind resultKind = ValueKind::Long;
  std::string text;  // as written, for messages
};

// Adds a row's argument values to the states of a group; errors name the aggregate.
// `states` has one state per aggregate.
void addToAggregates(const std::vector<AggregatePlan>& aggregates, AggregateState* states, const EvalEnv& env);
Value aggregateResult(const AggregatePlan& aggregate, const AggregateState& state);

class HashAggregate final : public Operator {
 public:
  // `sorted`: the groups in the order of their keys (else in the order found).
  HashAggregate(ExecContext& ctx, OperatorPtr input, std::vector<NodePtr> keys, std::vector<AggregatePlan> aggregates,
                std::string text, bool sorted = true);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  OperatorPtr input_;
  std::vector<NodePtr> keys_;
  std::vector<AggregatePlan> aggregates_;
  std::string text_;
  bool sorted_;
  std::vector<Row> output_;
  std::size_t position_ = 0;
};

}  // namespace jet::sql
