// Placeholders for the write side of the engine's API. The writer replaces this
// file; until then every write reports that it is not available.
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"

namespace jet {

namespace {
[[noreturn]] void notYet(const char* what) {
  throw Error(ErrorCode::Unsupported, std::string(what) + " is not available yet in this build");
}
}  // namespace

std::vector<RowId> Table::rowIdsInIndexOrder(std::size_t) const { notYet("Reading in index order"); }
std::optional<RowId> Table::findRow(std::size_t, const std::vector<Value>&) const { notYet("Index search"); }
RowId Table::insertRow(std::vector<Value>&) { notYet("Writing rows"); }
void Table::updateRow(RowId, std::vector<Value>&) { notYet("Writing rows"); }
void Table::deleteRow(RowId) { notYet("Writing rows"); }
void Database::beginTransaction() { notYet("Writing"); }
void Database::commitTransaction() { notYet("Writing"); }
void Database::rollbackTransaction() { notYet("Writing"); }
bool Database::inTransaction() const { return false; }
std::shared_ptr<Table> Database::createTable(const TableSpec&) { notYet("Creating tables"); }
void Database::dropTable(std::u16string_view) { notYet("Dropping tables"); }
void Database::createIndex(std::u16string_view, const IndexSpec&) { notYet("Creating indexes"); }
void Database::dropIndex(std::u16string_view, std::u16string_view) { notYet("Dropping indexes"); }

}  // namespace jet
