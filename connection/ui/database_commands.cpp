// Opening and closing databases and choosing the current table.
#include "connection/ui/database_commands.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "connection/connection_string.h"
#include "connection/query_data_set.h"
#include "connection/ui/field_link.h"
#include "connection/ui/main_data.h"
#include "connection/ui/quick_open_dialog.h"
#include "connection/ui/tab_strip.h"
#include "jet/database.h"
#include "jet/error.h"
#include "ui_services/app_identity.h"
#include "ui_services/file_dialog.h"
#include "ui_services/handler_guard.h"
#include "ui_services/prompts.h"
#include "ui_services/screen_cursor.h"

namespace qb {

namespace {

constexpr int kPasswordMaxLength = 255;

QString captionWith(const QString& text) {
  return QString::fromUtf8(kAppTitle) + text;
}

}  // namespace

void openDatabaseFile(MainData& data, const DatabaseView& view, Prompts& prompts, const QString& path,
                      bool askPassword, bool withSystemTables) {
  setBusyCursor();
  screenCursor().processPendingEvents();

  try {
    data.con.setConnected(false);
    std::u16string connectionString;
    if (askPassword) {
      // Cancel gives an empty password, and the open goes on with it.
      const auto password = prompts.inputBox(QStringLiteral("Enter Password"), QStringLiteral("Password:"),
                                             QString(), kPasswordMaxLength);
      connectionString =
          openConnectionString(path.toStdU16String(), password.value_or(QString()).toStdU16String());
    } else {
      connectionString = openConnectionString(path.toStdU16String());
    }
    data.con.setConnectionString(std::move(connectionString));
    data.con.setConnected(true);
  } catch (...) {
    // Dropped: listing the tables below connects once more and reports that
    // attempt's error.
    setNormalCursor();
  }
  screenCursor().processPendingEvents();

  view.tabs.removeAllTabs();
  QStringList names;
  try {
    for (const std::u16string& name : data.con.listTableNames(withSystemTables)) {
      names.append(QString::fromStdU16String(name));
    }
  } catch (...) {
    // The error ends the open; the hourglass does not stay behind.
    setNormalCursor();
    throw;
  }
  view.tabs.setTabNames(names);
  view.tabs.setListsSystemTables(withSystemTables);

  view.window.setWindowTitle(captionWith(QLatin1Char(' ') + path));
  setNormalCursor();

  const QString caption = view.tabs.selectedCaption();
  if (caption.isEmpty()) {
    data.mdb.setActive(false);
    return;
  }
  try {
    view.memo.setDataField(QString());
    data.mdb.setTableName(caption.toStdU16String());
    data.mdb.setActive(true);
  } catch (...) {
    // Not reported: the grid stays empty under the new tabs and caption.
  }
  view.fileNamePanel.setText(QStringLiteral("Filename:") + path);
  // What opening did about an interrupted write, once the window shows the file.
  showDatabaseNotices(data.con, prompts);
}

void openDatabase(MainData& data, const DatabaseView& view, FileDialog& openDialog, Prompts& prompts,
                  bool askPassword, bool withSystemTables) {
  const auto path = openDialog.execute(prompts);
  if (path) openDatabaseFile(data, view, prompts, *path, askPassword, withSystemTables);
}

void quickOpen(TableDataSet& mdb, TfrmQuickOpen& dialog, QWidget& window, Prompts& prompts) {
  if (prompts.execModal(dialog) != QDialog::Accepted) return;
  const QString name = dialog.Edit1->text();
  mdb.setActive(false);
  mdb.setTableName(name.toStdU16String());
  mdb.setActive(true);
  window.setWindowTitle(captionWith(QStringLiteral(" - ") + name));
}

void closeDatabase(Connection& con, QWidget& window) {
  con.setConnected(false);
  window.setWindowTitle(QString::fromUtf8(kAppTitle));
}

void chooseTable(MainData& data, const DatabaseView& view) {
  const QString caption = view.tabs.selectedCaption();
  if (caption.isEmpty()) {
    data.mdb.setActive(false);
    return;
  }
  setBusyCursor();
  screenCursor().processPendingEvents();
  const NormalCursorAtExit restore;

  data.DataSource1.setDataSet(&data.mdb);
  view.memo.setDataField(QString());
  view.memo.setDataSource(nullptr);
  view.memo.setDataSource(&data.DataSource1);

  data.DataSource1.takeLinkError();  // only what this change raises counts
  data.mdb.setActive(false);
  data.mdb.setTableName(caption.toStdU16String());
  data.mdb.setActive(true);
  // A control of another window that cannot follow the new table ends the
  // command here, with the table open.
  if (const std::exception_ptr error = data.DataSource1.takeLinkError()) std::rethrow_exception(error);

  view.countPanel.setText(QStringLiteral("Count: ") + QString::number(data.mdb.recordCount()));
}

void showDatabaseNotices(Connection& con, Prompts& prompts) {
  jet::Database* db = con.databaseIfOpen();
  if (!db) return;
  // A sentence as the error box shows one: with its full stop.
  for (const std::string& notice : db->takeNotices()) prompts.messageBox(errorBoxText(QString::fromStdString(notice)));
}

namespace {

// The tabs made again when tables were created or dropped; the current tab
// stays chosen while its table exists. When the table `mdb` shows is gone it
// is closed (the grid empties) and the reason it cannot open is shown, as
// when a tab's table cannot open.
void followTables(MainData& data, const DatabaseView& view, Prompts& prompts) {
  jet::Database& db = *data.con.databaseIfOpen();
  QStringList names;
  for (const std::u16string& name : data.con.listTableNames(view.tabs.listsSystemTables())) {
    names.append(QString::fromStdU16String(name));
  }
  if (names != view.tabs.tabNames()) view.tabs.setTabNames(names, view.tabs.selectedCaption());

  if (!data.mdb.active()) return;
  const std::u16string& shown = data.mdb.tableName();
  if (db.hasTable(shown) || viewNamed(db, shown)) return;
  data.mdb.setActive(false);
  try {
    data.mdb.setActive(true);
  } catch (const jet::Error& e) {
    prompts.errorBox(errorBoxText(QString::fromUtf8(e.what())));
  }
}

}  // namespace

void followOtherPrograms(MainData& data, const DatabaseView& view, Prompts& prompts) {
  if (QApplication::activeModalWidget() || screenCursor().shape() == Qt::WaitCursor || data.mdb.walking()) return;
  jet::Database* db = data.con.databaseIfOpen();
  if (!db) return;
  try {
    db->followChanges();
    followTables(data, view, prompts);
    if (data.mdb.active()) {
      // A record being edited stays as the user typed it; its save checks
      // it against the file, and the view follows after the edit ends.
      if (data.mdb.state() == DataSetState::Browse && data.mdb.followChanges()) {
        view.countPanel.setText(QStringLiteral("Count: ") + QString::number(data.mdb.recordCount()));
      }
    }
  } catch (const jet::Error&) {
    // The file is busy or cannot be read just now: the next tick tries again,
    // and a command that reads it reports the error.
  }
  // The other windows' datasets on the same file (the query window's result).
  for (DataSet* other : data.con.dataSets()) {
    if (other == &data.mdb || !other->active() || other->state() != DataSetState::Browse || other->walking()) continue;
    try {
      other->followChanges();
    } catch (const jet::Error&) {
      // As above: left to the next tick and the next command.
    }
  }
  showDatabaseNotices(data.con, prompts);
}

}  // namespace qb
