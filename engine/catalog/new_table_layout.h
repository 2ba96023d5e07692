// Laying out a new table from its TableSpec: checking names, types and
// sizes, numbering columns and variable slots, placing fixed columns, choosing
// column and index flags, and the column properties ("Required",
// "AllowZeroLength") the catalog row carries. Pure: pages and usage maps are
// filled in by the caller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/index_key.h"
#include "format/property_blob_writer.h"
#include "format/table_definition.h"
#include "format/text_codec.h"
#include "jet/database.h"

namespace jet {

// Longest table, column and index name.
inline constexpr std::size_t kMaxObjectName = 64;
// Most columns a table can have (kMaxIndexColumns bounds an index).
inline constexpr std::size_t kMaxColumns = 255;

// Throws InvalidArgument when `name` cannot name a table, column or index
// (`what` says which, for the message).
void checkObjectName(std::u16string_view name, const char* what);

// The definition of a new user table (no pages, maps or roots yet), with the
// text sort order of the database. Throws InvalidArgument naming the column or
// index at fault.
// Access 97 databases (a single-byte `text`) keep one byte per character and
// have no Decimal type.
TableDefinition layoutTable(const TableSpec& spec, std::uint16_t sortOrder, std::uint8_t sortOrderVersion,
                            const TextCodec& text = TextCodec::unicode());

// The real and logical index for `spec` on the table `definition` describes;
// `logicalNumber` is the new logical index's number. Throws InvalidArgument.
void layoutIndex(const TableDefinition& definition, const IndexSpec& spec, std::uint32_t logicalNumber,
                 RealIndexDefinition& real, LogicalIndexDefinition& logical);

// The property chunks a new table's catalog row needs; empty when none.
std::vector<PropertyChunk> columnProperties(const TableSpec& spec);

}  // namespace jet
