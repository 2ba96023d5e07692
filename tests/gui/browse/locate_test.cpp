// Search ▸ "Search Value" (the Locate dialog) and View ▸ "Goto Column" on a
// database built for the test: matching with and without "Partial Search"
// and "Case Insensitve", misses that change nothing, what the dialogs keep
// and empty between uses, the field lists against hidden columns, the
// errors, and the column titles matched without regard to the case of a-z.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "app/main_window.h"
#include "browse/drop_down_combo_box.h"
#include "browse/goto_column_dialog.h"
#include "browse/locate_commands.h"
#include "browse/locate_dialog.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "fixtures/built_database.h"
#include "fixtures/database_fixture.h"
#include "fixtures/recording_cursor.h"

namespace {

using jet::DataType;

QStringList listOf(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items.append(box.itemText(i));
  return items;
}

class LocateTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    BuiltTable people{u"People",
                      {builtColumn(u"Id", DataType::Long), builtColumn(u"Surname", DataType::Text, 30),
                       builtColumn(u"Town", DataType::Text, 30), builtColumn(u"Größe", DataType::Long)},
                      {}};
    const char16_t* surnames[] = {u"Jones", u"Smart", u"Sm", u"Smith", u"smythe"};
    const char16_t* towns[] = {u"Leeds", u"York", u"Hull", u"Bath", u"Leeds"};
    for (int i = 0; i < 5; ++i) {
      people.rows.push_back(
          {longValue(i + 1), textValue(surnames[i]), textValue(towns[i]), longValue(150 + i)});
    }
    BuiltTable many{
        u"Many", {builtColumn(u"Id", DataType::Long), builtColumn(u"Name", DataType::Text, 20)}, {}};
    for (int i = 1; i <= 400; ++i) many.rows.push_back({longValue(i), textValue(u"name")});
    writeDatabase(scratch / "people.mdb", {people, many});
    open(scratchFile("people.mdb"));
    chooseTab(QStringLiteral("People"));
    ASSERT_EQ(grid().model()->rowCount(), 5);
  }

  qb::TableDataSet& mdb() const { return Form1->mdb; }
  QString surname() const { return QString::fromStdU16String(mdb().fieldByName(u"Surname").text()); }

  // Search Value with the dialog filled in as given (the check boxes as the
  // dialog holds them unless set), then OK.
  void locate(const QString& field, const QString& value, std::optional<bool> caseInsensitive = {},
              std::optional<bool> partial = {}) {
    prompts->modalWith(QDialog::Accepted, [=](QDialog& dialog) {
      auto& search = static_cast<TfrmSearch&>(dialog);
      search.ComboBox1->setEditText(field);
      search.Edit1->setText(value);
      if (caseInsensitive) search.CheckBox1->setChecked(*caseInsensitive);
      if (partial) search.CheckBox2->setChecked(*partial);
      search.BitBtn1->click();
      EXPECT_FALSE(search.isVisible()) << "OK closes the dialog";
    });
    activate(QStringLiteral("SearchValue1"));
  }

  // Goto Column with `title` typed, then OK.
  void gotoColumn(const QString& title) {
    prompts->modalWith(QDialog::Accepted, [=](QDialog& dialog) {
      auto& select = static_cast<TfrmSelectField&>(dialog);
      select.ComboBox1->setEditText(title);
      select.BitBtn1->click();
    });
    activate(QStringLiteral("Gotofield1"));
  }
};

TEST_F(LocateTest, TheDialogHoldsItsControlsTickedAsDesignedInItsTabOrder) {
  prompts->modalWith(QDialog::Rejected, [](QDialog& dialog) {
    auto& search = static_cast<TfrmSearch&>(dialog);
    EXPECT_EQ(search.windowTitle(), "Locate");
    EXPECT_EQ(search.CheckBox1->text(), "Case Insensitve");
    EXPECT_EQ(search.CheckBox2->text(), "Partial Search");
    EXPECT_TRUE(search.CheckBox1->isChecked());
    EXPECT_TRUE(search.CheckBox2->isChecked());
    EXPECT_TRUE(search.BitBtn1->isDefault());
    QApplication::setActiveWindow(&search);
    EXPECT_EQ(QApplication::focusWidget(), search.Edit1) << "the value box comes first";
    QStringList order;
    for (int i = 0; i < 5; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* focus = QApplication::focusWidget();
      order.append(focus == search.ComboBox1->lineEdit() ? QStringLiteral("ComboBox1") : focus->objectName());
    }
    EXPECT_EQ(order, (QStringList{"BitBtn1", "ComboBox1", "BitBtn2", "CheckBox1", "CheckBox2"}));
  });
  activate(QStringLiteral("SearchValue1"));
}

