// Handlers of the database commands (connection/ui/database_commands.h):
// the open procedure, Open, Open PWD, Quick Open, Close Database and the tab
// strip's change, and the timer that follows other programs' commits.
#include <QAction>

#include "app/main_window.h"
#include "browse/db_memo.h"
#include "browse/memo_window.h"
#include "connection/ui/database_commands.h"
#include "connection/ui/quick_open_dialog.h"
#include "ui_services/prompts.h"

qb::DatabaseView TForm1::databaseView() {
  return {*this, *TabControl1, *statusPanel(0), *statusPanel(3), frmMemo->DBMemo1->fieldLink()};
}

void TForm1::OpenDatabaseFile(const QString& path, bool askPassword) {
  qb::openDatabaseFile(*data_, databaseView(), qb::prompts(), path, askPassword,
                       OpenSystemTables1->isChecked());
}

void TForm1::Open1Click() {
  qb::openDatabase(*data_, databaseView(), OpenDialog1, qb::prompts(), false, OpenSystemTables1->isChecked());
}

void TForm1::OpenPWD1Click() {
  qb::openDatabase(*data_, databaseView(), OpenDialog1, qb::prompts(), true, OpenSystemTables1->isChecked());
}

void TForm1::QuickOpen1Click() {
  qb::quickOpen(mdb, *frmQuickOpen, *this, qb::prompts());
}

void TForm1::Close1Click() {
  qb::closeDatabase(con, *this);
}

void TForm1::TabControl1Change() {
  qb::chooseTable(*data_, databaseView());
}

void TForm1::Timer1Timer() {
  qb::followOtherPrograms(*data_, databaseView(), qb::prompts());
}
