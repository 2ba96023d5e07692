// Limit: counts rows through, or holds them to count first.
#include "sql/exec/limit.h"

#include <cmath>

namespace jet::sql {

std::uint64_t percentOf(std::uint64_t total, double percent) {
  const double n = std::ceil(static_cast<double>(total) * percent / 100.0 - 1e-9);
  return n <= 0 ? 0 : static_cast<std::uint64_t>(n);
}

Limit::Limit(ExecContext& ctx, OperatorPtr input, double count, bool percent)
    : Operator(ctx, input->width()), input_(std::move(input)), count_(count), percent_(percent) {}

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
  if (given_ >= limit_) return false;
  if (materialized_) {
    current_ = &rows_[given_++];
    return true;
  }
  if (!input_->next()) return false;
  ++given_;
  current_ = &input_->row();
  return true;
}

std::string Limit::describe() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", count_);
  return std::string("First ") + buf + (percent_ ? " percent of the rows" : " rows");
}

}  // namespace jet::sql
