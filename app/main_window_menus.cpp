// The main window's command entries: the menu bar, the grid's context menu,
// the tool bar band and the status bar, and the connection of every entry,
// button and box to its handler.
#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>

#include "app/main_window.h"
#include "app/tool_bar_images.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/tab_strip.h"
#include "ui_services/app_identity.h"

namespace {

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& title) {
  QMenu* menu = bar->addMenu(title);
  menu->setObjectName(QString::fromLatin1(name));
  return menu;
}

QAction* addEntry(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {}) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(shortcut);
  return action;
}

QAction* addCheckEntry(QMenu* menu, const char* name, const QString& caption, bool checked) {
  QAction* action = addEntry(menu, name, caption);
  action->setCheckable(true);
  action->setChecked(checked);
  return action;
}

}  // namespace

// Binds a control to the handler of the same name in the code.
#define QB_BIND(control, handler) bind(control, #handler, &TForm1::handler)

void TForm1::createMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  QMenu* file = addMenu(bar, "File1", QStringLiteral("&File"));
  NewBlankDatabase1 = addEntry(file, "NewBlankDatabase1", QStringLiteral("New Blank Database"));
  New1 = addEntry(file, "New1", QStringLiteral("New Table"));
  New1->setVisible(false);
  file->addSeparator();
  Open1 = addEntry(file, "Open1", QStringLiteral("Open"), Qt::Key_F2);
  OpenPWD1 = addEntry(file, "OpenPWD1", QStringLiteral("Open PWD"));
  QuickOpen1 = addEntry(file, "QuickOpen1", QStringLiteral("Quick Open"), Qt::Key_F4);
  Close1 = addEntry(file, "Close1", QStringLiteral("Close Database"));
  file->addSeparator();
  Print1 = addEntry(file, "Print1", QStringLiteral("Print"), QKeySequence(Qt::CTRL | Qt::Key_P));
  PrintPreview1 = addEntry(file, "PrintPreview1", QStringLiteral("Print Preview"));
  file->addSeparator();
  Exit1 = addEntry(file, "Exit1", QStringLiteral("Exit"), Qt::Key_F10);

  QMenu* edit = addMenu(bar, "Edit1", QStringLiteral("&Edit"));
  First1 = addEntry(edit, "First1", QStringLiteral("First"));
  Previous1 = addEntry(edit, "Previous1", QStringLiteral("Previous"));
  Next1 = addEntry(edit, "Next1", QStringLiteral("Next"));
  last1 = addEntry(edit, "last1", QStringLiteral("Last"));
  edit->addSeparator();
  Insert1 = addEntry(edit, "Insert1", QStringLiteral("Insert"));
  Delete1 = addEntry(edit, "Delete1", QStringLiteral("Delete"));
  edit->addSeparator();
  Save1 = addEntry(edit, "Save1", QStringLiteral("Save"));
  Cancel1 = addEntry(edit, "Cancel1", QStringLiteral("Cancel"));
  edit->addSeparator();
  ViewEditMemoField2 = addEntry(edit, "ViewEditMemoField2", QStringLiteral("View / Edit Memo Field"));

  QMenu* search = addMenu(bar, "Search1", QStringLiteral("&Search"));
  SearchValue1 = addEntry(search, "SearchValue1", QStringLiteral("Search Value"), Qt::Key_F3);
  search->addSeparator();
  ApplyFilter1 = addEntry(search, "ApplyFilter1", QStringLiteral("Apply Filter"));
  CancelFilter1 = addEntry(search, "CancelFilter1", QStringLiteral("Cancel Filter"));
  search->addSeparator();
  Query1 = addEntry(search, "Query1", QStringLiteral("Query"));
  Sort1 = addEntry(search, "Sort1", QStringLiteral("Sort"));

  QMenu* view = addMenu(bar, "View1", QStringLiteral("&View"));
  ShowHideColumns1 = addEntry(view, "ShowHideColumns1", QStringLiteral("Show / Hide Columns"), Qt::Key_F8);
  Gotofield1 = addEntry(view, "Gotofield1", QStringLiteral("Goto Column"), Qt::Key_F6);
  Adjustcolumnwidth1 = addEntry(view, "Adjustcolumnwidth1", QStringLiteral("Adjust column width"));
  view->addSeparator();
  ShowToolbar1 = addCheckEntry(view, "ShowToolbar1", QStringLiteral("Show Toolbar"), true);
  ShowStatusbar1 = addCheckEntry(view, "ShowStatusbar1", QStringLiteral("Show Statusbar"), true);
  view->addSeparator();
  RecordView2 = addEntry(view, "RecordView2", QStringLiteral("Record View"), Qt::Key_F12);
  view->addSeparator();
  Font1 = addEntry(view, "Font1", QStringLiteral("Font"));

  QMenu* table = addMenu(bar, "Table1", QStringLiteral("Table"));
  TableInfo1 = addEntry(table, "TableInfo1", QStringLiteral("Table Info"), Qt::Key_F7);
  ExporttoCSV2 = addEntry(table, "ExporttoCSV2", QStringLiteral("Export Current table to CSV"));

  QMenu* tools = addMenu(bar, "Tools1", QStringLiteral("&Tools"));
  RepairandCompact1 = addEntry(tools, "RepairandCompact1", QStringLiteral("Repair and Compact"));
  tools->addSeparator();
  RecordCount1 = addEntry(tools, "RecordCount1", QStringLiteral("Record Count"));
  VisualCount2 = addEntry(tools, "VisualCount2", QStringLiteral("Visual Count (Count only displayed)"));
  RecordSize1 = addEntry(tools, "RecordSize1", QStringLiteral("Record Size"));
  tools->addSeparator();
  ShowMDACVersioninstalled1 =
      addEntry(tools, "ShowMDACVersioninstalled1", QStringLiteral("Show MDAC Version installed"));

  QMenu* access = addMenu(bar, "Access1", QStringLiteral("Access"));
  OpenReport1 = addEntry(access, "OpenReport1", QStringLiteral("Open Report"));

  QMenu* options = addMenu(bar, "Options1", QStringLiteral("&Options"));
  OpenSystemTables1 =
      addCheckEntry(options, "OpenSystemTables1", QStringLiteral("Open System Tables"), false);
  Associate1 = addEntry(options, "Associate1", QStringLiteral("Associate"));
  Associate1->setVisible(false);

  QMenu* help = addMenu(bar, "Help1", QStringLiteral("&Help"));
  UsingFilters1 = addEntry(help, "UsingFilters1", QStringLiteral("Using Filters"));
  UsingSort1 = addEntry(help, "UsingSort1", QStringLiteral("Using Sort"));
  About1 = addEntry(help, "About1", QStringLiteral("About"));
}

