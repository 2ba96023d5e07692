// The main window's commands: menus, entries, captions, shortcuts, check
// marks, hidden entries, the grid's context menu and the tool bar, and that
// each reaches its handler, passes it on or shows its window.
#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "browse/record_view_window.h"
#include "connection/ui/data_grid.h"
#include "fixtures/window_set_fixture.h"
#include "query/query_window.h"

namespace {

struct Entry {
  const char* name;  // "-" for a separator
  const char* caption;
  QKeySequence shortcut;
};

struct Menu {
  const char* title;
  std::vector<Entry> entries;
};

const Entry kSeparator{"-", "", {}};

const std::vector<Menu>& menus() {
  static const std::vector<Menu> kMenus{
      {"&File",
       {{"NewBlankDatabase1", "New Blank Database", {}},
        {"New1", "New Table", {}},
        kSeparator,
        {"Open1", "Open", Qt::Key_F2},
        {"OpenPWD1", "Open PWD", {}},
        {"QuickOpen1", "Quick Open", Qt::Key_F4},
        {"Close1", "Close Database", {}},
        kSeparator,
        {"Print1", "Print", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"PrintPreview1", "Print Preview", {}},
        kSeparator,
        {"Exit1", "Exit", Qt::Key_F10}}},
      {"&Edit",
       {{"First1", "First", {}},
        {"Previous1", "Previous", {}},
        {"Next1", "Next", {}},
        {"last1", "Last", {}},
        kSeparator,
        {"Insert1", "Insert", {}},
        {"Delete1", "Delete", {}},
        kSeparator,
        {"Save1", "Save", {}},
        {"Cancel1", "Cancel", {}},
        kSeparator,
        {"ViewEditMemoField2", "View / Edit Memo Field", {}}}},
      {"&Search",
       {{"SearchValue1", "Search Value", Qt::Key_F3},
        kSeparator,
        {"ApplyFilter1", "Apply Filter", {}},
        {"CancelFilter1", "Cancel Filter", {}},
        kSeparator,
        {"Query1", "Query", {}},
        {"Sort1", "Sort", {}}}},
      {"&View",
       {{"ShowHideColumns1", "Show / Hide Columns", Qt::Key_F8},
        {"Gotofield1", "Goto Column", Qt::Key_F6},
        {"Adjustcolumnwidth1", "Adjust column width", {}},
        kSeparator,
        {"ShowToolbar1", "Show Toolbar", {}},
        {"ShowStatusbar1", "Show Statusbar", {}},
        kSeparator,
        {"RecordView2", "Record View", Qt::Key_F12},
        kSeparator,
        {"Font1", "Font", {}}}},
      {"Table",
       {{"TableInfo1", "Table Info", Qt::Key_F7}, {"ExporttoCSV2", "Export Current table to CSV", {}}}},
      {"&Tools",
       {{"RepairandCompact1", "Repair and Compact", {}},
        kSeparator,
        {"RecordCount1", "Record Count", {}},
        {"VisualCount2", "Visual Count (Count only displayed)", {}},
        {"RecordSize1", "Record Size", {}},
        kSeparator,
        {"ShowMDACVersioninstalled1", "Show MDAC Version installed", {}}}},
      {"Access", {{"OpenReport1", "Open Report", {}}}},
      {"&Options", {{"OpenSystemTables1", "Open System Tables", {}}, {"Associate1", "Associate", {}}}},
      {"&Help",
       {{"UsingFilters1", "Using Filters", {}}, {"UsingSort1", "Using Sort", {}}, {"About1", "About", {}}}},
  };
  return kMenus;
}

const std::vector<Entry> kPopupEntries{
    {"ShowHideColumns2", "Show / Hide Columns", {}},
    {"GotoColumn1", "Goto Column", {}},
    kSeparator,
    {"RecordView1", "Record View", {}},
    {"PrintRecord1", "Print Record", {}},
    kSeparator,
    {"ViewEditMemoField1", "View / Edit Memo Field", {}},
    {"VisualCount1", "Visual Count", {}},
    kSeparator,
    {"CopyColumntoclipboard1", "Copy Column to clipboard", {}},
    {"CopyRowtoClipboard1", "Copy Row to Clipboard", {}},
    {"CopyFieldValuetoClipbaord1", "Copy Field Value to Clipbaord", {}},
};

void expectEntries(const QList<QAction*>& actions, const std::vector<Entry>& expected) {
  ASSERT_EQ(actions.size(), qsizetype(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    const QAction* action = actions[qsizetype(i)];
    if (std::string_view(expected[i].name) == "-") {
      EXPECT_TRUE(action->isSeparator());
      continue;
    }
    EXPECT_EQ(action->objectName(), expected[i].name);
    EXPECT_EQ(action->text(), expected[i].caption);
    EXPECT_EQ(action->shortcut(), expected[i].shortcut);
  }
}

// For each entry or button: the handlers that run when it is used, in order.
const std::vector<std::pair<const char*, QStringList>> kHandlerChains{
    {"NewBlankDatabase1", {"NewBlankDatabase1Click"}},
    {"New1", {"New1Click"}},
    {"Open1", {"Open1Click"}},
    {"OpenPWD1", {"OpenPWD1Click"}},
    {"QuickOpen1", {"QuickOpen1Click"}},
    {"Close1", {"Close1Click"}},
    {"Print1", {"Print1Click"}},
    {"PrintPreview1", {"PrintPreview1Click", "ToolButton4Click"}},
    {"First1", {"First1Click"}},
    {"Previous1", {"Previous1Click"}},
    {"Next1", {"Next1Click"}},
    {"last1", {"last1Click"}},
    {"Insert1", {"Insert1Click"}},
    {"Delete1", {"Delete1Click"}},
    {"Save1", {"Save1Click"}},
    {"Cancel1", {"Cancel1Click"}},
    {"ViewEditMemoField2", {"ViewEditMemoField2Click", "ViewEditMemoField1Click"}},
    {"SearchValue1", {"SearchValue1Click"}},
    {"ApplyFilter1", {"ApplyFilter1Click", "FilterButton1Click"}},
    {"CancelFilter1", {"CancelFilter1Click", "CancelFilterButton3Click"}},
    {"Query1", {"Query1Click"}},
    {"Sort1", {"Sort1Click"}},
    {"ShowHideColumns1", {"ShowHideColumns1Click"}},
    {"Gotofield1", {"Gotofield1Click"}},
    {"Adjustcolumnwidth1", {"Adjustcolumnwidth1Click"}},
    {"ShowToolbar1", {"ShowToolbar1Click"}},
    {"ShowStatusbar1", {"ShowStatusbar1Click"}},
    {"RecordView2", {"RecordView2Click"}},
    {"Font1", {"Font1Click"}},
    {"TableInfo1", {"TableInfo1Click"}},
    {"ExporttoCSV2", {"ExporttoCSV2Click"}},
    {"RepairandCompact1", {"RepairandCompact1Click"}},
    {"RecordCount1", {"RecordCount1Click"}},
    {"VisualCount2", {"VisualCount2Click", "VisualCount1Click"}},
    {"RecordSize1", {"RecordSize1Click"}},
    {"ShowMDACVersioninstalled1", {"ShowMDACVersioninstalled1Click"}},
    {"OpenReport1", {"OpenReport1Click"}},
    {"OpenSystemTables1", {"OpenSystemTables1Click"}},
    {"Associate1", {"Associate1Click"}},
    {"UsingFilters1", {"UsingFilters1Click"}},
    {"UsingSort1", {"UsingSort1Click"}},
    {"About1", {"About1Click"}},
    {"ShowHideColumns2", {"ShowHideColumns2Click"}},
    {"GotoColumn1", {"GotoColumn1Click", "Gotofield1Click"}},
    {"RecordView1", {"RecordView1Click"}},
    {"PrintRecord1", {"PrintRecord1Click"}},
    {"ViewEditMemoField1", {"ViewEditMemoField1Click"}},
    {"VisualCount1", {"VisualCount1Click"}},
    {"CopyColumntoclipboard1", {"CopyColumntoclipboard1Click"}},
    {"CopyRowtoClipboard1", {"CopyRowtoClipboard1Click"}},
    {"CopyFieldValuetoClipbaord1", {"CopyFieldValuetoClipbaord1Click"}},
    {"ToolButton8", {"ToolButton8Click"}},
    {"ToolButton1", {"ToolButton1Click", "Open1Click"}},
    {"ToolButton7", {"ToolButton7Click"}},
    {"ToolButton2", {"ToolButton2Click", "SearchValue1Click"}},
    {"ToolButton9", {"ToolButton9Click"}},
    {"ToolButton3", {"ToolButton3Click", "TableInfo1Click"}},
    {"ToolButton6", {"ToolButton6Click"}},
    {"ToolButton4", {"ToolButton4Click"}},
    {"FilterButton1", {"FilterButton1Click"}},
    {"CancelFilterButton3", {"CancelFilterButton3Click"}},
    {"SortButton4", {"SortButton4Click"}},
    {"CancelSortButton6", {"CancelSortButton6Click"}},
    {"SpeedButton2", {"SpeedButton2Click"}},
    {"SpeedButton5", {"SpeedButton2Click"}},
    {"Exit1", {"Exit1Click"}},
    {"ToolButton5", {"ToolButton5Click"}},
};

// Every entry of the menu bar's menus and of the grid's context menu.
QList<QAction*> allEntries() {
  QList<QAction*> entries;
  for (QAction* title : Form1->menuBar()->actions()) entries += title->menu()->actions();
  entries += Form1->PopupMenu1->actions();
  return entries;
}

using MainMenuTest = WindowSetTest;

TEST_F(MainMenuTest, MenuBarHoldsNineMenusWithTheirEntriesCaptionsAndShortcuts) {
  const QList<QAction*> titles = Form1->menuBar()->actions();
  ASSERT_EQ(titles.size(), qsizetype(menus().size()));
  for (size_t i = 0; i < menus().size(); ++i) {
    SCOPED_TRACE(menus()[i].title);
    EXPECT_EQ(titles[qsizetype(i)]->text(), menus()[i].title);
    ASSERT_NE(titles[qsizetype(i)]->menu(), nullptr);
    expectEntries(titles[qsizetype(i)]->menu()->actions(), menus()[i].entries);
  }
}

TEST_F(MainMenuTest, NewTableAndAssociateAreHiddenInTheMenuAndOnTheToolBar) {
  Form1->show();
  EXPECT_FALSE(Form1->New1->isVisible());
  EXPECT_FALSE(Form1->Associate1->isVisible());
  EXPECT_FALSE(Form1->ToolButton8->isVisible());
  for (QAction* action : allEntries()) {
    if (action != Form1->New1 && action != Form1->Associate1 && !action->isSeparator()) {
      EXPECT_TRUE(action->isVisible()) << action->objectName().toStdString();
    }
  }
  // Hidden, the entry still does what it would do.
  EXPECT_EQ(activate(QStringLiteral("New1")), QStringList{"New1Click"});
  EXPECT_EQ(prompts->modalWindows(), QStringList{"frmNew"});
}

TEST_F(MainMenuTest, CheckMarksStartAsDesignedAndOnlyThoseThreeEntriesCarryOne) {
  EXPECT_TRUE(Form1->ShowToolbar1->isChecked());
  EXPECT_TRUE(Form1->ShowStatusbar1->isChecked());
  EXPECT_TRUE(Form1->OpenSystemTables1->isCheckable());
  EXPECT_FALSE(Form1->OpenSystemTables1->isChecked());
  for (QAction* action : allEntries()) {
    const bool expected = action == Form1->ShowToolbar1 || action == Form1->ShowStatusbar1 ||
                          action == Form1->OpenSystemTables1;
    EXPECT_EQ(action->isCheckable(), expected) << action->objectName().toStdString();
  }
  activate(QStringLiteral("OpenSystemTables1"));
  EXPECT_TRUE(Form1->OpenSystemTables1->isChecked());
  activate(QStringLiteral("OpenSystemTables1"));
  EXPECT_FALSE(Form1->OpenSystemTables1->isChecked());
}

TEST_F(MainMenuTest, GridContextMenuHoldsItsEntriesAndOpensOnRightClick) {
  expectEntries(Form1->PopupMenu1->actions(), kPopupEntries);
  EXPECT_EQ(Form1->DBGrid1->popupMenu(), Form1->PopupMenu1);
  Form1->show();
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20),
                          Form1->DBGrid1->mapToGlobal(QPoint(20, 20)));
  QApplication::sendEvent(Form1->DBGrid1->viewport(), &click);
  EXPECT_TRUE(Form1->PopupMenu1->isVisible());
  Form1->PopupMenu1->hide();
}

