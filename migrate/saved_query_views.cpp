// Planning views for saved queries; see saved_query_views.h.
#include "migrate/saved_query_views.h"

#include "jet/text.h"

namespace qbmigrate {

namespace {

class UnavailableTranslator final : public SelectTranslator {
 public:
  std::optional<std::string> translate(const jet::SavedQuery&, const Ddl&, std::string& reason) const override {
    reason = "the translator of Access SQL into other dialects is not available yet";
    return std::nullopt;
  }
};

}  // namespace

const SelectTranslator& defaultSelectTranslator() {
  static const UnavailableTranslator translator;
  return translator;
}

std::vector<ViewPlan> planViews(jet::Database& db, const Ddl& ddl, const SelectTranslator& translator) {
  std::vector<ViewPlan> views;
  for (const jet::SavedQuery& query : db.savedQueries()) {
    ViewPlan view;
    view.name = jet::toUtf8(query.name);
    view.qualifiedName = ddl.dialect == Dialect::PostgreSQL
                             ? quoteIdentifier(ddl.schema) + "." + quoteIdentifier(view.name)
                             : quoteIdentifier(view.name);
    const bool select = query.kind == jet::QueryKind::Select || query.kind == jet::QueryKind::Union;
    if (query.kind == jet::QueryKind::Crosstab) {
      view.reason = "it is a Crosstab query, whose columns depend on the data";
    } else if (!select) {
      const std::string kind = jet::queryKindName(query.kind);
      view.reason = "it is " + std::string(kind.find_first_of("AEIOU") == 0 ? "an " : "a ") + kind + " query, not a select query";
    } else if (query.hasParameters) {
      view.reason = "it takes parameters, which a view cannot";
    } else if (auto sql = translator.translate(query, ddl, view.reason)) {
      view.createView = "CREATE VIEW " + view.qualifiedName + " AS\n" + *sql;
    }
    views.push_back(std::move(view));
  }
  return views;
}

}  // namespace qbmigrate
