// Saved select queries as views. Every saved query of the source is listed:
// the ones whose SQL translates become CREATE VIEW statements of the target
// dialect, each of the others carries the reason it was not made a view.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jet/database.h"
#include "migrate/ddl.h"
#include "migrate/target.h"

namespace qbmigrate {

struct ViewPlan {
  std::string name;                       // the saved query's name, UTF-8
  std::string qualifiedName;              // quoted, with the schema for PostgreSQL
  std::optional<std::string> createView;  // the statement; nullopt when not translated
  std::string reason;                     // why not, for people
  std::vector<std::string> reads;         // the saved queries it reads (UTF-8 names)
};

// A saved query's SELECT in the target dialect.
struct TranslatedQuery {
  std::string select;
  std::vector<std::string> columns;  // quoted: the names Access gives the result columns
  std::vector<std::string> reads;    // the saved queries it reads, UTF-8, as the source names them
};

// Translates the SQL of one saved select query into a SELECT of `dialect`
// over the tables as `ddl` names them; nullopt with the reason when it
// cannot.
class SelectTranslator {
 public:
  virtual ~SelectTranslator() = default;
  virtual std::optional<TranslatedQuery> translate(jet::Database& db, const jet::SavedQuery& query, const Ddl& ddl,
                                                   std::string& reason) const = 0;
};

// The translator from Access SQL (select_translator.h).
const SelectTranslator& defaultSelectTranslator();

// Plans a view for every saved query of `db`: the translated ones in an
// order in which each comes after the queries it reads, then the others.
// A query that reads one that is not carried is not carried either.
std::vector<ViewPlan> planViews(jet::Database& db, const Ddl& ddl,
                                const SelectTranslator& translator = defaultSelectTranslator());

}  // namespace qbmigrate
