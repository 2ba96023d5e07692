// Limit: the first rows of its input, for TOP without ORDER BY (TOP n PERCENT
// counts the input first), and for TOP n over rows that come sorted already
// (an index walk): then the rows after the n-th whose keys equal its keys
// follow, as Jet's TOP keeps ties.
#pragma once

#include <cstdint>
#include <vector>

#include "sql/exec/operator.h"

namespace jet::sql {

class Limit final : public Operator {
 public:
  Limit(ExecContext& ctx, OperatorPtr input, double count, bool percent, std::vector<NodePtr> tieKeys = {});
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  OperatorPtr input_;
  double count_;
  bool percent_;
  std::uint64_t limit_ = 0;
  std::uint64_t given_ = 0;
  std::vector<Row> rows_;  // TOP n PERCENT: the whole input
  bool materialized_ = false;
  std::vector<NodePtr> tieKeys_;
  Row lastKeys_;  // the n-th row's keys
};

// Rows kept by TOP n PERCENT of `total` rows: the percentage rounded up.
std::uint64_t percentOf(std::uint64_t total, double percent);

}  // namespace jet::sql
