// Sort: rows and key values held, an index array sorted stably.
#include "sql/exec/sort.h"

#include <algorithm>
#include <span>

#include "sql/exec/limit.h"
#include "sql/exec/row_order.h"

namespace jet::sql {

Sort::Sort(ExecContext& ctx, OperatorPtr input, std::vector<OrderSpec> keys, std::optional<double> top, bool percent,
           std::string text)
    : Operator(ctx, input->width()), input_(std::move(input)), keys_(std::move(keys)), top_(top), percent_(percent),
      text_(std::move(text)) {
  for (const OrderSpec& k : keys_) descending_.push_back(k.descending);
}

void Sort::open() {
  input_->open();
  rows_.clear();
  keyValues_.clear();
  order_.clear();
  position_ = 0;
  const std::size_t k = keys_.size();
  while (input_->next()) {
    const Row& row = input_->row();
    const RowSpan span(row);
    const EvalEnv env = ctx_.env(span);
    for (const OrderSpec& key : keys_) keyValues_.push_back(key.node->evaluate(env));
    rows_.push_back(row);
  }
  order_.resize(rows_.size());
  for (std::uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
  auto keysOf = [&](std::uint32_t i) { return std::span<const Value>(keyValues_.data() + std::size_t{i} * k, k); };
  std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
    return compareKeys(keysOf(a), keysOf(b), descending_) < 0;
  });
  limit_ = rows_.size();
  if (top_) {
    const std::size_t keep = percent_ ? percentOf(rows_.size(), *top_) : static_cast<std::size_t>(*top_);
    limit_ = withTies(rows_.size(), keep, [&](std::size_t last, std::size_t n) {
      return compareKeys(keysOf(order_[last]), keysOf(order_[n]), descending_) == 0;
    });
  }
}

bool Sort::next() {
  if (position_ >= limit_) return false;
  current_ = &rows_[order_[position_++]];
  return true;
}

std::string Sort::describe() const {
  std::string out = "Sort by " + text_;
  if (top_) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", *top_);
    out += std::string(", first ") + buf + (percent_ ? " percent" : "") + " with ties";
  }
  return out;
}

}  // namespace jet::sql
