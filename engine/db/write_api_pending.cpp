// Placeholders for the row writes and schema changes not built yet.
#include "jet/database.h"
#include "jet/error.h"

namespace jet {

namespace {
[[noreturn]] void notYet(const char* what) {
  throw Error(ErrorCode::Unsupported, std::string(what) + " is not available yet in this build");
}
}  // namespace

std::shared_ptr<Table> Database::createTable(const TableSpec&) { notYet("Creating tables"); }
void Database::dropTable(std::u16string_view) { notYet("Dropping tables"); }
void Database::createIndex(std::u16string_view, const IndexSpec&) { notYet("Creating indexes"); }
void Database::dropIndex(std::u16string_view, std::u16string_view) { notYet("Dropping indexes"); }

}  // namespace jet
