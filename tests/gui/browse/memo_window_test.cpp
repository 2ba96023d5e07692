// The memo window: bound to the grid's selected field by "View / Edit Memo
// Field", following the current record, editing through the shared record
// (also a number field, as text), unbound by a change of table, and its
// menu's text files (UTF-8, or Windows-1252 when a file is not UTF-8).
#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "browse/db_memo.h"
#include "browse/memo_commands.h"
#include "browse/memo_window.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "fixtures/built_database.h"
#include "fixtures/database_fixture.h"

namespace {

using jet::DataType;

constexpr int kBody = 1;
constexpr int kQty = 2;
constexpr int kPicture = 3;

class MemoWindowTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    BuiltTable notes{u"Notes",
                     {builtColumn(u"Id", DataType::Long), builtColumn(u"Body", DataType::Memo),
                      builtColumn(u"Qty", DataType::Long), builtColumn(u"Picture", DataType::Ole)},
                     {}};
    const jet::Value picture = jet::Value::binary(jet::Bytes(2100, 0x42));
    notes.rows.push_back({longValue(1), textValue(u"first line\r\nsecond line"), longValue(12), picture});
    notes.rows.push_back({longValue(2), textValue(u"the next record"), longValue(13), jet::Value()});
    notes.rows.push_back(
        {longValue(3), jet::Value::text(std::u16string(1 << 20, u'm')), longValue(14), jet::Value()});
    BuiltTable other{u"Other", {builtColumn(u"Body", DataType::Memo)}, {{textValue(u"elsewhere")}}};
    writeDatabase(scratch / "notes.mdb", {notes, other});
    open(scratchFile("notes.mdb"));
    chooseTab(QStringLiteral("Notes"));
  }

  DBMemo& memo() const { return *frmMemo->DBMemo1; }
  qb::TableDataSet& mdb() const { return Form1->mdb; }

  void showMemoFor(int column) {
    grid().columns().select(column);
    activate(QStringLiteral("ViewEditMemoField1"));
  }

  // The value of a field of a row as the file holds it now.
  std::u16string saved(int row, const char16_t* field) const {
    qb::Connection con;
    con.setConnectionString(Form1->con.connectionString());
    qb::TableDataSet table("check");
    table.setConnection(&con);
    table.setTableName(u"Notes");
    table.open();
    table.moveTo(static_cast<std::size_t>(row));
    return table.fieldByName(field).text();
  }

  QString writeFile(const char* name, const QByteArray& bytes) const {
    const QString path = scratchFile(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
};

TEST_F(MemoWindowTest, ShowsTheWholeTextOfTheSelectedFieldAndFollowsTheRecord) {
  showMemoFor(kBody);
  EXPECT_TRUE(frmMemo->isVisible());
  EXPECT_EQ(memo().dataField(), "Body");
  EXPECT_EQ(memo().toPlainText(), "first line\nsecond line");
  EXPECT_EQ(memo().document()->blockCount(), 2);
  activate(QStringLiteral("Next1"));
  EXPECT_EQ(memo().toPlainText(), "the next record");
  grid().setCurrentIndex(grid().model()->index(2, 0));
  EXPECT_EQ(memo().toPlainText().size(), 1 << 20) << "a memo of a million characters, whole";
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse) << "showing a value is no edit";
}

