// TableRowSource: the rows of one table of an open database, for a dataset.
#pragma once

#include <cstdint>
#include <memory>

#include "connection/commit_watch.h"
#include "connection/row_source.h"

namespace jet {
class Database;
class Table;
}  // namespace jet

namespace qb {

class TableRowSource final : public RowSource {
 public:
  // `database` must outlive the source (the connection closes its datasets
  // before it closes the database).
  TableRowSource(jet::Database& database, std::shared_ptr<jet::Table> table);

  const std::vector<jet::ColumnDef>& columns() const override;
  // Rows that cannot be read (a damaged page or row) are left out and counted.
  std::vector<jet::RowId> rowIds() override;
  std::size_t unreadableRows() const override { return unreadableRows_; }
  void readRow(jet::RowId row, std::vector<jet::Value>& out) override;
  jet::Value readValue(jet::RowId row, std::size_t column) override;
  std::optional<std::vector<jet::RowId>> rowIdsInOrder(std::span<const jet::SortKey> keys) override;
  // A commit to the database since the last call that this source did not
  // make: another program's (seen by any read since, or by a look now) or
  // one made through another object of this program.
  bool followChanges() override;
  std::vector<std::size_t> keyColumns() const override;
  bool canModify() const override;
  std::string readOnlyReason() const override;
  jet::RowId insertRow(std::vector<jet::Value>& values) override;
  void updateRow(jet::RowId row, std::vector<jet::Value>& values) override;
  void deleteRow(jet::RowId row) override;

 private:
  jet::Database& database_;
  std::shared_ptr<jet::Table> table_;
  std::size_t unreadableRows_ = 0;
  CommitWatch commits_;
};

}  // namespace qb
