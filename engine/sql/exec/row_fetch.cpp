// RowFetch: copies the input row and fills in the fetched columns.
#include "sql/exec/row_fetch.h"

#include "jet/error.h"
#include "jet/text.h"

#include <algorithm>

namespace jet::sql {

RowFetch::RowFetch(ExecContext& ctx, OperatorPtr input, std::shared_ptr<Table> table, std::size_t rowIdSlot,
                   std::vector<ColumnSlot> columns, std::size_t width)
    : Operator(ctx, width),
      input_(std::move(input)),
      table_(std::move(table)),
      cursor_(*table_),
      rowIdSlot_(rowIdSlot),
      columns_(std::move(columns)),
      row_(width_) {
  current_ = &row_;
}

bool RowFetch::next() {
  if (!input_->next()) return false;
  const Row& in = input_->row();
  std::copy(in.begin(), in.end(), row_.begin());
  const RowId id = rowIdOf(row_[rowIdSlot_]);
  if (!cursor_.moveTo(id)) {
    throw Error(ErrorCode::Corruption, "A row of table '" + toUtf8(table_->name()) + "' went missing while it was read");
  }
  readColumns(cursor_, columns_, row_);
  return true;
}

std::string RowFetch::describe() const {
  return "Fetch " + std::to_string(columns_.size()) + " more field" + (columns_.size() == 1 ? "" : "s") + " of '" +
         toUtf8(table_->name()) + "' by row locator";
}

}  // namespace jet::sql
