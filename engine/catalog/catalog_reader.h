// Reading the system catalog (MSysObjects) into CatalogObject rows.
#pragma once

#include <vector>

#include "format/property_blob.h"
#include "jet/database.h"
#include "jet/table.h"

namespace jet {

// The catalog's table definition is always on this page.
inline constexpr std::uint32_t kCatalogPage = 2;

// Catalog ids of the fixed top-level objects.
inline constexpr std::int32_t kRootObjectId = 0x0F000000;
inline constexpr std::int32_t kTablesContainerId = 0x0F000001;

// Object types.
inline constexpr std::int16_t kObjectLocalTable = 1;
inline constexpr std::int16_t kObjectContainer = 3;
inline constexpr std::int16_t kObjectOdbcLinkedTable = 4;
inline constexpr std::int16_t kObjectLinkedTable = 6;

// Every row of the catalog, in storage order, with each row's locator in `rows`.
// Only the columns a CatalogObject holds are decoded. Throws Corruption when a
// row cannot be read.
std::vector<CatalogObject> readCatalog(const Table& catalog, std::vector<RowId>& rows);

// The property blob (LvProp) of a catalog row, parsed; empty when the row has
// none or it cannot be read (properties are extras: a damaged blob must not keep
// a table's data from being read).
std::vector<PropertySet> readObjectProperties(const Table& catalog, RowId row);

// The id of the "Tables" container (the parent of tables and queries).
std::int32_t findTablesContainer(const std::vector<CatalogObject>& catalog);

}  // namespace jet
