// The services every window uses: the error box's full-stop rule and the
// handler guard, the program-wide cursor, the dialog filters, the Qt boxes
// behind the Prompts interface, and a window's file dialogs.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include "fixtures/recording_cursor.h"
#include "fixtures/scripted_prompts.h"
#include "jet/error.h"
#include "support/test_files.h"
#include "ui_services/file_dialog.h"
#include "ui_services/handler_guard.h"
#include "ui_services/prompts.h"
#include "ui_services/qt_prompts.h"
#include "ui_services/screen_cursor.h"

namespace {

TEST(ErrorBoxTextTest, AddsAFullStopUnlessTheTextEndsAtOrBeforeFullStop) {
  EXPECT_EQ(qb::errorBoxText("Table not found"), "Table not found.");
  EXPECT_EQ(qb::errorBoxText("Table not found."), "Table not found.");
  EXPECT_EQ(qb::errorBoxText("Disk full!"), "Disk full!");
  EXPECT_EQ(qb::errorBoxText("Wrong password (page 1)"), "Wrong password (page 1)");
  EXPECT_EQ(qb::errorBoxText("Ends in a dash -"), "Ends in a dash -");
  EXPECT_EQ(qb::errorBoxText("Ends in a comma,"), "Ends in a comma,");
  EXPECT_EQ(qb::errorBoxText("Trailing space "), "Trailing space ");
  EXPECT_EQ(qb::errorBoxText("Line break\n"), "Line break\n");
  // "?" and "/" sort after ".", digits and letters too.
  EXPECT_EQ(qb::errorBoxText("Is the file open?"), "Is the file open?.");
  EXPECT_EQ(qb::errorBoxText("C:/data/"), "C:/data/.");
  EXPECT_EQ(qb::errorBoxText("Page 12"), "Page 12.");
  EXPECT_EQ(qb::errorBoxText(QString::fromUtf8("Feld Größe")), QString::fromUtf8("Feld Größe."));
  EXPECT_EQ(qb::errorBoxText(""), "");
}

TEST(HandlerGuardTest, ShowsEngineAndStandardErrorsAndNothingForSilentAbort) {
  ScopedScriptedPrompts prompts;
  qb::guarded([] { throw jet::Error(jet::ErrorCode::NotFound, "mdb: Field 'Surname' not found"); });
  qb::guarded([] { throw std::runtime_error("Not a valid password"); });
  qb::guarded([] { throw qb::SilentAbort(); });
  qb::guarded([] { throw 42; });
  bool ran = false;
  qb::guarded([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_EQ(prompts->errorBoxes(), (QStringList{"mdb: Field 'Surname' not found.", "Not a valid password.",
                                                "An unexpected error ended the command."}));
}

TEST(HandlerGuardTest, AFailingErrorBoxDoesNotEscapeTheGuard) {
  // The error box itself throws: the guard swallows that too.
  struct ThrowingPrompts : qb::Prompts {
    void errorBox(const QString&) override { throw std::bad_alloc(); }
    void messageBox(const QString&) override {}
    bool confirm(const QString&) override { return false; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&, int) override {
      return {};
    }
    std::optional<QString> openFileName(const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFileName(const QString&, const QString&, const QString&) override {
      return {};
    }
    std::optional<QFont> chooseFont(const QFont&) override { return {}; }
    int execModal(QDialog&) override { return 0; }
    void printPreview(qb::PrintJob&) override {}
    void print(qb::PrintJob&) override {}
  };
  auto previous = qb::installPrompts(std::make_unique<ThrowingPrompts>());
  EXPECT_NO_THROW(qb::guarded([] { throw std::runtime_error("first"); }));
  qb::installPrompts(std::move(previous));
}

TEST(ScreenCursorTest, QtCursorIsAssignedNotStacked) {
  qb::QtScreenCursor cursor;
  EXPECT_EQ(cursor.shape(), Qt::ArrowCursor);
  cursor.setShape(Qt::WaitCursor);
  cursor.setShape(Qt::WaitCursor);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  cursor.setShape(Qt::PointingHandCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
  cursor.setShape(Qt::ArrowCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "one restore ends any number of sets";
  cursor.setShape(Qt::ArrowCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  {
    qb::QtScreenCursor busy;
    busy.setShape(Qt::WaitCursor);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "a cursor service takes its shape away with it";
}

TEST(ScreenCursorTest, NormalCursorAtExitRestoresAlsoWhenTheHandlerFails) {
  ScopedScriptedPrompts prompts;
  ScopedRecordingCursor cursor;
  qb::guarded([] {
    qb::setBusyCursor();
    qb::screenCursor().processPendingEvents();
    qb::NormalCursorAtExit normal;
    throw std::runtime_error("Cannot open table");
  });
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "events", "normal"}));
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"Cannot open table."});
}

TEST(FileDialogFiltersTest, EachChoiceMatchesBothCasesOfItsPatterns) {
  EXPECT_EQ(qb::fileDialogFilters("MDB Files|*.MDB|All Files|*.*"),
            (QStringList{"MDB Files (*.MDB *.mdb)", "All Files (*.*)"}));
  EXPECT_EQ(qb::fileDialogFilters("CSV Text File|*.TXT"), QStringList{"CSV Text File (*.TXT *.txt)"});
  EXPECT_EQ(qb::fileDialogFilters("Access Database (*.MDB)|*.MDB"),
            QStringList{"Access Database (*.MDB) (*.MDB *.mdb)"});
  EXPECT_EQ(qb::fileDialogFilters("Text Files|*.txt"), QStringList{"Text Files (*.txt *.TXT)"});
  EXPECT_EQ(qb::fileDialogFilters("Data|*.mdb;*.Accdb"),
            QStringList{"Data (*.mdb *.MDB *.Accdb *.accdb *.ACCDB)"});
  EXPECT_EQ(qb::fileDialogFilters("Odd|*.x|Dangling"), QStringList{"Odd (*.x *.X)"});
  EXPECT_TRUE(qb::fileDialogFilters("").isEmpty());
}

// Runs `check` on the modal box that the next prompt opens, once it is up.
void onNextModal(const std::function<void(QWidget&)>& check) {
  QTimer::singleShot(0, [check] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    check(*box);
  });
}

TEST(QtPromptsTest, ErrorBoxHasTheProgramsCaptionAndAnErrorIcon) {
  qb::QtPrompts prompts;
  onNextModal([](QWidget& widget) {
    auto* box = qobject_cast<QMessageBox*>(&widget);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Quillbase");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text(), "Could not open.");
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->accept();
  });
  prompts.errorBox("Could not open.");
  onNextModal([](QWidget& widget) {
    auto* box = qobject_cast<QMessageBox*>(&widget);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Quillbase");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    box->accept();
  });
  prompts.messageBox("Export Complete");
}

TEST(QtPromptsTest, InputBoxIsPlainLimitedAndCancelGivesNothing) {
  qb::QtPrompts prompts;
  onNextModal([](QWidget& widget) {
    EXPECT_EQ(widget.windowTitle(), "Enter Password");
    auto* edit = widget.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Normal) << "the password is typed in the clear";
    EXPECT_EQ(edit->maxLength(), 255);
    edit->setText(QString(300, QLatin1Char('x')));
    EXPECT_EQ(edit->text().size(), 255);
    edit->setText(QStringLiteral("s3cret;x"));
    qobject_cast<QDialog*>(&widget)->accept();
  });
  EXPECT_EQ(prompts.inputBox("Enter Password", "Password:", "", 255), QString("s3cret;x"));
  onNextModal([](QWidget& widget) { qobject_cast<QDialog*>(&widget)->reject(); });
  EXPECT_EQ(prompts.inputBox("Enter Password", "Password:", "", 255), std::nullopt);
}

TEST(QtPromptsTest, InputBoxIsWideEnoughForItsCaptionAndPrompt) {
  qb::QtPrompts prompts;
  onNextModal([](QWidget& widget) {
    const QFontMetrics metrics(widget.font());
    // The title bar shows the caption beside its buttons; the box's own
    // size would fit its field only.
    EXPECT_GT(widget.width(), metrics.horizontalAdvance("Enter Password") + 120);
    EXPECT_GE(widget.width(), 320);
    qobject_cast<QDialog*>(&widget)->reject();
  });
  prompts.inputBox("Enter Password", "Password:", "", 255);
  const QString longPrompt(80, QLatin1Char('w'));
  onNextModal([&](QWidget& widget) {
    EXPECT_GT(widget.width(), QFontMetrics(widget.font()).horizontalAdvance(longPrompt));
    qobject_cast<QDialog*>(&widget)->reject();
  });
  prompts.inputBox("Quick", longPrompt, "", 10);
}

TEST(QtPromptsTest, FileDialogsOpenLargeInTheFolderOfTheLastFile) {
  qb::QtPrompts prompts;
  qbtest::TempDir folder;
  const QString last = QString::fromStdString((folder / "last.mdb").string());
  QFile(last).open(QIODevice::WriteOnly);
  onNextModal([&](QWidget& widget) {
    auto* dialog = qobject_cast<QFileDialog*>(&widget);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(QFileInfo(dialog->directory().absolutePath()).canonicalFilePath(),
              QFileInfo(QString::fromStdString(folder.path().string())).canonicalFilePath());
    EXPECT_EQ(dialog->viewMode(), QFileDialog::Detail);
    EXPECT_GE(dialog->width(), 640) << "room for the name, size, type and date columns";
    EXPECT_GE(dialog->height(), 420);
    dialog->reject();
  });
  EXPECT_EQ(prompts.openFileName("MDB Files|*.MDB|All Files|*.*", last), std::nullopt);
  onNextModal([&](QWidget& widget) {
    auto* dialog = qobject_cast<QFileDialog*>(&widget);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(QFileInfo(dialog->directory().absolutePath()).canonicalFilePath(),
              QFileInfo(QString::fromStdString(folder.path().string())).canonicalFilePath());
    ASSERT_FALSE(dialog->selectedFiles().isEmpty());
    EXPECT_EQ(QFileInfo(dialog->selectedFiles().front()).fileName(), "last.mdb")
        << "the save dialog offers the name";
    dialog->reject();
  });
  EXPECT_EQ(prompts.saveFileName("MDB Files|*.MDB", "MDB", last), std::nullopt);
}

TEST(QtPromptsTest, ConfirmationAnswersOkOrCancel) {
  qb::QtPrompts prompts;
  onNextModal([](QWidget& widget) {
    auto* box = qobject_cast<QMessageBox*>(&widget);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Delete record?");
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(prompts.confirm("Delete record?"));
  onNextModal(
      [](QWidget& widget) { qobject_cast<QMessageBox*>(&widget)->button(QMessageBox::Cancel)->click(); });
  EXPECT_FALSE(prompts.confirm("Delete record?"));
}

TEST(ScriptedPromptsTest, AnswersInOrderAndCancelsWhenTheScriptIsEmpty) {
  ScriptedPrompts prompts;
  prompts.confirmWith(true);
  prompts.inputWith(QStringLiteral("pw"));
  prompts.openFileWith(std::nullopt);
  EXPECT_TRUE(prompts.confirm("Delete record?"));
  EXPECT_EQ(prompts.inputBox("Enter Password", "Password:", "", 255), QString("pw"));
  EXPECT_EQ(prompts.openFileName("MDB Files|*.MDB|All Files|*.*", ""), std::nullopt);
  EXPECT_TRUE(prompts.allAnswersUsed());
  EXPECT_FALSE(prompts.confirm("Again?"));
  ASSERT_EQ(prompts.shown().size(), 4u);
  EXPECT_EQ(prompts.shown()[1].caption, "Enter Password");
  EXPECT_EQ(prompts.shown()[2].text, "MDB Files|*.MDB|All Files|*.*");
}

TEST(FileDialogTest, OpenAndSaveDialogsAskWithTheirFilterAndDefaultExtension) {
  ScriptedPrompts prompts;
  qb::FileDialog open(qb::FileDialog::Kind::Open, QStringLiteral("MDB Files|*.MDB|All Files|*.*"));
  qb::FileDialog save(qb::FileDialog::Kind::Save, QStringLiteral("Access Database (*.MDB)|*.MDB"),
                      QStringLiteral("MDB"));
  prompts.openFileWith(QStringLiteral("/data/a.mdb"));
  prompts.saveFileWith(QStringLiteral("/data/new.MDB"));
  EXPECT_EQ(open.execute(prompts), QString("/data/a.mdb"));
  EXPECT_EQ(save.execute(prompts), QString("/data/new.MDB"));
  ASSERT_EQ(prompts.shown().size(), 2u);
  EXPECT_EQ(prompts.shown()[0].kind, PromptKind::OpenFile);
  EXPECT_EQ(prompts.shown()[0].text, "MDB Files|*.MDB|All Files|*.*");
  EXPECT_EQ(prompts.shown()[1].kind, PromptKind::SaveFile);
  EXPECT_EQ(prompts.shown()[1].text, "Access Database (*.MDB)|*.MDB");
  EXPECT_EQ(prompts.shown()[1].caption, "MDB") << "the default extension";
}

TEST(FileDialogTest, EachShowingStartsAtTheFileLastChosenInIt) {
  ScriptedPrompts prompts;
  qb::FileDialog open(qb::FileDialog::Kind::Open, QStringLiteral("MDB Files|*.MDB"));
  prompts.openFileWith(QStringLiteral("/data/first.mdb"));
  prompts.openFileWith(std::nullopt);
  prompts.openFileWith(QStringLiteral("/elsewhere/second.mdb"));
  prompts.openFileWith(std::nullopt);
  for (int i = 0; i < 4; ++i) open.execute(prompts);
  ASSERT_EQ(prompts.shown().size(), 4u);
  EXPECT_EQ(prompts.shown()[0].start.toString(), "") << "nothing chosen yet";
  EXPECT_EQ(prompts.shown()[1].start.toString(), "/data/first.mdb");
  EXPECT_EQ(prompts.shown()[2].start.toString(), "/data/first.mdb") << "a cancel keeps the place";
  EXPECT_EQ(prompts.shown()[3].start.toString(), "/elsewhere/second.mdb");
}

TEST(FileDialogTest, ASaveDialogAddsItsDefaultExtensionToANameWithoutOne) {
  ScriptedPrompts prompts;
  qb::FileDialog save(qb::FileDialog::Kind::Save, QStringLiteral("Access Database (*.MDB)|*.MDB"),
                      QStringLiteral("MDB"));
  qb::FileDialog csv(qb::FileDialog::Kind::Save, QStringLiteral("CSV Text File|*.TXT"));
  qb::FileDialog open(qb::FileDialog::Kind::Open, QStringLiteral("MDB Files|*.MDB"), QStringLiteral("MDB"));
  const std::vector<std::pair<QString, QString>> names{
      {"/data/new", "/data/new.MDB"},           {"/data/new.mdb", "/data/new.mdb"},
      {"/data/new.db", "/data/new.db"},         {"/data/new.", "/data/new."},
      {"/data.d/new", "/data.d/new.MDB"},       {"new", "new.MDB"},
  };
  for (const auto& [typed, chosen] : names) {
    prompts.saveFileWith(typed);
    EXPECT_EQ(save.execute(prompts), chosen) << typed.toStdString();
    EXPECT_EQ(save.fileName(), chosen);
  }
  prompts.saveFileWith(QStringLiteral("/data/export"));
  EXPECT_EQ(csv.execute(prompts), QString("/data/export")) << "no default extension, nothing added";
  prompts.openFileWith(QStringLiteral("/data/old"));
  EXPECT_EQ(open.execute(prompts), QString("/data/old")) << "an open dialog names an existing file";
}

TEST(FileDialogTest, ASaveDialogOpensAtTheFileLastChosenInIt) {
  ScriptedPrompts prompts;
  qb::FileDialog save(qb::FileDialog::Kind::Save, QStringLiteral("CSV Text File|*.TXT"));
  prompts.saveFileWith(QStringLiteral("/data/out.TXT"));
  prompts.saveFileWith(std::nullopt);
  prompts.saveFileWith(QStringLiteral("/data/other"));
  save.execute(prompts);
  save.execute(prompts);
  save.execute(prompts);
  ASSERT_EQ(prompts.shown().size(), 3u);
  EXPECT_EQ(prompts.shown()[0].start.toString(), QString()) << "nothing chosen yet";
  EXPECT_EQ(prompts.shown()[1].start.toString(), "/data/out.TXT");
  EXPECT_EQ(prompts.shown()[2].start.toString(), "/data/out.TXT") << "a cancel keeps the last name";
  EXPECT_EQ(save.fileName(), "/data/other");
}

TEST(FileDialogTest, KeepsTheFileLastChosenAndACancelKeepsItToo) {
  ScriptedPrompts prompts;
  qb::FileDialog open(qb::FileDialog::Kind::Open, QStringLiteral("MDB Files|*.MDB"));
  qb::FileDialog other(qb::FileDialog::Kind::Open, QStringLiteral("MDB Files|*.MDB"));
  EXPECT_TRUE(open.fileName().isEmpty()) << "before the first choice";
  prompts.openFileWith(QStringLiteral("/data/first.mdb"));
  prompts.openFileWith(std::nullopt);
  prompts.openFileWith(QStringLiteral("/data/second.mdb"));
  open.execute(prompts);
  EXPECT_EQ(open.execute(prompts), std::nullopt);
  EXPECT_EQ(open.fileName(), "/data/first.mdb");
  other.execute(prompts);
  EXPECT_EQ(other.fileName(), "/data/second.mdb");
  EXPECT_EQ(open.fileName(), "/data/first.mdb") << "each dialog keeps its own";
}

}  // namespace
