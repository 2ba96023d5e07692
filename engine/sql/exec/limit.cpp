// Limit: counts rows through, or holds them to count first.
#include "sql/exec/limit.h"

#include <cmath>

#include "sql/exec/value_hash.h"

namespace jet::sql {

std::uint64_t percentOf(std::uint64_t total, double percent) {
  const double n = std::ceil(static_cast<double>(total) * percent / 100.0 - 1e-9);
  return n <= 0 ? 0 : static_cast<std::uint64_t>(n);
}

Limit::Limit(ExecContext& ctx, OperatorPtr input, double count, bool percent, std::vector<NodePtr> tieKeys)
    : Operator(ctx, input->width()), input_(std::move(input)), count_(count), percent_(percent),
      tieKeys_(std::move(tieKeys)) {}

void Limit::open() {
  input_->open();
  given_ = 0;
  rows_.clear();
  materialized_ = false;
  limit_ = percent_ ? 0 : static_cast<std::uint64_t>(count_);
  if (percent_) {
    while (input_->next()) rows_.push_back(input_->row());
    materialized_ = true;
    limit_ = percentOf(rows_.size(), count_);
  }
}

bool Limit::next() {
  if (materialized_) {
    if (given_ >= limit_) return false;
    current_ = &rows_[given_++];
    return true;
  }
  if (given_ >= limit_ && tieKeys_.empty()) return false;
  if (!input_->next()) return false;
  current_ = &input_->row();
  if (!tieKeys_.empty() && given_ + 1 >= limit_) {
    const RowSpan span(*current_);
    const EvalEnv env = ctx_.env(span);
    Row keys;
    for (const NodePtr& k : tieKeys_) keys.push_back(k->evaluate(env));
    if (given_ + 1 == limit_) {
      lastKeys_ = std::move(keys);
    } else if (!sameKeys(keys, lastKeys_)) {
      return false;  // past the ties
    }
  }
  ++given_;
  return true;
}

std::string Limit::describe() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", count_);
  return std::string("First ") + buf + (percent_ ? " percent of the rows" : " rows") +
         (tieKeys_.empty() ? "" : " (as they come, sorted; with ties)");
}

}  // namespace jet::sql
