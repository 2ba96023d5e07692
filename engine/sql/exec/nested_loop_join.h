// NestedLoopJoin: every row of the left input against every row of the right
// one (held in memory), for joins whose condition has no equal keys to hash or
// seek (ON a.x < b.y, comma lists without a condition). Rows are the left
// values followed by the right ones; a left outer join keeps left rows without
// a match, with Nulls.
#pragma once

#include <string>
#include <vector>

#include "sql/exec/hash_join.h"

namespace jet::sql {

class NestedLoopJoin final : public Operator {
 public:
  NestedLoopJoin(ExecContext& ctx, OperatorPtr left, OperatorPtr right, NodePtr condition, JoinType type,
                 std::string text);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {left_.get(), right_.get()}; }

 private:
  OperatorPtr left_, right_;
  NodePtr condition_;
  JoinType type_;
  std::string text_;
  std::vector<Row> inner_;
  std::size_t position_ = 0;
  bool active_ = false;
  bool matched_ = false;
  Row row_;
};

}  // namespace jet::sql
