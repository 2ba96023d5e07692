// Compacting a database: a dense copy of a database file with deleted rows,
// dead long values and free pages left behind.
#pragma once

#include <filesystem>
#include <string>

namespace jet {

// Writes a compacted copy of the database at `source` to `destination`, which
// must not exist (an existing file is never touched: InvalidArgument says so).
// The source is opened read-only and never changed. Every table, the system
// tables included, is rewritten: live rows packed on fresh data pages, long
// values rewritten, every index rebuilt, usage maps and the page map fresh.
// Catalog objects, access-control entries, saved queries, relationships,
// properties, row counts, autonumber counters and the header (password, sort
// order, code page, page encoding) are carried over.
// A wrong or missing password fails with the error opening the source gives.
// On any failure the half-written destination is removed.
void compactDatabase(const std::filesystem::path& source, const std::filesystem::path& destination,
                     const std::u16string& password = {});

// Compacts the database at `path` in place: the copy is written beside it under
// a temporary name, made durable, and renamed over the original (the folder is
// synced too). On any failure the original is untouched, the temporary file is
// removed and the error is thrown. Refused (ReadOnly) when another program holds
// the file for writing or it cannot be written.
void compactDatabaseInPlace(const std::filesystem::path& path, const std::u16string& password = {});

}  // namespace jet
