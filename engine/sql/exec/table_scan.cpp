// TableScan: the storage-order walk of a TableCursor with a filter pushed into it.
#include "sql/exec/table_scan.h"

#include "jet/text.h"

namespace jet::sql {

void readColumns(TableCursor& cursor, const std::vector<ColumnSlot>& columns, Row& row) {
  for (const ColumnSlot& c : columns) row[c.slot] = cursor.value(c.column);
}

Value rowIdValue(RowId id) { return Value::longInt(static_cast<std::int32_t>(id.value)); }
RowId rowIdOf(const Value& v) { return RowId{static_cast<std::uint32_t>(v.asLong())}; }

TableScan::TableScan(ExecContext& ctx, std::shared_ptr<Table> table, std::size_t width,
                     std::vector<ColumnSlot> filterColumns, NodePtr filter, std::string filterText,
                     std::vector<ColumnSlot> otherColumns, int rowIdSlot)
    : Operator(ctx, width),
      table_(std::move(table)),
      cursor_(*table_),
      row_(width),
      filterColumns_(std::move(filterColumns)),
      filter_(std::move(filter)),
      filterText_(std::move(filterText)),
      otherColumns_(std::move(otherColumns)),
      rowIdSlot_(rowIdSlot) {
  current_ = &row_;
}

void TableScan::open() { cursor_.rewind(); }

bool TableScan::next() {
  while (cursor_.next()) {
    ctx_.charge();
    readColumns(cursor_, filterColumns_, row_);
    if (filter_ && !passesOn(*filter_, ctx_, row_)) continue;
    readColumns(cursor_, otherColumns_, row_);
    if (rowIdSlot_ >= 0) row_[static_cast<std::size_t>(rowIdSlot_)] = rowIdValue(cursor_.rowId());
    return true;
  }
  return false;
}

std::string TableScan::describe() const {
  std::string out = "Table scan of '" + toUtf8(table_->name()) + "' (" +
                    std::to_string(filterColumns_.size() + otherColumns_.size()) + " of " +
                    std::to_string(table_->columns().size()) + " fields decoded)";
  if (filter_) out += " where " + filterText_;
  return out;
}

}  // namespace jet::sql
