// TableRowSource: a table's rows through the engine's reader and writer, and
// index order for sorts that an index answers.
#include "connection/table_row_source.h"

#include <algorithm>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"

namespace qb {

namespace {

// The sort order of text in Access 2000-2003 "General" indexes: the one the
// dataset's own text sort follows.
constexpr std::uint16_t kGeneralSortOrder = 0x0409;

// Column types whose index order is the order the dataset sorts them in.
bool indexOrderMatchesSort(const jet::ColumnDef& column, const jet::DatabaseInfo& info) {
  if (column.type == jet::DataType::Text) {
    // Access 97 files sort text in their own General order.
    return column.sortOrder == kGeneralSortOrder && info.sortOrderVersion == 0 &&
           info.format == jet::FileFormat::Jet4;
  }
  return jet::factsOf(column.type).number || column.type == jet::DataType::Boolean ||
         column.type == jet::DataType::DateTime;
}

}  // namespace

TableRowSource::TableRowSource(jet::Database& database, std::shared_ptr<jet::Table> table)
    : database_(database), table_(std::move(table)), commits_(database) {}

bool TableRowSource::followChanges() {
  return commits_.changed();
}

std::vector<std::size_t> TableRowSource::keyColumns() const {
  for (const jet::IndexDef& index : table_->indexes()) {
    if (!index.primaryKey) continue;
    std::vector<std::size_t> out;
    for (const jet::IndexColumn& c : index.columns) out.push_back(c.column);
    return out;
  }
  return {};
}

const std::vector<jet::ColumnDef>& TableRowSource::columns() const {
  return table_->columns();
}

std::vector<jet::RowId> TableRowSource::rowIds() {
  jet::ScanReport report;
  std::vector<jet::RowId> ids = table_->rowIds(jet::ScanMode::Lenient, &report);
  unreadableRows_ = report.unreadableRows;
  return ids;
}

void TableRowSource::readRow(jet::RowId row, std::vector<jet::Value>& out) {
  table_->readRow(row, out);
}

jet::Value TableRowSource::readValue(jet::RowId row, std::size_t column) {
  return table_->readValue(row, column);
}

std::optional<std::vector<jet::RowId>> TableRowSource::rowIdsInOrder(std::span<const jet::SortKey> keys) {
  const auto& columns = table_->columns();
  const auto& indexes = table_->indexes();
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    const jet::IndexDef& index = indexes[i];
    if (index.ignoreNulls || index.columns.size() != keys.size()) continue;
    const bool matches = std::equal(keys.begin(), keys.end(), index.columns.begin(),
                                    [&](const jet::SortKey& key, const jet::IndexColumn& c) {
                                      return key.column == c.column && key.descending == !c.ascending &&
                                             indexOrderMatchesSort(columns[c.column], database_.info());
                                    });
    if (!matches) continue;
    try {
      return table_->rowIdsInIndexOrder(i);
    } catch (const jet::Error& e) {
      // An index the engine cannot walk (or cannot walk yet): sort instead.
      if (e.code() == jet::ErrorCode::Unsupported || e.code() == jet::ErrorCode::Corruption)
        return std::nullopt;
      throw;
    }
  }
  return std::nullopt;
}

bool TableRowSource::canModify() const {
  return !table_->isReadOnly();
}

std::string TableRowSource::readOnlyReason() const {
  return table_->readOnlyReason();
}

jet::RowId TableRowSource::insertRow(std::vector<jet::Value>& values) {
  const CommitWatch::OwnWrite own(commits_);
  return table_->insertRow(values);
}

void TableRowSource::updateRow(jet::RowId row, std::vector<jet::Value>& values) {
  const CommitWatch::OwnWrite own(commits_);
  table_->updateRow(row, values);
}

void TableRowSource::deleteRow(jet::RowId row) {
  const CommitWatch::OwnWrite own(commits_);
  table_->deleteRow(row);
}

}  // namespace qb
