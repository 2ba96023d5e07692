// DataSet: the view — filter, sort and locate.
#include <algorithm>

#include "connection/data_set.h"
#include "connection/data_set_internal.h"
#include "connection/value_text.h"
#include "connection/view_builder.h"
#include "jet/error.h"

namespace qb {

std::vector<jet::ExpressionColumn> DataSet::expressionColumns() const {
  std::vector<jet::ExpressionColumn> columns;
  columns.reserve(source_->columns().size());
  for (const jet::ColumnDef& c : source_->columns()) columns.push_back(jet::ExpressionColumn{c.name, c.type});
  return columns;
}

std::vector<jet::RowId> DataSet::filteredRows() {
  std::vector<jet::RowId> rows = source_->rowIds();
  if (!filtered_) return rows;
  const jet::Filter filter = jet::Filter::parse(filter_, expressionColumns());
  return filterRows(*source_, rows, filter);
}

void DataSet::refilter() {
  std::vector<jet::RowId> rows;
  try {
    rows = filteredRows();
  } catch (...) {
    // A filter the engine rejects is not in force: every row shows.
    filtered_ = false;
    natural_ = source_->rowIds();
    applyOrder();
    goFirst();
    notifier_->flag(kDataChanged);
    throw;
  }
  natural_ = std::move(rows);
  applyOrder();
  goFirst();
  notifier_->flag(kDataChanged);
}

void DataSet::applyOrder() {
  cache_->rows.clear();
  if (sortKeys_.empty()) {
    std::vector<jet::RowId>().swap(sorted_);
    return;
  }
  // An index in the sort's order gives the rows sorted; its ties are in
  // locator order, which is the natural order while natural_ is ascending.
  if (std::is_sorted(natural_.begin(), natural_.end())) {
    if (std::optional<std::vector<jet::RowId>> ordered = source_->rowIdsInOrder(sortKeys_)) {
      std::erase_if(*ordered,
                    [&](jet::RowId id) { return !std::binary_search(natural_.begin(), natural_.end(), id); });
      if (ordered->size() == natural_.size()) {
        sorted_ = std::move(*ordered);
        return;
      }
    }
  }
  sorted_ = sortRows(*source_, natural_, sortKeys_);
}

void DataSet::setFilter(std::u16string text) {
  if (text == filter_) return;
  Notifier notifier(*this);
  if (!active() || !filtered_) {
    filter_ = std::move(text);
    return;
  }
  checkBrowseMode();
  filter_ = std::move(text);
  refilter();
}

void DataSet::setFiltered(bool filtered) {
  if (filtered == filtered_) return;
  Notifier notifier(*this);
  if (!active()) {
    filtered_ = filtered;
    return;
  }
  checkBrowseMode();
  filtered_ = filtered;
  refilter();
}

void DataSet::setSort(std::u16string text) {
  Notifier notifier(*this);
  checkActive();
  checkBrowseMode();
  std::vector<jet::SortKey> keys = jet::parseSort(text, expressionColumns());
  sortKeys_ = std::move(keys);
  try {
    applyOrder();
  } catch (...) {
    sortKeys_.clear();
    sorted_.clear();
    sort_.clear();
    goFirst();
    notifier_->flag(kDataChanged);
    throw;
  }
  sort_ = std::move(text);
  goFirst();
  notifier_->flag(kDataChanged);
}

bool DataSet::locate(std::u16string_view fieldName, std::u16string_view value, LocateOptions options) {
  Notifier notifier(*this);
  checkActive();
  checkBrowseMode();
  const Field* field = findField(fieldName);
  if (field == nullptr) return false;

  LocateTarget target;
  target.column = field->def().column;
  const jet::DataType type = field->def().columnType;
  if (type == jet::DataType::Text || type == jet::DataType::Memo) {
    target.text = true;
    target.value = jet::Value::text(std::u16string(value));
    target.caseInsensitive = options.caseInsensitive;
    target.partial = options.partialKey;
  } else {
    std::optional<jet::Value> typed = valueFromUserText(value, type, formatSettings_);
    if (!typed) return false;
    target.value = std::move(*typed);
  }
  const std::optional<std::size_t> found = findFirstMatch(*source_, view(), target);
  if (!found) return false;
  setCurrent(*found, false, false);
  return true;
}

}  // namespace qb

namespace qb {

namespace {

// The values that identify a row: its key columns', or all of them.
std::vector<jet::Value> keyOf(const std::vector<jet::Value>& row, const std::vector<std::size_t>& keyColumns) {
  if (keyColumns.empty()) return row;
  std::vector<jet::Value> key;
  key.reserve(keyColumns.size());
  for (const std::size_t c : keyColumns) key.push_back(row.at(c));
  return key;
}

}  // namespace

bool DataSet::followChanges() {
  if (!active()) return false;
  const bool changed = source_->followChanges();
  if (!changed && !relistPending_) return false;
  Notifier notifier(*this);
  notifier_->flag(kDataChanged);
  if (state_ != DataSetState::Browse) {
    // The record being edited is checked when it is saved.
    relistPending_ = true;
    return changed;
  }
  relistPending_ = false;
  relist();
  return true;
}

void DataSet::relist() {
  // The current record as it was shown: cached rows hold what was read
  // before the change.
  const std::vector<std::size_t> keyColumns = source_->keyColumns();
  std::optional<std::vector<jet::Value>> key;
  const std::optional<std::size_t> oldPosition = position_;
  if (position_) {
    const auto it = cache_->rows.find(view()[*position_].value);
    if (it != cache_->rows.end()) key = keyOf(it->second, keyColumns);
  }
  cache_->rows.clear();
  try {
    natural_ = filteredRows();
  } catch (...) {
    // A filter that no longer fits the source (a column dropped elsewhere).
    filtered_ = false;
    natural_ = source_->rowIds();
  }
  applyOrder();
  const std::span<const jet::RowId> rows = view();
  if (rows.empty()) {
    setCurrent(std::nullopt, true, true);
    return;
  }
  if (key) {
    std::vector<jet::Value> values;
    // The old position first: usually the record is still there.
    const std::size_t start = std::min(oldPosition.value_or(0), rows.size() - 1);
    for (std::size_t step = 0; step < rows.size(); ++step) {
      const std::size_t at = (start + step) % rows.size();
      source_->readRow(rows[at], values);
      if (keyOf(values, keyColumns) == *key) {
        setCurrent(at, false, false);
        return;
      }
    }
  }
  setCurrent(std::min(oldPosition.value_or(0), rows.size() - 1), false, false);
}

void DataSet::checkEditedRowUnchanged() {
  if (!source_->followChanges() && !relistPending_) return;
  relistPending_ = true;  // the view is listed again once the edit ends
  std::vector<jet::Value> now;
  bool same = false;
  try {
    source_->readRow(view()[*position_], now);
    same = now == editedFrom_;
  } catch (const jet::Error&) {
    // The row is gone.
  }
  if (!same) {
    fail("The record was changed or deleted by another program or in another window after you began "
         "editing it; nothing was saved. Cancel the edit to see the record as it is now");
  }
}

}  // namespace qb
