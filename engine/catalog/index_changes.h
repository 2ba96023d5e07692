// Changing the indexes of an existing table's definition, for index and
// relationship changes alike: a logical index added (with a new real index
// filled from the rows, or sharing an existing one) or removed (its real index
// freed when no other logical index uses it). Each runs inside the caller's
// write scope and reloads the table's definition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "catalog/database_impl.h"
#include "format/table_definition.h"
#include "table/table_impl.h"

namespace jet {

// The user table `name`, ready to have its definition changed: InvalidArgument
// for a system table, ReadOnly when it cannot be written. `what` says what
// was to be done, for the message ("add an index to the table").
Table::Impl& tableToChange(Database::Impl& db, std::u16string_view name, const char* what);

// One more than the highest logical index number of the definition.
std::uint32_t nextLogicalIndexNumber(const TableDefinition& definition);

// Adds `logical`. With `real`, a new real index with those key columns and
// flags is added after the others (logical.realIndex is set to it) and built
// from the table's rows; without, logical.realIndex names the one it shares.
void addIndexToTable(Table::Impl& table, LogicalIndexDefinition logical, const RealIndexDefinition* real);

// Removes the logical index at `position` of the definition's logical
// indexes, and its real index when no other logical index shares it.
void removeIndexFromTable(Table::Impl& table, std::size_t position);

}  // namespace jet
