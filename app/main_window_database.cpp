// Opening and closing databases and choosing the current table: the open
// procedure, Open, Open PWD, Quick Open, Close Database and the tab strip's
// change handler.
#include <QAction>
#include <QLabel>
#include <QLineEdit>

#include "app/main_window.h"
#include "browse/db_memo.h"
#include "browse/memo_window.h"
#include "connection/connection_string.h"
#include "connection/ui/quick_open_dialog.h"
#include "ui_services/app_identity.h"
#include "ui_services/prompts.h"
#include "ui_services/screen_cursor.h"
#include "connection/ui/tab_strip.h"

namespace {

constexpr int kPasswordMaxLength = 255;

QString windowCaptionWith(const QString& text) {
  return QString::fromUtf8(qb::kAppTitle) + text;
}

}  // namespace

void TForm1::OpenDatabaseFile(const QString& path, bool askPassword) {
  qb::setBusyCursor();
  qb::screenCursor().processPendingEvents();

  try {
    con.setConnected(false);
    std::u16string connectionString;
    if (askPassword) {
      // Cancel gives an empty password, and the open goes on with it.
      const auto password = qb::prompts().inputBox(
          QStringLiteral("Enter Password"), QStringLiteral("Password:"), QString(), kPasswordMaxLength);
      connectionString =
          qb::openConnectionString(path.toStdU16String(), password.value_or(QString()).toStdU16String());
    } else {
      connectionString = qb::openConnectionString(path.toStdU16String());
    }
    con.setConnectionString(std::move(connectionString));
    con.setConnected(true);
  } catch (...) {
    // Dropped: listing the tables below connects once more and reports that
    // attempt's error.
    qb::setNormalCursor();
  }
  qb::screenCursor().processPendingEvents();

  TabControl1->removeAllTabs();
  QStringList names;
  try {
    for (const std::u16string& name : con.listTableNames(OpenSystemTables1->isChecked())) {
      names.append(QString::fromStdU16String(name));
    }
  } catch (...) {
    // The error ends the open; the hourglass does not stay behind.
    qb::setNormalCursor();
    throw;
  }
  TabControl1->setTabNames(names);

  setWindowTitle(windowCaptionWith(QLatin1Char(' ') + path));
  qb::setNormalCursor();

  const QString caption = TabControl1->selectedCaption();
  if (caption.isEmpty()) {
    mdb.setActive(false);
    return;
  }
  try {
    frmMemo->DBMemo1->setDataField(QString());
    mdb.setTableName(caption.toStdU16String());
    mdb.setActive(true);
  } catch (...) {
    // Not reported: the grid stays empty under the new tabs and caption.
  }
  statusPanel(3)->setText(QStringLiteral("Filename:") + path);
}

void TForm1::Open1Click() {
  const auto path = qb::prompts().openFileName(QString::fromLatin1(kOpenDialog1Filter));
  if (path) OpenDatabaseFile(*path, false);
}

void TForm1::OpenPWD1Click() {
  const auto path = qb::prompts().openFileName(QString::fromLatin1(kOpenDialog1Filter));
  if (path) OpenDatabaseFile(*path, true);
}

void TForm1::QuickOpen1Click() {
  if (qb::prompts().execModal(*frmQuickOpen) != QDialog::Accepted) return;
  const QString name = frmQuickOpen->Edit1->text();
  mdb.setActive(false);
  mdb.setTableName(name.toStdU16String());
  mdb.setActive(true);
  setWindowTitle(windowCaptionWith(QStringLiteral(" - ") + name));
}

void TForm1::Close1Click() {
  con.setConnected(false);
  setWindowTitle(QString::fromUtf8(qb::kAppTitle));
}

void TForm1::TabControl1Change() {
  const QString caption = TabControl1->selectedCaption();
  if (caption.isEmpty()) {
    mdb.setActive(false);
    return;
  }
  qb::setBusyCursor();
  qb::screenCursor().processPendingEvents();
  const qb::NormalCursorAtExit restore;

  DataSource1.setDataSet(&mdb);
  DBMemo* memo = frmMemo->DBMemo1;
  memo->setDataField(QString());
  memo->setDataSource(nullptr);
  memo->setDataSource(&DataSource1);

  DataSource1.takeLinkError();  // only what this change raises counts
  mdb.setActive(false);
  mdb.setTableName(caption.toStdU16String());
  mdb.setActive(true);
  // A control of another window that cannot follow the new table ends the
  // command here, with the table open.
  if (const std::exception_ptr error = DataSource1.takeLinkError()) std::rethrow_exception(error);

  statusPanel(0)->setText(QStringLiteral("Count: ") + QString::number(mdb.recordCount()));
}
