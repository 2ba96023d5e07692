// The main window's own commands: Font, Enter in the filter and sort boxes,
// and errors inside a handler.
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include "app/main_window.h"
#include "browse/db_memo.h"
#include "browse/memo_window.h"
#include "browse/record_view_window.h"
#include "connection/ui/data_grid.h"
#include "fixtures/window_set_fixture.h"
#include "jet/error.h"

namespace {

using MainWindowCommandTest = WindowSetTest;

QFont pickedFont(int size) {
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setPointSize(size);
  font.setItalic(true);
  return font;
}

TEST_F(MainWindowCommandTest, FontGoesToGridWithItsTitlesRecordViewAndMemoWindow) {
  const QFont chosen = pickedFont(17);
  frmMemo->hide();
  ASSERT_FALSE(frmMemo->isVisible());
  prompts->fontWith(chosen);
  activate(QStringLiteral("Font1"));

  EXPECT_EQ(Form1->DBGrid1->font(), chosen);
  EXPECT_EQ(frmRecordView->font(), chosen);
  EXPECT_EQ(frmMemo->font(), chosen) << "also while the window is hidden";
  EXPECT_EQ(frmMemo->DBMemo1->font(), chosen) << "the window's controls take its font";
  EXPECT_EQ(Form1->DBGrid1->horizontalHeader()->font(), chosen) << "the title row too";
  EXPECT_NE(Form1->font(), chosen) << "the rest of the main window keeps its font";
  EXPECT_NE(Form1->Edit2->font(), chosen);
}

TEST_F(MainWindowCommandTest, FontDialogStartsFromTheLastChosenFontAndCancelChangesNothing) {
  prompts->fontWith(std::nullopt);
  prompts->fontWith(pickedFont(15));
  prompts->fontWith(std::nullopt);
  prompts->fontWith(pickedFont(19));
  const QFont original = Form1->DBGrid1->font();

  activate(QStringLiteral("Font1"));  // cancelled
  EXPECT_EQ(Form1->DBGrid1->font(), original);
  activate(QStringLiteral("Font1"));
  activate(QStringLiteral("Font1"));  // cancelled again: the 15-point font stays
  EXPECT_EQ(Form1->DBGrid1->font(), pickedFont(15));
  // The grid's font is changed behind the dialog's back; the dialog still
  // starts from what was chosen in it.
  Form1->DBGrid1->setDataFont(pickedFont(9));
  activate(QStringLiteral("Font1"));

  const auto& shown = prompts->shown();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].start.value<QFont>(), Form1->font()) << "the window's font the first time";
  EXPECT_EQ(shown[1].start.value<QFont>(), Form1->font());
  EXPECT_EQ(shown[2].start.value<QFont>(), pickedFont(15));
  EXPECT_EQ(shown[3].start.value<QFont>(), pickedFont(15));
  EXPECT_EQ(frmRecordView->font(), pickedFont(19));
}

TEST_F(MainWindowCommandTest, EnterInFilterOrSortBoxOpensFilterHelpAndTypesNothing) {
  Form1->show();
  for (QLineEdit* box : {Form1->Edit2, Form1->Edit3}) {
    SCOPED_TRACE(box->objectName().toStdString());
    prompts->clearShown();
    box->setText(QStringLiteral("State = 'CA'"));
    box->setFocus();
    QSignalSpy returns(box, &QLineEdit::returnPressed);
    for (Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
      handlersRun.clear();
      QTest::keyClick(box, enter);
      EXPECT_EQ(handlersRun, QStringList{"SpeedButton2Click"}) << "not the apply command";
    }
    EXPECT_EQ(prompts->modalWindows(), (QStringList{"Form5", "Form5"}));
    EXPECT_EQ(box->text(), "State = 'CA'");
    EXPECT_EQ(returns.count(), 0) << "the key was swallowed";
  }
}

TEST_F(MainWindowCommandTest, OtherKeysInTheBoxesAreTypedNormally) {
  Form1->show();
  Form1->Edit3->setFocus();
  QTest::keyClicks(Form1->Edit3, QStringLiteral("Surname ASC"));
  QTest::keyClick(Form1->Edit3, Qt::Key_Backspace);
  QTest::keyClick(Form1->Edit3, Qt::Key_Tab);
  EXPECT_EQ(Form1->Edit3->text(), "Surname AS");
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_TRUE(handlersRun.isEmpty());
}

TEST_F(MainWindowCommandTest, AnErrorEndsOnlyItsHandlerAndShowsOneErrorBox) {
  // The font dialog fails (as any step of a handler may): the handler ends
  // there, the error box shows the text with its full stop, and the program
  // goes on with the next command.
  prompts->failWith(PromptKind::Font,
                    std::make_exception_ptr(jet::Error(jet::ErrorCode::Io, "The font list cannot be read")));
  const QFont before = Form1->DBGrid1->font();
  EXPECT_NO_THROW(activate(QStringLiteral("Font1")));
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"The font list cannot be read."});
  EXPECT_EQ(Form1->DBGrid1->font(), before);

  prompts->clearShown();
  prompts->fontWith(pickedFont(13));
  activate(QStringLiteral("Font1"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(Form1->DBGrid1->font(), pickedFont(13));
}

TEST_F(MainWindowCommandTest, AnErrorInAPassedOnCommandIsShownOnce) {
  // Search Value, reached through the Search tool button, fails.
  prompts->failWith(PromptKind::Modal,
                    std::make_exception_ptr(std::runtime_error("Locate is not available!")));
  EXPECT_EQ(activate(QStringLiteral("ToolButton2")), (QStringList{"ToolButton2Click", "SearchValue1Click"}));
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"Locate is not available!"});
}

}  // namespace
