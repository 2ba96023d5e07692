// Saved-query SQL: rebuilds the text of a saved query from its rows in the
// MSysQueries system table. A query is stored as a set of rows, one per clause
// item (a source table, an output column, a join, a sort key ...), each tagged
// with an attribute code; this file turns that set back into Access SQL, in the
// layout Access itself writes (one clause per line, "PARAMETERS ... ;" first,
// nested joins in parentheses, ";" at the end). Lines end with "\n".
//
// Pure functions over plain structs, so every clause can be tested on crafted
// rows without a database file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/value.h"

namespace jet {

// One MSysQueries row. Optional fields are null in the table when absent.
struct QueryRow {
  std::uint8_t attribute = 0;
  std::optional<std::u16string> name1;
  std::optional<std::u16string> name2;
  std::optional<std::u16string> expression;
  std::optional<std::int16_t> flag;
  std::optional<std::int32_t> extra;  // the LvExtra column: size of a Text parameter
  Bytes order;                        // sequence number among rows of one query (may be empty)
};

// Attribute codes of MSysQueries rows.
enum class QueryAttribute : std::uint8_t {
  Start = 0,
  Type = 1,          // Flag = kind; Name1 = target table or connect string; Expression = raw SQL
  Parameter = 2,     // Name1 = name, Flag = data type, LvExtra = text size
  Options = 3,       // Flag = DISTINCT, TOP, OWNERACCESS ... bits; Name1 = TOP count
  ExternalDb = 4,    // Name1 = path, Expression = database type
  Source = 5,        // Name1 = table or query, Name2 = alias, Expression = database prefix
  Column = 6,        // Expression, Name1 = alias, Name2 = target column
  Join = 7,          // Name1 = left, Name2 = right, Expression = ON condition, Flag = join type
  Where = 8,
  GroupBy = 9,
  Having = 10,
  OrderBy = 11,      // Name1 = "D" for descending
  End = 255,
};

// Puts the rows of one query in their stored sequence: by the Order column when
// the rows carry one, otherwise (Access 2000 files leave it null) in the order
// they were read. Stable, so rows with equal or missing sequence numbers keep
// their relative order.
void sortQueryRows(std::vector<QueryRow>& rows);

// The kind of a query: the type row's code when it names one, otherwise the
// catalog object's flags (bits 0xF0). Unknown when neither does.
QueryKind queryKindOf(std::uint32_t catalogFlags, const std::vector<QueryRow>& rows);

// True when the query declares PARAMETERS.
bool queryHasParameters(const std::vector<QueryRow>& rows);

// Rebuilds the SQL text of a query of the given kind from its rows (in stored
// sequence, see sortQueryRows). Throws jet::Error (Corruption) when the rows
// cannot describe a query of that kind: an unknown join or parameter type,
// contradicting joins, a missing union part, a clause given twice.
std::u16string buildQuerySql(QueryKind kind, const std::vector<QueryRow>& rows);

}  // namespace jet
