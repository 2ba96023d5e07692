// TableCursor: the storage-order walk of Table::Impl::forEachRow, one row per
// call, with the row's bytes located and framed only when a column is read.
#include "table/table_cursor.h"

#include "format/data_page_format.h"
#include "format/usage_map.h"
#include "jet/error.h"

namespace jet {

TableCursor::TableCursor(const Table& table) : table_(table.impl()) {}

void TableCursor::rewind() {
  pageIndex_ = 0;
  data_.reset();
  page_ = Page();
  slot_ = 0;
  slotCount_ = 0;
  frame_.reset();
}

void TableCursor::loadPage() {
  Pager& pager = *table_.db->pager;
  while (pageIndex_ < pages_.size()) {
    const std::uint32_t number = pages_[pageIndex_++];
    if (!pager.isPage(number)) {
      throw Error(ErrorCode::Corruption, "Cannot read " + table_.describe() + ": its page map lists page " +
                                             std::to_string(number) + ", beyond the end of the file");
    }
    page_ = pager.page(number);
    // Stale bits of a page map name pages the table gave up: only data pages
    // that name this table as their owner are its pages.
    if (page_.type() != kPageTypeData || loadU32(page_.bytes().data() + kDataPageOwner) != table_.definition.firstPage) {
      continue;
    }
    try {
      data_.emplace(page_.bytes(), number, *table_.db->version);
    } catch (const Error& e) {
      throw Error(e.code(), "Cannot read " + table_.describe() + ": " + e.what());
    }
    slot_ = 0;
    slotCount_ = data_->slotCount();
    return;
  }
}

bool TableCursor::next() {
  if (!pagesRead_) {
    try {
      pages_ = readUsageMap(*table_.db->pager, table_.definition.ownedPages, *table_.db->version);
    } catch (const Error& e) {
      throw Error(e.code(), "Cannot read " + table_.describe() + ": its page map: " + e.what());
    }
    pagesRead_ = true;
  }
  frame_.reset();
  for (;;) {
    if (data_) {
      while (slot_ < slotCount_) {
        const unsigned slot = slot_++;
        if ((data_->slotWord(slot) & kSlotDeleted) != 0) continue;
        if (slot > 0xFF) {
          throw Error(ErrorCode::Corruption, "Cannot read " + table_.describe() + ": page " +
                                                 std::to_string(data_->number()) + " has a live row in slot " +
                                                 std::to_string(slot) + ", beyond the 256 a page can address");
        }
        current_ = RowId::of(data_->number(), static_cast<std::uint8_t>(slot));
        return true;
      }
      data_.reset();
    }
    if (pageIndex_ >= pages_.size()) return false;
    loadPage();
  }
}

bool TableCursor::moveTo(RowId id) {
  data_.reset();
  frame_.reset();
  try {
    rowBytes_ = table_.locate(id, rowHolder_);
  } catch (const Error& e) {
    if (e.code() == ErrorCode::NotFound) return false;
    throw;
  }
  current_ = id;
  try {
    frame_.emplace(rowBytes_, table_.definition.varColumns > 0, *table_.db->version);
  } catch (const Error& e) {
    table_.rethrowForRow(e, id);
  }
  return true;
}

const RowFrame& TableCursor::frame() {
  if (frame_) return *frame_;
  try {
    if (data_ && !data_->isOverflow(current_.slot())) {
      rowBytes_ = data_->row(current_.slot());
    } else {
      rowBytes_ = table_.locate(current_, rowHolder_);
    }
    frame_.emplace(rowBytes_, table_.definition.varColumns > 0, *table_.db->version);
  } catch (const Error& e) {
    table_.rethrowForRow(e, current_);
  }
  return *frame_;
}

Value TableCursor::value(std::size_t column) {
  const RowFrame& f = frame();
  try {
    return table_.decodeNamed(f, column);
  } catch (const Error& e) {
    table_.rethrowForRow(e, current_);
  }
}

std::size_t countLiveRows(const Table& table) {
  TableCursor cursor(table);
  std::size_t n = 0;
  while (cursor.next()) ++n;
  return n;
}

}  // namespace jet
