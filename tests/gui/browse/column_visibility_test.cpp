// View ▸ "Show / Hide Columns" on a table of Id, Name and Town: the list,
// its menu (the row under the pointer selected first), the grid changing at
// once, flags that last through filter, sort and reopening the window but
// not a change of table, and the window with no table open.
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "browse/column_visibility_dialog.h"
#include "browse/filter_sort_panel.h"
#include "connection/ui/data_grid.h"
#include "fixtures/built_database.h"
#include "fixtures/database_fixture.h"

namespace {

using jet::DataType;

class ColumnVisibilityTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    const auto table = [](const char16_t* name) {
      return BuiltTable{name,
                        {builtColumn(u"Id", DataType::Long), builtColumn(u"Name", DataType::Text, 20),
                         builtColumn(u"Town", DataType::Text, 20)},
                        {{longValue(1), textValue(u"Ann"), textValue(u"Leeds")},
                         {longValue(2), textValue(u"Ben"), textValue(u"York")}}};
    };
    writeDatabase(scratch / "towns.mdb", {table(u"People"), table(u"Staff")});
    open(scratchFile("towns.mdb"));
  }

  // The list as (column, status) texts.
  static QStringList rowsOf(const TfrmColumns& window) {
    QStringList rows;
    for (int i = 0; i < window.ListView1->rowCount(); ++i) {
      rows.append(window.ListView1->item(i, 0)->text() + QLatin1Char(' ') +
                  window.ListView1->item(i, 1)->text());
    }
    return rows;
  }

  // Opens the window; `act` works in it before it is closed.
  void withWindow(const std::function<void(TfrmColumns&)>& act) {
    prompts->modalWith(QDialog::Accepted, [act](QDialog& dialog) {
      auto& window = static_cast<TfrmColumns&>(dialog);
      act(window);
      window.BitBtn1->click();
    });
    activate(QStringLiteral("ShowHideColumns1"));
  }

  static void choose(TfrmColumns& window, int row, QAction* entry) {
    window.ListView1->selectRow(row);
    entry->trigger();
  }

  QList<bool> visibleFlags() const {
    QList<bool> flags;
    for (int i = 0; i < grid().columns().count(); ++i) flags.append(grid().columns().visible(i));
    return flags;
  }
};

TEST_F(ColumnVisibilityTest, TheWindowIsAsDesigned) {
  withWindow([](TfrmColumns& window) {
    EXPECT_EQ(window.windowTitle(), "Show / Hide Columns");
    QTableWidget& list = *window.ListView1;
    EXPECT_EQ(list.horizontalHeaderItem(0)->text(), "Column");
    EXPECT_EQ(list.horizontalHeaderItem(1)->text(), "Status");
    EXPECT_TRUE(list.showGrid());
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(list.toolTip(), "Right click to change status.");
    QStringList entries;
    for (const QAction* action : window.PopupMenu1->actions()) {
      entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
      EXPECT_TRUE(action->isEnabled());
    }
    EXPECT_EQ(entries, (QStringList{"Show", "Hide", "-", "Show All", "Hide All"}));
    EXPECT_EQ(window.Memo1->toPlainText(),
              "Note: You can choice what columns are printed or exported by hiding \n"
              "columns. Right click to show or hide a column.");
    EXPECT_TRUE(window.Memo1->isReadOnly());
    EXPECT_EQ(window.BitBtn1->text(), "&Close");
  });
}

TEST_F(ColumnVisibilityTest, HidingNameTakesItOutOfTheGridAtOnceAndTheWindowRemembersIt) {
  withWindow([this](TfrmColumns& window) {
    EXPECT_EQ(rowsOf(window), (QStringList{"Id Visible", "Name Visible", "Town Visible"}));
    choose(window, 1, window.Hide1);
    EXPECT_EQ(rowsOf(window), (QStringList{"Id Visible", "Name Hidden", "Town Visible"}));
    EXPECT_TRUE(grid().isColumnHidden(1)) << "the grid changes while the window is open";
    EXPECT_EQ(grid().columns().width(1), -1);
  });
  withWindow([this](TfrmColumns& window) {
    EXPECT_EQ(rowsOf(window), (QStringList{"Id Visible", "Name Hidden", "Town Visible"}));
    choose(window, 1, window.Show1);
    EXPECT_EQ(rowsOf(window)[1], "Name Visible");
    EXPECT_FALSE(grid().isColumnHidden(1));
  });
}

