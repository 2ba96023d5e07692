// NestedLoopJoin: the right input held, the left one streamed.
#include "sql/exec/nested_loop_join.h"

namespace jet::sql {

NestedLoopJoin::NestedLoopJoin(ExecContext& ctx, OperatorPtr left, OperatorPtr right, NodePtr condition, JoinType type,
                               std::string text)
    : Operator(ctx, left->width() + right->width()),
      left_(std::move(left)),
      right_(std::move(right)),
      condition_(std::move(condition)),
      type_(type),
      text_(std::move(text)),
      row_(width_) {
  current_ = &row_;
}

void NestedLoopJoin::open() {
  inner_.clear();
  right_->open();
  while (right_->next()) {
    ctx_.charge();
    inner_.push_back(right_->row());
  }
  left_->open();
  active_ = false;
}

bool NestedLoopJoin::next() {
  const std::size_t rightWidth = right_->width();
  for (;;) {
    if (active_) {
      while (position_ < inner_.size()) {
        ctx_.charge();
        joinRows(left_->row(), &inner_[position_++], rightWidth, row_);
        if (condition_ && !passesOn(*condition_, ctx_, row_)) continue;
        matched_ = true;
        return true;
      }
      active_ = false;
      if (type_ == JoinType::LeftOuter && !matched_) {
        joinRows(left_->row(), nullptr, rightWidth, row_);
        return true;
      }
    }
    if (!left_->next()) return false;
    active_ = true;
    matched_ = false;
    position_ = 0;
  }
}

std::string NestedLoopJoin::describe() const {
  std::string out = type_ == JoinType::LeftOuter ? "Nested loop left outer join" : "Nested loop join";
  if (condition_) out += " on " + text_;
  return out + " (second input held in memory)";
}

}  // namespace jet::sql