TEST_F(MainMenuTest, EveryEntryAndButtonReachesItsHandlerAndPassingHandlersPassOn) {
  Form1->show();
  for (const auto& [name, chain] : kHandlerChains) {
    EXPECT_EQ(activate(QString::fromLatin1(name)), chain) << name;
  }
}

TEST_F(MainMenuTest, ShowHandlersShowTheirWindowModally) {
  const std::vector<std::pair<const char*, const char*>> shows{
      {"About1", "AboutBox"},
      {"SearchValue1", "frmSearch"},
      {"ToolButton2", "frmSearch"},
      {"Gotofield1", "frmSelectField"},
      {"GotoColumn1", "frmSelectField"},
      {"ShowHideColumns1", "frmColumns"},
      {"ShowHideColumns2", "frmColumns"},
      {"ToolButton6", "frmColumns"},
      {"New1", "frmNew"},
      {"ToolButton8", "frmNew"},
      {"UsingFilters1", "Form5"},
      {"SpeedButton2", "Form5"},
      {"SpeedButton5", "Form5"},
      {"UsingSort1", "frmSortHelp"},
  };
  for (const auto& [entry, window] : shows) {
    prompts->clearShown();
    activate(QString::fromLatin1(entry));
    EXPECT_EQ(prompts->modalWindows(), QStringList{QString::fromLatin1(window)}) << entry;
  }
}

