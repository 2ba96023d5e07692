// QueryRowSource: a statement's result as rows of a dataset, written back to
// its table when the result is one table's rows.
#include "connection/query_row_source.h"

#include <algorithm>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"

namespace qb {

QueryRowSource::QueryRowSource(jet::Database& database, std::unique_ptr<jet::ResultSet> result)
    : database_(database), result_(std::move(result)) {
  for (const jet::ResultColumn& c : result_->columns()) {
    jet::ColumnDef column = c.column;
    column.name = c.name;
    columns_.push_back(std::move(column));
    sourceColumns_.push_back(c.sourceColumn);
  }
  const std::u16string& tableName = result_->updatableTable();
  // A result that has rows but no locators for them cannot name the rows it
  // would change.
  if (!tableName.empty() && (result_->size() == 0 || result_->rowId(0))) table_ = database_.table(tableName);
}

QueryRowSource::~QueryRowSource() = default;

bool QueryRowSource::allPlain() const {
  for (int c : sourceColumns_)
    if (c < 0) return false;
  return true;
}

std::vector<jet::RowId> QueryRowSource::rowIds() {
  const std::size_t n = result_->size();
  std::vector<jet::RowId> ids(n);
  for (std::size_t i = 0; i < n; ++i)
    ids[i] = updatable() ? *result_->rowId(i) : jet::RowId{static_cast<std::uint32_t>(i)};
  return ids;
}

std::optional<std::size_t> QueryRowSource::resultIndexOf(jet::RowId row) {
  if (!indexBuilt_) {
    const std::size_t n = result_->size();
    indexOfRow_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) indexOfRow_.emplace(result_->rowId(i)->value, i);
    indexBuilt_ = true;
  }
  const auto found = indexOfRow_.find(row.value);
  if (found == indexOfRow_.end()) return std::nullopt;
  return found->second;
}

void QueryRowSource::readRow(jet::RowId row, std::vector<jet::Value>& out) {
  out.resize(columns_.size());
  if (!updatable()) {
    const std::vector<jet::Value>& values = result_->row(row.value);
    std::copy(values.begin(), values.end(), out.begin());
    return;
  }
  // The table holds the current values (edits included); computed columns
  // keep what the statement gave them, and are empty on a row added since.
  table_->readRow(row, tableRow_);
  copyFromRow(tableRow_, out);
  if (allPlain()) return;
  const std::optional<std::size_t> index = resultIndexOf(row);
  const std::vector<jet::Value>* computed = index ? &result_->row(*index) : nullptr;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (sourceColumns_[i] >= 0) continue;
    out[i] = computed ? (*computed)[i] : jet::Value();
  }
}

jet::Value QueryRowSource::readValue(jet::RowId row, std::size_t column) {
  if (updatable() && sourceColumns_.at(column) >= 0)
    return table_->readValue(row, static_cast<std::size_t>(sourceColumns_[column]));
  std::vector<jet::Value> values;
  readRow(row, values);
  return values.at(column);
}

bool QueryRowSource::columnReadOnly(std::size_t column) const {
  return sourceColumns_.at(column) < 0;
}

bool QueryRowSource::canModify() const {
  return updatable() && !table_->isReadOnly();
}

std::string QueryRowSource::readOnlyReason() const {
  if (!updatable()) {
    return "the rows of this result are not the rows of one table (a join, a grouping, DISTINCT, TOP, UNION "
           "or a crosstab), so they cannot be changed";
  }
  return table_->readOnlyReason();
}

std::string QueryRowSource::refusedChangeMessage() const {
  if (updatable()) return {};
  return "Operation must use an updateable query: the rows of this result are not the rows of one table";
}

void QueryRowSource::checkUpdatable() const {
  if (!updatable()) throw jet::Error(jet::ErrorCode::InvalidArgument, refusedChangeMessage());
}

void QueryRowSource::copyIntoRow(const std::vector<jet::Value>& values, std::vector<jet::Value>& tableRow) const {
  for (std::size_t i = 0; i < sourceColumns_.size(); ++i)
    if (sourceColumns_[i] >= 0) tableRow[static_cast<std::size_t>(sourceColumns_[i])] = values[i];
}

void QueryRowSource::copyFromRow(const std::vector<jet::Value>& tableRow, std::vector<jet::Value>& values) const {
  for (std::size_t i = 0; i < sourceColumns_.size(); ++i)
    if (sourceColumns_[i] >= 0) values[i] = tableRow[static_cast<std::size_t>(sourceColumns_[i])];
}

jet::RowId QueryRowSource::insertRow(std::vector<jet::Value>& values) {
  checkUpdatable();
  std::vector<jet::Value> row(table_->columns().size());
  copyIntoRow(values, row);
  const jet::RowId id = table_->insertRow(row);
  copyFromRow(row, values);
  return id;
}

void QueryRowSource::updateRow(jet::RowId row, std::vector<jet::Value>& values) {
  checkUpdatable();
  std::vector<jet::Value> tableRow;
  table_->readRow(row, tableRow);
  copyIntoRow(values, tableRow);
  table_->updateRow(row, tableRow);
  copyFromRow(tableRow, values);
}

void QueryRowSource::deleteRow(jet::RowId row) {
  checkUpdatable();
  table_->deleteRow(row);
}

}  // namespace qb
