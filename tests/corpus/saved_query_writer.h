// Writes saved queries into a database for tests: a catalog row (copied from
// a saved query the file has, with a new id, name and kind) and the
// MSysQueries rows Access would store for it. The corpus has one query of each
// kind but none that uses another; tests of nested and parameter queries
// write their own this way, on copies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/database.h"

namespace qbtest {

struct QueryRowSpec {
  std::uint8_t attribute = 0;
  std::u16string name1, name2, expression;
  std::optional<std::int16_t> flag;
};

// Adds a query of the kind in `catalogFlags` (0 select, 0x80 union, ...). The
// database must already hold a saved query (its catalog row is the model).
void addSavedQuery(jet::Database& db, const std::u16string& name, std::uint32_t catalogFlags,
                   const std::vector<QueryRowSpec>& rows);

// SELECT columns FROM source [WHERE where], with PARAMETERS (name, type code:
// 4 Long, 10 Text, 8 DateTime, ...).
void addSelectQuery(jet::Database& db, const std::u16string& name, const std::vector<std::u16string>& columns,
                    const std::u16string& source, const std::u16string& where = {},
                    const std::vector<std::pair<std::u16string, std::int16_t>>& parameters = {});

}  // namespace qbtest
