// Helpers for tests of the write path: databases on the simulated disk made
// from corpus files, and the page numbers a usage map lists.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "jet/database.h"
#include "storage/memory_vfs.h"
#include "storage/pager.h"

namespace qbtest {

// A database file on a MemoryVfs, opened as often as a test likes.
struct MemoryDatabase {
  std::shared_ptr<jet::MemoryVfs> vfs = std::make_shared<jet::MemoryVfs>();
  std::string path = "/data/test.mdb";

  // Puts a copy of a corpus file on the simulated disk.
  static MemoryDatabase fromCorpus(const std::string& name);

  std::unique_ptr<jet::Database> open(jet::OpenOptions options = {}) const;
  std::vector<std::uint8_t> bytes() const { return vfs->contents(path); }
  std::string journal() const { return path + "-journal"; }
};

// The pager of an open database (engine internals).
jet::Pager& pagerOf(jet::Database& db);

// Pages the global page map marks free.
std::set<std::uint32_t> freePages(jet::Pager& pager);

}  // namespace qbtest