TEST_F(LocateTest, PartialSearchFindsTheFirstSurnameBeginningWithTheValue) {
  locate(QStringLiteral("Surname"), QStringLiteral("Sm"));
  EXPECT_EQ(surname(), "Smart");
  EXPECT_EQ(currentCell().first, 1);

  mdb().first();
  locate(QStringLiteral("Surname"), QStringLiteral("Sm"), true, false);
  EXPECT_EQ(surname(), "Sm") << "without Partial Search only an equal value matches";

  mdb().first();
  locate(QStringLiteral("surname"), QStringLiteral("sm"), false, true);
  EXPECT_EQ(surname(), "smythe") << "with the case counting, and the field named in any case";

  mdb().first();
  locate(QStringLiteral("Surname"), QStringLiteral("SMITH"), true, false);
  EXPECT_EQ(surname(), "Smith");
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(LocateTest, AMissOrAFieldTheTableLacksChangesNothingAndSaysNothing) {
  mdb().moveTo(3);
  grid().columns().select(2);
  const auto before = currentCell();
  locate(QStringLiteral("Surname"), QStringLiteral("Zz"));
  locate(QStringLiteral("Nickname"), QStringLiteral("Sm"));
  locate(QString(), QStringLiteral("Sm"));
  locate(QStringLiteral("Id"), QStringLiteral("not a number"));
  EXPECT_EQ(currentCell(), before);
  EXPECT_EQ(mdb().recordNumber(), 4);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(prompts->modalWindows(), QStringList(4, QStringLiteral("frmSearch")));
}

TEST_F(LocateTest, TheFoundRecordIsScrolledIntoViewInTheSameColumn) {
  chooseTab(QStringLiteral("Many"));
  Form1->resize(800, 500);
  Form1->show();
  grid().columns().select(1);
  locate(QStringLiteral("Id"), QStringLiteral("350"));
  EXPECT_EQ(currentCell(), std::pair(349, 1));
  const QRect shown = grid().visualRect(grid().model()->index(349, 1));
  EXPECT_TRUE(grid().viewport()->rect().contains(shown)) << "the grid scrolled to the found row";
}

TEST_F(LocateTest, TheValueAndTheTicksAreKeptAndTheFieldBoxIsEmptiedOnOpening) {
  locate(QStringLiteral("Surname"), QStringLiteral("Smi"), false, true);
  prompts->modalWith(QDialog::Rejected, [](QDialog& dialog) {
    auto& search = static_cast<TfrmSearch&>(dialog);
    EXPECT_EQ(search.Edit1->text(), "Smi");
    EXPECT_FALSE(search.CheckBox1->isChecked());
    EXPECT_TRUE(search.CheckBox2->isChecked());
    EXPECT_TRUE(search.ComboBox1->currentText().isEmpty());
    // Every field of the table, shown sorted.
    EXPECT_EQ(listOf(*search.ComboBox1), (QStringList{"Größe", "Id", "Surname", "Town"}));
  });
  activate(QStringLiteral("SearchValue1"));
  EXPECT_EQ(surname(), "Smith");
}

TEST_F(LocateTest, OpeningTheListEmptiesWhatWasTypedAndOffersOnlyVisibleColumns) {
  grid().columns().setVisible(2, false);  // Town
  const auto check = [](QDialog& dialog, DropDownComboBox& box) {
    box.setEditText(QStringLiteral("Sur"));
    box.showPopup();
    EXPECT_TRUE(box.currentText().isEmpty()) << dialog.objectName().toStdString();
    EXPECT_EQ(listOf(box), (QStringList{"Größe", "Id", "Surname"})) << dialog.objectName().toStdString();
    box.hidePopup();
  };
  prompts->modalWith(QDialog::Rejected, [&](QDialog& dialog) {
    auto& search = static_cast<TfrmSearch&>(dialog);
    EXPECT_TRUE(listOf(*search.ComboBox1).contains("Town")) << "before the list is opened: every field";
    check(dialog, *search.ComboBox1);
  });
  activate(QStringLiteral("SearchValue1"));
  prompts->modalWith(QDialog::Rejected, [&](QDialog& dialog) {
    check(dialog, *static_cast<TfrmSelectField&>(dialog).ComboBox1);
  });
  activate(QStringLiteral("Gotofield1"));
}

TEST_F(LocateTest, WithNoTableOpenTheListIsEmptyAndOkFailsWithTheBusyCursorGone) {
  activate(QStringLiteral("Close1"));
  ScopedRecordingCursor cursor;
  prompts->modalWith(QDialog::Accepted, [](QDialog& dialog) {
    auto& search = static_cast<TfrmSearch&>(dialog);
    EXPECT_EQ(search.ComboBox1->count(), 0);
    search.ComboBox1->setEditText(QStringLiteral("Surname"));
    search.BitBtn1->click();
    EXPECT_FALSE(search.isVisible()) << "the dialog closes after the error";
  });
  activate(QStringLiteral("SearchValue1"));
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"mdb: Cannot perform this operation on a closed dataset."});
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"}));
}