TEST_F(ColumnVisibilityTest, HideAllLeavesNoDataColumnAndShowAllBringsThemBack) {
  withWindow([this](TfrmColumns& window) {
    window.HideAll1->trigger();
    EXPECT_EQ(rowsOf(window), (QStringList{"Id Hidden", "Name Hidden", "Town Hidden"}));
    EXPECT_EQ(visibleFlags(), (QList<bool>{false, false, false}));
    window.ShowAll1->trigger();
    EXPECT_EQ(rowsOf(window), (QStringList{"Id Visible", "Name Visible", "Town Visible"}));
    EXPECT_EQ(visibleFlags(), (QList<bool>{true, true, true}));
  });
}

TEST_F(ColumnVisibilityTest, ShowAndHideDoNothingWithNoRowSelected) {
  withWindow([this](TfrmColumns& window) {
    window.ListView1->clearSelection();
    window.Hide1->trigger();
    window.Show1->trigger();
    EXPECT_EQ(visibleFlags(), (QList<bool>{true, true, true}));
  });
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(ColumnVisibilityTest, ARightClickSelectsTheRowUnderThePointerBeforeTheMenuOpens) {
  withWindow([](TfrmColumns& window) {
    QTableWidget& list = *window.ListView1;
    list.selectRow(0);
    const QPoint town = list.visualRect(list.model()->index(2, 0)).center();
    bool menuOpened = false;
    QTimer::singleShot(0, &window, [&] {
      menuOpened = window.PopupMenu1->isVisible();
      window.PopupMenu1->close();
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, town, list.viewport()->mapToGlobal(town));
    QCoreApplication::sendEvent(list.viewport(), &click);
    QTest::qWait(20);
    EXPECT_TRUE(menuOpened);
    ASSERT_EQ(list.selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(list.selectionModel()->selectedRows().front().row(), 2);
  });
}

TEST_F(ColumnVisibilityTest, FlagsSurviveFilterAndSortButNotAChangeOfTable) {
  withWindow([](TfrmColumns& window) { choose(window, 1, window.Hide1); });
  Form1->Edit2->setText(QStringLiteral("Id > 1"));
  activate(QStringLiteral("FilterButton1"));
  Form1->Edit3->setText(QStringLiteral("Town DESC"));
  activate(QStringLiteral("SortButton4"));
  ASSERT_TRUE(Form1->mdb.filtered());
  EXPECT_EQ(visibleFlags(), (QList<bool>{true, false, true}));
  activate(QStringLiteral("CancelFilterButton3"));
  EXPECT_EQ(visibleFlags(), (QList<bool>{true, false, true}));

  chooseTab(QStringLiteral("Staff"));
  chooseTab(QStringLiteral("People"));
  EXPECT_EQ(visibleFlags(), (QList<bool>{true, true, true}));
  withWindow([](TfrmColumns& window) {
    EXPECT_EQ(rowsOf(window), (QStringList{"Id Visible", "Name Visible", "Town Visible"}));
  });
}

TEST_F(ColumnVisibilityTest, WithNoTableOpenTheListIsEmptyAndStaysSo) {
  activate(QStringLiteral("Close1"));
  withWindow([](TfrmColumns& window) {
    EXPECT_EQ(window.ListView1->rowCount(), 0);
    window.HideAll1->trigger();
    window.ShowAll1->trigger();
    EXPECT_EQ(window.ListView1->rowCount(), 0);
  });
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(ColumnVisibilityTest, EveryEntryOpensTheSameWindowModally) {
  for (const char* entry : {"ShowHideColumns1", "ShowHideColumns2", "ToolButton6"}) {
    prompts->modalWith(QDialog::Accepted, [](QDialog& dialog) {
      EXPECT_EQ(static_cast<TfrmColumns&>(dialog).ListView1->rowCount(), 3);
    });
    activate(QString::fromLatin1(entry));
  }
  EXPECT_EQ(prompts->modalWindows(), QStringList(3, QStringLiteral("frmColumns")));
}

}  // namespace

TEST_F(ColumnVisibilityTest, LongFieldNamesShowWholeInTheList) {
  QB_REQUIRE_CORPUS();
  open(copyOf("jackcess-V2000-test2V2000.mdb"));
  withWindow([](TfrmColumns& window) {
    QTableWidget& list = *window.ListView1;
    ASSERT_GT(list.rowCount(), 50);
    const QFontMetrics metrics(list.font());
    int widest = 0;
    for (int i = 0; i < list.rowCount(); ++i)
      widest = std::max(widest, metrics.horizontalAdvance(list.item(i, 0)->text()));
    EXPECT_GT(widest, 200) << "the file has names longer than the list's first width";
    EXPECT_GT(list.columnWidth(0), widest);
  });
  // A table of short names goes back to the narrower column.
  open(scratchFile("towns.mdb"));
  withWindow([](TfrmColumns& window) { EXPECT_EQ(window.ListView1->columnWidth(0), 200); });
}
