// SQL statements in the Access (Jet) dialect over an open database: prepare a
// statement, learn its result columns and parameters, give parameter values by
// name, and execute it to a cursor that streams the rows; or read the whole
// result with random access by position.
//
//   jet::Statement s = jet::Statement::prepare(db, u"SELECT Name FROM Customers WHERE City = [Which city?]");
//   s.setParameter(u"Which city?", jet::Value::text(u"Berlin"));
//   auto cursor = s.execute();
//   while (cursor->next()) use(cursor->row()[0]);
//
// A statement is a query (SELECT, UNION, TRANSFORM ... PIVOT), optionally
// after PARAMETERS declarations, or the name of a saved query (or table) alone.
// Names the statement cannot resolve are parameters, as Jet treats them; a
// parameter without a value makes execute() fail with a message naming it.
// A crosstab without an IN list that another query reads as a table runs once
// when the statement is prepared: the pivot values found then are its columns
// (a value added later is left out, one gone shows as an empty column), and
// one whose rows depend on a parameter cannot be read so.
//
// Errors are jet::Error: Syntax for texts that do not parse (the message says
// what was expected, where, in which clause), NotFound for a missing table or
// query, InvalidArgument for missing parameter values and values that do not
// fit, Unsupported for what the engine does not do (action queries, linked
// tables, pass-through queries), Corruption for damaged files.
//
// A cursor reads the database while it is alive: do not change the tables it
// reads until it is done (a materialised ResultSet has no such limit). Not
// thread-safe, like the Database.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/table.h"
#include "jet/value.h"

namespace jet {

class Database;

// One column of a statement's result.
struct ResultColumn {
  // The name as Jet gives it: the alias, the field's name (qualified as
  // "Table.Field" when two result columns would share it), or Expr1000,
  // Expr1001, ... for unnamed expressions; crosstab columns are named by the
  // text of their pivot value.
  std::u16string name;
  // Type, size, precision and scale in the terms of a table column, so a result
  // column maps to a field as a table's column does. Every non-Null value of
  // the column has this type's value kind.
  ColumnDef column;
  // Where the values come from when the column is a table's field as it stands
  // (not computed, grouped or combined): the table and the field's position in
  // Table::columns(); empty and -1 otherwise.
  std::u16string sourceTable;
  int sourceColumn = -1;
};

// A parameter of a statement: declared with PARAMETERS, or a name the
// statement could not resolve ([Enter a date:]).
struct StatementParameter {
  std::u16string name;
  std::optional<DataType> type;  // the declared type; nullopt when undeclared or declared Value
  bool declared = false;
};

enum class StatementKind {
  Select,          // SELECT
  Union,           // SELECT ... UNION [ALL] SELECT ...
  Crosstab,        // TRANSFORM ... PIVOT
  Insert,          // INSERT INTO ... VALUES / INSERT INTO ... SELECT
  Update,          // UPDATE ... SET
  Delete,          // DELETE ... FROM
  MakeTable,       // SELECT ... INTO
  DataDefinition,  // CREATE, ALTER, DROP
};

// What run() did.
struct RunResult {
  // Rows inserted, changed or deleted (for a make-table query, the rows of the
  // new table); 0 for data definition.
  std::uint64_t rowsAffected = 0;
};

struct ExecuteOptions {
  // Now(), Date() and Time() read this clock; when empty, the local time of day.
  std::function<DateTime()> clock;
  // Stop with an error after the operators have handled this many rows
  // (0: no limit); guards callers that run statements from untrusted sources.
  std::uint64_t rowBudget = 0;
};

// Streams a result. next() advances to the first, then each following row;
// row() holds the current row's values, one per column.
class Cursor {
 public:
  virtual ~Cursor() = default;
  // For a crosstab the columns are known once the statement has run, which
  // execute() has done before returning the cursor.
  virtual const std::vector<ResultColumn>& columns() const = 0;
  virtual bool next() = 0;
  virtual const std::vector<Value>& row() const = 0;
  // The table whose rows the result rows are (a select of one table without
  // grouping, DISTINCT, TOP or UNION), so edits can be written back; empty
  // otherwise. rowId() is the current row's locator in it.
  virtual const std::u16string& updatableTable() const = 0;
  virtual std::optional<RowId> rowId() const = 0;
};

// A whole result with random access by position. Rows are held as values, or,
// for a result whose rows are one table's rows, as row locators whose values
// are read when asked for.
class ResultSet {
 public:
  virtual ~ResultSet() = default;
  virtual const std::vector<ResultColumn>& columns() const = 0;
  virtual std::size_t size() const = 0;
  // The values of row `index` (< size()); the reference stays valid until the
  // next call.
  virtual const std::vector<Value>& row(std::size_t index) = 0;
  virtual const std::u16string& updatableTable() const = 0;
  // The locator of row `index` in updatableTable(), when there is one.
  virtual std::optional<RowId> rowId(std::size_t index) const = 0;
};

class Statement {
 public:
  // Parses and binds `sql` against the database (tables, saved queries, their
  // columns). Throws jet::Error.
  static Statement prepare(Database& db, std::u16string_view sql);

  Statement(Statement&&) noexcept;
  Statement& operator=(Statement&&) noexcept;
  ~Statement();

  StatementKind kind() const;
  // True for the kinds that give rows (select, union, crosstab): those are
  // read with execute(); the others are carried out with run().
  bool returnsRows() const;
  // Result columns; empty for a crosstab without an IN list, whose columns come
  // from the data (see Cursor::columns()).
  const std::vector<ResultColumn>& columns() const;
  // Declared parameters first, then the unresolved names in order of appearance.
  const std::vector<StatementParameter>& parameters() const;

  // Values by parameter name (any case); a text value given for a declared type
  // is converted to it. InvalidArgument for a name the statement lacks or a
  // value that does not convert.
  void setParameter(std::u16string_view name, Value value);
  void clearParameters();

  // Runs the statement. InvalidArgument "No value given for one or more
  // required parameters: 'X'" when a parameter has no value.
  std::unique_ptr<Cursor> execute(const ExecuteOptions& options = {}) const;
  // Runs it and keeps every row for access by position.
  std::unique_ptr<ResultSet> executeAll(const ExecuteOptions& options = {}) const;

  // Carries out an action or data-definition statement: inside the database's
  // open transaction, or in one of its own, so that a statement that fails
  // changes nothing. InvalidArgument for a statement that returns rows.
  RunResult run(const ExecuteOptions& options = {}) const;

  // The physical plan as an indented tree: which table scans or index seeks,
  // which join methods, aggregation, sorting.
  std::string explain() const;

  struct Impl;

 private:
  explicit Statement(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Splits a text of several statements separated by ';' (a PARAMETERS
// declaration stays with its statement). Throws jet::Error (Syntax) for an
// unterminated literal.
std::vector<std::u16string> splitStatements(std::u16string_view text);

}  // namespace jet
