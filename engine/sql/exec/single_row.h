// SingleRow: one row without values, the input of SELECT without FROM.
#pragma once

#include "sql/exec/operator.h"

namespace jet::sql {

class SingleRow final : public Operator {
 public:
  explicit SingleRow(ExecContext& ctx) : Operator(ctx, 0) { current_ = &row_; }
  void open() override { done_ = false; }
  bool next() override {
    if (done_) return false;
    done_ = true;
    return true;
  }
  std::string describe() const override { return "One row (no FROM clause)"; }

 private:
  Row row_;
  bool done_ = false;
};

}  // namespace jet::sql