TEST_F(MemoWindowTest, ANumberFieldShowsAsTextAndIsEditedThroughTheSharedRecord) {
  showMemoFor(kQty);
  EXPECT_EQ(memo().toPlainText(), "12");
  memo().selectAll();
  QTest::keyClicks(&memo(), QStringLiteral("34"));
  EXPECT_EQ(mdb().state(), qb::DataSetState::Edit);
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(saved(0, u"Qty"), u"34");
  EXPECT_EQ(cell(0, kQty), "34");
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(MemoWindowTest, TypedLinesAreStoredWithTheDatabasesLineEnds) {
  showMemoFor(kBody);
  QTest::keyClick(&memo(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(&memo(), Qt::Key_Return);
  QTest::keyClicks(&memo(), QStringLiteral("third"));
  activate(QStringLiteral("Next1"));  // leaving the record saves it
  EXPECT_EQ(saved(0, u"Body"), u"first line\r\nsecond line\r\nthird");
}

TEST_F(MemoWindowTest, AnOleFieldIsDescribedAndCannotBeTypedOver) {
  showMemoFor(kPicture);
  EXPECT_EQ(memo().toPlainText(), "(OLE Object, 2 KB)");
  EXPECT_TRUE(memo().isReadOnly());
  QTest::keyClicks(&memo(), QStringLiteral("x"));
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
}

TEST_F(MemoWindowTest, AChangeOfTableUnbindsItUntilTheCommandIsGivenAgain) {
  showMemoFor(kBody);
  chooseTab(QStringLiteral("Other"));
  EXPECT_TRUE(memo().dataField().isEmpty());
  EXPECT_TRUE(memo().toPlainText().isEmpty());
  EXPECT_TRUE(memo().isReadOnly());
  showMemoFor(0);
  EXPECT_EQ(memo().toPlainText(), "elsewhere");
}

TEST_F(MemoWindowTest, WithNoTableOpenTheWindowComesUpUnbound) {
  activate(QStringLiteral("Close1"));
  frmMemo->hide();
  activate(QStringLiteral("ViewEditMemoField2"));
  EXPECT_TRUE(frmMemo->isVisible());
  EXPECT_TRUE(memo().dataField().isEmpty());
  EXPECT_TRUE(memo().toPlainText().isEmpty());
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(MemoWindowTest, StaysAboveTheOtherWindowsAndIsResizable) {
  showMemoFor(kBody);
  const QRect screen = Form1->screen()->availableGeometry();
  EXPECT_NEAR(frmMemo->frameGeometry().center().x(), screen.center().x(), 2) << "centred on the main window";
  EXPECT_NEAR(frmMemo->frameGeometry().center().y(), screen.center().y(), 2);
  EXPECT_TRUE(frmMemo->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(frmMemo->isWindow());
  EXPECT_NE(frmMemo->minimumSize(), frmMemo->maximumSize());
  EXPECT_EQ(memo().horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo().verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(MemoWindowTest, ImportTextReplacesTheMemoAsTypingWould) {
  showMemoFor(kBody);
  const QString path = writeFile("notes.txt", "\xEF\xBB\xBFone\r\ntwo \xC3\xA9t\xC3\xA9\r\n");
  prompts->openFileWith(path);
  frmMemo->LoadText1->trigger();
  EXPECT_EQ(prompts->shown().back().text, "Text Files|*.txt");
  EXPECT_EQ(memo().toPlainText(), QStringLiteral("one\ntwo été"));
  EXPECT_EQ(mdb().state(), qb::DataSetState::Edit);
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(saved(0, u"Body"), u"one\r\ntwo été");

  // A file that is not UTF-8 is read as Windows-1252; the dialog starts
  // where the last file was.
  const QString latin = writeFile("latin.txt", "caf\xE9 \x80");
  prompts->openFileWith(latin);
  frmMemo->LoadText1->trigger();
  EXPECT_EQ(prompts->shown().back().start.toString(), path);
  EXPECT_EQ(memo().toPlainText(), QStringLiteral("café €"));
}

TEST_F(MemoWindowTest, AFileThatCannotBeReadLeavesTheMemoAsItWas) {
  showMemoFor(kBody);
  prompts->openFileWith(scratchFile("missing.txt"));
  frmMemo->LoadText1->trigger();
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes().front().startsWith("Cannot read " + scratchFile("missing.txt") + ": "));
  EXPECT_EQ(memo().toPlainText(), "first line\nsecond line");
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
}

TEST_F(MemoWindowTest, SaveTextWritesTheLinesAsUtf8AndClearAllEmptiesTheMemo) {
  showMemoFor(kBody);
  memo().selectAll();
  memo().insertPlainText(QStringLiteral("Grüße"));  // as typed
  QTest::keyClick(&memo(), Qt::Key_Return);
  QTest::keyClicks(&memo(), QStringLiteral("end"));
  const QString path = scratchFile("out.txt");
  prompts->saveFileWith(path);
  frmMemo->SaveTexttoFile1->trigger();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("Gr\xC3\xBC\xC3\x9F"
                                       "e\nend\n"));

  frmMemo->ClearAll1->trigger();
  EXPECT_TRUE(memo().toPlainText().isEmpty());
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(saved(0, u"Body"), u"");
}

TEST_F(MemoWindowTest, AMemoThatTakesNoTypingOffersOnlyToSaveItsText) {
  showMemoFor(kPicture);
  QTimer::singleShot(0, frmMemo, [] { frmMemo->PopupMenu1->close(); });
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10),
                          memo().viewport()->mapToGlobal(QPoint(10, 10)));
  QCoreApplication::sendEvent(memo().viewport(), &click);
  QTest::qWait(20);
  EXPECT_FALSE(frmMemo->LoadText1->isEnabled());
  EXPECT_FALSE(frmMemo->ClearAll1->isEnabled());
  EXPECT_TRUE(frmMemo->SaveTexttoFile1->isEnabled());
  qb::clearMemo(memo());
  EXPECT_EQ(memo().toPlainText(), "(OLE Object, 2 KB)");
}

TEST(TextFileTest, LinesOfEveryEndingAndBothEncodings) {
  EXPECT_EQ(qb::textFileContents("a\r\nb\rc\nd"), "a\nb\nc\nd");
  EXPECT_EQ(qb::textFileContents("last line ends\n"), "last line ends");
  EXPECT_EQ(qb::textFileContents("two\n\n"), "two\n") << "only the final line end is dropped";
  EXPECT_EQ(qb::textFileContents(""), "");
  EXPECT_EQ(qb::textFileContents("\xEF\xBB\xBF"), "");
  EXPECT_EQ(qb::textFileContents("\xE2\x82\xAC"), QStringLiteral("€"));
  EXPECT_EQ(qb::textFileContents("\x80\x9F"), QStringLiteral("€Ÿ")) << "not UTF-8: Windows-1252";
  EXPECT_EQ(qb::textFileBytes(QStringLiteral("a\nb")), "a\nb\n");
  EXPECT_EQ(qb::textFileBytes(QString()), "");
  EXPECT_EQ(qb::textFileBytes(QStringLiteral("€")), "\xE2\x82\xAC\n");
}

}  // namespace
