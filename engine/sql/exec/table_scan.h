// TableScan: a table's rows in storage order. It decodes first the columns its
// filter reads, tests the filter, and decodes the other columns the query
// needs only for the rows that pass; columns no one reads are never decoded.
// With no columns at all (Count(*)) it only walks the pages' row slots.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "table/table_cursor.h"
#include "sql/exec/operator.h"

namespace jet::sql {

// Where a table column's value goes in the operator's row.
struct ColumnSlot {
  std::size_t column = 0;  // position in Table::columns()
  std::size_t slot = 0;
};

// Decodes the listed columns of the cursor's current row into `row`.
void readColumns(TableCursor& cursor, const std::vector<ColumnSlot>& columns, Row& row);
// A row locator kept in a row slot, and back.
Value rowIdValue(RowId id);
RowId rowIdOf(const Value& v);

class TableScan final : public Operator {
 public:
  TableScan(ExecContext& ctx, std::shared_ptr<Table> table, std::size_t width, std::vector<ColumnSlot> filterColumns,
            NodePtr filter, std::string filterText, std::vector<ColumnSlot> otherColumns, int rowIdSlot);

  void open() override;
  bool next() override;
  std::string describe() const override;

 private:
  std::shared_ptr<Table> table_;
  TableCursor cursor_;
  Row row_;
  std::vector<ColumnSlot> filterColumns_;
  NodePtr filter_;
  std::string filterText_;
  std::vector<ColumnSlot> otherColumns_;
  int rowIdSlot_;
};

}  // namespace jet::sql
