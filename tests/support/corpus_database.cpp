// Corpus files opened for reading.
#include "support/corpus_database.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace qbtest {

std::unique_ptr<jet::Database> openCorpusReadOnly(const std::string& name, jet::OpenOptions options) {
  options.readOnly = true;
  return jet::Database::open(corpusFile(name), options);
}

const jet::ColumnDef& columnNamed(const jet::Table& table, std::u16string_view name) {
  const int at = table.findColumn(name);
  EXPECT_GE(at, 0);
  return table.columns().at(static_cast<std::size_t>(at));
}

}  // namespace qbtest
