// Distinct: a hash set of the keys given so far.
#include "sql/exec/distinct.h"

#include <span>

namespace jet::sql {

Distinct::Distinct(ExecContext& ctx, OperatorPtr input, std::vector<std::size_t> keySlots, std::string what)
    : Operator(ctx, input->width()), input_(std::move(input)), keySlots_(std::move(keySlots)), what_(std::move(what)),
      key_(keySlots_.size()) {}

void Distinct::open() {
  input_->open();
  index_.clear();
  seen_.clear();
}

bool Distinct::next() {
  while (input_->next()) {
    const Row& row = input_->row();
    for (std::size_t i = 0; i < keySlots_.size(); ++i) key_[i] = row[keySlots_[i]];
    const std::size_t h = hashValues(key_);
    const std::size_t k = key_.size();
    const auto same = [&](std::uint32_t id) {
      return sameKeys(std::span<const Value>(seen_.data() + std::size_t{id} * k, k), key_);
    };
    if (index_.find(h, same) != KeyIndex::kEnd) continue;
    index_.insert(h, static_cast<std::uint32_t>(index_.size()));
    seen_.insert(seen_.end(), key_.begin(), key_.end());
    current_ = &row;
    return true;
  }
  return false;
}

}  // namespace jet::sql
