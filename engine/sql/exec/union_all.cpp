// UnionAll: opens each part when the one before it is done.
#include "sql/exec/union_all.h"

namespace jet::sql {

UnionAll::UnionAll(ExecContext& ctx, std::vector<OperatorPtr> parts)
    : Operator(ctx, parts.front()->width()), parts_(std::move(parts)) {}

void UnionAll::open() {
  current_part_ = 0;
  parts_[0]->open();
}

bool UnionAll::next() {
  while (current_part_ < parts_.size()) {
    if (parts_[current_part_]->next()) {
      current_ = &parts_[current_part_]->row();
      return true;
    }
    if (++current_part_ < parts_.size()) parts_[current_part_]->open();
  }
  return false;
}

std::vector<const Operator*> UnionAll::inputs() const {
  std::vector<const Operator*> out;
  for (const auto& p : parts_) out.push_back(p.get());
  return out;
}

}  // namespace jet::sql
