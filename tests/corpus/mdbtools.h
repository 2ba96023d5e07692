// Running mdbtools (an independent reader) over a database and reading what it
// prints, so the engine's results can be compared with it value by value.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "jet/value.h"

namespace qbtest {

// True when mdb-export and mdb-tables can be run.
bool mdbtoolsAvailable();

// Table names mdb-tables lists (user and system tables), in its order.
std::vector<std::string> mdbTables(const std::filesystem::path& file);

// What mdb-export prints for a table, as CSV fields. A field is nullopt when it
// is empty and unquoted (a null value); quoted fields keep their text.
struct MdbExport {
  std::vector<std::string> header;
  std::vector<std::vector<std::optional<std::string>>> rows;
};

// Runs mdb-export with ISO date-times to the second and binary data as hex.
// `codePage` is the one Access 97 text is read in (mdbtools does not take it
// from the file); Jet 4 files ignore it.
MdbExport mdbExport(const std::filesystem::path& file, const std::string& table, unsigned codePage = 1252);

// Compares one engine value with mdb-export's field for it. Returns an empty
// string when they agree, otherwise a description of the difference. Floating
// point values agree within the digits mdb-export prints; date-times within
// the second it rounds to. Where mdb-export is known to print less than the
// value holds (binary data after a zero byte, type 0x11), the rule says so.
std::string compareWithMdbExport(const jet::Value& value, jet::DataType type,
                                 const std::optional<std::string>& field);

}  // namespace qbtest
