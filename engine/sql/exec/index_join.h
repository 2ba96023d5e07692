// IndexJoin: for each row of its outer (left) input, the rows of a table whose
// index key equals values computed from that row, found by seeking the index
// (a nested loop whose inner side is an index seek, never a scan). Rows are
// the outer row's values followed by the table's columns the query reads. A
// left outer join gives an outer row without a match once, with Nulls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "index/index_range.h"
#include "table/table_cursor.h"
#include "sql/exec/hash_join.h"
#include "sql/exec/table_scan.h"

namespace jet::sql {

class IndexJoin final : public Operator {
 public:
  // `keys` are computed from the outer row; the inner table's values go to the
  // slots in `innerColumns` (offset by the outer width already); `innerFilter`
  // (conditions on the inner table alone) and `residual` (the rest of the
  // join condition) are tested on the joined row.
  IndexJoin(ExecContext& ctx, OperatorPtr outer, std::shared_ptr<Table> inner, std::size_t index,
            std::vector<NodePtr> keys, std::size_t innerWidth, std::vector<ColumnSlot> filterColumns, NodePtr filter,
            std::vector<ColumnSlot> otherColumns, int rowIdSlot, JoinType type, std::string text);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {outer_.get()}; }

 private:
  bool startOuterRow();

  OperatorPtr outer_;
  std::shared_ptr<Table> inner_;
  std::size_t index_;
  IndexRange range_;
  TableCursor cursor_;
  std::vector<NodePtr> keys_;
  std::vector<ValueKind> keyKinds_;
  std::size_t innerWidth_;
  std::vector<ColumnSlot> filterColumns_;
  NodePtr filter_;
  std::vector<ColumnSlot> otherColumns_;
  int rowIdSlot_;
  JoinType type_;
  std::string text_;
  Row row_;
  bool active_ = false;   // an outer row is current
  bool seeking_ = false;  // its index range is being walked
  bool matched_ = false;
};

}  // namespace jet::sql
