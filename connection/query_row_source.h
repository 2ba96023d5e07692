// QueryRowSource: the rows of a statement's result, for a dataset. When the
// result rows are one table's rows the locators are that table's row ids, the
// values are read from the table when asked for, and edits go back to it
// through the table's writer (only the result's own columns; computed ones
// refuse edits). Any other result is read-only and its locators are
// positions in the result.
#pragma once

#include <memory>
#include <optional>
#include <unordered_map>

#include "connection/row_source.h"

namespace jet {
class Database;
class ResultSet;
class Table;
}  // namespace jet

namespace qb {

class QueryRowSource final : public RowSource {
 public:
  // `database` must outlive the source, as for a table source.
  QueryRowSource(jet::Database& database, std::unique_ptr<jet::ResultSet> result);
  ~QueryRowSource() override;

  const std::vector<jet::ColumnDef>& columns() const override { return columns_; }
  std::vector<jet::RowId> rowIds() override;
  void readRow(jet::RowId row, std::vector<jet::Value>& out) override;
  jet::Value readValue(jet::RowId row, std::size_t column) override;
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
  void copyIntoRow(const std::vector<jet::Value>& values, std::vector<jet::Value>& tableRow) const;
  void copyFromRow(const std::vector<jet::Value>& tableRow, std::vector<jet::Value>& values) const;

  jet::Database& database_;
  std::unique_ptr<jet::ResultSet> result_;
  std::vector<jet::ColumnDef> columns_;
  std::vector<int> sourceColumns_;  // per column: the table field shown, or -1 when computed
  std::shared_ptr<jet::Table> table_;
  std::unordered_map<std::uint32_t, std::size_t> indexOfRow_;  // built when first needed
  bool indexBuilt_ = false;
  std::vector<jet::Value> tableRow_;
};

}  // namespace qb
