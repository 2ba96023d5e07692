// Filter: passes on its input's row by reference.
#include "sql/exec/filter.h"

namespace jet::sql {

Filter::Filter(ExecContext& ctx, OperatorPtr input, NodePtr condition, std::string text)
    : Operator(ctx, input->width()), input_(std::move(input)), condition_(std::move(condition)), text_(std::move(text)) {}

bool Filter::next() {
  while (input_->next()) {
    if (passesOn(*condition_, ctx_, input_->row())) {
      current_ = &input_->row();
      return true;
    }
  }
  return false;
}

}  // namespace jet::sql
