// Database::listTables: the names a user sees, in the order the program shows
// them — system tables (when asked for), user tables, then saved select queries
// that take no parameters ("views"); each group sorted without regard to case.
#include <algorithm>

#include "catalog/database_impl.h"
#include "catalog/query_rows_reader.h"
#include "catalog/saved_query_sql.h"
#include "jet/database.h"
#include "jet/text.h"

namespace jet {

namespace {

constexpr std::int16_t kLocalTableType = 1;

void sortByName(std::vector<std::u16string>& names) {
  std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
    const int c = compareNamesNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
  });
}

void appendGroup(std::vector<TableListEntry>& out, std::vector<std::u16string>& names, TableKind kind) {
  sortByName(names);
  for (auto& name : names) out.push_back(TableListEntry{std::move(name), kind});
}

}  // namespace

std::vector<TableListEntry> Database::listTables(bool includeSystem) const {
  ReadScope scope(*impl_->context->pager);  // the catalog as last committed
  const auto& objects = catalog();
  const std::int32_t tables = tablesContainerId(objects);
  std::vector<std::u16string> systemTables;
  std::vector<std::u16string> userTables;
  // Linked tables (types 4 and 6) live under the same container and are left out.
  for (const CatalogObject& object : objects) {
    if (object.parentId != tables || object.type != kLocalTableType) continue;
    if (!object.isSystem()) {
      userTables.push_back(object.name);
    } else if (includeSystem) {
      systemTables.push_back(object.name);
    }
  }

  std::vector<std::u16string> views;
  std::vector<const CatalogObject*> queries = savedQueryObjects(objects);
  std::erase_if(queries, [](const CatalogObject* q) { return q->isSystem(); });
  if (!queries.empty()) {
    const auto rowsById = readQueryRows(*this);
    for (const CatalogObject* query : queries) {
      auto found = rowsById.find(query->id);
      const std::vector<QueryRow> noRows;
      const auto& rows = found == rowsById.end() ? noRows : found->second;
      if (queryKindOf(query->flags, rows) == QueryKind::Select && !queryHasParameters(rows)) {
        views.push_back(query->name);
      }
    }
  }

  std::vector<TableListEntry> out;
  appendGroup(out, systemTables, TableKind::SystemTable);
  appendGroup(out, userTables, TableKind::Table);
  appendGroup(out, views, TableKind::View);
  return out;
}

}  // namespace jet
