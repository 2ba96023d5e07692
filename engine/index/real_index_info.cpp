// Real index descriptions for the B-tree code.
#include "index/real_index_info.h"

#include <algorithm>

#include "format/bytes.h"
#include "jet/error.h"
#include "jet/text.h"

namespace jet {

namespace {

// Why keys of this column cannot be built; empty when they can.
std::string keyColumnProblem(const ColumnDefinition& c) {
  if (!factsOf(c.type).indexable) {
    return "its column '" + toUtf8(c.name) + "' has type " + dataTypeName(c.type) + ", which cannot be indexed";
  }
  if ((c.type == DataType::Text || c.type == DataType::Memo) &&
      !canEncodeSortOrder(c.sortOrder, c.sortOrderVersion, c.codePage)) {
    return "its text column '" + toUtf8(c.name) + "' is sorted in " +
           describeSortOrder(c.sortOrder, c.sortOrderVersion, c.codePage) +
           ", whose index keys this program cannot build; only the General sort order is supported";
  }
  return {};
}

}  // namespace

std::vector<RealIndexInfo> describeRealIndexes(const Table::Impl& table) {
  const TableDefinition& definition = table.definition;
  std::vector<RealIndexInfo> out(definition.realIndexes.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const RealIndexDefinition& real = definition.realIndexes[i];
    RealIndexInfo& info = out[i];
    info.number = i;
    info.root = real.rootPage;
    info.usageMap = real.usageMap;
    // The rules come with the logical indexes that use the tree: its flags,
    // and a primary key's unique and required on top. Users know it by the
    // primary key's name, else by the first logical index's.
    const IndexDef* named = nullptr;
    for (const IndexDef& l : table.indexes) {
      if (l.realIndex != i) continue;
      info.unique = info.unique || l.unique;
      info.required = info.required || l.required;
      info.ignoreNulls = info.ignoreNulls || l.ignoreNulls;
      if (!named || (l.primaryKey && !named->primaryKey)) named = &l;
    }
    info.name = named ? toUtf8(named->name) : "#" + std::to_string(i);
    info.description = "index '" + info.name + "' of " + table.describe();

    for (const IndexKeyColumn& k : real.columns) {
      const auto def = std::find_if(definition.columns.begin(), definition.columns.end(),
                                    [&](const ColumnDefinition& c) { return c.number == k.columnNumber; });
      const auto pos = std::find_if(table.columns.begin(), table.columns.end(),
                                    [&](const ColumnDef& c) { return c.number == k.columnNumber; });
      if (def == definition.columns.end() || pos == table.columns.end()) {
        if (info.unsupported.empty()) {
          info.unsupported = "it names column number " + std::to_string(k.columnNumber) + ", which the table lacks";
        }
        continue;
      }
      if (info.unsupported.empty()) info.unsupported = keyColumnProblem(*def);
      info.keyColumns.push_back(KeyColumn{.type = def->type,
                                          .ascending = k.ascending,
                                          .scale = def->scale,
                                          .sortOrder = def->sortOrder,
                                          .sortOrderVersion = def->sortOrderVersion,
                                          .codePage = def->codePage,
                                          .rowPosition = static_cast<std::size_t>(pos - table.columns.begin())});
    }
    if (info.keyColumns.empty() && info.unsupported.empty()) info.unsupported = "it has no key columns";
    if (info.unsupported.empty()) {
      try {
        info.encoder.emplace(info.keyColumns);
      } catch (const Error& e) {
        info.unsupported = e.what();
      }
    }
  }
  return out;
}

}  // namespace jet
