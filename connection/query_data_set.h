// QueryDataSet: a dataset over the result of an SQL statement run on the
// connection's database (the query window's `ADOQuery1`). The statement is
// held as lines of text and goes to the engine exactly as typed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "connection/data_set.h"

namespace jet {
class Database;
}

namespace qb {

class QueryDataSet : public DataSet {
 public:
  explicit QueryDataSet(std::string name = "ADOQuery1");

  // The statement, one entry per line. Setting it closes the query (an
  // unsaved record is dropped); the text stays when the query closes.
  const std::vector<std::u16string>& sql() const { return sql_; }
  void setSql(std::vector<std::u16string> lines);
  // The lines joined by line breaks: what the engine is given.
  std::u16string sqlText() const;

 protected:
  // Prepares the statement on the connection (connecting it first with its
  // connection string) and reads its result. A statement that returns no rows
  // (an action or data-definition statement) is carried out, then reported
  // as "CommandText does not return a result set". Errors: "Missing SQL
  // property" (no text; nothing reaches the engine), "Missing Connection or
  // ConnectionString", then the connection's and the engine's unchanged.
  std::unique_ptr<RowSource> openSource() override;

 private:
  std::vector<std::u16string> sql_;
};

// The rows of a statement that returns rows (a select, a union, a crosstab or
// the name of a saved query), read for a dataset: editable when they are one
// table's rows. The engine's errors pass through.
std::unique_ptr<RowSource> openResultSource(jet::Database& database, std::u16string_view statement);

// The view (saved select query without parameters) of that name, any case,
// as the database spells it; nullopt when `name` is a table or nothing.
std::optional<std::u16string> viewNamed(jet::Database& database, std::u16string_view name);

}  // namespace qb
