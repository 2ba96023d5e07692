// The system tables' side of schema changes: the catalog row of a table (with
// its property blob), its access-control entries (copied from what the Tables
// container passes on to new objects), and checks against the relationships
// that name a table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/database_impl.h"

namespace jet {

// The current local time as a Jet date.
DateTime currentDateTime();

// Adds the catalog row of a new local table and its access-control entries.
void addTableToCatalog(Database::Impl& db, std::uint32_t definitionPage, const std::u16string& name,
                       const std::vector<std::uint8_t>& properties);

// Adds the catalog row of any object under `parentId` (a container) and the
// access-control entries that container passes on.
void addObjectToCatalog(Database::Impl& db, std::int32_t id, std::int32_t parentId, const std::u16string& name,
                        std::int16_t type, const std::vector<std::uint8_t>& properties = {});

// The id of a new object that has no definition page (a relationship, a
// query): one more than the highest negative id in use.
std::int32_t nextSyntheticObjectId(const Database::Impl& db);

// Removes the catalog row of an object (a table's id is its definition page)
// and its access-control entries.
void removeFromCatalog(Database::Impl& db, std::int32_t id);

// Names of the relationships (from MSysRelationships) a table takes part in;
// `onlyReferenced` limits them to those where it is the referenced side.
std::vector<std::u16string> relationshipsOf(Database::Impl& db, std::u16string_view table, bool onlyReferenced = false);

// Reads the catalog again after a change (the cached list follows the file).
void reloadCatalog(Database::Impl& db);

}  // namespace jet
