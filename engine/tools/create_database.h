// Creating a blank database file: the header page, the global page map, the
// system tables with their usage maps and empty index roots, then the catalog
// rows and access-control entries, written through the same page, usage-map,
// definition and row writers that schema changes use.
#pragma once

#include <filesystem>
#include <memory>

#include "jet/database.h"
#include "storage/vfs.h"

namespace jet {

// Creates a new database at `path` through `vfs` and opens it for writing.
// Refuses a path where a file exists (leaving it untouched); on any failure the
// partly written file and its journal are removed before the error is thrown.
std::unique_ptr<Database> createDatabase(std::shared_ptr<Vfs> vfs, const std::filesystem::path& path,
                                         const CreateOptions& options);

}  // namespace jet
