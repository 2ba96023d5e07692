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

QueryRowSource::QueryRowSource(jet::Database& database, std::u16string statement,
                               std::unique_ptr<jet::ResultSet> result)
    : database_(database), statement_(std::move(statement)), commits_(database) {
  for (const jet::ResultColumn& c : result->columns()) {
    jet::ColumnDef column = c.column;
    column.name = c.name;
    columns_.push_back(std::move(column));
    sourceColumns_.push_back(c.sourceColumn);
  }
  take(std::move(result));
}

void QueryRowSource::take(std::unique_ptr<jet::ResultSet> result) {
  result_ = std::move(result);
  indexOfRow_.clear();
  indexBuilt_ = false;
  table_.reset();
  const std::u16string& tableName = result_->updatableTable();
  // A result that has rows but no locators for them cannot name the rows it
  // would change.
  if (!tableName.empty() && (result_->size() == 0 || result_->rowId(0))) table_ = database_.table(tableName);
}

namespace {

// Whether a new result of the statement can stand in for the one the
// dataset's fields were made from.
bool sameShape(const std::vector<jet::ResultColumn>& now, const std::vector<jet::ColumnDef>& columns,
               const std::vector<int>& sourceColumns) {
  if (now.size() != columns.size()) return false;
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (now[i].name != columns[i].name || now[i].column.type != columns[i].type ||
        now[i].sourceColumn != sourceColumns[i])
      return false;
  }
  return true;
}

}  // namespace

bool QueryRowSource::followChanges() {
  if (!commits_.changed()) return false;
  rerun();
  return true;
}

void QueryRowSource::rerun() {
  std::unique_ptr<jet::ResultSet> fresh;
  try {
    const jet::Statement statement = jet::Statement::prepare(database_, statement_);
    const jet::ReadLock lock(database_);  // one state, one lock for every row read
    fresh = statement.executeAll();
  } catch (const jet::Error& e) {
    lost_ = std::string("The statement can no longer be run: ") + e.what() + "; run it again";
  }
  if (fresh && !sameShape(fresh->columns(), columns_, sourceColumns_)) {
    fresh.reset();
    lost_ = "The statement's result no longer has the columns shown (a table it reads was changed); run it again";
  }
  if (!fresh) {
    // The old rows may name rows that are gone, or other ones: none are shown.
    result_.reset();
    table_.reset();
    indexOfRow_.clear();
    indexBuilt_ = false;
    return;
  }
  lost_.clear();
  take(std::move(fresh));
}

std::vector<std::size_t> QueryRowSource::keyColumns() const {
  if (!updatable()) return {};
  for (const jet::IndexDef& index : table_->indexes()) {
    if (!index.primaryKey) continue;
    std::vector<std::size_t> out;
    for (const jet::IndexColumn& c : index.columns) {
      const auto shown = std::find(sourceColumns_.begin(), sourceColumns_.end(), static_cast<int>(c.column));
      if (shown == sourceColumns_.end()) return {};
      out.push_back(static_cast<std::size_t>(shown - sourceColumns_.begin()));
    }
    return out;
  }
  return {};
}

QueryRowSource::~QueryRowSource() = default;

bool QueryRowSource::allPlain() const {
  for (int c : sourceColumns_)
    if (c < 0) return false;
  return true;
}

std::vector<jet::RowId> QueryRowSource::rowIds() {
  if (!result_) return {};
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
  if (!result_) throw jet::Error(jet::ErrorCode::NotFound, lost_);
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
  if (!result_) return lost_;
  if (!updatable()) {
    return "the rows of this result are not the rows of one table (a join, a grouping, DISTINCT, TOP, UNION "
           "or a crosstab), so they cannot be changed";
  }
  return table_->readOnlyReason();
}

std::string QueryRowSource::refusedChangeMessage() const {
  if (updatable()) return {};
  if (!result_) return lost_;
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
  const CommitWatch::OwnWrite own(commits_);
  std::vector<jet::Value> row(table_->columns().size());
  copyIntoRow(values, row);
  const jet::RowId id = table_->insertRow(row);
  copyFromRow(row, values);
  return id;
}

void QueryRowSource::updateRow(jet::RowId row, std::vector<jet::Value>& values) {
  checkUpdatable();
  const CommitWatch::OwnWrite own(commits_);
  std::vector<jet::Value> tableRow;
  table_->readRow(row, tableRow);
  copyIntoRow(values, tableRow);
  table_->updateRow(row, tableRow);
  copyFromRow(tableRow, values);
}

void QueryRowSource::deleteRow(jet::RowId row) {
  checkUpdatable();
  const CommitWatch::OwnWrite own(commits_);
  table_->deleteRow(row);
}

}  // namespace qb
