// After writes: mdb-export must list exactly the rows our reader reads. It
// lists a row that moved to another page (an overflow row) where its data now
// lies, not at its own slot, so moved rows may turn up anywhere; every other
// row keeps its storage order.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "catalog/database_impl.h"
#include "corpus/mdbtools.h"
#include "format/data_page.h"
#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"
#include "storage/pager.h"

namespace qbtest {

inline void expectMdbExportReadsTheSameRows(const std::filesystem::path& file, jet::Database& db, jet::Table& table) {
  if (!mdbtoolsAvailable()) return;
  struct Row {
    std::vector<jet::Value> values;
    bool moved = false;
    bool matched = false;
  };
  std::vector<Row> rows;
  jet::Pager& pager = *db.impl().context->pager;
  table.scan([&](jet::RowId id, const std::vector<jet::Value>& values) {
    const jet::Page page = pager.page(id.page());
    const bool moved = jet::DataPage(page.bytes(), id.page(), *db.impl().context->version).isOverflow(id.slot());
    rows.push_back({values, moved, false});
    return true;
  });
  const MdbExport exported = mdbExport(file, jet::toUtf8(table.name()), db.info().codePage);
  ASSERT_EQ(exported.rows.size(), rows.size()) << jet::toUtf8(table.name());
  const auto same = [&](const Row& r, const std::vector<std::optional<std::string>>& fields) {
    for (std::size_t c = 0; c < r.values.size(); ++c) {
      if (!compareWithMdbExport(r.values[c], table.columns()[c].type, fields[c]).empty()) return false;
    }
    return true;
  };
  std::size_t next = 0;  // next row in place
  for (std::size_t i = 0; i < exported.rows.size(); ++i) {
    while (next < rows.size() && (rows[next].moved || rows[next].matched)) ++next;
    if (next < rows.size() && same(rows[next], exported.rows[i])) {
      rows[next++].matched = true;
      continue;
    }
    bool found = false;
    for (Row& r : rows) {
      if (r.moved && !r.matched && same(r, exported.rows[i])) {
        r.matched = found = true;
        break;
      }
    }
    if (found) continue;
    std::string diff;
    if (next < rows.size()) {
      for (std::size_t c = 0; c < rows[next].values.size() && diff.empty(); ++c) {
        diff = compareWithMdbExport(rows[next].values[c], table.columns()[c].type, exported.rows[i][c]);
      }
    }
    ADD_FAILURE() << jet::toUtf8(table.name()) << ": mdb-export row " << i << " matches no row we read (" << diff << ")";
    return;
  }
}

}  // namespace qbtest
