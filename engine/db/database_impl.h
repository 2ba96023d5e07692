// Database internals, and opening a database from any File (the fuzz target
// and tests open images held in memory).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/database_context.h"
#include "jet/database.h"
#include "jet/table.h"
#include "storage/file.h"

namespace jet {

struct Database::Impl {
  std::filesystem::path path;
  DatabaseInfo info;
  std::shared_ptr<DatabaseContext> context;
  bool readOnly = false;
  std::string readOnlyReason;
  std::vector<CatalogObject> catalog;
  std::vector<RowId> catalogRows;  // locator of each catalog row
  std::int32_t tablesContainer = 0;
  std::map<std::uint32_t, std::shared_ptr<Table>> tables;  // opened tables by definition page

  // The catalog row of a table under the Tables container, by name (any case);
  // nullptr when none.
  const CatalogObject* findTableObject(std::u16string_view name) const;
};

// Opens a database over an already opened file. `path` names it in messages.
// The file is locked for writing when it is writable and the lock is free;
// otherwise the database is read-only with `readOnlyReason` (or the lock's).
std::unique_ptr<Database> openDatabase(std::unique_ptr<File> file, const std::filesystem::path& path,
                                       const OpenOptions& options, std::string readOnlyReason = {});

}  // namespace jet
