// Helpers for tests of the write path.
#include "engine/write_fixtures.h"

#include "db/database_impl.h"
#include "format/usage_map.h"
#include "support/test_files.h"

namespace qbtest {

MemoryDatabase MemoryDatabase::fromCorpus(const std::string& name) {
  MemoryDatabase m;
  const std::string bytes = readFileBytes(corpusFile(name));
  m.vfs->put(m.path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return m;
}

std::unique_ptr<jet::Database> MemoryDatabase::open(jet::OpenOptions options) const {
  return jet::openDatabase(vfs, path, options);
}

jet::Pager& pagerOf(jet::Database& db) { return *db.impl().context->pager; }

std::set<std::uint32_t> freePages(jet::Pager& pager) {
  const auto pages = jet::readUsageMap(pager, jet::RowId::of(1, 0), jet::kJet4Format);
  return {pages.begin(), pages.end()};
}

}  // namespace qbtest
