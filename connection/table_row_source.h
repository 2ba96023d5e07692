// TableRowSource: the rows of one table of an open database, for a dataset.
#pragma once

#include <cstdint>
#include <memory>

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
  // Another program's commit to the database, seen by any read since the
  // last call or by a look now.
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
  std::uint64_t changesSeen_ = 0;  // the database's count of other programs' commits at the last look
};

}  // namespace qb
