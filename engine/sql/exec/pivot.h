// Pivot: the rows of a crosstab (TRANSFORM ... PIVOT). Input rows are grouped
// by the row keys; per group it computes the select list's aggregates and,
// for every pivot value, the cell aggregate over that group's rows with that
// value. Its rows are the keys, the row aggregates, then one cell per pivot
// column, sorted by the keys. The pivot columns are the IN list's values in
// its order (empty columns included, other values left out), or else every
// pivot value found, ascending; a Null value's column is named "<>".
#pragma once

#include <string>
#include <vector>

#include "sql/exec/hash_aggregate.h"

namespace jet::sql {

class Pivot final : public Operator {
 public:
  Pivot(ExecContext& ctx, OperatorPtr input, std::vector<NodePtr> keys, std::vector<AggregatePlan> rowAggregates,
        AggregatePlan cell, NodePtr pivot, std::vector<Value> inValues, bool hasIn, std::string text);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

  // Known after open(): the pivot columns' values and names.
  const std::vector<Value>& pivotValues() const { return columns_; }
  std::vector<std::u16string> pivotNames() const;
  std::size_t fixedWidth() const { return keys_.size() + rowAggregates_.size(); }

 private:
  OperatorPtr input_;
  std::vector<NodePtr> keys_;
  std::vector<AggregatePlan> rowAggregates_;
  AggregatePlan cell_;
  NodePtr pivot_;
  std::vector<Value> inValues_;
  bool hasIn_;
  std::string text_;
  std::vector<Value> columns_;
  std::vector<Row> output_;
  std::size_t position_ = 0;
};

}  // namespace jet::sql
