// Structural checks of a table after writes, for tests: every page the table's
// maps list is what they say, every row decodes, long-value rows are on pages
// of the right kind, no page in use is marked free in the global page map, and
// the stored row count is exact. Reports problems as text (empty: sound).
#pragma once

#include <set>
#include <string>
#include <vector>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/long_value.h"
#include "format/long_value_writer.h"
#include "format/usage_map.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/write_fixtures.h"
#include "table/row_writer.h"
#include "table/table_impl.h"

namespace qbtest {

inline std::vector<std::string> tableProblems(jet::Database& db, jet::Table& table) {
  std::vector<std::string> problems;
  jet::Table::Impl& t = table.impl();
  jet::Pager& pager = pagerOf(db);
  const auto& v = *db.impl().context->version;
  const auto& def = t.definition;
  const std::set<std::uint32_t> free = freePages(pager);
  const auto note = [&](const std::string& p) { problems.push_back(jet::toUtf8(t.name) + ": " + p); };
  const auto inUse = [&](std::uint32_t page, const char* what) {
    if (free.count(page)) note(std::string(what) + " page " + std::to_string(page) + " is marked free");
  };
  for (const std::uint32_t p : def.pages) inUse(p, "definition");
  const std::set<std::uint32_t> owned = mapPages(pager, def.ownedPages);
  for (const std::uint32_t p : owned) {
    inUse(p, "data");
    const jet::Page page = pager.page(p);
    if (page.type() != jet::kPageTypeData || jet::loadU32(page.bytes().data() + 4) != def.firstPage) {
      note("owned page " + std::to_string(p) + " is not one of its data pages");
    }
  }
  for (const std::uint32_t p : mapPages(pager, def.freePages)) {
    if (!owned.count(p)) note("page " + std::to_string(p) + " has room but is not the table's");
  }
  std::uint32_t live = 0;
  std::set<std::uint32_t> longValuePages;
  try {
    jet::RowWriter writer(t);
    t.forEachRow(
        jet::ScanMode::Strict, nullptr, [&](jet::RowId, jet::ByteSpan) {},
        [&](jet::RowId id) {
          ++live;
          (void)t.readValues(id);
          for (const auto& ref : writer.longValueReferences(id)) {
            if (ref.empty()) continue;
            for (const jet::RowId r : writer.longValues().rowsOf(ref)) longValuePages.insert(r.page());
          }
          return true;
        });
  } catch (const jet::Error& e) {
    note(std::string("rows: ") + e.what());
  }
  if (live != def.rowCount) {
    note("stored row count " + std::to_string(def.rowCount) + ", live rows " + std::to_string(live));
  }
  for (const std::uint32_t p : longValuePages) {
    inUse(p, "long-value");
    bool listed = false;
    for (const auto& m : def.longValueMaps) listed = listed || mapPages(pager, m.ownedPages).count(p) != 0;
    if (!listed) note("long-value page " + std::to_string(p) + " is in no column's map");
  }
  for (const auto& m : def.longValueMaps) {
    for (const std::uint32_t p : mapPages(pager, m.ownedPages)) {
      inUse(p, "long-value");
      const jet::Page page = pager.page(p);
      if (page.type() != jet::kPageTypeData || jet::loadU32(page.bytes().data() + 4) != jet::kLongValueOwner) {
        note("long-value map lists page " + std::to_string(p) + ", which holds no long values");
      }
    }
  }
  (void)v;
  return problems;
}

}  // namespace qbtest
