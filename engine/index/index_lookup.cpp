// Table access through an index: rows in index order and search by key.
#include <cstring>
#include <functional>
#include <memory>

#include "index/btree.h"
#include "index/index_trees.h"
#include "index/real_index_info.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "table/column_value.h"
#include "table/table_impl.h"

namespace jet {

namespace {

// Pages a one-off read keeps decoded: a descent, or a stretch of a leaf walk.
constexpr std::size_t kReadCachePages = 64;

const IndexDef& indexAt(const Table::Impl& table, std::size_t index) {
  if (index >= table.indexes.size()) {
    throw Error(ErrorCode::InvalidArgument, table.describe() + " has no index " + std::to_string(index) + " (it has " +
                                                std::to_string(table.indexes.size()) + ")");
  }
  const IndexDef& def = table.indexes[index];
  if (def.realIndex >= table.definition.realIndexes.size()) {
    throw Error(ErrorCode::Corruption, "Index '" + toUtf8(def.name) + "' of " + table.describe() +
                                           " names real index " + std::to_string(def.realIndex) + ", which the " +
                                           "definition does not have");
  }
  return def;
}

}  // namespace

std::vector<RowId> Table::rowIdsInIndexOrder(std::size_t index) const {
  ReadScope scope(*impl_->db->pager);
  const IndexDef& def = indexAt(*impl_, index);
  const RealIndexDefinition& real = impl_->definition.realIndexes[def.realIndex];
  IndexPageCache cache(*impl_->db->pager, indexPageFormatFor(*impl_->db->version), kReadCachePages);
  BTree tree(cache, real.rootPage, impl_->definition.firstPage,
             "index '" + toUtf8(def.name) + "' of " + impl_->describe());
  std::vector<RowId> rows;
  for (BTreeCursor at = tree.first(); !at.atEnd(); at.next()) rows.push_back(at.row());
  return rows;
}

namespace {

// Walks the entries of logical index `index` whose first key.size() columns
// equal `key`, in index order; `visit` returns false to stop.
void forEachMatch(const Table::Impl& t, std::size_t index, const std::vector<Value>& key,
                  const std::function<bool(RowId)>& visit) {
  ReadScope scope(*t.db->pager);
  const IndexDef& def = indexAt(t, index);
  DatabaseContext& db = *t.db;
  // Searches share the database's decoded pages when it keeps them.
  IndexTrees* trees = indexTreesOf(db);
  std::vector<RealIndexInfo> own;
  if (!trees) own = describeRealIndexes(t);
  const RealIndexInfo& info = trees ? trees->indexesOf(t)[def.realIndex] : own[def.realIndex];
  if (key.empty() || key.size() > info.keyColumns.size()) {
    throw Error(ErrorCode::InvalidArgument, "A search in index '" + toUtf8(def.name) + "' of " + t.describe() +
                                                " needs 1 to " + std::to_string(info.keyColumns.size()) +
                                                " values, not " + std::to_string(key.size()));
  }
  if (!info.unsupported.empty()) {
    throw Error(ErrorCode::Unsupported, "Cannot search index '" + toUtf8(def.name) + "' of " + t.describe() +
                                            ": " + info.unsupported);
  }
  // The key of the given columns: column items delimit themselves, so the
  // entries whose first columns hold these values all start with these bytes.
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const ColumnDef& column = t.columns[info.keyColumns[i].rowPosition];
    const Value value = convertToColumn(key[i], column, "field '" + toUtf8(column.name) + "' of " + t.describe());
    appendKeyColumn(value, info.keyColumns[i], bytes);
  }

  std::unique_ptr<IndexPageCache> ownCache;
  if (!trees) ownCache = std::make_unique<IndexPageCache>(*db.pager, indexPageFormatFor(*db.version), kReadCachePages);
  BTree tree(trees ? trees->cache(db) : *ownCache, info.root, t.definition.firstPage, info.description);
  for (BTreeCursor at = tree.seek(bytes, RowId{0}); !at.atEnd(); at.next()) {
    const auto found = at.key();
    if (found.size() < bytes.size() || std::memcmp(found.data(), bytes.data(), bytes.size()) != 0) return;
    if (!visit(at.row())) return;
  }
}

}  // namespace

std::optional<RowId> Table::findRow(std::size_t index, const std::vector<Value>& key) const {
  std::optional<RowId> first;
  forEachMatch(*impl_, index, key, [&](RowId id) {
    first = id;
    return false;
  });
  return first;
}

std::vector<RowId> Table::findRows(std::size_t index, const std::vector<Value>& key) const {
  std::vector<RowId> rows;
  forEachMatch(*impl_, index, key, [&](RowId id) {
    rows.push_back(id);
    return true;
  });
  return rows;
}

}  // namespace jet
