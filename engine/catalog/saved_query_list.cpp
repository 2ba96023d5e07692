// Database::savedQueries: every saved query of the catalog with its kind and
// its SQL text rebuilt from MSysQueries.
#include <algorithm>

#include "catalog/database_impl.h"
#include "catalog/query_rows_reader.h"
#include "catalog/saved_query_sql.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/text.h"

namespace jet {

const char* queryKindName(QueryKind kind) noexcept {
  switch (kind) {
    case QueryKind::Select: return "Select";
    case QueryKind::MakeTable: return "Make Table";
    case QueryKind::Append: return "Append";
    case QueryKind::Update: return "Update";
    case QueryKind::Delete: return "Delete";
    case QueryKind::Crosstab: return "Crosstab";
    case QueryKind::DataDefinition: return "Data Definition";
    case QueryKind::PassThrough: return "Pass-Through";
    case QueryKind::Union: return "Union";
    case QueryKind::Unknown: break;
  }
  return "Unknown";
}

// A query whose rows cannot be read back into SQL (a damaged or unfamiliar
// definition) is still listed, as kind Unknown with no text, so one bad query
// does not hide the others.
std::vector<SavedQuery> Database::savedQueries() const {
  ReadScope scope(*impl_->context->pager);
  const auto objects = savedQueryObjects(catalog());
  std::vector<SavedQuery> out;
  if (objects.empty()) return out;
  auto rowsById = readQueryRows(*this);
  static const std::vector<QueryRow> kNoRows;
  for (const CatalogObject* object : objects) {
    auto found = rowsById.find(object->id);
    const std::vector<QueryRow>& rows = found == rowsById.end() ? kNoRows : found->second;
    SavedQuery query;
    query.objectId = object->id;
    query.name = object->name;
    query.kind = queryKindOf(object->flags, rows);
    query.hasParameters = queryHasParameters(rows);
    try {
      query.sql = buildQuerySql(query.kind, rows);
    } catch (const Error&) {
      query.kind = QueryKind::Unknown;
      query.sql.clear();
    }
    out.push_back(std::move(query));
  }
  std::sort(out.begin(), out.end(), [](const SavedQuery& a, const SavedQuery& b) {
    const int c = compareNamesNoCase(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  return out;
}

}  // namespace jet
