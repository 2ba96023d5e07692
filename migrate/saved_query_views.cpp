// Planning views for saved queries; see saved_query_views.h.
#include "migrate/saved_query_views.h"

#include <map>

#include "jet/text.h"
#include "migrate/select_translator.h"

namespace qbmigrate {

namespace {

// Access compares object names without regard to case.
std::string nameKey(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

}  // namespace

const SelectTranslator& defaultSelectTranslator() {
  static const AccessSqlTranslator translator;
  return translator;
}

std::vector<ViewPlan> planViews(jet::Database& db, const Ddl& ddl, const SelectTranslator& translator) {
  std::vector<ViewPlan> planned;
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
    } else if (auto translated = translator.translate(db, query, ddl, view.reason)) {
      std::string columns;
      for (const std::string& c : translated->columns) columns += (columns.empty() ? "" : ", ") + c;
      view.createView = "CREATE VIEW " + view.qualifiedName + " (" + columns + ") AS\n" + translated->select;
      view.reads = std::move(translated->reads);
    }
    planned.push_back(std::move(view));
  }

  // Each view after the ones it reads: repeatedly take every view whose
  // sources are all placed; what is left over reads a query that is not
  // carried (or, through others, itself).
  std::map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < planned.size(); ++i) byName[nameKey(planned[i].name)] = i;
  std::vector<ViewPlan> ordered;
  std::vector<bool> placed(planned.size(), false);
  for (bool progress = true; progress;) {
    progress = false;
    for (std::size_t i = 0; i < planned.size(); ++i) {
      if (placed[i] || !planned[i].createView) continue;
      bool ready = true;
      for (const std::string& read : planned[i].reads) {
        const auto it = byName.find(nameKey(read));
        ready = ready && it != byName.end() && placed[it->second];
      }
      if (!ready) continue;
      placed[i] = true;
      progress = true;
      ordered.push_back(planned[i]);
    }
  }
  for (std::size_t i = 0; i < planned.size(); ++i) {
    if (placed[i]) continue;
    ViewPlan view = std::move(planned[i]);
    if (view.createView) {
      for (const std::string& read : view.reads) {
        const auto it = byName.find(nameKey(read));
        if (it != byName.end() && !placed[it->second]) {
          view.reason = "it reads query " + read + ", which is not carried";
          break;
        }
      }
      view.createView.reset();
    }
    ordered.push_back(std::move(view));
  }
  return ordered;
}

}  // namespace qbmigrate
