// Pivot: groups by row keys; per group a list of cell states indexed by the
// pivot value's number.
#include "sql/exec/pivot.h"

#include <algorithm>
#include <optional>

#include "jet/text.h"
#include "sql/exec/row_order.h"
#include "value/value_ops.h"

namespace jet::sql {

Pivot::Pivot(ExecContext& ctx, OperatorPtr input, std::vector<NodePtr> keys, std::vector<AggregatePlan> rowAggregates,
             AggregatePlan cell, NodePtr pivot, std::vector<Value> inValues, bool hasIn, std::string text)
    : Operator(ctx, keys.size() + rowAggregates.size() + inValues.size()),
      input_(std::move(input)),
      keys_(std::move(keys)),
      rowAggregates_(std::move(rowAggregates)),
      cell_(std::move(cell)),
      pivot_(std::move(pivot)),
      inValues_(std::move(inValues)),
      hasIn_(hasIn),
      text_(std::move(text)) {}

std::vector<std::u16string> Pivot::pivotNames() const {
  std::vector<std::u16string> out;
  for (const Value& v : columns_) out.push_back(v.isNull() ? u"<>" : toText(v));
  return out;
}

void Pivot::open() {
  input_->open();
  output_.clear();
  position_ = 0;
  struct Group {
    Row keys;
    std::vector<AggregateState> states;
    std::vector<std::optional<AggregateState>> cells;  // by pivot value number
  };
  std::vector<Group> groups;
  KeyIndex groupIndex, valueIndex;
  std::vector<Value> values;  // pivot values found, by number
  Row key(keys_.size());
  const std::vector<AggregatePlan> cellOnly;
  while (input_->next()) {
    const RowSpan span(input_->row());
    const EvalEnv env = ctx_.env(span);
    for (std::size_t i = 0; i < keys_.size(); ++i) key[i] = keys_[i]->evaluate(env);
    const std::size_t h = hashValues(key);
    std::uint32_t g = groupIndex.find(h, [&](std::uint32_t id) { return sameKeys(groups[id].keys, key); });
    if (g == KeyIndex::kEnd) {
      g = static_cast<std::uint32_t>(groups.size());
      groupIndex.insert(h, g);
      groups.push_back(Group{key, std::vector<AggregateState>(rowAggregates_.size()), {}});
    }
    addToAggregates(rowAggregates_, groups[g].states.data(), env);
    const Value value = pivot_->evaluate(env);
    const std::size_t vh = hashValue(value);
    std::uint32_t v = valueIndex.find(vh, [&](std::uint32_t id) { return sameKey(values[id], value); });
    if (v == KeyIndex::kEnd) {
      v = static_cast<std::uint32_t>(values.size());
      valueIndex.insert(vh, v);
      values.push_back(value);
    }
    auto& cells = groups[g].cells;
    if (cells.size() <= v) cells.resize(v + 1);
    if (!cells[v]) cells[v].emplace();
    const Value argument = cell_.argument ? cell_.argument->evaluate(env) : Value();
    cells[v]->add(cell_.kind, argument);
  }
  // The columns, and for each the number of the pivot value it shows.
  std::vector<std::optional<std::uint32_t>> source;
  if (hasIn_) {
    columns_ = inValues_;
    for (const Value& in : inValues_) {
      std::optional<std::uint32_t> found;
      for (std::uint32_t i = 0; i < values.size() && !found; ++i) {
        if (sameKey(values[i], in)) found = i;
      }
      source.push_back(found);
    }
  } else {
    std::vector<std::uint32_t> order(values.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return compareForSort(values[a], values[b]) < 0; });
    columns_.clear();
    for (std::uint32_t i : order) {
      columns_.push_back(values[i]);
      source.emplace_back(i);
    }
  }
  width_ = fixedWidth() + columns_.size();
  std::vector<std::uint32_t> order(groups.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  const std::vector<bool> ascending(keys_.size(), false);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return compareKeys(groups[a].keys, groups[b].keys, ascending) < 0;
  });
  for (std::uint32_t gi : order) {
    Group& group = groups[gi];
    Row row = std::move(group.keys);
    for (std::size_t i = 0; i < rowAggregates_.size(); ++i) row.push_back(aggregateResult(rowAggregates_[i], group.states[i]));
    for (const auto& from : source) {
      if (from && *from < group.cells.size() && group.cells[*from]) {
        row.push_back(aggregateResult(cell_, *group.cells[*from]));
      } else {
        row.emplace_back();
      }
    }
    output_.push_back(std::move(row));
  }
}

bool Pivot::next() {
  if (position_ >= output_.size()) return false;
  current_ = &output_[position_++];
  return true;
}

std::string Pivot::describe() const { return "Crosstab " + text_; }

}  // namespace jet::sql
