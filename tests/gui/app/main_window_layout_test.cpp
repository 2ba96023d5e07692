// The main window's layout: tool bar band, tab strip, the light-blue strip
// with navigator and filter and sort rows, the grid and the status bar.
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "app/tool_bar_images.h"
#include "browse/filter_sort_panel.h"
#include "browse/record_view_window.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/record_navigator.h"
#include "connection/ui/tab_strip.h"
#include "fixtures/window_set_fixture.h"

namespace {

// Number of pixels of an icon that are not fully transparent.
int paintedPixels(const QIcon& icon) {
  const QImage image = icon.pixmap(kToolBarImageSize, kToolBarImageSize).toImage();
  int painted = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) painted += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
  }
  return painted;
}

int topIn(const QWidget* widget, const QWidget* window) {
  return widget->mapTo(window, QPoint(0, 0)).y();
}

class MainWindowLayoutTest : public WindowSetTest {
 protected:
  void SetUp() override {
    WindowSetTest::SetUp();
    Form1->setWindowState(Qt::WindowNoState);
    Form1->resize(1200, 800);
    Form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
  }
};

TEST_F(MainWindowLayoutTest, PartsRunFromToolBarDownToStatusBar) {
  const int band = topIn(Form1->CoolBar1, Form1);
  const int tabs = topIn(Form1->TabControl1, Form1);
  const int panel = topIn(Form1->Panel2, Form1);
  const int grid = topIn(Form1->DBGrid1, Form1);
  const int status = topIn(Form1->StatusBar1, Form1);
  EXPECT_LT(band, tabs);
  EXPECT_LT(tabs, panel);
  EXPECT_LT(panel, grid);
  EXPECT_LT(grid, status);
  EXPECT_EQ(Form1->StatusBar1->geometry().bottom(), Form1->rect().bottom());
  for (QWidget* part : {Form1->CoolBar1, static_cast<QWidget*>(Form1->TabControl1), Form1->Panel1}) {
    EXPECT_EQ(part->width(), Form1->width()) << part->objectName().toStdString();
  }
}

TEST_F(MainWindowLayoutTest, HidingToolBarAndStatusBarMovesTheRestAndShowingRestoresIt) {
  const int tabsBefore = topIn(Form1->TabControl1, Form1);
  const int gridBottomBefore = Form1->DBGrid1->mapTo(Form1, QPoint(0, Form1->DBGrid1->height())).y();

  activate(QStringLiteral("ShowToolbar1"));
  EXPECT_FALSE(Form1->ShowToolbar1->isChecked());
  EXPECT_FALSE(Form1->CoolBar1->isVisible());
  QApplication::processEvents();
  EXPECT_EQ(topIn(Form1->TabControl1, Form1), Form1->menuBar()->height())
      << "tab strip right under the menu bar";

  activate(QStringLiteral("ShowStatusbar1"));
  EXPECT_FALSE(Form1->ShowStatusbar1->isChecked());
  EXPECT_FALSE(Form1->StatusBar1->isVisible());
  QApplication::processEvents();
  EXPECT_GT(Form1->DBGrid1->mapTo(Form1, QPoint(0, Form1->DBGrid1->height())).y(), gridBottomBefore);

  activate(QStringLiteral("ShowToolbar1"));
  activate(QStringLiteral("ShowStatusbar1"));
  QApplication::processEvents();
  EXPECT_TRUE(Form1->ShowToolbar1->isChecked());
  EXPECT_TRUE(Form1->CoolBar1->isVisible());
  EXPECT_TRUE(Form1->StatusBar1->isVisible());
  EXPECT_EQ(topIn(Form1->TabControl1, Form1), tabsBefore);
  EXPECT_EQ(Form1->DBGrid1->mapTo(Form1, QPoint(0, Form1->DBGrid1->height())).y(), gridBottomBefore);
}

TEST_F(MainWindowLayoutTest, ToolBarButtonsShowTheirCaptionsUnderDrawnImagesInOrder) {
  const std::vector<std::pair<QToolButton*, const char*>> expected{
      {Form1->ToolButton8, "New Table"},    {Form1->ToolButton1, "Open F2"},
      {Form1->ToolButton7, "Record View "}, {Form1->ToolButton2, "Search F3"},
      {Form1->ToolButton9, "Query"},        {Form1->ToolButton3, "Table Info F7"},
      {Form1->ToolButton6, "Show/Hide F8"}, {Form1->ToolButton4, "Print"},
      {Form1->ToolButton5, "Exit F10"},
  };
  auto* row = qobject_cast<QHBoxLayout*>(Form1->ToolBar1->layout());
  ASSERT_NE(row, nullptr);
  for (size_t i = 0; i < expected.size(); ++i) {
    QToolButton* button = expected[i].first;
    SCOPED_TRACE(expected[i].second);
    EXPECT_EQ(row->indexOf(button), int(i));
    EXPECT_EQ(button->text(), expected[i].second);
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(button->iconSize(), QSize(32, 32));
    EXPECT_GT(paintedPixels(button->icon()), 60) << "image is not blank";
    if (button != Form1->ToolButton8) {
      EXPECT_TRUE(button->isVisible());
    }
  }
  // Captions are not cut: every visible button is as wide as its caption needs.
  for (const auto& [button, caption] : expected) {
    EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(QString::fromLatin1(caption)))
        << caption;
  }
  for (int image = 0; image < kToolBarImageCount; ++image) {
    EXPECT_GT(paintedPixels(toolBarImage(image)), 60) << "image " << image;
  }
  EXPECT_TRUE(toolBarImage(kToolBarImageCount).isNull());
}

