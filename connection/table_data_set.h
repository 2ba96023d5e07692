// TableDataSet: a dataset over one table of the connection's database, named
// by TableName (the program's `mdb`).
#pragma once

#include <memory>
#include <string>

#include "connection/data_set.h"

namespace qb {

class TableDataSet : public DataSet {
 public:
  explicit TableDataSet(std::string name = "mdb");

  // The last name set, also while closed. Setting the same name (exactly, case
  // included) changes nothing; another name while open fails with
  // "<name>: Cannot perform this operation on an open dataset".
  const std::u16string& tableName() const { return tableName_; }
  void setTableName(std::u16string name);

 protected:
  // Opens the table (any case) on the connection, connecting it first with its
  // connection string; a view runs through the statement engine and shows its
  // result, editable where the result is one table's rows. Errors: "Missing TableName property" (no name set),
  // "Missing Connection or ConnectionString" (no connection), then the
  // connection's and the engine's ("There is no table named ...").
  std::unique_ptr<RowSource> openSource() override;

 private:
  std::u16string tableName_;
};

}  // namespace qb
