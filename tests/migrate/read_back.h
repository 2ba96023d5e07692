// Reading a migrated table back, for comparison with what qbtool export
// writes for the source: every value in export's text form (ISO dates with
// 'T', true/false, upper-case hexadecimal for binary, braces around GUIDs,
// currency and decimals with all their digits), Null kept apart from the
// empty text, floating-point numbers as the shortest text that reads back to
// the same number (so that a float written as "0.1" and read back as
// "0.100000001" compare equal exactly when they are the same number). Rows
// are sorted, since neither target keeps an order.
#pragma once

#include <libpq-fe.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "jet/table.h"

namespace qbtest {

using Cell = std::optional<std::string>;  // nullopt: Null
using Rows = std::vector<std::vector<Cell>>;

// The rows `qbtool export` writes for `table` (CSV), sorted.
Rows exportedRows(const std::filesystem::path& file, const std::string& table, const std::string& password,
                  const std::vector<jet::ColumnDef>& columns);

// The rows of a migrated table in PostgreSQL, sorted.
Rows postgresRows(PGconn* conn, const std::string& qualifiedTable, const std::vector<jet::ColumnDef>& columns);

// The rows of a migrated table in an SQLite file, sorted.
Rows sqliteRows(const std::filesystem::path& file, const std::string& table, const std::vector<jet::ColumnDef>& columns);

// Compares two sets of rows (for SQLite with the sign of zero left out, as
// SQLite does not keep it); an empty string when equal, else the first
// difference for the failure message.
std::string firstDifference(const Rows& expected, const Rows& actual, const std::vector<jet::ColumnDef>& columns);
// Replaces "-0" by "0" in floating-point columns.
Rows withoutSignOfZero(Rows rows, const std::vector<jet::ColumnDef>& columns);

}  // namespace qbtest
