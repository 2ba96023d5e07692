// Corpus files opened for reading, and columns found by name, for the tests
// that read real files.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "jet/database.h"
#include "jet/table.h"

namespace qbtest {

// Opens a corpus file read-only (the originals are never written). Use after
// QB_REQUIRE_CORPUS.
std::unique_ptr<jet::Database> openCorpusReadOnly(const std::string& name, jet::OpenOptions options = {});

// The column of that name; a test failure when there is none.
const jet::ColumnDef& columnNamed(const jet::Table& table, std::u16string_view name);

}  // namespace qbtest