TEST_F(MainMenuTest, RecordViewAndQueryEntriesShowTheirWindowsModeless) {
  for (const char* entry : {"RecordView1", "RecordView2"}) {
    frmRecordView->hide();
    activate(QString::fromLatin1(entry));
    EXPECT_TRUE(frmRecordView->isVisible()) << entry;
  }
  activate(QStringLiteral("Query1"));
  EXPECT_TRUE(Form14->isVisible());
  EXPECT_TRUE(prompts->modalWindows().isEmpty());
}

TEST_F(MainMenuTest, ShortcutKeysReachTheirHandlers) {
  Form1->show();
  Form1->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
  const std::vector<std::pair<QKeyCombination, const char*>> keys{
      {Qt::Key_F2, "Open1Click"},        {Qt::Key_F3, "SearchValue1Click"},
      {Qt::Key_F4, "QuickOpen1Click"},   {Qt::Key_F6, "Gotofield1Click"},
      {Qt::Key_F7, "TableInfo1Click"},   {Qt::Key_F8, "ShowHideColumns1Click"},
      {Qt::Key_F12, "RecordView2Click"}, {QKeyCombination(Qt::ControlModifier, Qt::Key_P), "Print1Click"},
      {Qt::Key_F10, "Exit1Click"},
  };
  // Typing in the filter box does not block the shortcuts.
  Form1->Edit2->setFocus();
  for (const auto& [key, handler] : keys) {
    handlersRun.clear();
    QTest::keyClick(Form1->Edit2, key.key(), key.keyboardModifiers());
    EXPECT_EQ(handlersRun, QStringList{QString::fromLatin1(handler)}) << handler;
  }
  EXPECT_TRUE(Form1->Edit2->text().isEmpty());
  EXPECT_FALSE(Form1->isVisible()) << "F10 closes the main window";
}

}  // namespace
