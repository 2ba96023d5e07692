// IndexSeek: the rows of a table whose key in one of its indexes is equal to
// given values (one or several alternatives, as for In (1, 2, 3)) or lies in a
// range, found through the index's B-tree instead of a scan. The key values
// are computed when the operator opens (they may be parameters or the current
// values of an enclosing query's row) and brought to the key columns' types;
// when a value cannot be (a text compared with a number column, say), the
// seek reads the whole table and tests the conditions it stood for instead,
// so the answer is always the condition's.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "index/index_range.h"
#include "table/table_cursor.h"
#include "sql/exec/table_scan.h"

namespace jet::sql {

struct IndexKeyPlan {
  std::size_t index = 0;                   // position in Table::indexes()
  std::vector<std::vector<NodePtr>> equal; // alternatives of values for the first index columns
  NodePtr low, high;                       // range on the column after them
  bool lowInclusive = true, highInclusive = true;
  std::string text;                        // the conditions the index answers, for explain
};

class IndexSeek final : public Operator {
 public:
  // `consumed`: the conditions the key stands for (tested only when the key's
  // values had to be rounded, or no key could be built); `residual`: the
  // other conditions on the table, tested on every row found.
  // `recheckColumns`: what only the consumed conditions read, decoded only when
  // they are tested. With no columns to read at all the rows themselves are
  // not read: the index entries are the answer (Count(*) WHERE key = value).
  IndexSeek(ExecContext& ctx, std::shared_ptr<Table> table, IndexKeyPlan key, std::size_t width,
            std::vector<ColumnSlot> filterColumns, std::vector<ColumnSlot> recheckColumns, NodePtr consumed,
            NodePtr residual, std::string residualText, std::vector<ColumnSlot> otherColumns, int rowIdSlot);

  void open() override;
  bool next() override;
  std::string describe() const override;

 private:
  bool startNextRange();
  bool accept();

  std::shared_ptr<Table> table_;
  IndexKeyPlan key_;
  IndexRange range_;
  TableCursor cursor_;
  Row row_;
  std::vector<ColumnSlot> filterColumns_;
  std::vector<ColumnSlot> recheckColumns_;
  NodePtr consumed_;
  NodePtr residual_;
  std::string residualText_;
  std::vector<ColumnSlot> otherColumns_;
  int rowIdSlot_;
  std::vector<ValueKind> keyKinds_;

  // The walk: alternatives of the equality prefix still to visit.
  std::vector<std::vector<Value>> prefixes_;
  std::size_t nextPrefix_ = 0;
  std::optional<KeyBound> low_, high_;
  bool inRange_ = false;
  bool recheck_ = false;   // key values were rounded: test the consumed conditions too
  bool fallback_ = false;  // no key: scan the table
};

}  // namespace jet::sql