void TForm1::createGridMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  ShowHideColumns2 = addEntry(PopupMenu1, "ShowHideColumns2", QStringLiteral("Show / Hide Columns"));
  GotoColumn1 = addEntry(PopupMenu1, "GotoColumn1", QStringLiteral("Goto Column"));
  PopupMenu1->addSeparator();
  RecordView1 = addEntry(PopupMenu1, "RecordView1", QStringLiteral("Record View"));
  PrintRecord1 = addEntry(PopupMenu1, "PrintRecord1", QStringLiteral("Print Record"));
  PopupMenu1->addSeparator();
  ViewEditMemoField1 = addEntry(PopupMenu1, "ViewEditMemoField1", QStringLiteral("View / Edit Memo Field"));
  VisualCount1 = addEntry(PopupMenu1, "VisualCount1", QStringLiteral("Visual Count"));
  PopupMenu1->addSeparator();
  CopyColumntoclipboard1 =
      addEntry(PopupMenu1, "CopyColumntoclipboard1", QStringLiteral("Copy Column to clipboard"));
  CopyRowtoClipboard1 = addEntry(PopupMenu1, "CopyRowtoClipboard1", QStringLiteral("Copy Row to Clipboard"));
  CopyFieldValuetoClipbaord1 =
      addEntry(PopupMenu1, "CopyFieldValuetoClipbaord1", QStringLiteral("Copy Field Value to Clipbaord"));
}

