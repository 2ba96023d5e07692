// Reading a table back in tests: its rows in storage order, and what a strict
// integrity check of the whole database finds (empty: sound).
#pragma once

#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "jet/value.h"

namespace qbtest {

inline std::vector<std::vector<jet::Value>> rowsOf(jet::Table& table) {
  std::vector<std::vector<jet::Value>> rows;
  table.scan([&](jet::RowId, const std::vector<jet::Value>& row) {
    rows.push_back(row);
    return true;
  });
  return rows;
}

inline std::vector<std::string> strictProblems(jet::Database& db) {
  jet::IntegrityOptions options;
  options.strictness = jet::IntegrityStrictness::Strict;
  std::vector<std::string> out;
  for (const auto& p : jet::checkIntegrity(db, options).problems) out.push_back(p.message);
  return out;
}

}  // namespace qbtest
