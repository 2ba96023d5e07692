// HashAggregate: a hash table of groups, then the groups sorted by key.
#include "sql/exec/hash_aggregate.h"

#include <algorithm>
#include <span>

#include "jet/error.h"
#include "sql/exec/row_order.h"
#include "value/value_error.h"

namespace jet::sql {

void addToAggregates(const std::vector<AggregatePlan>& aggregates, AggregateState* states, const EvalEnv& env) {
  static const Value kNone;
  for (std::size_t i = 0; i < aggregates.size(); ++i) {
    const AggregatePlan& a = aggregates[i];
    const Value v = a.argument ? a.argument->evaluate(env) : kNone;
    try {
      states[i].add(a.kind, v);
    } catch (const ValueError& e) {
      throw Error(e.code(), std::string(e.what()) + " in " + a.text);
    }
  }
}

Value aggregateResult(const AggregatePlan& aggregate, const AggregateState& state) {
  try {
    return state.result(aggregate.kind, aggregate.resultKind);
  } catch (const ValueError& e) {
    throw Error(e.code(), std::string(e.what()) + " in " + aggregate.text);
  }
}

HashAggregate::HashAggregate(ExecContext& ctx, OperatorPtr input, std::vector<NodePtr> keys,
                             std::vector<AggregatePlan> aggregates, std::string text, bool sorted)
    : Operator(ctx, keys.size() + aggregates.size()),
      input_(std::move(input)),
      keys_(std::move(keys)),
      aggregates_(std::move(aggregates)),
      text_(std::move(text)),
      sorted_(sorted) {}

void HashAggregate::open() {
  input_->open();
  output_.clear();
  position_ = 0;
  const std::size_t k = keys_.size();
  const std::size_t m = aggregates_.size();
  // Groups kept flat: k key values and m states per group.
  std::vector<Value> groupKeys;
  std::vector<AggregateState> states;
  std::size_t groups = 0;
  KeyIndex index;
  Row key(k);
  std::vector<AggregateState> scratch;
  while (input_->next()) {
    const RowSpan span(input_->row());
    const EvalEnv env = ctx_.env(span);
    for (std::size_t i = 0; i < k; ++i) key[i] = keys_[i]->evaluate(env);
    const std::size_t h = hashValues(key);
    std::uint32_t group = index.find(h, [&](std::uint32_t id) {
      return sameKeys(std::span<const Value>(groupKeys.data() + std::size_t{id} * k, k), key);
    });
    if (group == KeyIndex::kEnd) {
      group = static_cast<std::uint32_t>(groups++);
      index.insert(h, group);
      groupKeys.insert(groupKeys.end(), key.begin(), key.end());
      states.resize(states.size() + m);
    }
    addToAggregates(aggregates_, states.data() + std::size_t{group} * m, env);
  }
  if (k == 0 && groups == 0) {
    groups = 1;
    states.resize(m);
  }
  std::vector<std::uint32_t> order(groups);
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  if (k > 0 && sorted_ && groups > 1) {
    const std::vector<bool> ascending(k, false);
    std::vector<SortValue> prepared;
    prepared.reserve(groupKeys.size());
    for (const Value& v : groupKeys) prepared.push_back(sortValue(v));
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      return compareSortKeys(std::span<const SortValue>(prepared.data() + std::size_t{a} * k, k),
                             std::span<const SortValue>(prepared.data() + std::size_t{b} * k, k), ascending) < 0;
    });
  }
  output_.reserve(order.size());
  for (std::uint32_t g : order) {
    Row row;
    row.reserve(width_);
    for (std::size_t i = 0; i < k; ++i) row.push_back(std::move(groupKeys[std::size_t{g} * k + i]));
    for (std::size_t i = 0; i < m; ++i) row.push_back(aggregateResult(aggregates_[i], states[std::size_t{g} * m + i]));
    output_.push_back(std::move(row));
  }
}

bool HashAggregate::next() {
  if (position_ >= output_.size()) return false;
  current_ = &output_[position_++];
  return true;
}

std::string HashAggregate::describe() const {
  if (keys_.empty()) return "Aggregate " + text_;
  return "Hash aggregate " + text_;
}

}  // namespace jet::sql