void TForm1::createToolBar() {
  CoolBar1 = new QWidget(this);
  CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
  CoolBar1->setAutoFillBackground(true);
  QPalette band = CoolBar1->palette();
  band.setBrush(QPalette::Window, QBrush(toolBandBackground()));
  band.setColor(QPalette::ButtonText, Qt::black);
  CoolBar1->setPalette(band);

  ToolBar1 = new QWidget(CoolBar1);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  auto* buttons = new QHBoxLayout(ToolBar1);
  buttons->setContentsMargins(4, 2, 4, 2);
  buttons->setSpacing(1);
  auto makeButton = [&](const char* name, const QString& caption, int image) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setIcon(toolBarImage(image));
    button->setIconSize(QSize(kToolBarImageSize, kToolBarImageSize));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(button);
    return button;
  };
  ToolButton8 = makeButton("ToolButton8", QStringLiteral("New Table"), 0);
  ToolButton8->setVisible(false);
  ToolButton1 = makeButton("ToolButton1", QStringLiteral("Open F2"), 1);
  ToolButton7 = makeButton("ToolButton7", QStringLiteral("Record View "), 2);
  ToolButton2 = makeButton("ToolButton2", QStringLiteral("Search F3"), 4);
  ToolButton9 = makeButton("ToolButton9", QStringLiteral("Query"), 8);
  ToolButton3 = makeButton("ToolButton3", QStringLiteral("Table Info F7"), 3);
  ToolButton6 = makeButton("ToolButton6", QStringLiteral("Show/Hide F8"), 6);
  ToolButton4 = makeButton("ToolButton4", QStringLiteral("Print"), 5);
  ToolButton5 = makeButton("ToolButton5", QStringLiteral("Exit F10"), 7);
  buttons->addStretch();

  // All buttons as wide as the widest caption, as on a tool bar of one button size.
  int width = 0;
  for (auto* button : ToolBar1->findChildren<QToolButton*>())
    width = std::max(width, button->sizeHint().width());
  for (auto* button : ToolBar1->findChildren<QToolButton*>()) button->setMinimumWidth(width);

  auto* bandLayout = new QHBoxLayout(CoolBar1);
  bandLayout->setContentsMargins(2, 2, 2, 2);
  bandLayout->addWidget(ToolBar1);
}

void TForm1::createStatusBar() {
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  setStatusBar(StatusBar1);
  // Panels 0 to 2 have their widths, and grow only when a text needs more
  // (a count of millions of rows, a large font); the last one takes the rest
  // of the bar, so a long path stays readable.
  static constexpr int kWidths[kStatusPanelCount] = {100, 200, 100, 100};
  const QString texts[kStatusPanelCount] = {QStringLiteral("Count: "), QString::fromUtf8(qb::kWebAddress),
                                            QString(), QString()};
  for (int i = 0; i < kStatusPanelCount; ++i) {
    auto* panel = new QLabel(texts[i], StatusBar1);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setContentsMargins(2, 0, 2, 0);
    panel->setMinimumWidth(kWidths[i]);
    StatusBar1->addWidget(panel, i == kStatusPanelCount - 1 ? 1 : 0);
    statusPanels_[i] = panel;
  }
}

