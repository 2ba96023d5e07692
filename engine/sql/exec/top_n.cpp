// TopN: a max-heap of the n best rows by (keys, input order).
#include "sql/exec/top_n.h"

#include <algorithm>

#include "sql/exec/row_order.h"

namespace jet::sql {

TopN::TopN(ExecContext& ctx, OperatorPtr input, std::vector<OrderSpec> keys, std::size_t n, std::string text)
    : Operator(ctx, input->width()), input_(std::move(input)), keys_(std::move(keys)), n_(n), text_(std::move(text)) {
  for (const OrderSpec& k : keys_) descending_.push_back(k.descending);
}

int TopN::compare(const Entry& a, const Entry& b) const {
  const int c = compareKeys(a.keys, b.keys, descending_);
  if (c != 0) return c;
  return a.sequence < b.sequence ? -1 : (a.sequence > b.sequence ? 1 : 0);
}

void TopN::open() {
  input_->open();
  heap_.clear();
  ties_.clear();
  result_.clear();
  position_ = 0;
  const auto worse = [&](const Entry& a, const Entry& b) { return compare(a, b) < 0; };  // max-heap on top
  Entry candidate;
  candidate.keys.resize(keys_.size());
  std::uint64_t sequence = 0;
  while (input_->next()) {
    const Row& row = input_->row();
    const RowSpan span(row);
    const EvalEnv env = ctx_.env(span);
    for (std::size_t i = 0; i < keys_.size(); ++i) candidate.keys[i] = keys_[i].node->evaluate(env);
    candidate.sequence = sequence++;
    if (heap_.size() < n_) {
      candidate.row = row;
      heap_.push_back(candidate);
      std::push_heap(heap_.begin(), heap_.end(), worse);
      continue;
    }
    const int c = compareKeys(candidate.keys, heap_.front().keys, descending_);
    if (c > 0) continue;
    candidate.row = row;
    if (c == 0) {
      ties_.push_back(candidate);
      continue;
    }
    std::pop_heap(heap_.begin(), heap_.end(), worse);
    Entry dropped = std::move(heap_.back());
    heap_.back() = candidate;
    std::push_heap(heap_.begin(), heap_.end(), worse);
    if (compareKeys(dropped.keys, heap_.front().keys, descending_) == 0) {
      ties_.push_back(std::move(dropped));
    } else {
      ties_.clear();
    }
  }
  result_ = std::move(heap_);
  heap_.clear();
  for (Entry& e : ties_) result_.push_back(std::move(e));
  ties_.clear();
  std::sort(result_.begin(), result_.end(), [&](const Entry& a, const Entry& b) { return compare(a, b) < 0; });
}

bool TopN::next() {
  if (position_ >= result_.size()) return false;
  current_ = &result_[position_++].row;
  return true;
}

std::string TopN::describe() const { return "Top " + std::to_string(n_) + " by " + text_ + " (bounded heap, with ties)"; }

}  // namespace jet::sql
