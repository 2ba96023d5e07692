// Distinct: each row once, by its first `keyWidth` values (or by the slots
// given), keeping the first row of every set of equal ones; text compares
// without regard to case, so the first spelling seen stays.
#pragma once

#include <string>
#include <vector>

#include "sql/exec/operator.h"
#include "sql/exec/value_hash.h"

namespace jet::sql {

class Distinct final : public Operator {
 public:
  Distinct(ExecContext& ctx, OperatorPtr input, std::vector<std::size_t> keySlots, std::string what);
  void open() override;
  bool next() override;
  std::string describe() const override { return "Distinct rows by " + what_; }
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  OperatorPtr input_;
  std::vector<std::size_t> keySlots_;
  std::string what_;
  KeyIndex index_;
  std::vector<Value> seen_;  // the key values of every row given, keySlots_.size() each
  Row key_;
};

}  // namespace jet::sql
