// Saved queries in an open database: where they live in the catalog and how
// their MSysQueries rows are read, shared by the query list and the table list.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "catalog/saved_query_sql.h"
#include "jet/database.h"

namespace jet {

// Id of the catalog container that holds tables and queries ("Tables" under
// the root); the usual id when the catalog has no such row.
std::int32_t tablesContainerId(const std::vector<CatalogObject>& catalog);

// Saved queries of the catalog: Type 5 rows under the Tables container.
std::vector<const CatalogObject*> savedQueryObjects(const std::vector<CatalogObject>& catalog);

// Rows of MSysQueries grouped by query id, each group in stored sequence.
// Reading the table may open it; the database is otherwise unchanged.
std::unordered_map<std::int32_t, std::vector<QueryRow>> readQueryRows(const Database& db);

}  // namespace jet
