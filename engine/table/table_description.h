// From the stored definition to what callers see: columns in the user's order,
// logical indexes with their key columns, and the plan for decoding each
// column.
#pragma once

#include <vector>

#include "table/table_impl.h"

namespace jet {

// Columns in the user's order: by the stored position, then by column number
// (system tables store position 0 for every column, so they come in number
// order); with the decoding plan of each, in the same order. Text takes
// `characterSize` bytes per character.
void describeColumns(const TableDefinition& definition, std::uint8_t characterSize, std::vector<ColumnDef>& columns,
                     std::vector<ColumnPlan>& plans);

// Logical indexes in definition order, each with its real index's key columns and flags.
std::vector<IndexDef> describeIndexes(const TableDefinition& definition,
                                      const std::vector<ColumnDef>& columns);

// Marks columns that a required or primary-key index makes non-nullable, and
// sets their ADO attributes accordingly.
void applyRequiredIndexes(const std::vector<IndexDef>& indexes, std::vector<ColumnDef>& columns);

// Takes the column properties the engine and its callers use: "Required",
// "AllowZeroLength", "DefaultValue" and "ValidationRule".
void applyRequiredProperties(const std::vector<PropertySet>& properties, const TextCodec& text,
                             std::vector<ColumnDef>& columns);

}  // namespace jet
