// The table designer: the field list and its entry boxes, Add, the sizes the
// types give, Remove and Move Up at the edges of the list, and rows kept
// while the dialog is hidden, with nothing outside the dialog changed.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "app/main_window.h"
#include "connection/ui/main_data.h"
#include "fixtures/window_set_fixture.h"
#include "query/table_designer.h"

namespace {

using Rows = std::vector<QStringList>;

class TableDesignerTest : public WindowSetTest {
 protected:
  TfrmNew& designer() const { return *frmNew; }

  Rows rows() const {
    Rows all;
    const QTableWidget& list = *designer().ListView1;
    for (int row = 0; row < list.rowCount(); ++row) {
      QStringList cells;
      for (int column = 0; column < list.columnCount(); ++column) {
        const QTableWidgetItem* item = list.item(row, column);
        cells.append(item != nullptr ? item->text() : QStringLiteral("(none)"));
      }
      all.push_back(cells);
    }
    return all;
  }
  // Types a field in as a person does: name, type picked in the list, Add.
  void add(const QString& name, const QString& type = {}) {
    QTest::keyClicks(designer().Edit1, name);
    if (!type.isEmpty()) pick(type);
    designer().BitBtn1->click();
  }
  void pick(const QString& type) {
    QComboBox& box = *designer().ComboBox1;
    const int index = box.findText(type);
    ASSERT_GE(index, 0) << type.toStdString();
    box.setCurrentIndex(index);
    emit box.activated(index);
  }
  void select(int row) { designer().ListView1->selectRow(row); }
  int selected() const {
    const auto ranges = designer().ListView1->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.constFirst().topRow();
  }
  void moveUp() { designer().MoveUp1->trigger(); }
  void remove() { designer().Remove1->trigger(); }
};

TEST_F(TableDesignerTest, StartsWithAnEmptyFourColumnListAndEmptyBoxes) {
  const TfrmNew& d = designer();
  EXPECT_EQ(d.windowTitle(), "New Table");
  QStringList headers;
  for (int column = 0; column < d.ListView1->columnCount(); ++column)
    headers.append(d.ListView1->horizontalHeaderItem(column)->text());
  EXPECT_EQ(headers, (QStringList{"Field Name", "Type", "Size", "Status"}));
  EXPECT_EQ(d.ListView1->rowCount(), 0);
  EXPECT_EQ(d.ListView1->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(d.ListView1->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(d.ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);

  QStringList types;
  for (int i = 0; i < d.ComboBox1->count(); ++i) types.append(d.ComboBox1->itemText(i));
  EXPECT_EQ(types, (QStringList{"String", "Integer", "Memo", "Date", "Boolean", "Float"}));
  EXPECT_EQ(d.ComboBox1->currentIndex(), -1) << "no type chosen";
  EXPECT_FALSE(d.ComboBox1->isEditable());
  EXPECT_TRUE(d.Edit1->text().isEmpty());
  EXPECT_TRUE(d.Edit2->text().isEmpty());
  EXPECT_TRUE(d.Edit2->isEnabled());
  EXPECT_FALSE(d.CheckBox1->isChecked());
  EXPECT_EQ(d.CheckBox1->text(), "Required Field");
  EXPECT_EQ(d.BitBtn1->text(), "Add");
  EXPECT_EQ(d.BitBtn2->text(), "Close");
  EXPECT_EQ(d.BitBtn3->text(), "Save");
  EXPECT_TRUE(d.BitBtn3->isHidden());
  ASSERT_EQ(d.PopupMenu1->actions().size(), 2);
  EXPECT_EQ(d.PopupMenu1->actions()[0]->text(), "Remove");
  EXPECT_EQ(d.PopupMenu1->actions()[1]->text(), "Move Up");
  EXPECT_EQ(d.SaveDialog1.filter(), "DBF File|*.dbf");
  EXPECT_EQ(d.SaveDialog1.defaultSuffix(), "DBF");
}

TEST_F(TableDesignerTest, AddAppendsTheBoxesAsTypedEmptiesTheNameAndKeepsTheType) {
  designer().BitBtn1->click();
  EXPECT_EQ(rows(), (Rows{{"", "", "", ""}})) << "every box empty: a row of empty cells";

  designer().CheckBox1->setChecked(true);
  QTest::keyClicks(designer().Edit2, QStringLiteral("x1"));
  add(QStringLiteral("Name"), QStringLiteral("String"));
  EXPECT_TRUE(designer().Edit1->text().isEmpty());
  EXPECT_FALSE(designer().CheckBox1->isChecked());
  EXPECT_EQ(designer().ComboBox1->currentText(), "String");
  // A repeated name and a size that is no number are taken as typed.
  QTest::keyClicks(designer().Edit2, QStringLiteral("abc"));
  add(QStringLiteral("Name"));
  EXPECT_EQ(rows(), (Rows{{"", "", "", ""}, {"Name", "String", "50", ""}, {"Name", "String", "50abc", ""}}));
}

TEST_F(TableDesignerTest, PickingATypeSetsTheSizeAndAddEnablesTheSizeBoxAgain) {
  pick(QStringLiteral("Integer"));
  EXPECT_EQ(designer().Edit2->text(), "0");
  EXPECT_FALSE(designer().Edit2->isEnabled());
  add(QStringLiteral("Count"));
  EXPECT_TRUE(designer().Edit2->isEnabled());
  EXPECT_EQ(designer().Edit2->text(), "0") << "the text stays";

  for (const char* type : {"Date", "Boolean", "Float"}) {
    designer().Edit2->setText(QStringLiteral("12"));
    pick(QString::fromLatin1(type));
    EXPECT_EQ(designer().Edit2->text(), "0") << type;
    EXPECT_FALSE(designer().Edit2->isEnabled()) << type;
  }
  for (const char* type : {"Memo", "String"}) {
    pick(QString::fromLatin1(type));
    EXPECT_EQ(designer().Edit2->text(), "50") << type;
    EXPECT_TRUE(designer().Edit2->isEnabled()) << type;
  }
  // Only a pick by the user sets the size; choosing in code does not.
  designer().ComboBox1->setCurrentIndex(1);
  EXPECT_EQ(designer().Edit2->text(), "50");
  EXPECT_EQ(rows(), (Rows{{"Count", "Integer", "0", ""}}));
}

TEST_F(TableDesignerTest, MoveUpSwapsWithTheRowAboveAndTheTopRowGoesToTheBottom) {
  for (const char* name : {"A", "B", "C"}) add(QString::fromLatin1(name), QStringLiteral("Integer"));
  select(1);
  moveUp();
  EXPECT_EQ(rows(), (Rows{{"B", "Integer", "0", ""}, {"A", "Integer", "0", ""}, {"C", "Integer", "0", ""}}));
  EXPECT_EQ(selected(), 0) << "the moved row stays selected";
  moveUp();
  EXPECT_EQ(rows(), (Rows{{"A", "Integer", "0", ""}, {"C", "Integer", "0", ""}, {"B", "Integer", "0", ""}}));
  EXPECT_EQ(selected(), 2);
  select(2);
  moveUp();
  moveUp();
  EXPECT_EQ(rows(), (Rows{{"B", "Integer", "0", ""}, {"A", "Integer", "0", ""}, {"C", "Integer", "0", ""}}));
  EXPECT_EQ(selected(), 0);
  EXPECT_EQ(designer().ListView1->selectedItems().size(), 4) << "one whole row";
}

TEST_F(TableDesignerTest, RemoveAndMoveUpWithoutASelectionOrOnASingleRowDoNothing) {
  add(QStringLiteral("Only"), QStringLiteral("Memo"));
  designer().ListView1->clearSelection();
  moveUp();
  remove();
  EXPECT_EQ(rows(), (Rows{{"Only", "Memo", "50", ""}}));
  select(0);
  moveUp();
  EXPECT_EQ(rows(), (Rows{{"Only", "Memo", "50", ""}}));
  EXPECT_EQ(selected(), 0);
  add(QStringLiteral("Next"));
  select(0);
  remove();
  EXPECT_EQ(rows(), (Rows{{"Next", "Memo", "50", ""}}));
}

TEST_F(TableDesignerTest, RowsAndBoxesAreKeptAcrossShowsAndNothingOutsideChanges) {
  prompts->modalWith(QDialog::Rejected, [&](QDialog&) {
    add(QStringLiteral("Kept"), QStringLiteral("Float"));
    QTest::keyClicks(designer().Edit1, QStringLiteral("typed"));
    designer().CheckBox1->setChecked(true);
    designer().BitBtn3->click();  // hidden, and does nothing
  });
  activate(QStringLiteral("New1"));
  prompts->modalWith(QDialog::Rejected);
  activate(QStringLiteral("ToolButton8"));
  EXPECT_EQ(prompts->modalWindows(), (QStringList{"frmNew", "frmNew"}));
  EXPECT_EQ(prompts->shown().size(), 2u) << "no other box or dialog";
  EXPECT_EQ(rows(), (Rows{{"Kept", "Float", "0", ""}}));
  EXPECT_EQ(designer().Edit1->text(), "typed");
  EXPECT_EQ(designer().ComboBox1->currentText(), "Float");
  EXPECT_TRUE(designer().Edit2->isEnabled()) << "as Add left it";
  EXPECT_TRUE(designer().CheckBox1->isChecked());
  EXPECT_TRUE(mainData->con.connectionString().empty());
  EXPECT_FALSE(mainData->con.connected());
}

TEST_F(TableDesignerTest, CloseHidesTheDialogWithCancelAsItsResult) {
  designer().show();
  ASSERT_TRUE(designer().isVisible());
  designer().BitBtn2->click();
  EXPECT_FALSE(designer().isVisible());
  EXPECT_EQ(designer().result(), QDialog::Rejected);
}

}  // namespace
