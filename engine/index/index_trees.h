// The database's B-tree state that index reads share with the maintenance:
// one cache of decoded index pages over the database's pager, and each
// table's real index descriptions (made once per definition).
#pragma once

#include <vector>

#include "index/index_page_cache.h"
#include "index/real_index_info.h"
#include "table/database_context.h"
#include "table/table_impl.h"

namespace jet {

class IndexTrees {
 public:
  virtual ~IndexTrees() = default;
  virtual IndexPageCache& cache(DatabaseContext& db) = 0;
  virtual const std::vector<RealIndexInfo>& indexesOf(const Table::Impl& table) = 0;
};

// The database's, or null when its index maintenance keeps none.
IndexTrees* indexTreesOf(DatabaseContext& db);

}  // namespace jet
