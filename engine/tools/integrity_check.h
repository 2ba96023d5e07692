// The integrity checker's driver: the file header, the catalog's tables one
// by one (TableChecker), the checks that span tables (foreign keys), and at the
// end the page ledger against the file's own page map.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "format/table_definition.h"
#include "jet/database.h"
#include "jet/integrity.h"
#include "tools/integrity_context.h"

namespace jet {

class IntegrityChecker {
 public:
  IntegrityChecker(std::shared_ptr<DatabaseContext> database, const std::vector<CatalogObject>& catalog,
                   const IntegrityOptions& options);

  IntegrityReport run();

 private:
  struct TableEntry {
    std::uint32_t page = 0;
    std::u16string name;
    bool system = false;
  };

  void checkFile();
  PageMapState readPageMap();
  std::vector<TableEntry> tablesFromCatalog();
  void checkForeignKeys();
  // Every row holding a foreign key of an enforced relationship has its parent.
  void checkRelationshipRows(std::uint32_t childPage, const LogicalIndexDefinition& childIndex,
                             std::uint32_t parentPage, const LogicalIndexDefinition& parentIndex);

  std::shared_ptr<DatabaseContext> database_;
  const std::vector<CatalogObject>& catalog_;
  IntegrityReport report_;
  ProblemSink sink_;
  PageLedger ledger_;
  UsageMapChecker maps_;
  IntegrityContext context_;
  std::map<std::uint32_t, TableDefinition> definitions_;  // tables whose definition could be read
};

}  // namespace jet
