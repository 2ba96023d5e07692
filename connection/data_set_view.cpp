// DataSet: the view — filter, sort and locate.
#include <algorithm>

#include "connection/data_set.h"
#include "connection/data_set_internal.h"
#include "connection/value_text.h"
#include "connection/view_builder.h"

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
