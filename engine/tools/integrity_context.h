// State the parts of the integrity checker share while they walk one database:
// the file, the problem sink, the page ledger, the usage-map reader, and the
// long-value rows found in use so far (a row used by two values is damage).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "format/index_key.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "table/database_context.h"
#include "tools/integrity_page_ledger.h"
#include "tools/integrity_pages.h"
#include "tools/integrity_sink.h"

namespace jet {

// Which value first used a long-value row.
struct LongValueUser {
  std::uint32_t tablePage = 0;
  RowId row;
  std::uint16_t columnNumber = 0;
};

// The keys one real index must hold, built from its table's rows: sorted by
// key bytes, then row.
struct RowKeys {
  struct Entry {
    std::uint32_t offset = 0;  // key bytes in `bytes`
    std::uint32_t length = 0;
    RowId row;
    bool hasNull = false;  // a key column is Null
  };
  std::vector<KeyColumn> columns;  // empty when the keys could not be built
  std::vector<std::uint8_t> bytes;
  std::vector<Entry> entries;
  std::span<const std::uint8_t> key(const Entry& e) const { return {bytes.data() + e.offset, e.length}; }
};

struct IntegrityContext {
  std::shared_ptr<DatabaseContext> database;
  Pager& pager;
  const FormatVersion& version;
  IntegrityReport& report;
  ProblemSink& sink;
  PageLedger& ledger;
  UsageMapChecker& maps;
  std::unordered_map<std::uint32_t, LongValueUser> longValueRows;  // by locator value
  std::unordered_map<std::uint32_t, std::u16string> tableNames;    // by definition page, from the catalog
  // Keys of the real indexes behind foreign keys, by (definition page, real
  // index), kept for the relationship checks that follow the tables.
  std::map<std::pair<std::uint32_t, std::size_t>, RowKeys> foreignKeyIndexKeys;
};

// "table 'Name'", or "the table at page N" when the catalog names none.
std::string describeTable(const IntegrityContext& context, std::uint32_t definitionPage);

// True for errors that describe the file's contents (as opposed to a failing
// read, which the checker does not turn into a finding).
bool isFinding(const Error& e);

}  // namespace jet