TEST_F(MainWindowLayoutTest, PanelIsLightBlueFiftySixPixelsWithNavigatorAndBothRows) {
  FilterSortPanel* panel = Form1->Panel2;
  EXPECT_EQ(panel->height(), 56);
  EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(195, 213, 253));
  EXPECT_TRUE(panel->autoFillBackground());
  const QImage shot = panel->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(shot.width() - 2, shot.height() / 2)), QColor(195, 213, 253));

  struct Control {
    QWidget* widget;
    const char* text;
  };
  const std::vector<std::vector<Control>> rows{
      {{panel->Label1, "Filter"},
       {panel->Edit2, ""},
       {panel->FilterButton1, "Apply Filter"},
       {panel->CancelFilterButton3, "Cancel Filter"},
       {panel->SpeedButton2, "?"}},
      {{panel->Label2, "Sort"},
       {panel->Edit3, ""},
       {panel->SortButton4, "Apply Sort  "},
       {panel->CancelSortButton6, "Cancel Sort  "},
       {panel->SpeedButton5, "?"}},
  };
  const int navigatorRight = panel->DBNavigator1->geometry().right();
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      QWidget* widget = row[i].widget;
      EXPECT_GT(widget->x(), navigatorRight);
      if (i > 0) {
        EXPECT_GT(widget->x(), row[i - 1].widget->x());
      }
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        EXPECT_EQ(label->text(), row[i].text);
        EXPECT_TRUE(label->font().bold());
      } else if (auto* button = qobject_cast<QToolButton*>(widget)) {
        EXPECT_EQ(button->text(), row[i].text);
        EXPECT_TRUE(button->autoRaise()) << "flat";
      } else {
        EXPECT_TRUE(qobject_cast<QLineEdit*>(widget)->text().isEmpty());
      }
    }
  }
  EXPECT_LT(panel->Edit2->y(), panel->Edit3->y()) << "filter row above sort row";
  for (const auto& row : rows) {
    for (const auto& control : row) {
      EXPECT_GE(control.widget->y(), 0);
      EXPECT_LE(control.widget->geometry().bottom(), 56) << "inside the strip";
    }
  }
  EXPECT_EQ(Form1->Edit2, panel->Edit2);
  EXPECT_EQ(Form1->DBNavigator1, panel->DBNavigator1);
}

TEST_F(MainWindowLayoutTest, TheStripsFlatButtonsShowAFrameBeforeThePointerFindsThem) {
  Form1->show();
  const QColor strip(195, 213, 253);
  for (QToolButton* button : {Form1->FilterButton1, Form1->CancelFilterButton3, Form1->SpeedButton2,
                              Form1->SortButton4, Form1->CancelSortButton6, Form1->SpeedButton5}) {
    ASSERT_FALSE(button->underMouse());
    const QImage face = button->grab().toImage();
    const int middle = face.height() / 2;
    // Somewhere across the left edge the frame stands out from the strip,
    // and the face inside it is not the strip's colour either.
    bool framed = false;
    for (int x = 0; x < 3; ++x) framed = framed || QColor(face.pixel(x, middle)) != strip;
    EXPECT_TRUE(framed) << button->objectName().toStdString();
    EXPECT_NE(QColor(face.pixel(face.width() / 2, 3)), strip) << button->objectName().toStdString();
  }
}

TEST_F(MainWindowLayoutTest, NavigatorHasNineDisabledButtonsWithHintsOnlyOnTheMainWindow) {
  const std::vector<std::pair<const char*, const char*>> buttons{
      {"nbFirst", "First record"}, {"nbPrior", "Prior record"},   {"nbNext", "Next record"},
      {"nbLast", "Last record"},   {"nbInsert", "Insert record"}, {"nbDelete", "Delete record"},
      {"nbEdit", "Edit record"},   {"nbPost", "Post edit"},       {"nbCancel", "Cancel edit"},
  };
  auto check = [&](RecordNavigator* navigator, bool hints) {
    const auto found = navigator->findChildren<QToolButton*>();
    ASSERT_EQ(found.size(), qsizetype(buttons.size()));
    for (size_t i = 0; i < buttons.size(); ++i) {
      QToolButton* button = navigator->button(static_cast<NavigateButton>(i));
      EXPECT_EQ(button->objectName(), buttons[i].first);
      EXPECT_EQ(button->toolTip(), hints ? QString::fromLatin1(buttons[i].second) : QString());
      EXPECT_FALSE(button->isEnabled()) << "no table is open";
      EXPECT_FALSE(button->icon().isNull());
      if (i > 0) {
        EXPECT_GT(button->x(), navigator->button(static_cast<NavigateButton>(i - 1))->x());
      }
    }
  };
  check(Form1->DBNavigator1, true);
  check(frmRecordView->DBNavigator1, false);
}

