// The query an action statement reads its rows from: an UPDATE's new values
// and the locators of the rows they go to, a DELETE's rows, the rows an
// INSERT ... SELECT or a make-table query writes. It is bound and planned by
// the query layer like any SELECT, so an indexed WHERE is an index seek.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/statement.h"
#include "sql/plan/logical_plan.h"

namespace jet::sql {

class ActionQuery {
 public:
  // `query` is part of `parsed`, which the query keeps alive.
  ActionQuery(Database& db, std::unique_ptr<ParsedStatement> parsed, const QueryNode& query);

  const LogicalStatement& logical() const { return logical_; }
  // The query's single block (UPDATE and DELETE have one).
  Block& block();

  // From now on the rows carry the locators of this source's rows: it must be
  // a local table (InvalidArgument "Operation must use an updatable query"
  // otherwise, naming `what`).
  void carryRowIdsOf(std::size_t source, const std::string& what);

  // Plans once without values, so mistakes binding could not see fail at prepare.
  void check() const;

  // Runs the query; `visit` gets each row's output values (its own copy, which
  // it may move from) and, when the rows carry locators, the row's locator.
  void forEachRow(const std::vector<Value>& parameters, const ExecuteOptions& options,
                  const std::function<void(std::vector<Value>&, std::optional<RowId>)>& visit) const;

  std::string explain(const std::vector<Value>& parameters) const;

 private:
  Database& db_;
  LogicalStatement logical_;
};

// The source of `block` a statement names as `name` (its alias, else its
// table's name); NotFound naming `clause` when there is none.
std::size_t sourceNamed(const Block& block, const std::u16string& name, std::size_t position, const char* clause);

// The error for a row-changing statement whose rows are no table's rows.
[[noreturn]] void throwNotUpdatable(const std::string& what);

}  // namespace jet::sql
