// Compaction, blank databases, the data access version, Access automation.
#include "query/tool_commands.h"

#include <filesystem>

#include "connection/automation.h"
#include "connection/connection.h"
#include "jet/database.h"
#include "jet/error.h"
#include "query/database_files.h"
#include "ui_services/file_dialog.h"
#include "ui_services/prompts.h"
#include "ui_services/screen_cursor.h"

namespace qb {

namespace {

// The database file Open Report hands to Access.
constexpr char16_t kAccessDatabasePath[] = u"C:\\My Documents\\Books.mdb";

std::filesystem::path filePath(const QString& chosen) {
  return std::filesystem::path(chosen.toStdString());
}

// A file is compacted only when no connection of this program holds it: the
// connection's write lock would refuse the compaction, and a dataset reading
// pages of the old file after the new one replaced it would read nonsense.
void closeConnectionTo(Connection& con, const std::filesystem::path& path) {
  const jet::Database* open = con.databaseIfOpen();
  if (open == nullptr) return;
  std::error_code unknown;
  if (std::filesystem::equivalent(open->path(), path, unknown)) con.close();
}

}  // namespace

void repairAndCompact(Connection& con, FileDialog& openDialog, Prompts& prompts) {
  const std::optional<QString> chosen = openDialog.execute(prompts);
  if (!chosen) return;
  {
    setBusyCursor();
    NormalCursorAtExit normalCursor;
    const std::filesystem::path path = filePath(*chosen);
    closeConnectionTo(con, path);
    compactDatabaseFile(path, {});
  }
  prompts.messageBox(QStringLiteral("Complete"));
}

void newBlankDatabase(FileDialog& saveDialog, Prompts& prompts) {
  const std::optional<QString> chosen = saveDialog.execute(prompts);
  if (!chosen) return;
  createBlankDatabase(filePath(*chosen));
}

void showDataAccessVersion(const Connection& con, Prompts& prompts) {
  prompts.messageBox(QStringLiteral("MDAC Version: ") + QString::fromStdU16String(con.version()));
}

void openAccessReport() {
  std::unique_ptr<AccessApplication> access;
  try {
    access = automationInterface<AccessApplication>(activeAutomationObject(u"Access.Application"));
  } catch (const jet::Error&) {
    access = automationInterface<AccessApplication>(createAutomationObject(u"Access.Application"));
  }
  access->setVisible(true);
  access->OpenCurrentDatabase(kAccessDatabasePath, true);
  access->CloseCurrentDatabase();
}

}  // namespace qb
