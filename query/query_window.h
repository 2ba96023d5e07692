// The query window (Form14): an editor for an SQL statement, the button that
// runs it, and a grid with a record navigator over its result. Modeless;
// closing it only hides it, so the statement and an open result are there at
// the next show. The statement runs on the main window's connection through
// the window's own query object ADOQuery1, exactly as typed.
//
// Layout, top to bottom: the menus (File: Clear, Exit; Edit: Cut, Copy,
// Paste, acting on the editor wherever the focus is; Query and Help, empty),
// the button row (the result's navigator without Edit and Refresh, "Execute",
// the hidden "Wizard"), the editor Memo1, the splitter, the result grid
// (the same grid as the main window's: rows read as they come into view,
// in-place editing, the indicator column) and an empty status bar.
//
// No handler catches an error: the application's error box shows it.
#pragma once

#include <QWidget>

#include "connection/query_data_set.h"
#include "connection/ui/data_source.h"

class DataGrid;
class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QToolButton;
class RecordNavigator;

class TForm14 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm14(QWidget* parent = nullptr);
  ~TForm14() override;

  // Centred over the main window the first time it is shown.
  void setVisible(bool visible) override;

  // Handlers.
  void SpeedButton1Click();  // Execute: close the query, take the text, open it
  void SpeedButton2Click();  // Wizard: the query wizard, modal
  void Clear1Click();
  void Exit1Click();
  void Cut1Click();
  void Copy1Click();
  void Paste1Click();

  QMenuBar* MainMenu1 = nullptr;
  QMenu* File1 = nullptr;
  QAction* Clear1 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Edit1 = nullptr;
  QAction* Cut1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  QMenu* Query1 = nullptr;
  QMenu* Help1 = nullptr;
  RecordNavigator* DBNavigator1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QSplitter* Splitter1 = nullptr;
  DataGrid* DBGrid1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;

  qb::QueryDataSet ADOQuery1{"ADOQuery1"};
  DataSource DataSource1;

 signals:
  // Execute gave the statement to the engine (whether it then failed or
  // not): it may have changed the data or the tables, and windows showing
  // them follow at once.
  void statementCarriedOut();

 private:
  bool shownBefore_ = false;
};

// Program-wide reference, set when the window set is created.
extern TForm14* Form14;
