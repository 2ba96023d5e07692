// Database internals, and opening a database from any File (the fuzz target
// and tests open images held in memory).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/table.h"
#include "storage/vfs.h"
#include "table/database_context.h"

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
  // What Database::table does: the local table of that name (any case), cached.
  std::shared_ptr<Table> table(std::u16string_view name);

  // After a write was undone: reads the catalog and the definitions of the open
  // tables again; tables that no longer exist are marked dropped. Never throws.
  void reloadAfterRollback() noexcept;
  // After another program's commit was noticed: the same, counted.
  void reloadAfterChange() noexcept;

  std::uint64_t changesByOthers = 0;
  std::vector<std::string> notices;  // for people, not handed out yet
};

// Opens the database file at `path` through `vfs` (Database::open uses the real
// file system; tests use a MemoryVfs), writable when the file can be written,
// else read-only with the reason why, and shared with other openers (a journal
// left by an interrupted write is dealt with before anything is read).
std::unique_ptr<Database> openDatabase(std::shared_ptr<Vfs> vfs, const std::filesystem::path& path,
                                       const OpenOptions& options);

}  // namespace jet
