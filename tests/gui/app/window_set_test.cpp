// Start-up: the window set, its order, captions and kinds, the record view
// at start, the maximised main window, and how the program ends.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <functional>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/window_set.h"
#include "browse/column_visibility_dialog.h"
#include "browse/filter_help.h"
#include "browse/goto_column_dialog.h"
#include "browse/locate_dialog.h"
#include "browse/memo_window.h"
#include "browse/picture_window.h"
#include "browse/record_view_window.h"
#include "browse/sort_help.h"
#include "connection/ui/quick_open_dialog.h"
#include "fixtures/window_set_fixture.h"
#include "output/designed_report.h"
#include "output/table_info_window.h"
#include "query/query_window.h"
#include "query/query_wizard.h"
#include "query/table_designer.h"

namespace {

struct Expected {
  const char* instance;
  const char* caption;  // nullptr: not a window
  enum Kind { Main, Modal, Modeless, NotAWindow } kind;
};

const Expected kWindowSet[] = {
    {"Form1", "Quillbase", Expected::Main},
    {"frmTableInfo", "Table Info", Expected::Modal},
    {"AboutBox", "About", Expected::Modal},
    {"QuickReport4", nullptr, Expected::NotAWindow},
    {"Form5", "Filter - Help", Expected::Modal},
    {"frmSearch", "Locate", Expected::Modal},
    {"frmSelectField", "Select Field", Expected::Modal},
    {"frmQuickOpen", "Quick Open", Expected::Modal},
    {"frmColumns", "Show / Hide Columns", Expected::Modal},
    {"frmRecordView", "Record View", Expected::Modeless},
    {"frmNew", "New Table", Expected::Modal},
    {"frmMemo", "Memo field", Expected::Modeless},
    {"frmPicture", "Picture Field", Expected::Modeless},
    {"Form14", "Query", Expected::Modeless},
    {"frmWizard", "Query Wizard", Expected::Modal},
    {"frmSortHelp", "Sort - Help", Expected::Modal},
};

using StartUpTest = WindowSetTest;

// Runs the event loop, calling `start` from inside it; returns the loop's
// exit code, or -1 when it had not ended after three seconds.
int runEventLoop(const std::function<void()>& start) {
  QTimer kick;
  kick.setSingleShot(true);
  QObject::connect(&kick, &QTimer::timeout, start);
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  kick.start(0);
  limit.start(3000);
  return QApplication::exec();
}

TEST_F(StartUpTest, CreatesSixteenObjectsInOrderWithCaptionsAndKinds) {
  const QList<QObject*> set = windowSet();
  ASSERT_EQ(set.size(), 16);
  for (int i = 0; i < set.size(); ++i) {
    SCOPED_TRACE(kWindowSet[i].instance);
    EXPECT_EQ(set[i]->objectName(), QString::fromLatin1(kWindowSet[i].instance));
    auto* widget = qobject_cast<QWidget*>(set[i]);
    switch (kWindowSet[i].kind) {
      case Expected::NotAWindow:
        EXPECT_EQ(widget, nullptr);
        continue;
      case Expected::Main:
        EXPECT_NE(qobject_cast<QMainWindow*>(set[i]), nullptr);
        break;
      case Expected::Modal:
        EXPECT_NE(qobject_cast<QDialog*>(set[i]), nullptr) << "commands show it with exec()";
        break;
      case Expected::Modeless:
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(qobject_cast<QDialog*>(set[i]), nullptr);
        EXPECT_TRUE(widget->isWindow());
        break;
    }
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->windowTitle(), QString::fromLatin1(kWindowSet[i].caption));
  }
  EXPECT_TRUE(frmMemo->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(frmRecordView->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(Form14->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(StartUpTest, ProgramWideReferencesPointAtTheSetAndAreClearedWithIt) {
  const QList<QObject*> set = windowSet();
  const QList<QObject*> references{Form1,          frmTableInfo, AboutBox,   QuickReport4,  Form5,  frmSearch,
                                   frmSelectField, frmQuickOpen, frmColumns, frmRecordView, frmNew, frmMemo,
                                   frmPicture,     Form14,       frmWizard,  frmSortHelp};
  EXPECT_EQ(references, set);
  EXPECT_THROW(createWindowSet(), std::logic_error) << "never a second set";
  EXPECT_EQ(windowSet(), set);
  destroyWindowSet();
  EXPECT_EQ(Form1, nullptr);
  EXPECT_EQ(frmSortHelp, nullptr);
  EXPECT_TRUE(windowSet().isEmpty());
  createWindowSet();  // for TearDown, and to show that the set can be made again
  EXPECT_EQ(windowSet().size(), 16);
}

TEST_F(StartUpTest, OnlyTheRecordViewIsShownAndItIsEmpty) {
  for (QObject* object : windowSet()) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || widget == Form1) continue;
    EXPECT_EQ(widget->isVisible(), widget == frmRecordView) << widget->objectName().toStdString();
  }
  EXPECT_TRUE(frmRecordView->ScrollBox1->widget()->children().isEmpty());
}

TEST_F(StartUpTest, RecordViewIsCentredOnTheMaximisedMainWindow) {
  ASSERT_TRUE(Form1->windowState().testFlag(Qt::WindowMaximized));
  const QRect screen = Form1->screen()->availableGeometry();
  const QPoint centre = frmRecordView->frameGeometry().center();
  EXPECT_NEAR(centre.x(), screen.center().x(), 2);
  EXPECT_NEAR(centre.y(), screen.center().y(), 2);
  Form1->show();
  EXPECT_TRUE(Form1->isMaximized());
  EXPECT_EQ(Form1->windowTitle(), "Quillbase");
}

TEST_F(StartUpTest, StartUpSetsTheTitleAndShowsTheMainWindowMaximised) {
  destroyWindowSet();
  QApplication::setApplicationName(QStringLiteral("gui_tests"));
  startUp();
  EXPECT_EQ(QApplication::applicationName(), "Quillbase");
  EXPECT_TRUE(Form1->isVisible());
  EXPECT_TRUE(Form1->isMaximized());
  EXPECT_TRUE(frmRecordView->isVisible());
}

// Records, in order, the main window being shown and the record view being
// brought in front of the windows shown before it.
class StackingEvents : public QObject {
 public:
  QStringList events;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == Form1 && event->type() == QEvent::Show) events.append(QStringLiteral("main window shown"));
    if (watched == frmRecordView && event->type() == QEvent::ZOrderChange) {
      events.append(QStringLiteral("record view raised"));
    }
    return false;
  }
};

