// Column default values: Access keeps a default as an expression text
// ("0", "\"n/a\"", "#1/1/2000#", "Now()", "Yes"). Constants, the clock
// functions and GenGUID() translate into a DEFAULT clause of the target dialect; anything
// else is reported with the reason.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "jet/table.h"
#include "migrate/target.h"

namespace qbmigrate {

struct DefaultTranslation {
  std::optional<std::string> sql;  // the DEFAULT expression; nullopt when not translated
  std::string reason;              // why not, for people
};

// Translates the default of `column` (its defaultValue, which must not be empty).
DefaultTranslation translateDefault(const jet::ColumnDef& column, Dialect dialect);

// SQLite: an expression for a new random GUID in the "{...}" text GUIDs are kept in.
std::string randomGuidText();

}  // namespace qbmigrate
