// Filter: the rows of its input for which a condition is True.
#pragma once

#include <string>

#include "sql/exec/operator.h"

namespace jet::sql {

class Filter final : public Operator {
 public:
  Filter(ExecContext& ctx, OperatorPtr input, NodePtr condition, std::string text);
  void open() override { input_->open(); }
  bool next() override;
  std::string describe() const override { return "Filter " + text_; }
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  OperatorPtr input_;
  NodePtr condition_;
  std::string text_;
};

}  // namespace jet::sql
