// The system tables of a blank database as definitions (columns, indexes and
// long-value columns, without pages), and the catalog rows and access-control
// entries a blank database starts with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/table_definition.h"
#include "jet/value.h"

namespace jet {

// Definitions of the tables every database has (catalog, access-control
// entries, saved queries, relationships) and of the table Access keeps its
// project storage in; pages, usage maps and index roots are left to the caller.
TableDefinition catalogTableDefinition();
TableDefinition aceTableDefinition();
TableDefinition queryTableDefinition();
TableDefinition relationshipTableDefinition();
TableDefinition accessObjectsTableDefinition();

inline constexpr char16_t kAceTableName[] = u"MSysACEs";
inline constexpr char16_t kQueryTableName[] = u"MSysQueries";
inline constexpr char16_t kRelationshipTableName[] = u"MSysRelationships";
inline constexpr char16_t kAccessObjectsTableName[] = u"MSysAccessObjects";

// One catalog row of a blank database.
struct BlankCatalogRow {
  std::int32_t id = 0;
  std::int32_t parentId = 0;
  std::u16string name;
  std::int16_t type = 0;
  std::uint32_t flags = 0;
  Bytes owner;
  Bytes properties;  // LvProp; empty: null
};

// The catalog rows in the order they are stored, given the definition pages of
// the system tables; Access's project table comes last, once it exists.
std::vector<BlankCatalogRow> blankCatalogRows(std::uint32_t aceTable, std::uint32_t queryTable,
                                              std::uint32_t relationshipTable);
BlankCatalogRow accessObjectsCatalogRow(std::uint32_t accessObjectsTable);

struct BlankAce {
  std::int32_t objectId = 0;
  Bytes sid;
  std::int32_t rights = 0;
  bool inheritable = false;
};

// The access-control entries of a blank database, for the same table pages.
std::vector<BlankAce> blankAces(std::uint32_t aceTable, std::uint32_t queryTable, std::uint32_t relationshipTable,
                                std::uint32_t accessObjectsTable);

}  // namespace jet