TEST_F(MainWindowLayoutTest, StatusBarHasFourPanelsWithTheirWidthsAndStartTexts) {
  EXPECT_EQ(Form1->statusPanel(0)->text(), "Count: ");
  EXPECT_EQ(Form1->statusPanel(1)->text(), "https://quillbase.github.io");
  EXPECT_EQ(Form1->statusPanel(2)->text(), "MDAC: 4.0.1");
  EXPECT_EQ(Form1->statusPanel(3)->text(), "");
  EXPECT_EQ(Form1->statusPanel(0)->width(), 100);
  EXPECT_EQ(Form1->statusPanel(1)->width(), 200);
  EXPECT_EQ(Form1->statusPanel(2)->width(), 100);
  EXPECT_GE(Form1->statusPanel(3)->width(), 100) << "the last panel takes the rest of the bar";
  EXPECT_GT(Form1->statusPanel(3)->width(), 500);
  for (int i = 1; i < TForm1::kStatusPanelCount; ++i) {
    EXPECT_GT(Form1->statusPanel(i)->x(), Form1->statusPanel(i - 1)->x());
  }
  EXPECT_EQ(Form1->statusPanel(-1), nullptr);
  EXPECT_EQ(Form1->statusPanel(4), nullptr);
  // The fixed texts fit their panels.
  for (int i = 0; i < 3; ++i) {
    QLabel* panel = Form1->statusPanel(i);
    EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->text()), panel->contentsRect().width()) << i;
  }
}

TEST_F(MainWindowLayoutTest, FillingTheTabStripDoesNotMoveThePanelOrTheGrid) {
  const int emptyHeight = Form1->TabControl1->height();
  const int panelTop = topIn(Form1->Panel2, Form1);
  EXPECT_GT(emptyHeight, 10);
  Form1->TabControl1->setTabNames({"Customers", "Orders"});
  QApplication::processEvents();
  EXPECT_EQ(Form1->TabControl1->height(), emptyHeight);
  EXPECT_EQ(topIn(Form1->Panel2, Form1), panelTop);
  Form1->TabControl1->removeAllTabs();
  QApplication::processEvents();
  EXPECT_EQ(topIn(Form1->Panel2, Form1), panelTop);
}

TEST_F(MainWindowLayoutTest, GridShowsOneEmptyColumnUntilATableIsOpen) {
  QAbstractItemModel* model = Form1->DBGrid1->model();
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->rowCount(), 0);
  EXPECT_EQ(model->columnCount(), 1);
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "");
  EXPECT_TRUE(Form1->DBGrid1->horizontalHeader()->isVisible());
  EXPECT_TRUE(Form1->DBGrid1->verticalHeader()->isVisible()) << "indicator column";
  EXPECT_TRUE(Form1->DBGrid1->tabKeyNavigation());
  EXPECT_EQ(Form1->DBGrid1->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST(TabStripTest, ReportsOnlyTheUsersChoices) {
  TabStrip strip;
  strip.resize(600, strip.sizeHint().height());
  strip.show();
  QSignalSpy changes(&strip, &TabStrip::userChanged);
  EXPECT_EQ(strip.selectedCaption(), "");

  strip.setTabNames({"Customers", "R&D", "Orders"});
  EXPECT_EQ(changes.count(), 0) << "filling the strip is not a choice";
  EXPECT_EQ(strip.currentIndex(), 0);
  EXPECT_EQ(strip.selectedCaption(), "Customers");

  strip.setCurrentIndex(1);  // what a click or an arrow key does
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(strip.selectedCaption(), "R&D") << "a name with & is handed on as it is";
  EXPECT_EQ(strip.tabText(1), "R&&D") << "and shown with its & rather than as an access key";
  strip.setCurrentIndex(1);
  EXPECT_EQ(changes.count(), 1) << "the tab that is already selected";
  QTest::keyClick(&strip, Qt::Key_Right);
  EXPECT_EQ(changes.count(), 2);
  EXPECT_EQ(strip.selectedCaption(), "Orders");

  strip.setTabNames({"Only"});
  EXPECT_EQ(strip.count(), 1);
  EXPECT_EQ(strip.selectedCaption(), "Only");
  strip.removeAllTabs();
  EXPECT_EQ(changes.count(), 2);
  EXPECT_EQ(strip.selectedCaption(), "");
}

}  // namespace
