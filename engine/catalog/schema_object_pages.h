// Pages of schema objects: a new index's empty root, and giving back every
// page of a dropped table or index. Only pages that prove to be the object's
// (by their type, owner and, for long values, the rows that point at them) are
// freed: a usage map of a file from elsewhere may list pages that now serve
// something else.
#pragma once

#include <cstdint>

#include "table/table_impl.h"

namespace jet {

// An empty leaf page as the root of a new index of the table whose definition
// is at `definitionPage`, listed in the index's usage map.
std::uint32_t createEmptyIndexRoot(Pager& pager, const FormatVersion& version, std::uint32_t definitionPage,
                                   RowId usageMap);

// The usage maps of a new definition: the table's owned and free pages and
// each long-value column's.
void createTableUsageMaps(Pager& pager, const FormatVersion& version, TableDefinition& definition);

// Each real index of a new definition: its usage map and an empty root.
void createEmptyIndexes(Pager& pager, const FormatVersion& version, TableDefinition& definition);

// Frees the pages of one real index and its usage-map row.
void freeIndexPages(Pager& pager, const FormatVersion& version, std::uint32_t definitionPage,
                    const RealIndexDefinition& index);

// Frees every page of a table: data, long values, indexes, usage maps and the
// definition itself (unless `keepDefinition`: a table rewritten in place).
void freeTablePages(Table::Impl& table, bool keepDefinition = false);

}  // namespace jet
