// QueryRowSource: the rows of a statement's result, for a dataset. When the
// result rows are one table's rows the locators are that table's row ids, the
// values are read from the table when asked for, and edits go back to it
// through the table's writer (only the result's own columns; computed ones
// refuse edits). Any other result is read-only and its locators are
// positions in the result. When the database changes (a commit of another
// program or of another object of this one) the statement runs again and
// its new result takes the old one's place.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "connection/commit_watch.h"
#include "connection/row_source.h"

namespace jet {
class Database;
class ResultSet;
class Table;
}  // namespace jet

namespace qb {

class QueryRowSource final : public RowSource {
 public:
  // `database` must outlive the source, as for a table source; `result` is
  // what `statement` gave, and `statement` is run again to follow changes.
  QueryRowSource(jet::Database& database, std::u16string statement, std::unique_ptr<jet::ResultSet> result);
  ~QueryRowSource() override;

  const std::vector<jet::ColumnDef>& columns() const override { return columns_; }
  std::vector<jet::RowId> rowIds() override;
  void readRow(jet::RowId row, std::vector<jet::Value>& out) override;
  jet::Value readValue(jet::RowId row, std::size_t column) override;
  // After a change the statement is run again. When it no longer runs, or
  // gives other columns (a table it reads dropped or changed), the result
  // becomes empty and reading a row of it fails with the reason.
  bool followChanges() override;
  // The table's primary key columns when the result shows them all.
  std::vector<std::size_t> keyColumns() const override;
  bool columnReadOnly(std::size_t column) const override;
  bool canModify() const override;
  std::string readOnlyReason() const override;
  std::string refusedChangeMessage() const override;
  jet::RowId insertRow(std::vector<jet::Value>& values) override;
  void updateRow(jet::RowId row, std::vector<jet::Value>& values) override;
  void deleteRow(jet::RowId row) override;

 private:
  // Whether the result's rows are one table's rows (edits can be written back).
  bool updatable() const { return table_ != nullptr; }
  // Whether every result column shows a table field as it stands.
  bool allPlain() const;
  // Position in the result of a table row, for the values of computed columns.
  std::optional<std::size_t> resultIndexOf(jet::RowId row);
  void checkUpdatable() const;
  // Takes a result of the statement as the rows of this source.
  void take(std::unique_ptr<jet::ResultSet> result);
  void rerun();
  void copyIntoRow(const std::vector<jet::Value>& values, std::vector<jet::Value>& tableRow) const;
  void copyFromRow(const std::vector<jet::Value>& tableRow, std::vector<jet::Value>& values) const;

  jet::Database& database_;
  std::u16string statement_;
  CommitWatch commits_;
  std::unique_ptr<jet::ResultSet> result_;
  std::string lost_;  // why the statement no longer gives these rows; empty while it does
  std::vector<jet::ColumnDef> columns_;
  std::vector<int> sourceColumns_;  // per column: the table field shown, or -1 when computed
  std::shared_ptr<jet::Table> table_;
  std::unordered_map<std::uint32_t, std::size_t> indexOfRow_;  // built when first needed
  bool indexBuilt_ = false;
  std::vector<jet::Value> tableRow_;
};

}  // namespace qb