TEST_F(LocateTest, AnEditThatCannotBeSavedStopsTheSearchWithTheEnginesMessage) {
  BuiltTable strict{
      u"Strict", {builtColumn(u"Code", DataType::Text, 10)}, {{textValue(u"a")}, {textValue(u"b")}}};
  strict.columns[0].required = true;
  writeDatabase(scratch / "strict.mdb", {strict});
  open(scratchFile("strict.mdb"));
  mdb().next();
  mdb().edit();
  mdb().fieldByName(u"Code").clear();
  prompts->clearShown();
  locate(QStringLiteral("Code"), QStringLiteral("a"));
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_NE(prompts->errorBoxes().front().indexOf("Code"), -1) << prompts->errorBoxes().front().toStdString();
  EXPECT_EQ(mdb().state(), qb::DataSetState::Edit);
  EXPECT_EQ(mdb().recordNumber(), 2) << "the current record stays";
}

TEST_F(LocateTest, GotoColumnMatchesTitlesWithoutRegardToTheCaseOfAToZ) {
  mdb().moveTo(2);
  gotoColumn(QStringLiteral("surname"));
  EXPECT_EQ(currentCell(), std::pair(2, 1));
  gotoColumn(QStringLiteral("TOWN"));
  EXPECT_EQ(currentCell(), std::pair(2, 2));
  gotoColumn(QStringLiteral("GRÖSSE"));
  gotoColumn(QStringLiteral("GRÖßE"));
  EXPECT_EQ(currentCell(), std::pair(2, 2)) << "letters beyond a-z keep their case";
  gotoColumn(QStringLiteral("GRößE"));
  EXPECT_EQ(currentCell(), std::pair(2, 3));
  gotoColumn(QStringLiteral("Nickname"));
  gotoColumn(QString());
  EXPECT_EQ(currentCell(), std::pair(2, 3)) << "a name that is no title changes nothing";
  EXPECT_EQ(mdb().recordNumber(), 3);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(LocateTest, GotoColumnReachesAHiddenColumnAndKeepsItsText) {
  grid().columns().setVisible(1, false);
  gotoColumn(QStringLiteral("Surname"));
  EXPECT_EQ(currentCell().second, 1) << "the current cell is in the hidden column";
  EXPECT_EQ(grid().columns().selected(), 1);
  prompts->modalWith(QDialog::Rejected, [](QDialog& dialog) {
    EXPECT_EQ(static_cast<TfrmSelectField&>(dialog).ComboBox1->currentText(), "Surname")
        << "nothing is reset when it opens";
  });
  activate(QStringLiteral("Gotofield1"));
}

TEST(LocateStepsTest, SameTitleFoldsOnlyAsciiLetters) {
  EXPECT_TRUE(qb::sameTitle("Surname", "sURNAME"));
  EXPECT_TRUE(qb::sameTitle("", ""));
  EXPECT_FALSE(qb::sameTitle("Surname", "Surnam"));
  EXPECT_FALSE(qb::sameTitle("Élan", "élan"));
  EXPECT_FALSE(qb::sameTitle("A_1", "a-1"));
  EXPECT_FALSE(qb::sameTitle("[", "{")) << "'[' and '{' are 32 apart but are no letters";
}

}  // namespace
