// RowFetch: reads more columns of a table for rows that carry its row
// locator, after a sort or a TOP has chosen the few rows that need them
// (SELECT TOP 10 * ... ORDER BY x decodes x for every row, the rest for ten).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "table/table_cursor.h"
#include "sql/exec/table_scan.h"

namespace jet::sql {

class RowFetch final : public Operator {
 public:
  // Rows are `width` wide: the input's values, then room for the fetched columns.
  RowFetch(ExecContext& ctx, OperatorPtr input, std::shared_ptr<Table> table, std::size_t rowIdSlot,
           std::vector<ColumnSlot> columns, std::size_t width);
  void open() override { input_->open(); }
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  OperatorPtr input_;
  std::shared_ptr<Table> table_;
  TableCursor cursor_;
  std::size_t rowIdSlot_;
  std::vector<ColumnSlot> columns_;
  Row row_;
};

}  // namespace jet::sql