TEST_F(StartUpTest, TheRecordViewIsBroughtAboveTheMainWindowOnceThatIsShown) {
  destroyWindowSet();
  StackingEvents stacking;
  qApp->installEventFilter(&stacking);
  startUp();
  qApp->removeEventFilter(&stacking);
  ASSERT_TRUE(stacking.events.contains("main window shown"));
  EXPECT_EQ(stacking.events.back(), "record view raised") << stacking.events.join(", ").toStdString();

  // So does every command that shows it.
  for (const char* entry : {"RecordView1", "RecordView2"}) {
    stacking.events.clear();
    qApp->installEventFilter(&stacking);
    activate(QString::fromLatin1(entry));
    qApp->removeEventFilter(&stacking);
    EXPECT_TRUE(stacking.events.contains("record view raised")) << entry;
  }
}

TEST_F(StartUpTest, ClosingASecondaryWindowHidesItAndTheSameInstanceComesBack) {
  TfrmRecordView* before = frmRecordView;
  frmRecordView->close();
  EXPECT_FALSE(frmRecordView->isVisible());
  activate(QStringLiteral("RecordView2"));
  EXPECT_EQ(frmRecordView, before);
  EXPECT_TRUE(frmRecordView->isVisible());

  // A modal dialog keeps what its boxes held between uses.
  prompts->modalWith(QDialog::Accepted, [](QDialog& dialog) {
    dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("Orders"));
  });
  prompts->execModal(*frmQuickOpen);
  frmQuickOpen->show();
  frmQuickOpen->close();
  EXPECT_EQ(frmQuickOpen->Edit1->text(), "Orders");
}

TEST_F(StartUpTest, ClosingTheMainWindowEndsTheEventLoopWithoutAQuestion) {
  destroyWindowSet();
  startUp();
  ASSERT_TRUE(frmRecordView->isVisible());  // another window still open does not keep the program alive
  EXPECT_EQ(runEventLoop([] { Form1->close(); }), 0);
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(StartUpTest, ExitEntryAndExitButtonEndTheProgram) {
  for (const char* name : {"Exit1", "ToolButton5"}) {
    SCOPED_TRACE(name);
    destroyWindowSet();
    startUp();
    EXPECT_EQ(runEventLoop([this, name] { activate(QString::fromLatin1(name)); }), 0);
    EXPECT_FALSE(Form1->isVisible());
  }
  EXPECT_TRUE(prompts->shown().empty());
}

}  // namespace
