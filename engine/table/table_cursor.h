// TableCursor: pull-style reading of one table's rows, for the query executor.
// It walks the table's own data pages in storage order (as Table::scan does)
// or stands on one row named by its locator, and decodes single columns of the
// current row on request, so a query decodes only the columns it reads and
// only for the rows that get that far.
//
// Reading is strict: a damaged page or row raises Corruption naming the table,
// the page and the slot. Not for use while the table is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "table/table_impl.h"
#include "format/data_page.h"
#include "format/row_frame.h"
#include "storage/pager.h"

namespace jet {

class TableCursor {
 public:
  explicit TableCursor(const Table& table);

  // Back before the first row of a storage-order walk.
  void rewind();
  // To the next live row in storage order; false after the last.
  bool next();
  // To the row `id`; false when no live row is there (deleted, or not one of
  // the table's rows).
  bool moveTo(RowId id);

  RowId rowId() const { return current_; }
  // One column (position in Table::columns()) of the current row.
  Value value(std::size_t column);

 private:
  const RowFrame& frame();
  void loadPage();

  const Table::Impl& table_;
  std::vector<std::uint32_t> pages_;
  bool pagesRead_ = false;
  std::size_t pageIndex_ = 0;
  Page page_;                       // the data page being walked
  std::optional<DataPage> data_;
  unsigned slot_ = 0;
  unsigned slotCount_ = 0;
  RowId current_;
  Page rowHolder_;                  // keeps the current row's bytes alive
  ByteSpan rowBytes_;
  std::optional<RowFrame> frame_;
};

// Rows of a table without decoding them: the live slots of its data pages.
std::size_t countLiveRows(const Table& table);

}  // namespace jet
