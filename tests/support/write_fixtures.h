// Helpers for tests of the write path (header only, so engine and corpus tests
// share them): databases on the simulated disk made from corpus files, a new
// table in one, the pages a usage map lists, and an index maintenance that
// records its calls.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "catalog/database_impl.h"
#include "format/usage_map.h"
#include "index/index_maintenance.h"
#include "jet/database.h"
#include "storage/memory_vfs.h"
#include "storage/pager.h"
#include "support/test_files.h"

namespace qbtest {

// A database file on a MemoryVfs, opened as often as a test likes.
struct MemoryDatabase {
  std::shared_ptr<jet::MemoryVfs> vfs = std::make_shared<jet::MemoryVfs>();
  std::string path = "/data/test.mdb";

  // Puts a copy of a corpus file on the simulated disk.
  static MemoryDatabase fromCorpus(const std::string& name) {
    MemoryDatabase m;
    const std::string bytes = readFileBytes(corpusFile(name));
    m.vfs->put(m.path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    return m;
  }

  std::unique_ptr<jet::Database> open(jet::OpenOptions options = {}) const {
    return jet::openDatabase(vfs, path, options);
  }
  std::vector<std::uint8_t> bytes() const { return vfs->contents(path); }
  std::string journal() const { return path + "-journal"; }
};

// The pager of an open database (engine internals).
inline jet::Pager& pagerOf(jet::Database& db) { return *db.impl().context->pager; }

// The format of the file a pager reads: Access 97 files have 2048-byte pages.
inline const jet::FormatVersion& formatOf(const jet::Pager& pager) {
  return pager.pageSize() == jet::kJet3Format.pageSize ? jet::kJet3Format : jet::kJet4Format;
}

// Pages a usage map lists.
inline std::set<std::uint32_t> mapPages(jet::Pager& pager, jet::RowId map) {
  const auto pages = jet::readUsageMap(pager, map, formatOf(pager));
  return {pages.begin(), pages.end()};
}

// Pages the global page map marks free.
inline std::set<std::uint32_t> freePages(jet::Pager& pager) { return mapPages(pager, jet::RowId::of(1, 0)); }

// An index maintenance that keeps no index and remembers what it was asked,
// so tests of the row writer can run on tables with indexes and check the calls.
struct RecordingIndexMaintenance : jet::IndexMaintenance {
  struct Call {
    char what;  // 'i' insert, 'r' remove, 'u' update, 'b' build
    std::u16string table;
    jet::RowId id;
    std::vector<jet::Value> before;
    std::vector<jet::Value> after;
  };
  std::vector<Call>* calls = nullptr;  // owned by the test

  std::string unsupportedReason(const jet::Table::Impl& table) override {
    return jet::unsupportedSortOrderReason(table);
  }
  void insertRow(jet::Table::Impl& t, const std::vector<jet::Value>& row, jet::RowId id) override {
    if (calls) calls->push_back({'i', t.name, id, {}, row});
  }
  void removeRow(jet::Table::Impl& t, const std::vector<jet::Value>& row, jet::RowId id) override {
    if (calls) calls->push_back({'r', t.name, id, row, {}});
  }
  void updateRow(jet::Table::Impl& t, const std::vector<jet::Value>& before, const std::vector<jet::Value>& after,
                 jet::RowId id) override {
    if (calls) calls->push_back({'u', t.name, id, before, after});
  }
  void buildIndex(jet::Table::Impl& t, std::size_t) override {
    if (calls) calls->push_back({'b', t.name, {}, {}, {}});
  }
};

// Replaces the database's index maintenance with a recording one.
inline void recordIndexCalls(jet::Database& db, std::vector<RecordingIndexMaintenance::Call>* calls = nullptr) {
  auto recording = std::make_unique<RecordingIndexMaintenance>();
  recording->calls = calls;
  db.impl().context->indexes = std::move(recording);
}

// Appends a column to a table to be created; returns it for further settings.
inline jet::ColumnSpec& addColumn(jet::TableSpec& spec, std::u16string name, jet::DataType type,
                                  std::uint16_t size = 0) {
  jet::ColumnSpec c;
  c.name = std::move(name);
  c.type = type;
  c.size = size;
  spec.columns.push_back(std::move(c));
  return spec.columns.back();
}

// A new table in a copy of the empty corpus database on the simulated disk,
// with the index calls recorded instead of kept.
struct NewTableFixture {
  MemoryDatabase file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  std::unique_ptr<jet::Database> db;
  std::shared_ptr<jet::Table> table;

  explicit NewTableFixture(const jet::TableSpec& spec) : db(file.open()) {
    recordIndexCalls(*db);
    table = db->createTable(spec);
  }
};

}  // namespace qbtest
