// State the parts of the integrity checker share while they walk one database:
// the file, the problem sink, the page ledger, the usage-map reader, and the
// long-value rows found in use so far (a row used by two values is damage).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "db/database_context.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/table.h"
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
};

// "table 'Name'", or "the table at page N" when the catalog names none.
std::string describeTable(const IntegrityContext& context, std::uint32_t definitionPage);

// True for errors that describe the file's contents (as opposed to a failing
// read, which the checker does not turn into a finding).
bool isFinding(const Error& e);

}  // namespace jet
