// Sort: the whole input in the order of its keys, equal keys keeping their
// input order. With a row count (TOP n after a sort that must see every row,
// or TOP n PERCENT) it gives that many rows and every row after them whose
// keys equal the last one's, as Jet's TOP keeps ties.
//
// Memory: every input row is held (its values) with its key values; a
// million rows of a few small values take some hundred megabytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sql/exec/operator.h"

namespace jet::sql {

struct OrderSpec {
  NodePtr node;  // the key, over the input row
  bool descending = false;
};

class Sort final : public Operator {
 public:
  // `top`: keep that many rows (and ties), or that percentage when `percent`.
  Sort(ExecContext& ctx, OperatorPtr input, std::vector<OrderSpec> keys, std::optional<double> top, bool percent,
       std::string text);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  OperatorPtr input_;
  std::vector<OrderSpec> keys_;
  std::vector<bool> descending_;
  std::optional<double> top_;
  bool percent_;
  std::string text_;
  std::vector<Row> rows_;
  std::vector<Value> keyValues_;  // keys_.size() per row
  std::vector<std::uint32_t> order_;
  std::size_t limit_ = 0;
  std::size_t position_ = 0;
};

// How many of `count` sorted rows TOP keeps with its ties: `keep` rows, then
// those equal to the last kept by `same`.
template <typename Same>
std::size_t withTies(std::size_t count, std::size_t keep, Same same) {
  if (keep == 0) return 0;
  if (keep >= count) return count;
  std::size_t n = keep;
  while (n < count && same(keep - 1, n)) ++n;
  return n;
}

}  // namespace jet::sql
