// UnionAll: the rows of each input in turn (UNION removes duplicates with a
// Distinct above it).
#pragma once

#include <vector>

#include "sql/exec/operator.h"

namespace jet::sql {

class UnionAll final : public Operator {
 public:
  UnionAll(ExecContext& ctx, std::vector<OperatorPtr> parts);
  void open() override;
  bool next() override;
  std::string describe() const override { return "Union of " + std::to_string(parts_.size()) + " queries"; }
  std::vector<const Operator*> inputs() const override;

 private:
  std::vector<OperatorPtr> parts_;
  std::size_t current_part_ = 0;
};

}  // namespace jet::sql