void TForm1::connectControls() {
  QB_BIND(NewBlankDatabase1, NewBlankDatabase1Click);
  QB_BIND(New1, New1Click);
  QB_BIND(Open1, Open1Click);
  QB_BIND(OpenPWD1, OpenPWD1Click);
  QB_BIND(QuickOpen1, QuickOpen1Click);
  QB_BIND(Close1, Close1Click);
  QB_BIND(Print1, Print1Click);
  QB_BIND(PrintPreview1, PrintPreview1Click);
  QB_BIND(Exit1, Exit1Click);

  QB_BIND(First1, First1Click);
  QB_BIND(Previous1, Previous1Click);
  QB_BIND(Next1, Next1Click);
  QB_BIND(last1, last1Click);
  QB_BIND(Insert1, Insert1Click);
  QB_BIND(Delete1, Delete1Click);
  QB_BIND(Save1, Save1Click);
  QB_BIND(Cancel1, Cancel1Click);
  QB_BIND(ViewEditMemoField2, ViewEditMemoField2Click);

  QB_BIND(SearchValue1, SearchValue1Click);
  QB_BIND(ApplyFilter1, ApplyFilter1Click);
  QB_BIND(CancelFilter1, CancelFilter1Click);
  QB_BIND(Query1, Query1Click);
  QB_BIND(Sort1, Sort1Click);

  QB_BIND(ShowHideColumns1, ShowHideColumns1Click);
  QB_BIND(Gotofield1, Gotofield1Click);
  QB_BIND(Adjustcolumnwidth1, Adjustcolumnwidth1Click);
  QB_BIND(ShowToolbar1, ShowToolbar1Click);
  QB_BIND(ShowStatusbar1, ShowStatusbar1Click);
  QB_BIND(RecordView2, RecordView2Click);
  QB_BIND(Font1, Font1Click);

  QB_BIND(TableInfo1, TableInfo1Click);
  QB_BIND(ExporttoCSV2, ExporttoCSV2Click);

  QB_BIND(RepairandCompact1, RepairandCompact1Click);
  QB_BIND(RecordCount1, RecordCount1Click);
  QB_BIND(VisualCount2, VisualCount2Click);
  QB_BIND(RecordSize1, RecordSize1Click);
  QB_BIND(ShowMDACVersioninstalled1, ShowMDACVersioninstalled1Click);
  QB_BIND(OpenReport1, OpenReport1Click);
  QB_BIND(OpenSystemTables1, OpenSystemTables1Click);
  QB_BIND(Associate1, Associate1Click);
  QB_BIND(UsingFilters1, UsingFilters1Click);
  QB_BIND(UsingSort1, UsingSort1Click);
  QB_BIND(About1, About1Click);

  QB_BIND(ShowHideColumns2, ShowHideColumns2Click);
  QB_BIND(GotoColumn1, GotoColumn1Click);
  QB_BIND(RecordView1, RecordView1Click);
  QB_BIND(PrintRecord1, PrintRecord1Click);
  QB_BIND(ViewEditMemoField1, ViewEditMemoField1Click);
  QB_BIND(VisualCount1, VisualCount1Click);
  QB_BIND(CopyColumntoclipboard1, CopyColumntoclipboard1Click);
  QB_BIND(CopyRowtoClipboard1, CopyRowtoClipboard1Click);
  QB_BIND(CopyFieldValuetoClipbaord1, CopyFieldValuetoClipbaord1Click);

  QB_BIND(ToolButton8, ToolButton8Click);
  QB_BIND(ToolButton1, ToolButton1Click);
  QB_BIND(ToolButton7, ToolButton7Click);
  QB_BIND(ToolButton2, ToolButton2Click);
  QB_BIND(ToolButton9, ToolButton9Click);
  QB_BIND(ToolButton3, ToolButton3Click);
  QB_BIND(ToolButton6, ToolButton6Click);
  QB_BIND(ToolButton4, ToolButton4Click);
  QB_BIND(ToolButton5, ToolButton5Click);

  QB_BIND(FilterButton1, FilterButton1Click);
  QB_BIND(CancelFilterButton3, CancelFilterButton3Click);
  QB_BIND(SortButton4, SortButton4Click);
  QB_BIND(CancelSortButton6, CancelSortButton6Click);
  QB_BIND(SpeedButton2, SpeedButton2Click);
  // The sort row's "?" shows the filter help too.
  QB_BIND(SpeedButton5, SpeedButton2Click);
  Edit2->installEventFilter(this);
  Edit3->installEventFilter(this);

  connect(TabControl1, &TabStrip::userChanged, this,
          [this] { run("TabControl1Change", &TForm1::TabControl1Change); });
}
