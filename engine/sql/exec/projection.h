// Projection: a new row of computed values from each input row. Each output
// can be given a value kind its values are converted to (the result column's
// type), so every value of a result column has that column's type.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sql/exec/operator.h"

namespace jet::sql {

struct ProjectedValue {
  NodePtr node;
  std::optional<ValueKind> kind;  // convert non-Null values to this kind
  std::string name;               // for messages
};

class Projection final : public Operator {
 public:
  // With `tailFrom`, the input's values from that slot on follow the computed
  // ones (a crosstab's pivot columns, whose number the data decides);
  // `tailWidth` is their number when it is known before the rows are (an IN
  // list), so that operators above see the whole width.
  Projection(ExecContext& ctx, OperatorPtr input, std::vector<ProjectedValue> values,
             std::size_t tailFrom = kNoTail, std::size_t tailWidth = 0);
  static constexpr std::size_t kNoTail = static_cast<std::size_t>(-1);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  OperatorPtr input_;
  std::vector<ProjectedValue> values_;
  std::size_t tailFrom_;
  Row row_;
};

// Converts `v` to `kind` for result column `name`; jet::Error when it cannot be.
Value convertForColumn(Value v, ValueKind kind, const std::string& name);

}  // namespace jet::sql
