// HashJoin: joins two inputs on equal key values. The build side is read
// whole into a hash table (rows with a Null key left out: Null equals
// nothing); the other side streams past it. Rows are the left input's values
// followed by the right's. A left outer join (build on the right) gives each
// left row without a match once, with Nulls for the right side; `residual`
// holds the rest of the join condition, tested on the joined row.
#pragma once

#include <string>
#include <vector>

#include "sql/exec/operator.h"
#include "sql/exec/value_hash.h"

namespace jet::sql {

enum class JoinType : std::uint8_t { Inner, LeftOuter };

class HashJoin final : public Operator {
 public:
  HashJoin(ExecContext& ctx, OperatorPtr left, OperatorPtr right, std::vector<NodePtr> leftKeys,
           std::vector<NodePtr> rightKeys, NodePtr residual, JoinType type, bool buildLeft, std::string text);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {left_.get(), right_.get()}; }

 private:
  bool emitFrom(std::uint32_t id);

  OperatorPtr left_, right_;
  std::vector<NodePtr> leftKeys_, rightKeys_;
  NodePtr residual_;
  JoinType type_;
  bool buildLeft_;
  std::string text_;
  std::size_t leftWidth_, rightWidth_;

  KeyIndex index_;              // key -> group
  std::vector<Row> groupKeys_;  // each group's key
  std::vector<std::uint32_t> groupFirst_, groupLast_;  // its rows, as a chain
  std::vector<Row> built_;      // the build side's rows
  std::vector<std::uint32_t> rowNext_;  // the next row of the same group
  Row probeKey_;
  bool probing_ = false;        // a probe row is current
  bool probeNull_ = false;      // its key has a Null
  bool matched_ = false;
  std::uint32_t nextMatch_ = KeyIndex::kEnd;
  Row row_;
};

// Builds a joined row: the left values, then the right ones (or Nulls).
void joinRows(const Row& left, const Row* right, std::size_t rightWidth, Row& out);

}  // namespace jet::sql
