// The main window: tool bar band, tab strip, the navigator and filter/sort
// strip, the data grid and the status bar, under a menu bar of nine menus,
// with a context menu on the grid. Every command of the program starts in
// one of the handlers below (named after the control and its event); each
// runs inside the handler guard, so an error ends only that handler and is
// shown in the application's error box.
//
// The window forwards: each handler is one line that calls the command of
// the layer that owns it, handing it what it works on (the current table,
// the grid's columns, a dialog, Prompts, the format settings):
//   main_window_database.cpp  opening, closing, the tabs (connection/ui)
//   main_window_browse.cpp    moves and edits, filter and sort, Locate,
//                             columns, record view, memo (browse)
//   main_window_output.cpp    export, copies, table info, printing, counts (output)
//   main_window_query.cpp     the query window, the table designer, tools (query)
//   main_window_commands.cpp  the window's own commands and the handlers
//                             that pass a command on to another entry
#pragma once

#include <QFont>
#include <QMainWindow>
#include <memory>

#include "connection/ui/main_data.h"
#include "ui_services/file_dialog.h"

class DataGrid;
struct GridCell;
class FilterSortPanel;
class QAbstractButton;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QTimer;
class QToolButton;
class RecordNavigator;
class TabStrip;

namespace qb {
struct DatabaseView;
}

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kStatusPanelCount = 4;

  explicit TForm1(QWidget* parent = nullptr);

  // Status bar panel 0 to 3 ("Count: ", the web address, "MDAC: " + engine
  // version, "Filename:" + path).
  QLabel* statusPanel(int index) const;

  // The open procedure of both open commands: connects `con` to the file at
  // `path` (asking for its password first when `askPassword` is set), makes
  // one tab per table and opens the first table in `mdb`.
  void OpenDatabaseFile(const QString& path, bool askPassword);

 private:
  // Made before every control (they bind to it), so declared first.
  std::unique_ptr<MainData> data_;

 public:
  // The program's only connection, its only table object (the current
  // table) and the data link that shows it in the grid.
  qb::Connection& con;
  qb::TableDataSet& mdb;
  DataSource& DataSource1;

  // The window's file dialogs, which other commands use too: OpenDialog1
  // (databases: Open, Open PWD, Repair and Compact; the table information
  // names its last file), SaveDialog1 (CSV export), SaveDialog2 (a new
  // database).
  qb::FileDialog OpenDialog1{qb::FileDialog::Kind::Open, QStringLiteral("MDB Files|*.MDB|All Files|*.*")};
  qb::FileDialog SaveDialog1{qb::FileDialog::Kind::Save, QStringLiteral("CSV Text File|*.TXT")};
  qb::FileDialog SaveDialog2{qb::FileDialog::Kind::Save, QStringLiteral("Access Database (*.MDB)|*.MDB"),
                             QStringLiteral("MDB")};

  // Components, under the names of the window's design.
  QWidget* CoolBar1;
  QWidget* ToolBar1;
  QToolButton* ToolButton8;  // "New Table" (hidden)
  QToolButton* ToolButton1;  // "Open F2"
  QToolButton* ToolButton7;  // "Record View "
  QToolButton* ToolButton2;  // "Search F3"
  QToolButton* ToolButton9;  // "Query"
  QToolButton* ToolButton3;  // "Table Info F7"
  QToolButton* ToolButton6;  // "Show/Hide F8"
  QToolButton* ToolButton4;  // "Print"
  QToolButton* ToolButton5;  // "Exit F10"
  TabStrip* TabControl1;
  QWidget* Panel1;
  FilterSortPanel* Panel2;
  RecordNavigator* DBNavigator1;
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QToolButton* FilterButton1;
  QToolButton* CancelFilterButton3;
  QToolButton* SpeedButton2;
  QToolButton* SortButton4;
  QToolButton* CancelSortButton6;
  QToolButton* SpeedButton5;
  DataGrid* DBGrid1;
  QStatusBar* StatusBar1;
  QMenu* PopupMenu1;
  // Looks every 1.5 s whether other programs changed the open file.
  QTimer* Timer1;

  // Menu entries: File, Edit, Search, View, Table, Tools, Access, Options, Help.
  QAction *NewBlankDatabase1, *New1, *Open1, *OpenPWD1, *QuickOpen1, *Close1, *Print1, *PrintPreview1, *Exit1;
  QAction *First1, *Previous1, *Next1, *last1, *Insert1, *Delete1, *Save1, *Cancel1, *ViewEditMemoField2;
  QAction *SearchValue1, *ApplyFilter1, *CancelFilter1, *Query1, *Sort1;
  QAction *ShowHideColumns1, *Gotofield1, *Adjustcolumnwidth1, *ShowToolbar1, *ShowStatusbar1, *RecordView2,
      *Font1;
  QAction *TableInfo1, *ExporttoCSV2;
  QAction *RepairandCompact1, *RecordCount1, *VisualCount2, *RecordSize1, *ShowMDACVersioninstalled1;
  QAction* OpenReport1;
  QAction *OpenSystemTables1, *Associate1;
  QAction *UsingFilters1, *UsingSort1, *About1;
  // Grid context menu entries.
  QAction *ShowHideColumns2, *GotoColumn1, *RecordView1, *PrintRecord1, *ViewEditMemoField1, *VisualCount1,
      *CopyColumntoclipboard1, *CopyRowtoClipboard1, *CopyFieldValuetoClipbaord1;

 signals:
  // Emitted as a handler starts, with its name ("Open1Click"), whether it
  // was reached from a control or passed on by another handler. Lets tests
  // (and anything else watching) follow which commands ran.
  void handlerStarted(const QString& name);
  // The window has closed; the program ends on it (see startUp()).
  void closed();

 public slots:
  // File menu.
  void NewBlankDatabase1Click();
  void New1Click();
  void Open1Click();
  void OpenPWD1Click();
  void QuickOpen1Click();
  void Close1Click();
  void Print1Click();
  void PrintPreview1Click();
  void Exit1Click();
  // Edit menu.
  void First1Click();
  void Previous1Click();
  void Next1Click();
  void last1Click();
  void Insert1Click();
  void Delete1Click();
  void Save1Click();
  void Cancel1Click();
  void ViewEditMemoField2Click();
  // Search menu.
  void SearchValue1Click();
  void ApplyFilter1Click();
  void CancelFilter1Click();
  void Query1Click();
  void Sort1Click();
  // View menu.
  void ShowHideColumns1Click();
  void Gotofield1Click();
  void Adjustcolumnwidth1Click();
  void ShowToolbar1Click();
  void ShowStatusbar1Click();
  void RecordView2Click();
  void Font1Click();
  // Table menu.
  void TableInfo1Click();
  void ExporttoCSV2Click();
  // Tools menu.
  void RepairandCompact1Click();
  void RecordCount1Click();
  void VisualCount2Click();
  void RecordSize1Click();
  void ShowMDACVersioninstalled1Click();
  // Access menu.
  void OpenReport1Click();
  // Options menu.
  void OpenSystemTables1Click();
  void Associate1Click();
  // Help menu.
  void UsingFilters1Click();
  void UsingSort1Click();
  void About1Click();
  // Grid context menu.
  void ShowHideColumns2Click();
  void GotoColumn1Click();
  void RecordView1Click();
  void PrintRecord1Click();
  void ViewEditMemoField1Click();
  void VisualCount1Click();
  void CopyColumntoclipboard1Click();
  void CopyRowtoClipboard1Click();
  void CopyFieldValuetoClipbaord1Click();
  // Tool bar.
  void ToolButton8Click();
  void ToolButton1Click();
  void ToolButton7Click();
  void ToolButton2Click();
  void ToolButton9Click();
  void ToolButton3Click();
  void ToolButton6Click();
  void ToolButton4Click();
  void ToolButton5Click();
  // Filter and sort strip.
  void FilterButton1Click();
  void CancelFilterButton3Click();
  void SortButton4Click();
  void CancelSortButton6Click();
  void SpeedButton2Click();
  // A character typed in the filter box or the sort box; setting `key` to
  // the null character swallows it.
  void Edit2KeyPress(QObject* sender, QChar& key);
  // Tab strip.
  void TabControl1Change();
  // Timer1's tick, and after each statement of the query window: the tabs
  // and the views follow what other programs and windows wrote to the file.
  void Timer1Timer();
  // Every data cell of the grid, after the grid painted it: the alternate
  // row shading.
  void DBGrid1DrawColumnCell(const GridCell& cell);
  // Wheel turns over the window that no control used.
  void FormMouseWheelDown();
  void FormMouseWheelUp();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  using Handler = void (TForm1::*)();

  void createMenus();
  void createGridMenu();
  void createToolBar();
  void createStatusBar();
  void connectControls();
  // The window's creation step: status bar panel 2 shows the engine version.
  void FormCreate();
  // The controls the database commands change.
  qb::DatabaseView databaseView();

  // Runs `handler` inside the handler guard, announcing it by `name`.
  void run(const char* name, Handler handler);
  void bind(QAction* action, const char* name, Handler handler);
  void bind(QAbstractButton* button, const char* name, Handler handler);

  QLabel* statusPanels_[kStatusPanelCount] = {};
  QFont fontDialogFont_;  // what the font dialog starts from: the last font chosen
};

// Program-wide reference, set when the window set is created.
extern TForm1* Form1;
