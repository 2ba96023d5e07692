// An action or data-definition statement (INSERT, UPDATE, DELETE, SELECT ... INTO,
// CREATE, ALTER, DROP) bound to its database and ready to be carried out.
// Statement::prepare makes one for every statement that does not return rows;
// Statement::run carries it out inside the open transaction or one of its own,
// and rolls that back when run() throws, so a statement that fails changes
// nothing.
#pragma once

#include <string>
#include <vector>

#include "jet/statement.h"
#include "jet/value.h"

namespace jet::sql {

class Action {
 public:
  virtual ~Action() = default;
  virtual StatementKind kind() const = 0;
  // The statement's parameters: declared ones first, then the names it could
  // not resolve, in order of appearance (as a query's).
  virtual const std::vector<StatementParameter>& parameters() const = 0;
  // Carries the statement out with the parameters' values, in the order of
  // parameters().
  virtual RunResult run(const std::vector<Value>& parameterValues, const ExecuteOptions& options) = 0;
  // How it finds its rows (the plan of the query it reads), for explain();
  // a line saying what it does when it reads none.
  virtual std::string explain(const std::vector<Value>& parameterValues) const {
    (void)parameterValues;
    return "no rows read\n";
  }
};

}  // namespace jet::sql
